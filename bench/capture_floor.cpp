// The floor under a whole-screen capture: what any screenshot tool must at least spend to read
// the root window of $DISPLAY and write it as PNG, JPEG or BMP. One GetImage of the whole root
// (ZPixmap, all planes) on a connection of its own, the cheapest correct copy into a 24-bit
// FreeImage bitmap, and FreeImage_Save through the same FreeImage copy the plug-in loads (PNG and
// BMP with flags 0, JPEG at quality 85). Nothing else: no settings, no staging, no library start
// per capture.
//
// Prints one line per format with the median of the read, the copy, the save and of the whole
// capture (the median of the per-capture totals, not the sum of the medians), in milliseconds:
//
//   floor png 1920x1080 n=10 read_ms=9.1 copy_ms=3.0 save_ms=201.4 total_ms=213.2
//
// The first PNG written is read back and compared with the screen, so only a right capture is
// timed. Usage: capture_floor [--iterations N] [--folder DIR] [--format png|jpg|bmp|all]

#include <unistd.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "output/FreeImageLibrary.h"
#include "platform/PictavoError.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// The root of the default screen, with the one pixel layout the copy below handles: 24-bit
// TrueColor in 32-bit little-endian pixels (B, G, R, pad in memory). Anything else is refused
// rather than copied wrongly.
struct Root {
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    int width = 0;
    int height = 0;
    std::string error;

    Root() {
        int screenNumber = 0;
        connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection)) {
            error = "cannot open the display named by $DISPLAY";
            return;
        }
        const xcb_setup_t* setup = xcb_get_setup(connection);
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
            xcb_screen_next(&screens);
        }
        const xcb_screen_t* screen = screens.data;
        window = screen->root;
        width = screen->width_in_pixels;
        height = screen->height_in_pixels;

        if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || screen->root_depth != 24) {
            error = "the root is not a 24-bit little-endian screen";
            return;
        }
        bool pixels32 = false;
        for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem > 0; xcb_format_next(&f)) {
            if (f.data->depth == 24) {
                pixels32 = f.data->bits_per_pixel == 32;
            }
        }
        const xcb_visualtype_t* visual = nullptr;
        for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem > 0 && !visual;
             xcb_depth_next(&d)) {
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem > 0; xcb_visualtype_next(&v)) {
                if (v.data->visual_id == screen->root_visual) {
                    visual = v.data;
                    break;
                }
            }
        }
        if (!pixels32 || !visual || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR ||
            visual->red_mask != 0xff0000u || visual->green_mask != 0x00ff00u ||
            visual->blue_mask != 0x0000ffu) {
            error = "the root's pixels are not 32-bit 8:8:8 TrueColor";
        }
    }
    ~Root() { xcb_disconnect(connection); }
    Root(const Root&) = delete;
    Root& operator=(const Root&) = delete;

    Reply<xcb_get_image_reply_t> read() const {
        return Reply<xcb_get_image_reply_t>(
            xcb_get_image_reply(connection,
                                xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                              uint16_t(width), uint16_t(height), ~0u),
                                nullptr));
    }
};

// The 32-bit X rows, top-down, into the 24-bit FreeImage rows, bottom-up: three bytes of every
// four, in the same B, G, R order.
void copyInto(pictavo::FreeImageLibrary& fi, FIBITMAP* dib, const uint8_t* xBits, size_t xStride,
              int width, int height) {
    BYTE* bits = fi.GetBits(dib);
    const size_t pitch = fi.GetPitch(dib);
    for (int y = 0; y < height; ++y) {
        const uint8_t* from = xBits + size_t(y) * xStride;
        BYTE* to = bits + size_t(height - 1 - y) * pitch;
        for (int x = 0; x < width; ++x) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            from += 4;
            to += 3;
        }
    }
}

// The file read back must hold the screen's pixels exactly (PNG is lossless).
bool sameAsScreen(pictavo::FreeImageLibrary& fi, const char* path, const uint8_t* xBits,
                  size_t xStride, int width, int height) {
    FIBITMAP* loaded = fi.Load(FIF_PNG, path, 0);
    if (!loaded) {
        return false;
    }
    bool same = int(fi.GetWidth(loaded)) == width && int(fi.GetHeight(loaded)) == height &&
                fi.GetBPP(loaded) == 24;
    for (int y = 0; same && y < height; ++y) {
        const uint8_t* screen = xBits + size_t(y) * xStride;
        const BYTE* file = fi.GetScanLine(loaded, height - 1 - y);
        for (int x = 0; same && x < width; ++x) {
            same = std::memcmp(screen + 4 * x, file + 3 * x, 3) == 0;
        }
    }
    fi.Unload(loaded);
    return same;
}

