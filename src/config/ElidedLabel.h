#pragma once

#include <QLabel>

namespace pictavo {

// A one-line label whose size does not follow its text: however long the text, it asks for
// room for a few characters only, takes what its layout gives it, and shows what does not fit
// as "…" at the end. text() stays the whole text, and a cut one shows whole as a tooltip.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // Whether the text is cut at the label's present width.
    bool isElided() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};

}  // namespace pictavo
