#pragma once

#include <QPoint>
#include <QPointer>
#include <QtGlobal>
#include <functional>

#include "platform/CapturePicture.h"

namespace pictavo {

class FrozenPicture;
class Settings;
class frmSelectWindow;

// The region selection window's form object. The caller puts a capture of the whole virtual
// screen into Picture1 (which loads the window), lets pending events run and shows the window
// modally. The user drags a rectangle with the left button on the frozen picture; on release
// the pixels under it go to the preview's capture holder and the window unloads itself.
//
// Anything else cancels: a press of another button, a release that selects no area (a click,
// or a drag along one axis only) and Escape. A cancelled selection delivers an empty picture,
// which the caller takes as "nothing selected", and logs "Selection cancelled".
//
// The public fields keep the last completed selection after the window has unloaded.
class frmSelect {
public:
    // `settings` gives the component's settings store (for the log); `deliver` puts the
    // cut-out, or an empty picture when cancelled, into the preview's capture holder.
    frmSelect(std::function<Settings&()> settings, std::function<void(CapturePicture)> deliver);
    ~frmSelect();
    frmSelect(const frmSelect&) = delete;
    frmSelect& operator=(const frmSelect&) = delete;

    // The last completed selection, twips.
    qint32 SelTop = 0;
    qint32 SelLeft = 0;
    qint32 SelWidth = 0;
    qint32 SelHeight = 0;

    bool isLoaded() const { return !window_.isNull(); }
    void Load();
    // Destroys the window; the fields stay. Safe from the window's own handlers.
    void Unload();

    // The controls; each loads the window when it is not loaded.
    frmSelectWindow* window();
    FrozenPicture* Picture1();

    // Shows the window over the whole screen, modally: returns once it has unloaded.
    void Show();

    // Positions in capture pixels.
    void Picture1_MouseDown(Qt::MouseButton button, QPoint at);
    void Picture1_MouseMove(QPoint at);
    void Picture1_MouseUp(Qt::MouseButton button, QPoint at);
    void Form_Escape();

private:
    class HandlerScope;
    void cancel();
    void reapUnloaded();

    std::function<Settings&()> settings_;
    std::function<void(CapturePicture)> deliver_;
    QPointer<frmSelectWindow> window_;
    QPointer<frmSelectWindow> unloaded_;
    int handlerDepth_ = 0;

    // A left-button drag is in progress, from (StartX, StartY) in capture pixels.
    bool bDrawing = false;
    qint32 StartX = 0;
    qint32 StartY = 0;
};

}  // namespace pictavo