struct Format {
    const char* name;
    FREE_IMAGE_FORMAT fif;
    int flags;
};

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s [--iterations N] [--folder DIR] [--format png|jpg|bmp|all]\n",
                 program);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int iterations = 10;
    QString folder = QDir::tempPath();
    std::string which = "all";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            return usage(argv[0]);
        }
        if (arg == "--iterations") {
            iterations = std::atoi(argv[++i]);
        } else if (arg == "--folder") {
            folder = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--format") {
            which = argv[++i];
        } else {
            return usage(argv[0]);
        }
    }
    if (iterations < 1 || (which != "png" && which != "jpg" && which != "bmp" && which != "all")) {
        return usage(argv[0]);
    }

    Root root;
    if (!root.error.empty()) {
        std::fprintf(stderr, "capture_floor: %s\n", root.error.c_str());
        return 1;
    }
    std::unique_ptr<pictavo::FreeImageLibrary> fi;
    try {
        fi = std::make_unique<pictavo::FreeImageLibrary>(
            QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3"));
    } catch (const pictavo::PictavoError& e) {
        std::fprintf(stderr, "capture_floor: %s\n", e.what());
        return 1;
    }
    fi->Initialise(FALSE);

    std::vector<Format> formats;
    for (const Format& format :
         {Format{"png", FIF_PNG, 0}, Format{"jpg", FIF_JPEG, 85}, Format{"bmp", FIF_BMP, 0}}) {
        if (which == "all" || which == format.name) {
            formats.push_back(format);
        }
    }

    int status = 0;
    for (const Format& format : formats) {
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(
            QStringLiteral("capture_floor_%1.%2").arg(getpid()).arg(QLatin1String(format.name))));
        std::vector<double> reads, copies, saves, totals;
        // One untimed capture first: it pages the buffers in and, for PNG, checks the file.
        for (int i = -1; i < iterations; ++i) {
            const auto start = Clock::now();
            const auto reply = root.read();
            if (!reply) {
                std::fprintf(stderr, "capture_floor: GetImage failed\n");
                return 1;
            }
            const uint8_t* xBits = xcb_get_image_data(reply.get());
            const size_t xStride = size_t(xcb_get_image_data_length(reply.get())) / root.height;
            const double read = millisecondsSince(start);

            const auto copyStart = Clock::now();
            FIBITMAP* dib = fi->Allocate(root.width, root.height, 24, FI_RGBA_RED_MASK,
                                         FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK);
            if (!dib || xStride < size_t(root.width) * 4) {
                std::fprintf(stderr, "capture_floor: no bitmap to copy into\n");
                return 1;
            }
            copyInto(*fi, dib, xBits, xStride, root.width, root.height);
            const double copy = millisecondsSince(copyStart);

            const auto saveStart = Clock::now();
            const bool saved = fi->Save(format.fif, dib, path.constData(), format.flags) == 1;
            fi->Unload(dib);
            const double save = millisecondsSince(saveStart);
            const double total = millisecondsSince(start);
            if (!saved) {
                std::fprintf(stderr, "capture_floor: FreeImage_Save failed for %s\n",
                             path.constData());
                return 1;
            }
            if (i < 0) {
                if (format.fif == FIF_PNG &&
                    !sameAsScreen(*fi, path.constData(), xBits, xStride, root.width, root.height)) {
                    std::fprintf(stderr,
                                 "capture_floor: the PNG written differs from the screen\n");
                    status = 1;
                }
                continue;
            }
            reads.push_back(read);
            copies.push_back(copy);
            saves.push_back(save);
            totals.push_back(total);
        }
        std::remove(path.constData());
        std::printf("floor %s %dx%d n=%d read_ms=%.2f copy_ms=%.2f save_ms=%.2f total_ms=%.2f\n",
                    format.name, root.width, root.height, iterations, median(reads), median(copies),
                    median(saves), median(totals));
        std::fflush(stdout);
    }
    fi->DeInitialise();
    return status;
}
