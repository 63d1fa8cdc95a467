#pragma once

#include <FreeImage.h>

#include <QDir>
#include <QImage>
#include <QStringList>
#include <atomic>

#include "output/FreeImageLibrary.h"

namespace pictavo::test {

inline QString stagedFreeImagePath() {
    return QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3");
}

// Counts the FreeImage bitmaps that are alive, by wrapping the functions of `library` that
// make and release them. Every wrapped library shares the one counter (tests run one at a
// time); reset() at the start of a test.
struct BitmapCounter {
    static inline std::atomic<int> live{0};
    static inline decltype(&::FreeImage_Allocate) allocate = nullptr;
    static inline decltype(&::FreeImage_ConvertTo24Bits) to24 = nullptr;
    static inline decltype(&::FreeImage_ColorQuantize) quantize = nullptr;
    static inline decltype(&::FreeImage_Unload) unload = nullptr;
    static inline decltype(&::FreeImage_Load) load = nullptr;
    static inline decltype(&::FreeImage_ConvertTo32Bits) to32 = nullptr;

    static void install(FreeImageLibrary& library) {
        live = 0;
        allocate = library.Allocate;
        to24 = library.ConvertTo24Bits;
        quantize = library.ColorQuantize;
        unload = library.Unload;
        load = library.Load;
        to32 = library.ConvertTo32Bits;
        library.Allocate = [](int w, int h, int bpp, unsigned r, unsigned g,
                              unsigned b) -> FIBITMAP* {
            return counted(allocate(w, h, bpp, r, g, b));
        };
        library.ConvertTo24Bits = [](FIBITMAP* dib) -> FIBITMAP* { return counted(to24(dib)); };
        library.ColorQuantize = [](FIBITMAP* dib, FREE_IMAGE_QUANTIZE q) -> FIBITMAP* {
            return counted(quantize(dib, q));
        };
        library.Load = [](FREE_IMAGE_FORMAT fif, const char* name, int flags) -> FIBITMAP* {
            return counted(load(fif, name, flags));
        };
        library.ConvertTo32Bits = [](FIBITMAP* dib) -> FIBITMAP* { return counted(to32(dib)); };
        library.Unload = [](FIBITMAP* dib) {
            if (dib) {
                --live;
            }
            unload(dib);
        };
    }
    static FIBITMAP* counted(FIBITMAP* dib) {
        if (dib) {
            ++live;
        }
        return dib;
    }
};

// Gradients with noise: many colours, like a photograph or a busy desktop.
QImage photoLikePicture(int width, int height, quint32 seed = 1);
// A picture of exactly `colours` (at most 256) well-separated colours in blocks and stripes.
QImage fewColourPicture(int width, int height, int colours);
// Reads `path` back through `library` as an RGB32 picture; null when it cannot.
QImage loadThrough(FreeImageLibrary& library, FREE_IMAGE_FORMAT fif, const QString& path);
// Peak signal-to-noise ratio of `b` against `a` over R, G and B, in dB (infinite when equal).
double psnr(const QImage& a, const QImage& b);
// Every entry of `folder`, hidden ones included, sorted.
QStringList folderEntries(const QString& folder);

}  // namespace pictavo::test
