#pragma once

#include <QColor>
#include <QFrame>

namespace pictavo {

// A filled rectangle showing a colour. While greyed it shows light grey and keeps its colour in
// a hidden twin, which comes back when it is no longer greyed.
class ColourSwatch : public QFrame {
    Q_OBJECT
public:
    static inline const QColor kGrey{0xE0, 0xE0, 0xE0};

    explicit ColourSwatch(QWidget* parent = nullptr);

    // The swatch's own colour, greyed or not.
    void setColour(const QColor& colour);
    QColor colour() const { return twin_; }
    // The colour on the screen.
    QColor shownColour() const;
    void setGreyed(bool greyed);

    QSize sizeHint() const override { return {32, 16}; }

private:
    void paint();

    QColor twin_;
    bool greyed_ = false;
};

}  // namespace pictavo
