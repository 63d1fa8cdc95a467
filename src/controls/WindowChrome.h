#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>

class QLabel;

namespace pictavo {

class LineControl;
class VexelButton;

// The colour of the title bar and of the middle border line.
inline const QColor kChromeColour{175, 215, 46};

// Chrome geometry in twips, as pure functions of the window's outer size, so the formulas can
// be checked with numbers. Lines run from (x1, y1) to (x2, y2).
struct TwipLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    friend bool operator==(const TwipLine&, const TwipLine&) = default;
};

struct TitleBarLayout {
    int titleLeft = 0;  // picTitle, in the window
    int titleTop = 0;
    int titleWidth = 0;
    TwipLine top1;      // lneTop1
    TwipLine top2;      // lneTop2
    int closeLeft = 0;  // cmdX, in picTitle
    int closeTop = 0;
};

struct BorderLayout {
    TwipLine outer;   // lneLeft1 / lneRight3 / lneBottom3
    TwipLine middle;  // lneLeft2 / lneRight2 / lneBottom2
    TwipLine inner;   // lneLeft3 / lneRight1 / lneBottom1
};

inline constexpr int kTitleBarHeight = 225;  // twips

TitleBarLayout titleBarLayout(int windowWidth, int closeButtonWidth);
BorderLayout leftBorderLayout(int windowHeight);
BorderLayout rightBorderLayout(int windowWidth, int windowHeight);
BorderLayout bottomBorderLayout(int windowWidth, int windowHeight);

// The chrome of a borderless window: the coloured title bar `picTitle` with `lblTitle` and the
// close button `cmdX`, and the three-line border (`lneTop1`, `lneTop2`, `lneLeft1..3`,
// `lneRight1..3`, `lneBottom1..3`). Geometry is in twips; positions are converted to pixels in
// one place (Twips).
class WindowChrome : public QObject {
    Q_OBJECT
public:
    // Creates the named controls as children of `window`.
    explicit WindowChrome(QWidget* window);

    QWidget* picTitle() const;
    QLabel* lblTitle() const;
    VexelButton* cmdX() const;
    LineControl* lneTop1() const { return top1_; }
    LineControl* lneTop2() const { return top2_; }
    LineControl* lneLeft1() const { return left_[0]; }
    LineControl* lneLeft2() const { return left_[1]; }
    LineControl* lneLeft3() const { return left_[2]; }
    LineControl* lneRight1() const { return right_[0]; }
    LineControl* lneRight2() const { return right_[1]; }
    LineControl* lneRight3() const { return right_[2]; }
    LineControl* lneBottom1() const { return bottom_[0]; }
    LineControl* lneBottom2() const { return bottom_[1]; }
    LineControl* lneBottom3() const { return bottom_[2]; }

    // Lay the controls out for the window's current outer size. The order of the four calls
    // does not matter; they are not repeated when the window is resized.
    void PlaceTitleBar();
    void PlaceLeftBorder();
    void PlaceRightBorder();
    void PlaceBottomBorder();

    // Title-bar dragging state.
    bool bDragging = false;
    int DragX = 0;  // twips, in the pressed control's coordinates
    int DragY = 0;

signals:
    // cmdX was clicked.
    void closeClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int windowWidthTwips() const;
    int windowHeightTwips() const;
    void placeBorder(LineControl* outer, LineControl* middle, LineControl* inner,
                     const BorderLayout& layout);
    LineControl* makeLine(const char* name, bool middle);

    QWidget* window_;
    QWidget* picTitle_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    VexelButton* cmdX_ = nullptr;
    LineControl* top1_ = nullptr;
    LineControl* top2_ = nullptr;
    LineControl* left_[3] = {};    // lneLeft1..3
    LineControl* right_[3] = {};   // lneRight1..3
    LineControl* bottom_[3] = {};  // lneBottom1..3
};

}  // namespace pictavo
