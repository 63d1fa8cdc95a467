#pragma once

#include <QFont>
#include <QWidget>
#include <array>
#include <initializer_list>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace pictavo {

class ColourSwatch;
class LinkLabel;
class NumberBox;
class VexelButton;
struct LanguageHeader;

// The pages of the options window, one class each. A page builds and lays out its named
// controls (each control's objectName is its name) and shows what the form object gives it; the
// settings are bound to the controls by those names (see OptionsSettings.h).

// A button of the options window: white, lit green under the pointer, never cut.
VexelButton* optionsButton(QWidget* parent, const char* name, const QString& caption);

// The look of a text, as the overlay and countdown pages show it: four style boxes (bold,
// italic, underline, strike-out), the font's name with its chooser, and a swatch with its
// chooser for each colour. Its font always carries the styles its boxes show.
class TextLook : public QWidget {
    Q_OBJECT
public:
    // The names of the controls, which differ from page to page.
    struct Names {
        std::array<const char*, 4> styles;
        const char* strikeOutCaption;
        const char* fontLabel;
        const char* fontButton;
    };
    struct Colour {
        const char* caption;
        const char* swatch;
        const char* button;
        const char* buttonCaption;
        const char* title;  // of the colour chooser
    };
    struct ColourRow {
        ColourSwatch* swatch;
        VexelButton* button;
        QString title;
    };

    TextLook(const char* name, const Names& names, std::initializer_list<Colour> colours,
             QWidget* parent);

    const QFont& lookFont() const { return font_; }
    // The family and size of `face`, with the styles the boxes show.
    void setFace(const QFont& face);
    // A font the user chose: its styles tick the boxes.
    void setChosenFont(const QFont& font);
    // Greyed, the swatches show grey and keep their colours for when it is enabled again.
    void setLookEnabled(bool on);

    std::array<QCheckBox*, 4> styles{};
    QLabel* fontLabel = nullptr;
    VexelButton* fontButton = nullptr;
    std::vector<ColourRow> colours;

signals:
    // A style box changed the font.
    void changed();

private:
    void showFace();

    QFont font_;
};

class GeneralPage : public QWidget {
    Q_OBJECT
public:
    GeneralPage();

    bool isJpeg() const;
    // The quality shows for JPG only.
    void applyFileType();

    QCheckBox* chkPreview = nullptr;
    QCheckBox* chkPreviewSave = nullptr;
    QCheckBox* chkClipBoard = nullptr;
    QCheckBox* chkDelete = nullptr;
    QCheckBox* chkSaveMsgBox = nullptr;
    QCheckBox* chkMenu = nullptr;
    QCheckBox* chkWarnDelay = nullptr;
    NumberBox* txtWarnDelay = nullptr;
    QLineEdit* txtSaveDir = nullptr;
    VexelButton* cmdSaveDir = nullptr;
    QLineEdit* txtFilename = nullptr;
    QComboBox* comFiletype = nullptr;
    NumberBox* txtTimeDelay = nullptr;
    QLabel* lblQuality = nullptr;
    NumberBox* txtQuality = nullptr;
    QLabel* lblQualityRange = nullptr;
};

class OverlayPage : public QWidget {
    Q_OBJECT
public:
    OverlayPage();

    // The group follows its two boxes: usable while either is ticked.
    void applyEnabling();
    // Shows `text` in the preview's fixed area with the look: a large font reduced, and what is
    // still too long cut at the end.
    void refreshPreview(const QString& text);

    QCheckBox* chkOverlay = nullptr;
    QCheckBox* chkSaveOverlay = nullptr;
    QLineEdit* txtText = nullptr;
    QLabel* lblTags = nullptr;
    QButtonGroup* optPosition = nullptr;
    std::array<QRadioButton*, 9> opt{};  // opt_1..opt_9, row by row from the top left
    TextLook* look = nullptr;
    QWidget* picOverlayPreview = nullptr;  // the fixed area lblPreview is shown in
    QLabel* lblPreview = nullptr;

private:
    QList<QWidget*> captions_;
};

class CountdownPage : public QWidget {
    Q_OBJECT
public:
    CountdownPage();

    void applyEnabling();
    // The digits over their shadow, reduced to fit the picture when the font is larger.
    void refreshPreview();

    QCheckBox* chkCounter = nullptr;
    TextLook* look = nullptr;
    QWidget* picBackground = nullptr;
    QLabel* lblPreviewC = nullptr;
    QLabel* lblPreview2C = nullptr;
};

class WebcamPage : public QWidget {
    Q_OBJECT
public:
    WebcamPage();

    QCheckBox* chkWebcam = nullptr;
};

class LanguagePage : public QWidget {
    Q_OBJECT
public:
    LanguagePage();

    // With files the list can be picked from and the information shows; without, the list is
    // greyed and says so.
    void showList(bool anyFiles);
    void showInfo(const LanguageHeader& header);

    QComboBox* comLangs = nullptr;
    VexelButton* cmdLangRefresh = nullptr;
    QLabel* lblLangBy = nullptr;
    LinkLabel* lblLangWebsite = nullptr;
    LinkLabel* lblLangEmail = nullptr;
    QLabel* lblLangVer = nullptr;
};

}  // namespace pictavo
