#pragma once

#include <QFont>
#include <QWidget>
#include <array>

#include "dialogs/FormObject.h"
#include "preview/DrawingState.h"

class QGroupBox;
class QLabel;
class QLineEdit;

namespace pictavo {

class Canvas;
class Settings;
class VexelButton;

// The drawing palette `picDrawTools` of the preview window: seven tool buttons, the width
// controls (frame frmSize), the text controls (frame frmFont, placed over frmSize and shown
// only with the text tool) and ten colour swatches. It edits the drawing state of the form
// object and keeps the canvas's pen width equal to Len.
//
// Two small buttons, cmdUndo and cmdRedo, ask the form to undo or redo an annotation; a click on
// the text's sample lblTextFormat asks the form for a font (fontClicked, then setTextFont). The
// current colour swatch and width preset are framed, as the current tool is.
//
// Only the tool choice is stored at once ("Tool" under "DrawTools", the button index); the
// other values are stored by the send pipeline after the window has closed.
class DrawToolsPalette : public QWidget {
    Q_OBJECT
public:
    static constexpr int kToolButtons = 7;
    static constexpr int kColourButtons = 10;
    static constexpr int kWidthButtons = 4;
    static constexpr int kStyleButtons = 4;
    static constexpr int kToolFrameHeight = 810;  // twips

    // `focusSink` (the accept button) takes the keyboard focus after a click, so that no
    // palette button keeps it and Return accepts; every click runs behind the window's handler
    // barrier `guard`.
    DrawToolsPalette(DrawingState& state, Settings& settings, Canvas& canvas, QWidget* focusSink,
                     HandlerGuard guard, QWidget* parent);

    // The tool a button selects: buttons 2 and 3 select the circle and the rectangle, 5 and 6
    // the arrow and pixelate.
    static qint32 toolOfButton(int button);
    // The colour value (0x00BBGGRR) of a swatch.
    static qint32 swatchColour(int button);
    // The pen width of a width preset button.
    static qint16 presetWidth(int button);
    // The light green face of a style button that is on.
    static QColor styleOnFace() { return QColor(0xc0, 0xff, 0xc0); }

    // Colour, width, text and font from the stored settings, without choosing a tool or
    // showing anything: what the window holds from its load on, so that storing the state
    // after a preview without the palette writes back what was stored.
    void loadValues();
    // The full load: the values, the stored tool button highlighted and active, the text
    // frame, the palette arranged for the window (`windowWidth` in twips) and shown.
    void LoadSettings(int windowWidth);
    // Places the palette in the top-right corner of a window `windowWidth` twips wide, its
    // frames in one row or, where that would cover the logo, in two (see placePalette).
    void arrange(int windowWidth);
    // The text tool's font: the sample's, with the style buttons showing its styles.
    void setTextFont(const QFont& font);

    // The button highlighted as the active tool, -1 when none.
    int highlightedToolButton() const;
    // The swatch framed as the current colour and the preset framed as the current width; -1
    // when the current one is none of them.
    int markedColourButton() const { return markedButton(colour_.data(), kColourButtons); }
    int markedWidthButton() const { return markedButton(width_.data(), kWidthButtons); }

    VexelButton* cmdTool(int i) const { return tool_[static_cast<std::size_t>(i)]; }
    VexelButton* cmdColour(int i) const { return colour_[static_cast<std::size_t>(i)]; }
    VexelButton* cmdWidth(int i) const { return width_[static_cast<std::size_t>(i)]; }
    VexelButton* cmdFontStyle(int i) const { return style_[static_cast<std::size_t>(i)]; }
    VexelButton* cmdWidthLess() const { return less_; }
    VexelButton* cmdWidthMore() const { return more_; }
    VexelButton* cmdUndo() const { return undo_; }
    VexelButton* cmdRedo() const { return redo_; }
    QLineEdit* txtWidth() const { return txtWidth_; }
    QLineEdit* txtText() const { return txtText_; }
    QLabel* lblTextFormat() const { return lblTextFormat_; }
    QGroupBox* frmTool() const { return frmTool_; }
    QGroupBox* frmSize() const { return frmSize_; }
    QGroupBox* frmFont() const { return frmFont_; }
    QGroupBox* frmColour() const { return frmColour_; }

    void cmdTool_Click(int index);
    void cmdColour_Click(int index);
    void cmdWidth_Click(int index);
    void cmdWidthLess_Click();
    void cmdWidthMore_Click();
    void cmdFontStyle_Click(int index);
    void txtWidth_LostFocus();

signals:
    void undoClicked();
    void redoClicked();
    void fontClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void showLen();
    void highlightToolButton(int index);
    void markColourAndWidth();
    static int markedButton(const VexelButton* const* buttons, int count);
    void parkFocus();

    DrawingState& state_;
    Settings& settings_;
    Canvas& canvas_;
    QWidget* focusSink_;
    HandlerGuard guard_;

    QGroupBox* frmTool_ = nullptr;
    QGroupBox* frmSize_ = nullptr;
    QGroupBox* frmFont_ = nullptr;
    QGroupBox* frmColour_ = nullptr;
    std::array<VexelButton*, kToolButtons> tool_{};
    std::array<VexelButton*, kColourButtons> colour_{};
    std::array<VexelButton*, kWidthButtons> width_{};
    std::array<VexelButton*, kStyleButtons> style_{};
    VexelButton* less_ = nullptr;
    VexelButton* more_ = nullptr;
    VexelButton* undo_ = nullptr;
    VexelButton* redo_ = nullptr;
    QLineEdit* txtWidth_ = nullptr;
    QLineEdit* txtText_ = nullptr;
    QLabel* lblTextFormat_ = nullptr;
};

}  // namespace pictavo
