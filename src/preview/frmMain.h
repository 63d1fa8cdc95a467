#pragma once

#include <QFont>
#include <QIcon>
#include <QString>
#include <functional>

#include "dialogs/FormObject.h"
#include "platform/CapturePicture.h"
#include "preview/AnnotatedCanvas.h"
#include "preview/AnnotationList.h"
#include "preview/CanvasImage.h"
#include "preview/DrawingState.h"

class QLabel;
class QLineEdit;

namespace pictavo {

class Canvas;
class Dialogs;
class DrawToolsPalette;
class ScreenSource;
class PictureHolder;
class Settings;
class VexelButton;
class frmMainWindow;

// The preview window's form object, on the FormObject base: the widget tree (frmMainWindow)
// exists only while the window is loaded. Touching a control loads the window. The pictures
// (the capture and the canvas) are fields: the widgets only show them, and work that shows
// nothing (a send without a preview) builds no widget.
//
// Callers use it in this order: setCapture, stamp the overlay where it applies, doSetup,
// doScale, set the caption of cmdSend, Show (modal). Afterwards "sResult" under the user key
// tells the outcome: the temporary file's path when accepted (the window is then hidden and
// still loaded), "Cancel" when cancelled or
// closed (the window is then unloaded). When the accept or cancel handler fails (the store
// cannot be written), the window is unloaded without an answer: the caller sends nothing.
//
// The drawing state (Colour, Tool, Len) is inherited from DrawingState.
class frmMain : public DrawingState, public FormObject {
public:
    // `settings` gives the component's settings store when the window loads (it may create
    // it); `screen` the screen, for its taskbar (none: no taskbar); `icon` the program's icon
    // for the window and its messages.
    frmMain(std::function<Dialogs&()> dialogs, std::function<Settings&()> settings,
            std::function<ScreenSource*()> screen, std::function<QIcon()> icon = {});
    ~frmMain() override;

    // The signed-in account; every per-user registry path is built from it.
    QString UserEmail;
    // True when the canvas shows a reduced copy of the capture (one that does not fit the
    // preview area in device pixels).
    bool bScaled = false;
    // Where the overlay box was placed on the capture, twips; 0 for each new capture.
    qint32 OverlayLeft = 0;
    qint32 OverlayTop = 0;
    // The action word of the current overlay stamp.
    QString OverlayAction;
    // The overlay text did not fit on the capture: lblBigOverlay says so.
    bool OverlayTooBig = false;

    // The full-size capture; the encoders take it when the canvas shows a reduced copy.
    CapturePicture picScreenie;
    // The canvas picPreview shows and is drawn on: the capture as shown (full size, or reduced)
    // with the annotations over it. Its committed picture changes with every annotation added,
    // undone or redone.
    CanvasImage canvas;
    // What was drawn on the capture, in capture pixels, with its undo history. A new capture
    // starts with none.
    AnnotationList annotations;

    // The picture that is sent, saved and copied: the full-size capture with the annotations
    // drawn over it at full size. Valid until the next change of the canvas or the capture.
    const QImage* finishedPicture();

    // A new capture into picScreenie; the overlay fields start afresh, and nothing drawn from
    // the last capture (canvas, annotations, finished picture) is kept.
    void setCapture(CapturePicture capture);
    void showOverlayWarning(bool tooBig);

    // The controls. Each one loads the window when it is not loaded.
    frmMainWindow* window();
    QWidget* picHidden();
    Canvas* picPreview();
    QLabel* imgLogo();
    QLabel* lblBigOverlay();
    QLabel* lblOverlay();
    PictureHolder* picOverlay();
    DrawToolsPalette* picDrawTools();
    VexelButton* cmdSend();
    VexelButton* cmdCancel();
    VexelButton* cmdX();
    QLineEdit* txtDummy();
    QLineEdit* txtText();
    QLabel* lblTextFormat();

    // The text tool's text and font (of txtText and lblTextFormat), readable without loading
    // the window: from the loaded window, else as it was when the window last unloaded, else
    // as stored. The send pipeline stores these after the preview has closed, whatever the
    // outcome, so a cancelled preview must not lose them.
    QString textToolText();
    QFont textToolFont();

    // Lays out the preview area for the window's size and clears the canvas.
    void doSetup();
    // Shows the capture of picScreenie on the canvas, reduced by area averaging when it does
    // not fit, and offers the drawing palette only when it is shown 1:1.
    void doScale();

    void cmdSend_Click();
    void cmdCancel_Click();
    void cmdX_Click();
    void cmdUndo_Click();
    void cmdRedo_Click();
    // The text's sample clicked: the font chooser, preset with the sample's font.
    void lblTextFormat_Click();
    // Ctrl+C: the finished picture to the clipboard, as a copy of its own. The clipboard
    // outlives the plug-in, so it holds nothing of it: no memory it lent (a capture may share
    // the screen's shared-memory segment) and no clean-up function in its code.
    void copyPicture();

protected:
    std::unique_ptr<QWidget> Form_Load() override;
    void Form_Unload(QWidget& window) override;
    void Form_QueryUnload() override { cmdX_Click(); }
    void Form_Error() override;

private:
    Settings& settings();
    void layOut(frmMainWindow& w);

    void annotationsChanged(AnnotationList::Change change);

    std::function<Dialogs&()> dialogs_;
    std::function<Settings&()> settings_;
    std::function<ScreenSource*()> screen_;
    std::function<QIcon()> icon_;
    // True while the accept or cancel handler runs: if it fails, the window is unloaded.
    bool answering_ = false;

    // The temporary file the pipeline writes; read from the settings when the user accepts.
    QString sTemp;

    AnnotatedCanvas shown_{canvas};
    // The finished picture of a reduced preview, drawn when asked for, and the change it
    // was drawn for.
    QImage finished_;
    quint64 changes_ = 0;
    quint64 finishedAt_ = ~quint64{0};

    bool haveTextTool_ = false;
    QString textToolText_;
    QFont textToolFont_;
};

}  // namespace pictavo
