#include "preview/frmMainWindow.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QShortcut>

#include "controls/VexelButton.h"
#include "controls/WindowChrome.h"
#include "preview/AnnotationList.h"
#include "preview/Canvas.h"
#include "preview/DrawToolsPalette.h"
#include "preview/DrawingState.h"
#include "preview/PictureHolder.h"
#include "preview/PointerTools.h"

namespace pictavo {

namespace {

const QColor kAreaColour(0x80, 0x80, 0x80);
const QColor kLogoInk(0x2d, 0x6c, 0xb4);

// The logo: a camera tile and the product name, drawn rather than shipped.
QPixmap drawLogo(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = size.height();
    const qreal s = h * 0.8;
    const QRectF tile(0, (h - s) / 2, s, s);
    p.setPen(Qt::NoPen);
    p.setBrush(kLogoInk);
    p.drawRoundedRect(tile, s * 0.2, s * 0.2);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(tile.x() + s * 0.15, tile.y() + s * 0.32, s * 0.7, s * 0.48), s * 0.08,
                      s * 0.08);
    p.drawRect(QRectF(tile.x() + s * 0.36, tile.y() + s * 0.22, s * 0.28, s * 0.14));
    p.setBrush(kLogoInk);
    p.drawEllipse(tile.center() + QPointF(0, s * 0.06), s * 0.16, s * 0.16);
    QFont font;
    font.setBold(true);
    // The name takes the room right of the tile, at most 42% of the height tall.
    const qreal room = size.width() - s - h * 0.2;
    for (int px = static_cast<int>(h * 0.42); px > 6; --px) {
        font.setPixelSize(px);
        if (QFontMetricsF(font).horizontalAdvance(QStringLiteral("Pictavo 3")) <= room) {
            break;
        }
    }
    p.setFont(font);
    p.setPen(kLogoInk);
    p.drawText(QRectF(s + h * 0.15, 0, size.width() - s, h), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Pictavo 3"));
    return pixmap;
}

}  // namespace

frmMainWindow::frmMainWindow(DrawingState& state, CanvasImage& canvas, AnnotatedCanvas& shown,
                             AnnotationList& annotations, Settings& settings,
                             const HandlerGuard& guard)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Pictavo 3"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    picHidden_ = new QWidget(this);
    picHidden_->setObjectName(QStringLiteral("picHidden"));
    picHidden_->setAutoFillBackground(true);
    QPalette area = picHidden_->palette();
    area.setColor(QPalette::Window, kAreaColour);
    picHidden_->setPalette(area);

    picPreview_ = new Canvas(canvas, picHidden_);

    imgLogo_ = new QLabel(this);
    imgLogo_->setObjectName(QStringLiteral("imgLogo"));

    lblBigOverlay_ = new QLabel(QStringLiteral("Overlay Text Is Too Big"), this);
    lblBigOverlay_->setObjectName(QStringLiteral("lblBigOverlay"));
    lblBigOverlay_->setTextFormat(Qt::PlainText);
    QFont warning = lblBigOverlay_->font();
    warning.setBold(true);
    lblBigOverlay_->setFont(warning);
    QPalette warningPalette = lblBigOverlay_->palette();
    warningPalette.setColor(QPalette::WindowText, QColor(0xc0, 0x00, 0x00));
    lblBigOverlay_->setPalette(warningPalette);
    lblBigOverlay_->adjustSize();
    lblBigOverlay_->hide();

    lblOverlay_ = new QLabel(this);
    lblOverlay_->setObjectName(QStringLiteral("lblOverlay"));
    lblOverlay_->setTextFormat(Qt::PlainText);
    lblOverlay_->hide();

    picOverlay_ = new PictureHolder(this);
    picOverlay_->setObjectName(QStringLiteral("picOverlay"));

    cmdSend_ = new VexelButton(this);
    cmdSend_->setObjectName(QStringLiteral("cmdSend"));
    cmdCancel_ = new VexelButton(this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setCaption(QStringLiteral("&Cancel"));
    for (VexelButton* b : {cmdSend_, cmdCancel_}) {
        b->setBackColour(QColor(0xff, 0xff, 0xff));
        b->setHoverColour(QColor(0xe4, 0xf2, 0xc0));
        b->setPressedColour(kChromeColour);
    }

    txtDummy_ = new QLineEdit(this);
    txtDummy_->setObjectName(QStringLiteral("txtDummy"));
    // Out of sight, so out of the keyboard's way too: the window itself holds the focus after a
    // palette click instead, where Return accepts and typing does nothing.
    txtDummy_->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::ClickFocus);
    // Space would press the accept button, and a user typing a note would send the picture.
    cmdSend_->installEventFilter(this);

    picDrawTools_ = new DrawToolsPalette(state, settings, *picPreview_, this, guard, this);
    picDrawTools_->hide();
    // Installed after the palette's own filters, so seen before them.
    picDrawTools_->txtText()->installEventFilter(this);
    picDrawTools_->txtWidth()->installEventFilter(this);

    chrome_ = new WindowChrome(this);

    tools_ = std::make_unique<PointerTools>(
        picPreview_->image(), shown, state, [p = picDrawTools_] { return p->txtText()->text(); },
        [p = picDrawTools_] { return p->lblTextFormat()->font(); },
        [&annotations](Annotation item) { annotations.add(std::move(item)); });
    PointerTools* tools = tools_.get();
    connect(picPreview_, &Canvas::pointerPressed, this,
            [tools, guard](Qt::MouseButtons b, QPointF p) { guard([&] { tools->press(b, p); }); });
    connect(picPreview_, &Canvas::pointerMoved, this,
            [tools, guard](Qt::MouseButtons b, QPointF p) { guard([&] { tools->move(b, p); }); });
    connect(
        picPreview_, &Canvas::pointerReleased, this,
        [tools, guard](Qt::MouseButtons b, QPointF p) { guard([&] { tools->release(b, p); }); });
    connect(picPreview_, &Canvas::pointerLeft, this,
            [tools, guard] { guard([&] { tools->leave(); }); });

    // A text box with the focus keeps its own editing keys (Ctrl+Z in txtText undoes typing).
    const auto shortcut = [this](const QKeySequence& keys, void (frmMainWindow::*signal)()) {
        auto* s = new QShortcut(keys, this);
        connect(s, &QShortcut::activated, this, signal);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), &frmMainWindow::undoKey);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &frmMainWindow::redoKey);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), &frmMainWindow::redoKey);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_C), &frmMainWindow::copyKey);
    setFocus(Qt::OtherFocusReason);
}

void frmMainWindow::keyPressEvent(QKeyEvent* event) {
    // Keys come here when the control with the focus did not take them.
    switch (event->key()) {
        case Qt::Key_Escape:
            emit cancelKey();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit acceptKey();
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

bool frmMainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) {
        return QWidget::eventFilter(watched, event);
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == cmdSend_) {
        return key == Qt::Key_Space;
    }
    // Return in a text box of the palette ends the typing there, as leaving the box does.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (type == QEvent::KeyPress) {
            setFocus(Qt::OtherFocusReason);
        }
        return true;
    }
    return false;
}

frmMainWindow::~frmMainWindow() = default;

VexelButton* frmMainWindow::cmdX() const {
    return chrome_->cmdX();
}

void frmMainWindow::placeLogo(const QRect& rect) {
    imgLogo_->setGeometry(rect);
    imgLogo_->setPixmap(drawLogo(rect.size()));
}

}  // namespace pictavo
