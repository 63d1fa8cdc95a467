#pragma once

#include <QColor>
#include <QKeySequence>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace pictavo {

// A flat picture button: a caption ("&" marks the access key), an optional picture left of
// the caption, hover and pressed background colours, a focus rectangle when it has the
// keyboard focus, and Click when pressed and released over it (or Space/Enter/access key).
// Colours left unset follow the palette: back = Button, fore = ButtonText, hover = back,
// pressed = hover.
class VexelButton : public QWidget {
    Q_OBJECT
public:
    explicit VexelButton(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    void setPicture(const QPixmap& picture);
    // A transparent picture of `size` logical pixels with `ratio` device pixels to each, to
    // paint a button's picture on: sharp on a screen of any device-pixel ratio.
    static QPixmap blankPicture(QSize size, qreal ratio);
    QPixmap picture() const { return picture_; }
    void setBackColour(const QColor& colour);
    void setHoverColour(const QColor& colour);
    void setPressedColour(const QColor& colour);
    void setForeColour(const QColor& colour);

    // The colours in effect, after the palette fallbacks.
    QColor backColour() const;
    QColor hoverColour() const;
    QColor pressedColour() const;
    QColor foreColour() const;

    // The access key of the caption (Alt and the letter after a single "&"), empty if none.
    static QKeySequence accessKey(const QString& caption);

    QSize sizeHint() const override;

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void updateShortcut();
    QColor currentBackground() const;

    QString caption_;
    QPixmap picture_;
    QColor back_;
    QColor hover_;
    QColor pressed_;
    QColor fore_;
    bool hovered_ = false;
    bool down_ = false;       // the left button went down on us and is still held
    bool inside_ = false;     // ...and the pointer is over us
    bool spaceDown_ = false;  // Space is held with the focus on us
    int shortcutId_ = 0;
};

}  // namespace pictavo
