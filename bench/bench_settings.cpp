// Start-up cost of the plug-in on an existing settings tree: Initialize (with the FreeImage copy
// already mapped, so the library load itself is left out) and ReadRegistry.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <memory>

#include "dialogs/QtDialogs.h"
#include "output/FreeImageLibrary.h"
#include "platform/RegistryHive.h"
#include "plugin/PV.h"
#include "settings/HostScriptsKey.h"
#include "settings/Settings.h"

using namespace pictavo;

namespace {

const QString kScripts = QStringLiteral(PICTAVO_PLUGIN_DIR "/..");

std::unique_ptr<PV> makePlugin() {
    PlatformServices s;
    s.registryPath = RegistryHive::defaultPath();
    s.dialogs = std::make_unique<QtDialogs>();
    s.shell = std::make_unique<DesktopShell>();
    s.clock = std::make_unique<SystemClock>();
    return std::make_unique<PV>(std::move(s));
}

void publishScriptsDir() {
    RegistryHive hive(RegistryHive::defaultPath());
    HostScriptsKey::publish(hive, kScripts);
}

void BM_Initialize(benchmark::State& state) {
    publishScriptsDir();
    // Keeps the library mapped: each Initialize's dlopen is then a reference count.
    FreeImageLibrary resident(QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3"));
    makePlugin()->Initialize(4, QStringLiteral("bench@example.com"), nullptr);  // creates the tree
    for (auto _ : state) {
        state.PauseTiming();
        auto pv = makePlugin();
        state.ResumeTiming();
        benchmark::DoNotOptimize(pv->Initialize(4, QStringLiteral("bench@example.com"), nullptr));
    }
}
BENCHMARK(BM_Initialize)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly();

void BM_ReadRegistry(benchmark::State& state) {
    auto pv = makePlugin();
    publishScriptsDir();
    pv->Initialize(4, QStringLiteral("bench@example.com"), nullptr);
    for (auto _ : state) {
        pv->settings().ReadRegistry();
    }
}
BENCHMARK(BM_ReadRegistry)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "TMPDIR"}) {
        qputenv(v, home.path().toUtf8());
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
