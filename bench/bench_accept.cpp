// The wait after a click on "Send Screenshot": from the click to the command's answer, on an
// unchanged full-screen capture sent as PNG at 1920x1080 and 3840x2160, once the file has been
// encoded in the background while the preview was open. For comparison, the same click when
// the run has not finished yet (it is waited for) and the direct encode it replaces come from
// bench_encode. Offscreen: the preview is real, nothing is drawn on a screen.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cmath>
#include <memory>

#include "PrivateHome.h"
#include "dialogs/QtDialogs.h"
#include "output/BackgroundEncoder.h"
#include "output/ImageEncoder.h"
#include "platform/RegistryHive.h"
#include "plugin/PV.h"
#include "preview/frmMain.h"
#include "settings/HostScriptsKey.h"
#include "settings/Settings.h"
#include "support/FakeScreenSource.h"

using namespace pictavo;

namespace {

// Smooth gradients under fine noise: a picture that compresses as a photograph does.
QImage photoLike(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 28) - 8;
            const double u = double(x) / size.width();
            const double v = double(y) / size.height();
            row[x] = qRgb(std::clamp(int(128 + 100 * std::sin(6 * u + 2 * v)) + grain, 0, 255),
                          std::clamp(int(110 + 90 * std::cos(4 * v - 3 * u * v)) + grain, 0, 255),
                          std::clamp(int(90 + 80 * std::sin(9 * u * v + 1)) + grain, 0, 255));
        }
    }
    return image;
}

void BM_AcceptUnchanged(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    PlatformServices s;
    s.registryPath = RegistryHive::defaultPath();
    s.dialogs = std::make_unique<QtDialogs>();
    s.shell = std::make_unique<DesktopShell>();
    s.clock = std::make_unique<SystemClock>();
    s.screen = std::make_unique<test::FakeScreenSource>(photoLike(size));
    PV pv(std::move(s));
    {
        RegistryHive hive(RegistryHive::defaultPath());
        HostScriptsKey::publish(hive, QStringLiteral(PICTAVO_PLUGIN_DIR "/.."));
    }
    pv.Initialize(4, QStringLiteral("bench@example.com"), nullptr);
    for (const auto& [name, value] : {std::pair{"Preview", "1"},
                                      {"Overlay", "0"},
                                      {"Clipboard", "0"},
                                      {"TimeDelay", "0"},
                                      {"FileType", "png"}}) {
        pv.settings().setValue(QStringLiteral("Options"), QLatin1String(name),
                               QLatin1String(value));
    }
    for (auto _ : state) {
        QElapsedTimer clicked;
        QTimer::singleShot(0, [&] {
            // The user looks at the preview until its file is ready, then clicks.
            while (!pv.encoder().background().idle()) {
                QEventLoop pause;
                QTimer::singleShot(5, &pause, &QEventLoop::quit);
                pause.exec();
            }
            clicked.start();
            pv.mainForm().cmdSend_Click();
        });
        const QString path = pv.ParseCommand(QStringLiteral("/xpvfull"), QString(), nullptr);
        state.SetIterationTime(double(clicked.nsecsElapsed()) / 1e9);
        if (path.isEmpty() || !QFile::remove(path)) {
            state.SkipWithError("the send gave no file");
            break;
        }
    }
}
BENCHMARK(BM_AcceptUnchanged)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    return pictavo::bench::runOffscreenWithPrivateHome(argc, argv);
}
