#pragma once

#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <QtGlobal>
#include <functional>
#include <optional>

#include "dialogs/FormObject.h"

namespace pictavo {

class Dialogs;
class Settings;

// The countdown window's form object: while a capture waits, a small window in the screen's
// top-left corner shows the seconds that remain as a large number over a shadow copy of it.
// The window sits above every other window and never takes the focus, so the window the user
// means to capture stays the foreground window. It counts down on its own one-second timer
// and unloads itself after the tick that finds 1 or less; the wait that delays the capture
// belongs to its caller, which neither waits for this window nor hides it.
//
// The form object (on the FormObject base) lives as long as the component; the widget tree
// exists only between Show and the last tick (or Unload).
class frmCounter : public FormObject {
public:
    // The countdown look comes from "\Countdown" under the user key, the count from "Count" under
    // the user key itself, both read when the window is shown.
    frmCounter(Dialogs& dialogs, Settings& settings);
    // For owners whose settings store is made later than the form object.
    frmCounter(std::function<Dialogs&()> dialogs, std::function<Settings&()> settings);
    ~frmCounter() override;

    // Loads the window from the settings and shows it without activating it, ticking. A window
    // still loaded from an earlier countdown is replaced, so what shows is always the newest
    // count. When "Count" is not a number, or is below 1, there is nothing to count: the window
    // stays unloaded and the result is false. This window is never modal.
    bool Show();

    // One timer tick: the next lower number and the grown window while the number is above 1,
    // otherwise the unload. Timer1 calls it every second; tests may call it directly.
    void Timer1_Timer();

    // The number shown.
    qint16 Seconds = 0;

    // The controls while the window is loaded, null otherwise. Unlike other windows this one is
    // never loaded by touching a control: only Show loads it.
    QWidget* window() const { return loadedWidget(); }
    QLabel* lblTime() const { return lblTime_.data(); }
    QLabel* lblTime2() const { return lblTime2_.data(); }
    QTimer* Timer1() const { return Timer1_.data(); }

protected:
    std::unique_ptr<QWidget> Form_Load() override;
    void Form_Unload(QWidget& window) override;

private:
    Settings& settings();
    void applyLook(QLabel* label, const QColor& colour);
    // Sizes both labels to their text and the window to lblTime plus `margin` twips.
    void fitTo(QWidget& window, int marginTwips);

    std::function<Settings&()> settings_;
    QPointer<QLabel> lblTime_;
    QPointer<QLabel> lblTime2_;
    QPointer<QTimer> Timer1_;
};

// The whole number a "Count" text stands for, rounded half to even. A number beyond the 16-bit
// range counts from the nearest end of it; a text that is no number gives nothing.
std::optional<qint16> countFromText(const QString& text);

// Twips: the window's size around a label at (labelLeft, labelTop) of size labelSize, with
// `margin` to spare right of and below it.
QSize counterWindowTwips(int labelLeft, int labelTop, QSize labelSize, int margin);

}  // namespace pictavo
