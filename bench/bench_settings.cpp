// Start-up cost of the plug-in on an existing settings tree: Initialize (with the FreeImage copy
// already mapped, so the library load itself is left out) and ReadRegistry. And what a send
// without a preview costs beside the capture and the encoding: a small screen saved as BMP, with
// the settings traffic of one send (reads, writes, transactions and SQL statements) as counters.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <memory>

#include "PrivateHome.h"
#include "dialogs/QtDialogs.h"
#include "output/FreeImageLibrary.h"
#include "platform/RegistryHive.h"
#include "plugin/PV.h"
#include "settings/HostScriptsKey.h"
#include "settings/Settings.h"
#include "support/FakeScreenSource.h"

using namespace pictavo;

namespace {

const QString kScripts = QStringLiteral(PICTAVO_PLUGIN_DIR "/..");

std::unique_ptr<PV> makePlugin(QImage screen = {}) {
    PlatformServices s;
    if (!screen.isNull()) {
        s.screen = std::make_unique<test::FakeScreenSource>(std::move(screen));
    }
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

void BM_SendWithoutPreview(benchmark::State& state) {
    QImage screen(320, 200, QImage::Format_RGB32);
    screen.fill(QColor(40, 90, 160));
    auto pv = makePlugin(screen);
    publishScriptsDir();
    pv->Initialize(4, QStringLiteral("bench@example.com"), nullptr);
    for (const auto& [name, value] : {std::pair{"Preview", "0"},
                                      {"Overlay", "0"},
                                      {"Clipboard", "0"},
                                      {"TimeDelay", "0"},
                                      {"FileType", "bmp"}}) {
        pv->settings().setValue(QStringLiteral("Options"), QLatin1String(name),
                                QLatin1String(value));
    }
    const RegistryHive::Traffic before = pv->settings().registry().hive().traffic();
    for (auto _ : state) {
        const QString path = pv->ParseCommand(QStringLiteral("/xpvfull"), QString(), nullptr);
        state.PauseTiming();
        if (path.isEmpty() || !QFile::remove(path)) {
            state.SkipWithError("the send gave no file");
            break;
        }
        state.ResumeTiming();
    }
    const RegistryHive::Traffic& after = pv->settings().registry().hive().traffic();
    const auto perSend = [&](std::uint64_t a, std::uint64_t b) {
        return benchmark::Counter(double(a - b), benchmark::Counter::kAvgIterations);
    };
    state.counters["reads"] = perSend(after.reads, before.reads);
    state.counters["writes"] = perSend(after.writes, before.writes);
    state.counters["transactions"] = perSend(after.transactions, before.transactions);
    state.counters["statements"] = perSend(after.statements, before.statements);
}
BENCHMARK(BM_SendWithoutPreview)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    return pictavo::bench::runOffscreenWithPrivateHome(argc, argv);
}
