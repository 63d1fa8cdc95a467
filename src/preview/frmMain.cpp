#include "preview/frmMain.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include "controls/Twips.h"
#include "controls/WindowChrome.h"
#include "controls/VexelButton.h"
#include "platform/PictavoError.h"
#include "preview/AreaAverage.h"
#include "preview/Canvas.h"
#include "preview/DrawToolsPalette.h"
#include "preview/PictureHolder.h"
#include "preview/PreviewLayout.h"
#include "preview/Taskbar.h"
#include "preview/frmMainWindow.h"
#include "settings/Settings.h"

namespace pictavo {

namespace {

const QString kUserKey;  // the user key itself, no sub-key
const QString kResult = QStringLiteral("sResult");

}  // namespace

// Marks that the window's own code is on the stack, so an unload must not delete the widgets
// under it.
class frmMain::HandlerScope {
public:
    explicit HandlerScope(frmMain& form) : form_(form) { ++form_.handlerDepth_; }
    ~HandlerScope() { --form_.handlerDepth_; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    frmMain& form_;
};

frmMain::frmMain() = default;

frmMain::frmMain(std::function<Settings&()> settings, std::function<QIcon()> icon)
    : settings_(std::move(settings)), icon_(std::move(icon)) {}

frmMain::~frmMain() {
    delete window_.data();
    delete unloaded_.data();
}

void frmMain::bind(std::function<Settings&()> settings, std::function<QIcon()> icon) {
    settings_ = std::move(settings);
    icon_ = std::move(icon);
}

Settings& frmMain::settings() {
    if (!settings_) {
        throw PictavoError(QStringLiteral("The preview window has no settings store."));
    }
    return settings_();
}

void frmMain::reapUnloaded() {
    if (handlerDepth_ == 0) {
        delete unloaded_.data();
    }
}

void frmMain::Load() {
    if (window_) {
        return;
    }
    reapUnloaded();
    Settings& s = settings();
    auto* w = new frmMainWindow(*this, s);
    window_ = w;

    if (icon_) {
        w->setWindowIcon(icon_());
    }
    sTemp = s.value(kUserKey, QStringLiteral("sTemp"));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int taskbar = taskbarHeight(screen);
    Tool = DrawingState::None;
    OverlayLeft = 0;
    OverlayTop = 0;

    const int tx = twipsPerPixelX(screen);
    const int ty = twipsPerPixelY(screen);
    const QRect screenRect = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    const TwipsRect r = previewWindowRect(toTwips(screenRect.width(), tx),
                                          toTwips(screenRect.height(), ty), ty, taskbar);
    w->setGeometry(
        toPixelRect(r.left, r.top, r.width, r.height, tx, ty).translated(screenRect.topLeft()));

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

    // Colour, width, text and font as stored, even when the palette is never offered: what
    // the pipeline stores after the preview is then what was stored before.
    w->picDrawTools()->loadValues();

    QObject::connect(w->cmdSend(), &VexelButton::Click, w, [this] { cmdSend_Click(); });
    QObject::connect(w->cmdCancel(), &VexelButton::Click, w, [this] { cmdCancel_Click(); });
    QObject::connect(chrome, &WindowChrome::closeClicked, w, [this] { cmdX_Click(); });
    QObject::connect(w, &frmMainWindow::closeRequested, w, [this] { cmdX_Click(); });
}

void frmMain::Unload() {
    if (!window_) {
        return;
    }
    frmMainWindow* w = window_.data();
    window_ = nullptr;
    textToolText_ = w->picDrawTools()->txtText()->text();
    textToolFont_ = w->picDrawTools()->lblTextFormat()->font();
    haveTextTool_ = true;
    w->lblBigOverlay()->hide();
    w->hide();
    // The widgets are destroyed once the event loop runs again: never under a handler of their
    // own, and never on the way of a command's answer. An earlier window still waiting goes now.
    delete unloaded_.data();
    unloaded_ = w;
    w->deleteLater();
}

frmMainWindow* frmMain::window() {
    Load();
    return window_.data();
}

PictureHolder* frmMain::picScreenie() {
    return window()->picScreenie();
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
    if (window_) {
        return window_->picDrawTools()->txtText()->text();
    }
    if (haveTextTool_) {
        return textToolText_;
    }
    return settings().value(QStringLiteral("DrawTools"), QStringLiteral("Text"));
}

QFont frmMain::textToolFont() {
    if (window_) {
        return window_->picDrawTools()->lblTextFormat()->font();
    }
    if (haveTextTool_) {
        return textToolFont_;
    }
    return DrawToolsPalette::storedTextFont(settings());
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
    const TwipsRect area =
        previewAreaRect(width, height, previewControlsLayout(width, height, big, cancel, send));
    w->picHidden()->setGeometry(toPixelRect(area.left, area.top, area.width, area.height, tx, ty));
    w->picPreview()->move(0, 0);
    w->picPreview()->clear(w->picHidden()->size());
}

void frmMain::doScale() {
    frmMainWindow* w = window();
    Canvas* canvas = w->picPreview();
    const QImage& capture = w->picScreenie()->picture().image();
    const CanvasPlacement place = placeCapture(capture.size(), w->picHidden()->size());
    canvas->setGeometry(QRect(place.topLeft, place.size));
    DrawToolsPalette* palette = w->picDrawTools();
    if (place.reduced) {
        canvas->image().setPicture(reduceByAreaAverage(capture, place.size));
        palette->hide();
        bScaled = true;
        // A reduced preview is not drawn on: its pixels are not the capture's.
        Tool = DrawingState::None;
    } else {
        canvas->image().setPicture(capture);
        palette->LoadSettings(toTwips(w->width(), twipsPerPixelX(w)));
        bScaled = false;
    }
    canvas->image().commit();
}

void frmMain::Show() {
    frmMainWindow* w = window();
    QPointer<frmMainWindow> guard(w);
    QEventLoop loop;
    const QMetaObject::Connection ended =
        QObject::connect(w, &frmMainWindow::hidden, &loop, &QEventLoop::quit);
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
    w->raise();
    w->activateWindow();
    if (guard && guard->isVisible()) {
        loop.exec(QEventLoop::DialogExec);
    }
    QObject::disconnect(ended);
    reapUnloaded();
}

void frmMain::cmdSend_Click() {
    HandlerScope scope(*this);
    Settings& s = settings();
    s.WriteLog(QStringLiteral("frmMain - cmdSend_Click - sTemp:  ") + sTemp);
    s.setValue(kUserKey, kResult, sTemp);
    Tool = DrawingState::None;
    if (window_) {
        window_->hide();
    }
    s.WriteLog(QStringLiteral("frmMain - cmdSend_Click - End"));
}

void frmMain::cmdCancel_Click() {
    HandlerScope scope(*this);
    settings().setValue(kUserKey, kResult, QStringLiteral("Cancel"));
    Unload();
}

void frmMain::cmdX_Click() {
    HandlerScope scope(*this);
    settings().setValue(kUserKey, kResult, QStringLiteral("Cancel"));
    Unload();
}

}  // namespace pictavo
