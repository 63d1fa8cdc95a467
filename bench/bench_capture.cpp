// Capture of the whole virtual screen on private Xvfb servers at 1920x1080 and 3840x2160, each
// showing a photo-like picture (smooth gradients under noise, as a photograph compresses and
// converts, unlike a flat test card). Reports the median of repeated runs.

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "capture/modCapture.h"
#include "platform/X11ScreenSource.h"
#include "support/XvfbSession.h"

namespace {

using pictavo::X11ScreenSource;
using pictavo::test::XvfbSession;

QImage photoLike(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    quint32 noise = 12345;
    const double w = size.width();
    const double h = size.height();
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 28) - 8;
            const double u = x / w;
            const double v = y / h;
            const int r = int(128 + 100 * std::sin(6.0 * u + 2.0 * v)) + grain;
            const int g = int(110 + 90 * std::cos(4.0 * v - 3.0 * u * v)) + grain;
            const int b = int(90 + 80 * std::sin(9.0 * u * v + 1.0)) + grain;
            row[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

// Draws `image` onto the root window in strips that fit the server's request size.
void paintRoot(xcb_connection_t* c, xcb_window_t root, const QImage& image) {
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, root, 0, nullptr);
    const qsizetype maxBytes = qsizetype(xcb_get_maximum_request_length(c)) * 4 - 1024;
    const int rowsPerStrip = std::max(1, int(maxBytes / image.bytesPerLine()));
    for (int y = 0; y < image.height(); y += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, image.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, gc, uint16_t(image.width()),
                      uint16_t(rows), 0, int16_t(y), 0, 24, uint32_t(image.bytesPerLine() * rows),
                      image.constScanLine(y));
    }
    xcb_free_gc(c, gc);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

struct Screen {
    explicit Screen(QSize size)
        : session(XvfbSession::Options{size, 24, false, 30000}),
          source(open(X11ScreenSource::Transport::SharedMemoryWhenLocal)),
          plain(open(X11ScreenSource::Transport::GetImage)) {}
    std::unique_ptr<X11ScreenSource> open(X11ScreenSource::Transport transport) const {
        return session.isRunning() ? X11ScreenSource::open(session.displayName(), transport)
                                   : nullptr;
    }
    XvfbSession session;
    std::unique_ptr<X11ScreenSource> source;
    std::unique_ptr<X11ScreenSource> plain;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<std::unique_ptr<Screen>> screens;
    for (const QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        auto screen = std::make_unique<Screen>(size);
        if (!screen->source || !screen->plain) {
            std::fprintf(stderr, "bench_capture: no X server at %dx%d: %s\n", size.width(),
                         size.height(), qPrintable(screen->session.error()));
            return 1;
        }
        const QImage photo = photoLike(size);
        paintRoot(screen->source->connection(), screen->source->root(), photo);
        const std::string dimensions =
            std::to_string(size.width()) + "x" + std::to_string(size.height());
        // Shared memory (where the server offers it) and plain GetImage replies.
        for (X11ScreenSource* source : {screen->source.get(), screen->plain.get()}) {
            // Time only a capture that is right.
            if (pictavo::CaptureVirtualScreen(*source).image() != photo) {
                std::fprintf(stderr, "bench_capture: the capture differs from the screen\n");
                return 1;
            }
            const std::string name = std::string("CaptureVirtualScreen/") +
                                     (source->lastGrabWasShared() ? "shm/" : "getimage/") +
                                     dimensions;
            benchmark::RegisterBenchmark(
                name.c_str(),
                [source](benchmark::State& state) {
                    for (auto _ : state) {
                        auto picture = pictavo::CaptureVirtualScreen(*source);
                        benchmark::DoNotOptimize(picture.image().constBits());
                    }
                })
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(9)
                ->ReportAggregatesOnly(true);
        }
        screens.push_back(std::move(screen));
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
