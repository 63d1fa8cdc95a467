#pragma once

#include <QWidget>
#include <memory>

#include "dialogs/FormObject.h"

class QLabel;
class QLineEdit;

namespace pictavo {

class AnnotatedCanvas;
class AnnotationList;
class Canvas;
class CanvasImage;
class DrawToolsPalette;
class PictureHolder;
class PointerTools;
class Settings;
class VexelButton;
class WindowChrome;
struct DrawingState;

// The widget tree of the preview window while it is loaded: a borderless top-level window
// with the named controls. The form object frmMain lays it out and handles its buttons and
// keys; the window itself only builds the controls and wires the pointer to the drawing
// tools, behind the form's handler barrier `guard`.
//
// Keys: Escape asks to cancel, and Return or Enter that no control took asks to accept, except
// in a text box of the palette, where it hands the focus back to the window. No other key
// accepts: Space does not press the accept button. Ctrl+Z asks to undo, Ctrl+Shift+Z and
// Ctrl+Y to redo, Ctrl+C to copy the picture. The window itself holds the focus when no
// control does (at first, and after a palette click).
class frmMainWindow : public QWidget {
    Q_OBJECT
public:
    // `canvas` is the form's drawing, which picPreview shows at the scale of `shown`; the
    // finished shapes go to `annotations`.
    frmMainWindow(DrawingState& state, CanvasImage& canvas, AnnotatedCanvas& shown,
                  AnnotationList& annotations, Settings& settings, const HandlerGuard& guard);
    ~frmMainWindow() override;

    QWidget* picHidden() const { return picHidden_; }
    Canvas* picPreview() const { return picPreview_; }
    QLabel* imgLogo() const { return imgLogo_; }
    QLabel* lblBigOverlay() const { return lblBigOverlay_; }
    QLabel* lblOverlay() const { return lblOverlay_; }
    PictureHolder* picOverlay() const { return picOverlay_; }
    DrawToolsPalette* picDrawTools() const { return picDrawTools_; }
    VexelButton* cmdSend() const { return cmdSend_; }
    VexelButton* cmdCancel() const { return cmdCancel_; }
    VexelButton* cmdX() const;
    QLineEdit* txtDummy() const { return txtDummy_; }
    WindowChrome* chrome() const { return chrome_; }
    PointerTools& tools() const { return *tools_; }

    // Places the logo and draws it at that size.
    void placeLogo(const QRect& rect);

signals:
    void acceptKey();
    void cancelKey();
    void undoKey();
    void redoKey();
    void copyKey();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* picHidden_ = nullptr;
    Canvas* picPreview_ = nullptr;
    QLabel* imgLogo_ = nullptr;
    QLabel* lblBigOverlay_ = nullptr;
    QLabel* lblOverlay_ = nullptr;
    PictureHolder* picOverlay_ = nullptr;
    DrawToolsPalette* picDrawTools_ = nullptr;
    VexelButton* cmdSend_ = nullptr;
    VexelButton* cmdCancel_ = nullptr;
    QLineEdit* txtDummy_ = nullptr;
    WindowChrome* chrome_ = nullptr;
    std::unique_ptr<PointerTools> tools_;
};

}  // namespace pictavo
