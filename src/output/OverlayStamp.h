#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLocale>
#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

#include "output/OverlayPlacement.h"

namespace pictavo {

class CapturePicture;
class Clock;
class Settings;

// What a stamp works on: the preview window's capture and its overlay fields. The preview
// window owns them; the stamp only borrows them for one call.
struct OverlayTarget {
    // The full-size capture (picScreenie's picture); stamped in place.
    CapturePicture& capture;
    // The box's corner on the capture, twips; kept between stamps.
    qint32& overlayLeft;
    qint32& overlayTop;
    // The action word of the current stamp, which decides "(!S)".
    QString& overlayAction;
    // Shows (true) or hides (false) the "Overlay Text Is Too Big" warning; may be empty.
    std::function<void(bool)> showTooBigWarning;
};

// The overlay's look, as stored under "\Overlay".
struct OverlayStyle {
    QString text;      // with its tags, as typed
    QString position;  // only the first character counts
    QFont font;
    QColor foreColour;
    QColor backColour;

    // Reads the current values. A value that is missing or unusable falls back to its
    // default, so a damaged setting changes the look and never stops the stamp.
    static OverlayStyle fromSettings(Settings& settings);
};

// The extent in pixels of one line of `text` in `font` at `logicalDpi` (the resolution at
// which the font's points become pixels): the text's advance by the font's height, as a
// self-sizing label takes it. The empty text has width 0 and the font's height.
QSize overlayTextSize(const QString& text, const QFont& font, double logicalDpi);

// The box: exactly overlayTextSize() of `text`, filled with `back`, the text drawn from its
// top-left corner in `fore`, underline and strikeout as the font says. Opaque
// (Format_RGB32). A null image when the text is empty or the box cannot be allocated.
QImage renderOverlayBox(const QString& text, const QFont& font, const QColor& fore,
                        const QColor& back, double logicalDpi);

// Copies `box` opaquely into `capture` with its top-left corner at `at` (pixels), clipped to
// the capture. The capture keeps its format: a picture with a colour table (one taken on a
// 256-colour display) keeps its table and gets, for each box pixel, the nearest colour in it,
// as the display would have shown it. Only a picture whose format cannot be painted as it is
// (1-bit, or indexed without a table) becomes 32-bit first.
void stampOverlayBox(QImage& capture, const QImage& box, QPoint at);

// The overlay stamp: a line of text in a coloured box, stamped for good into the capture the
// preview window holds, before it is previewed, sent or saved.
class OverlayStamp {
public:
    // `locale` gives the short date and time of the "(!D)" and "(!T)" tags.
    OverlayStamp(Settings& settings, const Clock& clock, const QLocale& locale = QLocale::system());

    // The resolution at which font points become pixels and pixels become twips. By default
    // the primary screen's logical resolution at the time of each stamp, as for the windows.
    void setLogicalDpi(double dpi) { logicalDpi_ = dpi; }

    // mode 0 stamps for sending, 1 for saving; another mode keeps the target's action word.
    // Reloads the settings, replaces the tags (with the clock's time) and adds the margin, then
    // checks that this box is not wider than the capture: when it is, logs and shows the
    // warning and stamps nothing. Otherwise hides the warning, places the box, stamps it and
    // writes the corner as "OverlayX" and "OverlayY" (twips) under "\Overlay".
    void DoOverlay(int mode, OverlayTarget& target);

private:
    double logicalDpi() const;

    Settings& settings_;
    const Clock& clock_;
    QLocale locale_;
    std::optional<double> logicalDpi_;
};

}  // namespace pictavo
