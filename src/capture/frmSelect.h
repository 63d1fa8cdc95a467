#pragma once

#include <QPoint>
#include <QtGlobal>
#include <functional>

#include "capture/FrozenPicture.h"
#include "dialogs/FormObject.h"
#include "platform/CapturePicture.h"

namespace pictavo {

class Dialogs;
class Settings;
class frmSelectWindow;

// The region selection window's form object. The caller puts a capture of the whole virtual
// screen into Picture1 (setPicture), lets pending events run and shows the window modally. The user
// drags a rectangle with the left button on the frozen picture; on release the pixels under it go
// to the preview's capture holder and the window unloads itself.
//
// Anything else cancels: a press of another button, a release that selects no area (a click,
// or a drag along one axis only), Escape, and a handler that fails. A cancelled selection
// delivers an empty picture, which the caller takes as "nothing selected", and logs
// "Selection cancelled".
//
// The form holds the frozen picture and the band; the window only draws them and reports the
// pointer. The public fields keep the last completed selection after the window has unloaded.
class frmSelect : public FormObject {
public:
    // `settings` gives the component's settings store (for the log); `deliver` puts the
    // cut-out, or an empty picture when cancelled, into the preview's capture holder.
    frmSelect(std::function<Dialogs&()> dialogs, std::function<Settings&()> settings,
              std::function<void(CapturePicture)> deliver);

    // The last completed selection, twips.
    qint32 SelTop = 0;
    qint32 SelLeft = 0;
    qint32 SelWidth = 0;
    qint32 SelHeight = 0;

    // The controls; each loads the window when it is not loaded.
    frmSelectWindow* window();
    FrozenPicture* Picture1();

    // The picture to select from; `pixelsPerScreenPixel` is its pixels per device pixel of the
    // screen it covers (above 1 for a portal's picture of a scaled output).
    void setPicture(CapturePicture picture, qreal pixelsPerScreenPixel = 1.0);

    // Shows the window over the whole screen, modally: returns once it has unloaded.
    void Show();

    // Positions in capture pixels.
    void Picture1_MouseDown(Qt::MouseButton button, QPoint at);
    void Picture1_MouseMove(QPoint at);
    void Picture1_MouseUp(Qt::MouseButton button, QPoint at);
    void Form_Escape();

protected:
    std::unique_ptr<QWidget> Form_Load() override;
    void Form_QueryUnload() override { cancel(); }
    void Form_Unload(QWidget& window) override;
    void Form_Error() override;

private:
    void cancel();
    // The scene's band or label has changed.
    void bandChanged();

    std::function<Settings&()> settings_;
    std::function<void(CapturePicture)> deliver_;
    FrozenScene scene_;

    // A left-button drag is in progress, from (StartX, StartY) in capture pixels.
    bool bDrawing = false;
    qint32 StartX = 0;
    qint32 StartY = 0;
};

}  // namespace pictavo
