#include "preview/frmMain.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <algorithm>
#include <utility>

#include "controls/Twips.h"
#include "controls/VexelButton.h"
#include "controls/WindowChrome.h"
#include "dialogs/Dialogs.h"
#include "dialogs/WindowPlacement.h"
#include "platform/PictavoError.h"
#include "platform/ScreenSource.h"
#include "preview/AreaAverage.h"
#include "preview/Canvas.h"
#include "preview/DrawToolsPalette.h"
#include "preview/PictureHolder.h"
#include "preview/PointerTools.h"
#include "preview/PreviewLayout.h"
#include "preview/frmMainWindow.h"
#include "settings/DrawToolsSettings.h"
#include "settings/ResultHandoff.h"
#include "settings/Settings.h"
#include "settings/UserKey.h"

namespace pictavo {

frmMain::frmMain(std::function<Dialogs&()> dialogs, std::function<Settings&()> settings,
                 std::function<ScreenSource*()> screen, std::function<QIcon()> icon)
    : FormObject(dialogs, icon),
      dialogs_(std::move(dialogs)),
      settings_(std::move(settings)),
      screen_(std::move(screen)),
      icon_(std::move(icon)) {
    annotations.setChangedHandler(
        [this](AnnotationList::Change change, const Annotation&) { annotationsChanged(change); });
    shown_.setFullSizeSource([this] { return finishedPicture(); });
}

// The widgets go before the fields they display.
frmMain::~frmMain() {
    Unload();
}

Settings& frmMain::settings() {
    if (!settings_) {
        throw PictavoError(QStringLiteral("The preview window has no settings store."));
    }
    return settings_();
}

std::unique_ptr<QWidget> frmMain::Form_Load() {
    Settings& s = settings();
    auto w = std::make_unique<frmMainWindow>(*this, canvas, shown_, annotations, s, guard());
    if (icon_) {
        w->setWindowIcon(icon_());
    }
    Tool = DrawingState::None;
    layOut(*w);
    w->lblBigOverlay()->setVisible(OverlayTooBig);

    // Colour, width, text and font as stored, even when the palette is never offered: what
    // the pipeline stores after the preview is then what was stored before.
    w->picDrawTools()->loadValues();

    on(w->cmdSend(), &VexelButton::Click, [this] { cmdSend_Click(); });
    on(w->cmdCancel(), &VexelButton::Click, [this] { cmdCancel_Click(); });
    on(w->chrome(), &WindowChrome::closeClicked, [this] { cmdX_Click(); });
    on(w.get(), &frmMainWindow::acceptKey, [this] { cmdSend_Click(); });
    on(w.get(), &frmMainWindow::cancelKey, [this] { cmdCancel_Click(); });
    on(w.get(), &frmMainWindow::undoKey, [this] { cmdUndo_Click(); });
    on(w.get(), &frmMainWindow::redoKey, [this] { cmdRedo_Click(); });
    on(w.get(), &frmMainWindow::copyKey, [this] { copyPicture(); });
    DrawToolsPalette* palette = w->picDrawTools();
    on(palette, &DrawToolsPalette::undoClicked, [this] { cmdUndo_Click(); });
    on(palette, &DrawToolsPalette::redoClicked, [this] { cmdRedo_Click(); });
    on(palette, &DrawToolsPalette::fontClicked, [this] { lblTextFormat_Click(); });
    palette->cmdUndo()->setEnabled(annotations.stack().canUndo());
    palette->cmdRedo()->setEnabled(annotations.stack().canRedo());
    QObject::connect(&annotations.stack(), &QUndoStack::canUndoChanged, palette->cmdUndo(),
                     &QWidget::setEnabled);
    QObject::connect(&annotations.stack(), &QUndoStack::canRedoChanged, palette->cmdRedo(),
                     &QWidget::setEnabled);
    return w;
}

void frmMain::layOut(frmMainWindow& window) {
    frmMainWindow* w = &window;
    // The monitor that holds the pointer, with the panel below its work area.
    const MonitorArea monitor = pointerMonitor();
    const QScreen* screen = monitor.screen;
    int taskbar = monitor.geometry.bottom() - monitor.work.bottom();
    // The screen source counts device pixels below the desktop's work area; the layout works
    // in Qt's logical pixels.
    ScreenSource* source = screen_ ? screen_() : nullptr;
    if (source != nullptr && screen != nullptr &&
        monitor.geometry.bottom() == screen->virtualGeometry().bottom()) {
        taskbar = std::max(taskbar, qRound(source->taskbarHeight() / screen->devicePixelRatio()));
    }
    const int tx = twipsPerPixelX(screen);
    const int ty = twipsPerPixelY(screen);
    const QRect screenRect = screen != nullptr ? monitor.geometry : QRect(0, 0, 1024, 768);
    const TwipsRect r = previewWindowRect(toTwips(screenRect.width(), tx),
                                          toTwips(screenRect.height(), ty), ty, taskbar);
    w->setGeometry(
        toPixelRect(r.left, r.top, r.width, r.height, tx, ty).translated(screenRect.topLeft()));
    // Laid out for this size only: the window manager may not resize or maximise it.
    w->setFixedSize(w->size());

    const QSize buttonSize(kButtonWidth, kButtonHeight);
    QLabel* big = w->lblBigOverlay();
    const PreviewControlsLayout c = previewControlsLayout(
        r.width, r.height, QSize(toTwips(big->width(), tx), toTwips(big->height(), ty)), buttonSize,
        buttonSize);
    auto px = [&](const TwipsRect& t) {
        return toPixelRect(t.left, t.top, t.width, t.height, tx, ty);
    };
    w->placeLogo(px(c.logo));
    big->setGeometry(px(c.bigOverlay));
    w->cmdCancel()->setGeometry(px(c.cancel));
    w->cmdSend()->setGeometry(px(c.send));
    w->txtDummy()->setGeometry(toPixelRect(kDummyLeft, kDummyTop, kDummySize, kDummySize, tx, ty));

    WindowChrome* chrome = w->chrome();
    chrome->PlaceTitleBar();
    chrome->PlaceLeftBorder();
    chrome->PlaceBottomBorder();
    chrome->PlaceRightBorder();
}

void frmMain::setCapture(CapturePicture capture) {
    picScreenie = std::move(capture);
    annotations.clear();
    canvas.setPicture(QImage());
    finished_ = QImage();
    finishedAt_ = ~quint64{0};
    OverlayLeft = 0;
    OverlayTop = 0;
    showOverlayWarning(false);
}

void frmMain::showOverlayWarning(bool tooBig) {
    OverlayTooBig = tooBig;
    if (auto* w = static_cast<frmMainWindow*>(loadedWidget())) {
        w->lblBigOverlay()->setVisible(tooBig);
    }
}

void frmMain::Form_Unload(QWidget& window) {
    auto& w = static_cast<frmMainWindow&>(window);
    textToolText_ = w.picDrawTools()->txtText()->text();
    textToolFont_ = w.picDrawTools()->lblTextFormat()->font();
    haveTextTool_ = true;
    w.lblBigOverlay()->hide();
}

void frmMain::Form_Error() {
    // A window that could not give its answer is gone without one.
    if (std::exchange(answering_, false)) {
        Unload();
    }
}

frmMainWindow* frmMain::window() {
    return static_cast<frmMainWindow*>(widget());
}

QWidget* frmMain::picHidden() {
    return window()->picHidden();
}
Canvas* frmMain::picPreview() {
    return window()->picPreview();
}
QLabel* frmMain::imgLogo() {
    return window()->imgLogo();
}
QLabel* frmMain::lblBigOverlay() {
    return window()->lblBigOverlay();
}
QLabel* frmMain::lblOverlay() {
    return window()->lblOverlay();
}
PictureHolder* frmMain::picOverlay() {
    return window()->picOverlay();
}
DrawToolsPalette* frmMain::picDrawTools() {
    return window()->picDrawTools();
}
VexelButton* frmMain::cmdSend() {
    return window()->cmdSend();
}
VexelButton* frmMain::cmdCancel() {
    return window()->cmdCancel();
}
VexelButton* frmMain::cmdX() {
    return window()->cmdX();
}
QLineEdit* frmMain::txtDummy() {
    return window()->txtDummy();
}
QLineEdit* frmMain::txtText() {
    return window()->picDrawTools()->txtText();
}
QLabel* frmMain::lblTextFormat() {
    return window()->picDrawTools()->lblTextFormat();
}

QString frmMain::textToolText() {
    if (auto* w = static_cast<frmMainWindow*>(loadedWidget())) {
        return w->picDrawTools()->txtText()->text();
    }
    if (haveTextTool_) {
        return textToolText_;
    }
    return DrawToolsSettings(settings()).text();
}

QFont frmMain::textToolFont() {
    if (auto* w = static_cast<frmMainWindow*>(loadedWidget())) {
        return w->picDrawTools()->lblTextFormat()->font();
    }
    if (haveTextTool_) {
        return textToolFont_;
    }
    return DrawToolsSettings(settings()).font();
}

void frmMain::doSetup() {
    frmMainWindow* w = window();
    const int tx = twipsPerPixelX(w);
    const int ty = twipsPerPixelY(w);
    const int width = toTwips(w->width(), tx);
    const int height = toTwips(w->height(), ty);
    const QSize big(toTwips(w->lblBigOverlay()->width(), tx),
                    toTwips(w->lblBigOverlay()->height(), ty));
    const QSize cancel(toTwips(w->cmdCancel()->width(), tx), toTwips(w->cmdCancel()->height(), ty));
    const QSize send(toTwips(w->cmdSend()->width(), tx), toTwips(w->cmdSend()->height(), ty));
    // A palette in two rows on a narrow window reaches below the logo, and the area below it.
    DrawToolsPalette* palette = w->picDrawTools();
    palette->arrange(width);
    const TwipsRect area =
        previewAreaRect(width, height, previewControlsLayout(width, height, big, cancel, send),
                        toTwips(palette->geometry().bottom() + 1, ty));
    w->picHidden()->setGeometry(toPixelRect(area.left, area.top, area.width, area.height, tx, ty));
    w->picPreview()->move(0, 0);
    w->picPreview()->clear(w->picHidden()->size());
}

void frmMain::doScale() {
    frmMainWindow* w = window();
    const QImage& capture = picScreenie.image();
    // One capture pixel per device pixel: the area counts in device pixels, and the canvas
    // widget takes the logical size that holds them.
    const qreal dpr = w->devicePixelRatioF();
    const QSize area = w->picHidden()->size();
    const QSize deviceArea(static_cast<int>(area.width() * dpr),
                           static_cast<int>(area.height() * dpr));
    const CanvasPlacement place = placeCapture(capture.size(), deviceArea);
    w->picPreview()->setGeometry(
        QRectF(QPointF(place.topLeft) / dpr, QSizeF(place.size) / dpr).toAlignedRect());
    bScaled = place.reduced;
    ++changes_;
    if (place.reduced) {
        const double scale = capture.isNull()
                                 ? 1.0
                                 : std::min(double(place.size.width()) / capture.width(),
                                            double(place.size.height()) / capture.height());
        shown_.reset(reduceByAreaAverage(capture, place.size), scale > 0 ? scale : 1.0,
                     annotations.items());
    } else {
        shown_.reset(capture, 1.0, annotations.items());
    }
    w->picDrawTools()->LoadSettings(toTwips(w->width(), twipsPerPixelX(w)));
}

void frmMain::annotationsChanged(AnnotationList::Change change) {
    ++changes_;
    switch (change) {
        case AnnotationList::Change::Added:
            shown_.add(annotations.items().back());
            break;
        case AnnotationList::Change::Removed:
            shown_.removeLast(annotations.items());
            break;
        case AnnotationList::Change::Cleared:
            break;
    }
}

const QImage* frmMain::finishedPicture() {
    if (!bScaled) {
        return &canvas.committed();
    }
    if (annotations.items().empty()) {
        return &picScreenie.image();
    }
    if (finishedAt_ != changes_) {
        finished_ = annotatedPicture(picScreenie.image(), annotations.items());
        finishedAt_ = changes_;
    }
    return &finished_;
}

void frmMain::cmdUndo_Click() {
    if (auto* w = static_cast<frmMainWindow*>(loadedWidget())) {
        w->tools().settle();
    }
    annotations.undo();
}

void frmMain::cmdRedo_Click() {
    if (auto* w = static_cast<frmMainWindow*>(loadedWidget())) {
        w->tools().settle();
    }
    annotations.redo();
}

void frmMain::lblTextFormat_Click() {
    DrawToolsPalette* palette = picDrawTools();
    if (const std::optional<QFont> font = dialogs_().chooseFont(QStringLiteral("Choose Font"),
                                                                palette->lblTextFormat()->font())) {
        palette->setTextFont(*font);
    }
}

void frmMain::copyPicture() {
    if (const QImage* picture = finishedPicture(); picture != nullptr && !picture->isNull()) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setImage(picture->copy());
    }
}

void frmMain::cmdSend_Click() {
    answering_ = true;
    Settings& s = settings();
    // Read now, not at load: the window is loaded (to receive the capture) before the pipeline
    // names the file, and a name read then would be the previous capture's.
    sTemp = s.value(UserKey::kItself, QStringLiteral("sTemp"));
    s.WriteLog(QStringLiteral("frmMain - cmdSend_Click - sTemp:  ") + sTemp);
    ResultHandoff::write(s, sTemp);
    Tool = DrawingState::None;
    if (QWidget* w = loadedWidget()) {
        w->hide();
    }
    s.WriteLog(QStringLiteral("frmMain - cmdSend_Click - End"));
    answering_ = false;
}

void frmMain::cmdCancel_Click() {
    answering_ = true;
    ResultHandoff::write(settings(), QStringLiteral("Cancel"));
    answering_ = false;
    Unload();
}

void frmMain::cmdX_Click() {
    cmdCancel_Click();
}

}  // namespace pictavo
