#pragma once

#include <QFont>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <functional>

#include "preview/DrawingState.h"

class QLabel;
class QLineEdit;

namespace pictavo {

class Canvas;
class DrawToolsPalette;
class PictureHolder;
class Settings;
class VexelButton;
class frmMainWindow;

// The preview window's form object. It lives as long as the component and holds the window's
// public fields; the widget tree (frmMainWindow) exists only while the window is loaded.
// Touching a control loads the window; unloading destroys the widgets and keeps the fields.
//
// Callers use it in this order: put the capture into picScreenie, stamp the overlay where it
// applies, doSetup, doScale, set the caption of cmdSend, Show (modal). Afterwards "sResult"
// under the user key tells the outcome: the temporary file's path when accepted (the window
// is then hidden and still loaded, so the canvas can be read), "Cancel" when cancelled or
// closed (the window is then unloaded).
//
// The drawing state (Colour, Tool, Len) is inherited from DrawingState.
class frmMain : public DrawingState {
public:
    // Without a settings store the window cannot load; bind() one first.
    frmMain();
    // `settings` gives the component's settings store when the window loads (it may create
    // it); `icon` the program's icon for the window.
    explicit frmMain(std::function<Settings&()> settings, std::function<QIcon()> icon = {});
    ~frmMain();
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    void bind(std::function<Settings&()> settings, std::function<QIcon()> icon = {});

    // The signed-in account; every per-user registry path is built from it.
    QString UserEmail;
    // True when the canvas shows a reduced copy of the capture; the encoders then take the
    // full-size capture from picScreenie.
    bool bScaled = false;
    // Where the overlay box was placed on the capture, twips; 0 at each load.
    qint32 OverlayLeft = 0;
    qint32 OverlayTop = 0;
    // The action word of the current overlay stamp.
    QString OverlayAction;

    bool isLoaded() const { return !window_.isNull(); }
    // Creates and lays out the window (hidden). Does nothing when it is loaded.
    void Load();
    // Destroys the window; the fields stay. The text tool's text and font are kept (see
    // textToolText). Safe to call from the window's own handlers.
    void Unload();

    // The controls. Each one loads the window when it is not loaded.
    frmMainWindow* window();
    PictureHolder* picScreenie();
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

    // Shows the window modally: returns when it has been hidden or unloaded.
    void Show();

    void cmdSend_Click();
    void cmdCancel_Click();
    void cmdX_Click();

private:
    class HandlerScope;
    Settings& settings();
    void reapUnloaded();

    std::function<Settings&()> settings_;
    std::function<QIcon()> icon_;
    QPointer<frmMainWindow> window_;
    // A window unloaded from inside one of its own handlers, deleted once that has returned.
    QPointer<frmMainWindow> unloaded_;
    int handlerDepth_ = 0;

    // The temporary file the pipeline will write; read from the settings at load.
    QString sTemp;

    bool haveTextTool_ = false;
    QString textToolText_;
    QFont textToolFont_;
};

}  // namespace pictavo
