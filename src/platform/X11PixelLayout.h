#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <cstdlib>
#include <memory>

namespace pictavo {

// How an X display lays out the pixels of a ZPixmap image of its root depth: what the
// connection setup and the root visual say, and for colormapped visuals the colours of the
// current colormap. Enough to turn the bytes of a GetImage reply into a QImage.
struct X11PixelLayout {
    int depth = 24;
    int bitsPerPixel = 32;
    // In bits: every row of the image starts at a multiple of this.
    int scanlinePad = 32;
    // The server's image byte order (most significant byte first).
    bool msbFirst = false;
    // TrueColor and DirectColor visuals: the channel masks of a pixel value.
    quint32 redMask = 0xff0000;
    quint32 greenMask = 0x00ff00;
    quint32 blueMask = 0x0000ff;
    // Colormapped visuals (PseudoColor, StaticColor, GrayScale, StaticGray): pixel values are
    // indexes into `colormap`, which holds one opaque colour per value.
    bool colormapped = false;
    QList<QRgb> colormap = {};
    // Keep the pixel values as an indexed image with `colormap` as its colour table: only on a
    // PseudoColor display with a 256-entry colormap. Other colormapped displays are looked up
    // into RGB32 and carry no palette.
    bool keepsPalette = false;
    // The pixel value that shows black, for parts of a grab that lie off the screen.
    quint32 blackPixel = 0;

    int bytesPerLine(int width) const;
    // Indexed8 when the layout keeps the palette, RGB32 otherwise.
    QImage::Format imageFormat() const;
    // An image of `imageFormat()` and `size`, all black (with the colour table when indexed).
    QImage blackImage(QSize size) const;
};

// ZPixmap bytes at `bits`. When `owner` is set, the bytes are this buffer's to keep and to
// change: `owner` keeps them alive (an xcb reply, a shared segment lent to the picture). When it
// is null they are borrowed, only to be read now.
struct ZPixmapBuffer {
    std::shared_ptr<void> owner;
    uchar* bits = nullptr;
    qsizetype length = 0;
};

// Turns `buffer` (`size` pixels laid out as `layout` says) into an opaque image of
// `layout.imageFormat()`; the pad byte of 32-bit pixels never shows through as alpha. The
// common 32-bit layout in the host's byte order is converted in place when the buffer owns its
// bytes: the image then keeps the owner and no pixel is copied. Borrowed bytes are only read. A
// buffer too short for `size`, or a layout with fewer than 8 bits per pixel, gives a black image.
QImage imageFromZPixmap(const X11PixelLayout& layout, ZPixmapBuffer buffer, QSize size);

}  // namespace pictavo
