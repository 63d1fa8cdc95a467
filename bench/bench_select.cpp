// The region selection on private Xvfb servers with openbox at 1920x1080 and 3840x2160:
//   SelectShown: from the "/xpvselect" command to the selection window's first paint of the
//     frozen screen being on the server (the capture of the whole screen included);
//   BandMove: one pointer move during a drag at 4K, with its repaint and flush; the counter
//     painted_px is what a move repaints, against the 8.3 million pixels of the screen.
// Each screen size runs in a child process of its own, since Qt connects to one display.

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <string>

#include "capture/frmSelect.h"
#include "capture/frmSelectWindow.h"
#include "capture/modCapture.h"
#include "platform/RegistryHive.h"
#include "platform/ScreenSource.h"
#include "plugin/PV.h"
#include "settings/HostScriptsKey.h"
#include "support/XvfbSession.h"

namespace {

using pictavo::PV;

// Counts what Picture1 paints and reports its first paint.
class PaintWatch : public QObject {
public:
    qint64 paintedPixels = 0;
    std::function<void()> onPaint;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && object->objectName() == QLatin1String("Picture1")) {
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region()) {
                paintedPixels += qint64(r.width()) * r.height();
            }
            if (onPaint) {
                // Once the paint has been drawn and flushed.
                QTimer::singleShot(0, onPaint);
            }
        }
        return false;
    }
};

void registerShown(PV& pv, PaintWatch& watch, const std::string& size) {
    benchmark::RegisterBenchmark(("SelectShown/" + size).c_str(),
                                 [&pv, &watch](benchmark::State& state) {
                                     for (auto _ : state) {
                                         QElapsedTimer clock;
                                         double seconds = 0;
                                         watch.onPaint = [&] {
                                             if (pv.selectForm().isLoaded()) {
                                                 seconds = clock.nsecsElapsed() / 1e9;
                                                 pv.selectForm().Form_Escape();
                                             }
                                         };
                                         clock.start();
                                         pv.ParseCommand(QStringLiteral("/xpvselect"), QString(),
                                                         nullptr);
                                         watch.onPaint = nullptr;
                                         state.SetIterationTime(seconds);
                                     }
                                 })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}

void registerBandMove(PV& pv, PaintWatch& watch, QSize size) {
    benchmark::RegisterBenchmark(
        "BandMove/3840x2160",
        [&pv, &watch, size](benchmark::State& state) {
            pictavo::frmSelect& f = pv.selectForm();
            auto screen = pictavo::makeX11ScreenSource();
            f.setPicture(pictavo::CaptureVirtualScreen(*screen));
            f.window()->coverScreen(size);
            f.window()->show();
            while (watch.paintedPixels == 0) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
            f.Picture1_MouseDown(Qt::LeftButton, QPoint(400, 300));
            f.Picture1_MouseMove(QPoint(1400, 900));
            QCoreApplication::processEvents();
            watch.paintedPixels = 0;
            int i = 0;
            for (auto _ : state) {
                ++i;
                f.Picture1_MouseMove(QPoint(1400 + (i % 400) * 3, 900 + (i % 300) * 2));
                QCoreApplication::processEvents();
            }
            state.counters["painted_px"] =
                benchmark::Counter(double(watch.paintedPixels), benchmark::Counter::kAvgIterations);
            f.Form_Escape();
            QCoreApplication::processEvents();
        })
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}

int runOnScreen(QSize size, int argc, char** argv) {
    QTemporaryDir home;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "TMPDIR"}) {
        const QString dir = home.filePath(QLatin1String(name));
        QDir().mkpath(dir);
        qputenv(name, QFile::encodeName(dir));
    }
    pictavo::test::XvfbSession session(pictavo::test::XvfbSession::Options{size, 24, true, 30000});
    if (!session.isRunning()) {
        std::fprintf(stderr, "bench_select: %s\n", qPrintable(session.error()));
        return 1;
    }
    session.exportDisplay();
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    {
        pictavo::RegistryHive hive(pictavo::RegistryHive::defaultPath());
        pictavo::HostScriptsKey::publish(
            hive, QDir::cleanPath(QStringLiteral(PICTAVO_PLUGIN_DIR) + QStringLiteral("/..")));
    }
    PV pv(pictavo::PlatformServices::production());
    if (!pv.Initialize(4, QStringLiteral("bench@example.com"), nullptr)) {
        std::fprintf(stderr, "bench_select: the plug-in did not start\n");
        return 1;
    }
    PaintWatch watch;
    app.installEventFilter(&watch);
    registerShown(pv, watch, std::to_string(size.width()) + "x" + std::to_string(size.height()));
    if (size.width() == 3840) {
        registerBandMove(pv, watch, size);
    }
    benchmark::RunSpecifiedBenchmarks();
    pv.Uninitialize();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    int status = 0;
    for (const QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            const int code = runOnScreen(size, argc, argv);
            std::fflush(stdout);
            _exit(code);
        }
        int childStatus = 0;
        waitpid(child, &childStatus, 0);
        if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) {
            status = 1;
        }
    }
    benchmark::Shutdown();
    return status;
}
