#include "output/OverlayStamp.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QRect>
#include <QScreen>
#include <cstring>

#include "controls/Twips.h"
#include "output/OverlayTags.h"
#include "platform/CapturePicture.h"
#include "platform/Clock.h"
#include "settings/ColourValue.h"
#include "settings/SettingReaders.h"
#include "settings/Settings.h"

namespace pictavo {

namespace {

const QString kOverlayKey = QStringLiteral("Overlay");
constexpr double kDefaultDpi = 96.0;

// A blank image whose resolution is `logicalDpi`, so that fonts in points measure and paint
// on it at that resolution.
QImage imageAtDpi(QSize size, double logicalDpi) {
    QImage image(size, QImage::Format_RGB32);
    if (!image.isNull()) {
        const double dpi = logicalDpi > 0.0 ? logicalDpi : kDefaultDpi;
        const int dotsPerMeter = qRound(dpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
    }
    return image;
}

}  // namespace

OverlayStyle OverlayStyle::fromSettings(Settings& settings) {
    const auto colour = [&settings](const char* name) {
        return colourFromValue(colourSetting(settings, kOverlayKey, QLatin1String(name)));
    };
    return {settings.value(kOverlayKey, QStringLiteral("Text")),
            settings.value(kOverlayKey, QStringLiteral("Position")),
            fontSetting(settings, kOverlayKey, FontFlags::all(FlagRule::OneIsOn)),
            colour("ForeColour"), colour("BackColour")};
}

QSize overlayTextSize(const QString& text, const QFont& font, double logicalDpi) {
    // Measured on an image of the resolution the box is painted at, so the measure and the
    // painting agree whatever the screen's resolution.
    const QImage probe = imageAtDpi(QSize(1, 1), logicalDpi);
    const QFontMetrics metrics(font, &probe);
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

QImage renderOverlayBox(const QString& text, const QFont& font, const QColor& fore,
                        const QColor& back, double logicalDpi) {
    const QSize size = overlayTextSize(text, font, logicalDpi);
    if (size.isEmpty()) {
        return QImage();
    }
    QImage box = imageAtDpi(size, logicalDpi);
    if (box.isNull()) {
        return box;
    }
    box.fill(back);
    QPainter painter(&box);
    painter.setFont(font);
    painter.setPen(fore);
    const QFontMetrics metrics(painter.font(), &box);
    painter.drawText(QPoint(0, metrics.ascent()), text);
    return box;
}

void stampOverlayBox(QImage& capture, const QImage& box, QPoint at) {
    if (capture.isNull() || box.isNull()) {
        return;
    }
    const bool paletted = capture.format() == QImage::Format_Indexed8 && capture.colorCount() > 0;
    if (!paletted && (capture.depth() < 8 || capture.format() == QImage::Format_Indexed8)) {
        capture = capture.convertToFormat(QImage::Format_RGB32);
    }
    const QRect target = QRect(at, box.size()).intersected(capture.rect());
    if (target.isEmpty()) {
        return;
    }
    // The box in the capture's own pixel form; into a colour table by nearest colour, without
    // dithering, so the box colour stays one flat colour.
    const QImage source = paletted
                              ? box.convertToFormat(QImage::Format_Indexed8, capture.colorTable(),
                                                    Qt::ThresholdDither | Qt::AvoidDither)
                              : box.convertToFormat(capture.format());
    const int bytesPerPixel = capture.depth() / 8;
    const int sourceLeft = target.left() - at.x();
    const auto rowBytes = static_cast<size_t>(target.width()) * bytesPerPixel;
    for (int y = target.top(); y <= target.bottom(); ++y) {
        std::memcpy(
            capture.scanLine(y) + static_cast<size_t>(target.left()) * bytesPerPixel,
            source.constScanLine(y - at.y()) + static_cast<size_t>(sourceLeft) * bytesPerPixel,
            rowBytes);
    }
}

OverlayStamp::OverlayStamp(Settings& settings, const Clock& clock, const QLocale& locale)
    : settings_(settings), clock_(clock), locale_(locale) {}

double OverlayStamp::logicalDpi() const {
    if (logicalDpi_) {
        return *logicalDpi_;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchY() : kDefaultDpi;
}

void OverlayStamp::DoOverlay(int mode, OverlayTarget& target) {
    settings_.ReadRegistry();
    if (mode == 1) {
        target.overlayAction = settings_.record().Saved;
    } else if (mode == 0) {
        target.overlayAction = settings_.record().Sent;
    }
    const OverlayStyle style = OverlayStyle::fromSettings(settings_);
    const double dpi = logicalDpi();
    const auto warn = [&](bool tooBig) {
        if (target.showTooBigWarning) {
            target.showTooBigWarning(tooBig);
        }
    };

    // The box as it will be drawn must fit: tags replaced (a short tag may grow into a long
    // date) and the margin included. A box wider than the capture would be cut off.
    const QString text = padOverlayText(
        expandOverlayTags(style.text, clock_.now(), target.overlayAction, locale_), style.position);
    const QSize boxSize = overlayTextSize(text, style.font, dpi);
    if (boxSize.width() > target.capture.width()) {
        settings_.WriteLog(QStringLiteral("Overlay Text Is Too Big"));
        warn(true);
        return;
    }
    warn(false);

    // Placement is worked out in twips. Every length is a whole number of pixels times a whole
    // number of twips per pixel, so the corner converts back to pixels without loss in the
    // outer columns and rows: the right column's box ends exactly on the capture's edge.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int tppX = logicalDpi_ ? twipsPerPixelForDpi(*logicalDpi_) : twipsPerPixelX(screen);
    const int tppY = logicalDpi_ ? twipsPerPixelForDpi(*logicalDpi_) : twipsPerPixelY(screen);
    const OverlayCorner corner = placeOverlay(
        style.position, toTwips(target.capture.width(), tppX),
        toTwips(target.capture.height(), tppY), toTwips(boxSize.width(), tppX),
        toTwips(boxSize.height(), tppY), OverlayCorner{target.overlayLeft, target.overlayTop});
    target.overlayLeft = corner.left;
    target.overlayTop = corner.top;

    const QImage box = renderOverlayBox(text, style.font, style.foreColour, style.backColour, dpi);
    if (!target.capture.isNull()) {
        stampOverlayBox(target.capture.image(), box, overlayCornerPixels(corner, tppX, tppY));
    }
    settings_.setValue(kOverlayKey, QStringLiteral("OverlayX"), QString::number(corner.left));
    settings_.setValue(kOverlayKey, QStringLiteral("OverlayY"), QString::number(corner.top));
}

}  // namespace pictavo
