#pragma once

#include "config/ElidedLabel.h"

namespace pictavo {

// A label that looks like a link while it is enabled: blue, and red and underlined while the
// pointer is over it; a long address is cut at the end. A click on it (pressed and released over
// it) raises clicked; a disabled one ignores the pointer.
class LinkLabel : public ElidedLabel {
    Q_OBJECT
public:
    static inline const QColor kIdle{0x00, 0x00, 0xFF};
    static inline const QColor kHover{0xFF, 0x00, 0x00};

    explicit LinkLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setHot(bool hot);

    bool hot_ = false;
};

}  // namespace pictavo
