#include "controls/VexelButton.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace pictavo {

namespace {

constexpr int kPadding = 4;     // between the edge and the content, pixels
constexpr int kSpacing = 4;     // between the picture and the caption
constexpr int kFocusInset = 2;  // the focus rectangle stands this far inside the edge

}  // namespace

VexelButton::VexelButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VexelButton::setCaption(const QString& caption) {
    caption_ = caption;
    updateShortcut();
    updateGeometry();
    update();
}

QPixmap VexelButton::blankPicture(QSize size, qreal ratio) {
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void VexelButton::setPicture(const QPixmap& picture) {
    picture_ = picture;
    updateGeometry();
    update();
}

void VexelButton::setBackColour(const QColor& colour) {
    back_ = colour;
    update();
}

void VexelButton::setHoverColour(const QColor& colour) {
    hover_ = colour;
    update();
}

void VexelButton::setPressedColour(const QColor& colour) {
    pressed_ = colour;
    update();
}

void VexelButton::setForeColour(const QColor& colour) {
    fore_ = colour;
    update();
}

QColor VexelButton::backColour() const {
    return back_.isValid() ? back_ : palette().color(QPalette::Button);
}

QColor VexelButton::hoverColour() const {
    return hover_.isValid() ? hover_ : backColour();
}

QColor VexelButton::pressedColour() const {
    return pressed_.isValid() ? pressed_ : hoverColour();
}

QColor VexelButton::foreColour() const {
    return fore_.isValid() ? fore_ : palette().color(QPalette::ButtonText);
}

QKeySequence VexelButton::accessKey(const QString& caption) {
    return QKeySequence::mnemonic(caption);
}

QColor VexelButton::currentBackground() const {
    if (!isEnabled()) {
        return backColour();
    }
    if ((down_ && inside_) || spaceDown_) {
        return pressedColour();
    }
    if (hovered_) {
        return hoverColour();
    }
    return backColour();
}

QSize VexelButton::sizeHint() const {
    const QFontMetrics metrics(font());
    QString shown = caption_;
    shown.replace(QLatin1String("&&"), QLatin1String("\x01"));
    shown.remove(QLatin1Char('&'));
    shown.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    int width = 0;
    int height = 0;
    if (!shown.isEmpty()) {
        width = metrics.horizontalAdvance(shown);
        height = metrics.height();
    }
    if (!picture_.isNull()) {
        const QSize picture = picture_.deviceIndependentSize().toSize();
        width += picture.width() + (shown.isEmpty() ? 0 : kSpacing);
        height = std::max(height, picture.height());
    }
    return {width + 2 * kPadding, height + 2 * kPadding};
}

void VexelButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), currentBackground());

    // Picture and caption are centred together, the picture on the left.
    const int flags = Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic | Qt::TextSingleLine;
    const QRect textBox =
        caption_.isEmpty() ? QRect() : painter.fontMetrics().boundingRect(QRect(), flags, caption_);
    QSize pictureSize;
    if (!picture_.isNull()) {
        pictureSize = picture_.deviceIndependentSize().toSize();
    }
    const int gap = (!pictureSize.isEmpty() && !textBox.isEmpty()) ? kSpacing : 0;
    const int contentWidth = pictureSize.width() + gap + textBox.width();
    int x = (width() - contentWidth) / 2;

    if (!pictureSize.isEmpty()) {
        const QPoint at(x, (height() - pictureSize.height()) / 2);
        if (isEnabled()) {
            painter.drawPixmap(at, picture_);
        } else {
            QStyleOption option;
            option.initFrom(this);
            painter.drawPixmap(at,
                               style()->generatedIconPixmap(QIcon::Disabled, picture_, &option));
        }
        x += pictureSize.width() + gap;
    }
    if (!textBox.isEmpty()) {
        painter.setPen(isEnabled() ? foreColour()
                                   : palette().color(QPalette::Disabled, QPalette::ButtonText));
        // The measured box can be a pixel short of the drawn glyphs: never clip them.
        painter.drawText(QRect(x, 0, textBox.width(), height()), flags | Qt::TextDontClip,
                         caption_);
    }

    if (hasFocus()) {
        QPen pen(foreColour(), 0, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(
            rect().adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1));
    }
}

void VexelButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void VexelButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

void VexelButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    down_ = true;
    inside_ = true;
    update();
    event->accept();
}

void VexelButton::mouseMoveEvent(QMouseEvent* event) {
    if (down_) {
        const bool inside = rect().contains(event->position().toPoint());
        if (inside != inside_) {
            inside_ = inside;
            update();
        }
    }
    event->accept();
}

void VexelButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !down_) {
        event->ignore();
        return;
    }
    down_ = false;
    inside_ = false;
    update();
    event->accept();
    // Released elsewhere: the press is abandoned, as with any button.
    if (rect().contains(event->position().toPoint())) {
        emit Click();  // last: a handler may close or delete the window
    }
}

void VexelButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) {
                spaceDown_ = true;
                update();
            }
            event->accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            if (!event->isAutoRepeat()) {
                emit Click();
            }
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void VexelButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        event->accept();
        if (spaceDown_) {
            spaceDown_ = false;
            update();
            emit Click();
        }
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void VexelButton::focusOutEvent(QFocusEvent* event) {
    // Space released elsewhere does not click.
    spaceDown_ = false;
    update();
    QWidget::focusOutEvent(event);
}

void VexelButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            down_ = false;
            inside_ = false;
            spaceDown_ = false;
        }
        if (shortcutId_ != 0) {
            setShortcutEnabled(shortcutId_, isEnabled());
        }
        update();
    }
    QWidget::changeEvent(event);
}

bool VexelButton::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (shortcut->shortcutId() == shortcutId_ && shortcutId_ != 0) {
            if (isEnabled() && isVisible()) {
                if (focusPolicy() & Qt::TabFocus) {
                    setFocus(Qt::ShortcutFocusReason);
                }
                emit Click();
            }
            return true;
        }
    }
    return QWidget::event(event);
}

void VexelButton::updateShortcut() {
    if (shortcutId_ != 0) {
        releaseShortcut(shortcutId_);
        shortcutId_ = 0;
    }
    const QKeySequence key = accessKey(caption_);
    if (!key.isEmpty()) {
        shortcutId_ = grabShortcut(key);
        setShortcutEnabled(shortcutId_, isEnabled());
    }
}

}  // namespace pictavo
