#include "controls/WindowChrome.h"

#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "controls/LineControl.h"
#include "controls/Twips.h"
#include "controls/VexelButton.h"
#include "platform/PictavoError.h"

namespace pictavo {

namespace {

// Design values of the title bar, twips.
constexpr int kBarInset = 15;       // picTitle's left and top in the window
constexpr int kUnderBar = 240;      // lneTop2 and the top of the inner side lines
constexpr int kTitleTextLeft = 30;  // lblTitle in picTitle
constexpr int kTitleTextTop = 15;
constexpr int kCloseTop = 20;       // cmdX in picTitle
constexpr int kCloseRightGap = 30;  // between cmdX and the bar's right end
constexpr int kCloseWidth = 300;    // cmdX's size until the window sizes it
constexpr int kCloseHeight = 195;

const QColor kCloseHover{205, 235, 110};
const QColor kClosePressed{140, 180, 20};

QFont titleFont() {
    QFont font;
    // Tahoma is the design's face; on systems without it the first sans face found is used.
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Verdana"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(true);
    return font;
}

// The close glyph: a small bold "X" in the given colour on a transparent ground.
QPixmap closePicture(const QColor& colour) {
    constexpr int kSize = 7;
    QPixmap picture(kSize + 1, kSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(QPen(colour, 0));
    for (int dx = 0; dx <= 1; ++dx) {
        painter.drawLine(dx, 0, dx + kSize - 1, kSize - 1);
        painter.drawLine(dx, kSize - 1, dx + kSize - 1, 0);
    }
    return picture;
}

bool isTitleBarMouseEvent(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
           type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
}

}  // namespace

TitleBarLayout titleBarLayout(int windowWidth, int closeButtonWidth) {
    TitleBarLayout layout;
    layout.titleLeft = kBarInset;
    layout.titleTop = kBarInset;
    layout.titleWidth = windowWidth - 2 * kBarInset;
    layout.top1 = {0, 0, windowWidth, 0};
    layout.top2 = {30, kUnderBar, windowWidth - 30, kUnderBar};
    layout.closeLeft = layout.titleWidth - (closeButtonWidth + kCloseRightGap);
    layout.closeTop = kCloseTop;
    return layout;
}

BorderLayout leftBorderLayout(int windowHeight) {
    return {{0, 0, 0, windowHeight},
            {15, kUnderBar, 15, windowHeight - 15},
            {30, kUnderBar, 30, windowHeight - 30}};
}

BorderLayout rightBorderLayout(int windowWidth, int windowHeight) {
    return {{windowWidth - 15, 0, windowWidth - 15, windowHeight},
            {windowWidth - 30, kUnderBar, windowWidth - 30, windowHeight - 15},
            {windowWidth - 45, kUnderBar, windowWidth - 45, windowHeight - 30}};
}

BorderLayout bottomBorderLayout(int windowWidth, int windowHeight) {
    return {{0, windowHeight - 15, windowWidth, windowHeight - 15},
            {15, windowHeight - 30, windowWidth - 15, windowHeight - 30},
            {30, windowHeight - 45, windowWidth - 30, windowHeight - 45}};
}

WindowChrome::WindowChrome(QWidget* window) : QObject(window), window_(window) {
    if (window_ == nullptr) {
        throw PictavoError(QStringLiteral("The window chrome needs a window."));
    }
    const int tppX = twipsPerPixelX(window_);
    const int tppY = twipsPerPixelY(window_);

    picTitle_ = new QWidget(window_);
    picTitle_->setObjectName(QStringLiteral("picTitle"));
    picTitle_->setAutoFillBackground(true);
    QPalette barPalette = picTitle_->palette();
    barPalette.setColor(QPalette::Window, kChromeColour);
    picTitle_->setPalette(barPalette);
    picTitle_->resize(picTitle_->width(), toPixels(kTitleBarHeight, tppY));

    lblTitle_ = new QLabel(QStringLiteral("Pictavo 3"), picTitle_);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblTitle_->setFont(titleFont());
    lblTitle_->setTextFormat(Qt::PlainText);
    lblTitle_->move(toPixels(kTitleTextLeft, tppX), toPixels(kTitleTextTop, tppY));
    lblTitle_->adjustSize();

    cmdX_ = new VexelButton(picTitle_);
    cmdX_->setObjectName(QStringLiteral("cmdX"));
    // A title-bar button: reached with the mouse, never with Tab.
    cmdX_->setFocusPolicy(Qt::NoFocus);
    cmdX_->setBackColour(kChromeColour);
    cmdX_->setHoverColour(kCloseHover);
    cmdX_->setPressedColour(kClosePressed);
    cmdX_->setForeColour(window_->palette().color(QPalette::WindowText));
    cmdX_->setPicture(closePicture(window_->palette().color(QPalette::WindowText)));
    cmdX_->resize(toPixels(kCloseWidth, tppX), toPixels(kCloseHeight, tppY));
    connect(cmdX_, &VexelButton::Click, this, &WindowChrome::closeClicked);

    top1_ = makeLine("lneTop1", false);
    top2_ = makeLine("lneTop2", false);
    left_[0] = makeLine("lneLeft1", false);
    left_[1] = makeLine("lneLeft2", true);
    left_[2] = makeLine("lneLeft3", false);
    right_[0] = makeLine("lneRight1", false);
    right_[1] = makeLine("lneRight2", true);
    right_[2] = makeLine("lneRight3", false);
    bottom_[0] = makeLine("lneBottom1", false);
    bottom_[1] = makeLine("lneBottom2", true);
    bottom_[2] = makeLine("lneBottom3", false);

    picTitle_->installEventFilter(this);
    lblTitle_->installEventFilter(this);
}

LineControl* WindowChrome::makeLine(const char* name, bool middle) {
    auto* line = new LineControl(window_);
    line->setObjectName(QString::fromLatin1(name));
    if (middle) {
        line->setBorderColour(kChromeColour);
    }
    return line;
}

QWidget* WindowChrome::picTitle() const {
    return picTitle_;
}

QLabel* WindowChrome::lblTitle() const {
    return lblTitle_;
}

VexelButton* WindowChrome::cmdX() const {
    return cmdX_;
}

int WindowChrome::windowWidthTwips() const {
    return toTwips(window_->frameGeometry().width(), twipsPerPixelX(window_));
}

int WindowChrome::windowHeightTwips() const {
    return toTwips(window_->frameGeometry().height(), twipsPerPixelY(window_));
}

void WindowChrome::PlaceTitleBar() {
    const int tppX = twipsPerPixelX(window_);
    const int tppY = twipsPerPixelY(window_);
    const TitleBarLayout layout = titleBarLayout(windowWidthTwips(), toTwips(cmdX_->width(), tppX));
    picTitle_->setGeometry(toPixelRect(layout.titleLeft, layout.titleTop, layout.titleWidth,
                                       kTitleBarHeight, tppX, tppY));
    top1_->setLine(layout.top1.x1, layout.top1.y1, layout.top1.x2, layout.top1.y2);
    top2_->setLine(layout.top2.x1, layout.top2.y1, layout.top2.x2, layout.top2.y2);
    top1_->raise();
    top2_->raise();
    cmdX_->move(toPixels(layout.closeLeft, tppX), toPixels(layout.closeTop, tppY));
}

void WindowChrome::placeBorder(LineControl* outer, LineControl* middle, LineControl* inner,
                               const BorderLayout& layout) {
    const std::pair<LineControl*, TwipLine> lines[] = {
        {outer, layout.outer}, {middle, layout.middle}, {inner, layout.inner}};
    for (const auto& [control, line] : lines) {
        control->setLine(line.x1, line.y1, line.x2, line.y2);
        // The border stays in front of whatever the window lays out near its edges.
        control->raise();
    }
}

void WindowChrome::PlaceLeftBorder() {
    placeBorder(left_[0], left_[1], left_[2], leftBorderLayout(windowHeightTwips()));
}

void WindowChrome::PlaceRightBorder() {
    placeBorder(right_[2], right_[1], right_[0],
                rightBorderLayout(windowWidthTwips(), windowHeightTwips()));
}

void WindowChrome::PlaceBottomBorder() {
    placeBorder(bottom_[2], bottom_[1], bottom_[0],
                bottomBorderLayout(windowWidthTwips(), windowHeightTwips()));
}

bool WindowChrome::eventFilter(QObject* watched, QEvent* event) {
    if ((watched != picTitle_ && watched != lblTitle_) || !isTitleBarMouseEvent(event->type())) {
        return QObject::eventFilter(watched, event);
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    const int tppX = twipsPerPixelX(window_);
    const int tppY = twipsPerPixelY(window_);
    // Positions in the pressed control's coordinates, which move with the window; rounded to
    // whole twips.
    const int x = toTwips(mouse->position().x(), tppX);
    const int y = toTwips(mouse->position().y(), tppY);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:  // Qt's name for the second press of a double click
            bDragging = true;
            DragX = x;
            DragY = y;
            break;
        case QEvent::MouseMove:
            if (bDragging && mouse->buttons() == Qt::LeftButton) {
                const int left = toTwips(window_->x(), tppX) - (DragX - x);
                const int top = toTwips(window_->y(), tppY) - (DragY - y);
                window_->move(toPixels(left, tppX), toPixels(top, tppY));
            }
            break;
        case QEvent::MouseButtonRelease:
            bDragging = false;
            break;
        default:
            break;
    }
    return true;
}

}  // namespace pictavo
