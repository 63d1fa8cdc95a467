#pragma once

#include <QWidget>

namespace pictavo {

class FrozenPicture;
struct FrozenScene;

// The widget tree of the selection window while it is loaded: a frameless window over the
// whole virtual screen, above every other window, that takes the pointer and the keyboard
// while it is shown. It shows the picture Picture1 and reports Escape; the form object frmSelect
// handles the pointer.
class frmSelectWindow : public QWidget {
    Q_OBJECT
public:
    // Picture1 draws `scene`, which the form object holds.
    explicit frmSelectWindow(const FrozenScene& scene);

    FrozenPicture* Picture1() const { return Picture1_; }

    // Covers the root window from its origin, `pixels` in device pixels, on any monitor layout
    // and at any device-pixel ratio.
    void coverScreen(QSize pixels);

signals:
    void escapePressed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Takes the pointer and the keyboard, trying again for a moment while another program
    // still holds them (a menu closing, say).
    void grabInput(int attemptsLeft);

    FrozenPicture* Picture1_ = nullptr;
};

}  // namespace pictavo
