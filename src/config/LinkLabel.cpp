#include "config/LinkLabel.h"

#include <QMouseEvent>

namespace pictavo {

LinkLabel::LinkLabel(QWidget* parent) : ElidedLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    setHot(false);
}

void LinkLabel::setHot(bool hot) {
    hot_ = hot && isEnabled();
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::WindowText, hot_ ? kHover : kIdle);
    p.setColor(QPalette::Inactive, QPalette::WindowText, hot_ ? kHover : kIdle);
    setPalette(p);
    QFont f = font();
    f.setUnderline(hot_);
    setFont(f);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    setHot(true);
    ElidedLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
    setHot(false);
    ElidedLabel::leaveEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    ElidedLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

void LinkLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled() && hot_) {
        setHot(false);
    }
    ElidedLabel::changeEvent(event);
}

}  // namespace pictavo
