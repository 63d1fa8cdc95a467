// A full-screen send ("/xpvfull" with "Preview" 0) on a Wayland desktop, through the desktop
// portal, beside the bare portal call it is built on. Run it inside a Wayland session with the
// portal, for instance the tests' headless sway at 1920x1080:
//
//   tests/wayland/wayland-session.sh build/bin/portal_capture [--runs N] [--formats "png bmp"]
//
// One pictavo-host per format answers --runs commands, each timed from the moment the line is
// written to the moment the path comes back. Before each command, one bare portal call (the
// request and its answer, the file it names removed unread) is timed in the same process, so
// that the load of the moment falls on both alike. Prints per format:
//
//   portal png 1920x1080 n=15 command_ms=612.0 portal_ms=351.2 ours_ms=260.8 decode_ms=25.0
//       path_ms=235.8
//
// command_ms and portal_ms are medians; ours_ms is the median of the per-command differences:
// everything that is not the portal's (reading its PNG, the copy, the encode of the file, the
// settings and the answer); decode_ms the median of reading the portal's PNG alone, which any
// client of the portal pays; path_ms the median of ours less that read, per command: the plug-in's
// own work on the picture. A BMP's encode is a copy, so its ours_ms is the cost of the path
// itself; PNG adds FreeImage's encode, which the X11 path pays alike.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/PictavoError.h"
#include "platform/PortalScreenSource.h"
#include "platform/RegistryHive.h"
#include "platform/X11ScreenSource.h"

namespace {

using Clock = std::chrono::steady_clock;
const QString kUser = QStringLiteral("bench@example.com");

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void setOption(const char* name, const QString& value) {
    pictavo::RegistryHive hive(pictavo::RegistryHive::defaultPath());
    const QString key =
        QStringLiteral("SOFTWARE\\Quorrel\\Pictavo\\") + kUser + QStringLiteral("\\Options");
    hive.createKey(pictavo::RootKey::CurrentUser, key);
    hive.setValue(pictavo::RootKey::CurrentUser, key, QLatin1String(name),
                  pictavo::RegValue::text(value));
}

// Something photo-like on the desktop, so that the encoders work as on a real screen.
void showBackground() {
    QImage picture(1920, 1080, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = int(noise >> 28);
            row[x] = qRgb((x * 255 / 1920 + grain) & 255, (y * 255 / 1080 + grain) & 255,
                          ((x + y) / 12 + grain) & 255);
        }
    }
    const QString file = QDir::tempPath() + QStringLiteral("/portal-bench-background.png");
    picture.save(file);
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"),
                  {QStringLiteral("output * bg ") + file + QStringLiteral(" stretch")});
    swaymsg.waitForFinished();
    QThread::msleep(1000);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 15;
    QStringList formats{QStringLiteral("png"), QStringLiteral("bmp")};
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--runs")) {
            runs = std::max(1, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--formats")) {
            formats = args[i + 1].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        }
    }
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "portal_capture: run it in a Wayland session with the portal\n");
        return 2;
    }
    showBackground();
    pictavo::PortalScreenSource portal(nullptr);
    try {
        for (const QString& format : formats) {
            setOption("Preview", QStringLiteral("0"));
            setOption("FileType", format);
            QProcess host;
            host.start(QCoreApplication::applicationDirPath() + QStringLiteral("/pictavo-host"),
                       {QStringLiteral("--email"), kUser});
            QByteArray err;
            while (!err.contains("loaded") && host.waitForReadyRead(20000)) {
                err += host.readAllStandardError();
            }
            std::vector<double> commands;
            std::vector<double> bare;
            std::vector<double> ours;
            std::vector<double> decode;
            std::vector<double> path;
            QSize size;
            for (int i = 0; i < runs; ++i) {
                auto start = Clock::now();
                const QString file = portal.requestPicture();
                bare.push_back(millisecondsSince(start));
                start = Clock::now();
                size = QImage(file).size();
                decode.push_back(millisecondsSince(start));
                QFile::remove(file);

                start = Clock::now();
                host.write("/xpvfull\n");
                while (!host.canReadLine() && host.waitForReadyRead(30000)) {
                }
                commands.push_back(millisecondsSince(start));
                const QString answer = QString::fromUtf8(host.readLine()).trimmed();
                if (answer.isEmpty() || !QFile::remove(answer)) {
                    std::fprintf(stderr, "portal_capture: no file answered (%s)\n%s\n",
                                 qPrintable(answer), host.readAllStandardError().constData());
                    return 1;
                }
                ours.push_back(commands.back() - bare.back());
                path.push_back(ours.back() - decode.back());
            }
            host.closeWriteChannel();
            host.waitForFinished(10000);
            std::printf(
                "portal %s %dx%d n=%d command_ms=%.1f portal_ms=%.1f ours_ms=%.1f "
                "decode_ms=%.1f path_ms=%.1f\n",
                qPrintable(format), size.width(), size.height(), runs, median(commands),
                median(bare), median(ours), median(decode), median(path));
            std::fflush(stdout);
        }
    } catch (const pictavo::PictavoError& e) {
        std::fprintf(stderr, "portal_capture: %s\n", e.what());
        return 1;
    }
    return 0;
}
