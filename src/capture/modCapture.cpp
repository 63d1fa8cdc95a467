#include "capture/modCapture.h"

namespace pictavo {

namespace {

// A grab comes with its palette inside (the colour table of an indexed image); hand it over
// separately, as the picture is built from a bitmap and a palette.
CapturePicture pictureFromGrab(QImage grabbed) {
    QList<QRgb> palette;
    if (grabbed.format() == QImage::Format_Indexed8) {
        palette = grabbed.colorTable();
    }
    return PictureFromBitmap(std::move(grabbed), palette);
}

}  // namespace

CapturePicture PictureFromBitmap(QImage bitmap, const QList<QRgb>& palette) {
    if (bitmap.isNull()) {
        return CapturePicture();
    }
    if (bitmap.format() == QImage::Format_Indexed8 && palette.size() == 256) {
        QList<QRgb> opaque = palette;
        for (QRgb& colour : opaque) {
            colour |= 0xff000000u;
        }
        bitmap.setColorTable(opaque);
        return CapturePicture(std::move(bitmap));
    }
    if (bitmap.hasAlphaChannel()) {
        // Keep every pixel's colour and make it opaque (as X's pad byte is treated): a
        // conversion through premultiplied alpha would turn transparent pixels black.
        bitmap.convertTo(QImage::Format_ARGB32);
        for (int y = 0; y < bitmap.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
            for (int x = 0; x < bitmap.width(); ++x) {
                row[x] |= 0xff000000u;
            }
        }
        bitmap.reinterpretAsFormat(QImage::Format_RGB32);
    } else if (bitmap.format() != QImage::Format_RGB32) {
        bitmap.convertTo(QImage::Format_RGB32);
    }
    return CapturePicture(std::move(bitmap));
}

CapturePicture CaptureVirtualScreen(ScreenSource& screen) {
    return pictureFromGrab(screen.grabVirtualScreen());
}

CapturePicture CaptureForegroundWindow(ScreenSource& screen) {
    return pictureFromGrab(screen.grabForegroundWindow());
}

}  // namespace pictavo
