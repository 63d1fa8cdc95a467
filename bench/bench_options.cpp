// "/xpvoptions" until the options window is on the screen, filled: from the command to the
// window's first paint, on a private Xvfb with openbox, then Escape. Settings exist and the
// staged plug-in folder holds the English language file.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "PrivateHome.h"
#include "config/OptionsWindow.h"
#include "dialogs/QtDialogs.h"
#include "platform/RegistryHive.h"
#include "platform/VideoDevices.h"
#include "plugin/PV.h"
#include "settings/HostScriptsKey.h"
#include "support/XvfbSession.h"

using namespace pictavo;

namespace {

// Stops the clock at the options window's first paint and presses Escape there.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted && qobject_cast<OptionsWindow*>(watched)) {
            painted = true;
            elapsedNs = clock.nsecsElapsed();
            QCoreApplication::postEvent(
                watched, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        }
        return false;
    }
    QElapsedTimer clock;
    qint64 elapsedNs = 0;
    bool painted = false;
};

void BM_OptionsCommand(benchmark::State& state) {
    RegistryHive hive(RegistryHive::defaultPath());
    HostScriptsKey::publish(hive, QStringLiteral(PICTAVO_PLUGIN_DIR "/.."));
    PlatformServices s;
    s.registryPath = RegistryHive::defaultPath();
    s.dialogs = std::make_unique<QtDialogs>();
    s.shell = std::make_unique<DesktopShell>();
    s.clock = std::make_unique<SystemClock>();
    s.video = std::make_unique<V4L2VideoDevices>();
    PV pv(std::move(s));
    pv.Initialize(4, QStringLiteral("bench@example.com"), nullptr);
    FirstPaint probe;
    qApp->installEventFilter(&probe);
    for (auto _ : state) {
        probe.painted = false;
        probe.clock.start();
        // A window that never paints must not hang the run.
        QTimer::singleShot(5000, [&pv] { pv.optionsForm().Unload(); });
        const QString answer = pv.ParseCommand(QStringLiteral("/xpvoptions"), QString(), nullptr);
        if (!probe.painted || answer != QLatin1String("True")) {
            state.SkipWithError("the options window was not shown");
            break;
        }
        state.SetIterationTime(static_cast<double>(probe.elapsedNs) / 1e9);
    }
    qApp->removeEventFilter(&probe);
}
BENCHMARK(BM_OptionsCommand)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    const pictavo::bench::PrivateHome home;
    pictavo::test::XvfbSession session(pictavo::test::XvfbSession::Options{});
    if (!session.isRunning()) {
        std::fprintf(stderr, "bench_options: no X server: %s\n", qPrintable(session.error()));
        return 1;
    }
    qputenv("DISPLAY", session.displayName());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
