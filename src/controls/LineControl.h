#pragma once

#include <QColor>
#include <QWidget>

#include <optional>

namespace pictavo {

// A line drawn one pixel wide from (X1, Y1) to (X2, Y2), coordinates in twips in the parent's
// coordinate space. The widget covers just the pixels of the line and lets the mouse through.
// As with the platform's line drawing, the end point itself is not drawn, so lines that meet
// at a corner do not overdraw one another. Without a colour of its own the line takes the
// palette's window-text colour.
class LineControl : public QWidget {
    Q_OBJECT
public:
    explicit LineControl(QWidget* parent = nullptr);

    void setLine(int x1, int y1, int x2, int y2);
    int X1() const { return x1_; }
    int Y1() const { return y1_; }
    int X2() const { return x2_; }
    int Y2() const { return y2_; }

    void setBorderColour(const QColor& colour);
    void resetBorderColour();
    QColor borderColour() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updatePlacement();

    int x1_ = 0;
    int y1_ = 0;
    int x2_ = 0;
    int y2_ = 0;
    std::optional<QColor> colour_;
};

}  // namespace pictavo
