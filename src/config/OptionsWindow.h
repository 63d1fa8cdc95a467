#pragma once

#include <QWidget>
#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStackedWidget;

namespace pictavo {

class ColourSwatch;
class LightTab;
class LinkLabel;
class NumberBox;
class VexelButton;
class WindowChrome;

// The widget tree of the options window while it is loaded: a borderless window with the logo,
// the tab strip Tab1 and six pages Frame1_0..5, each with its own Save and Cancel button. It
// builds and lays out the named controls (each control's objectName is its name; arrays are
// named "cmdSave_0", "opt_1", ...) and turns Enter and Escape into pressing the shown page's
// Save and Cancel. The form object frmOptions fills it and handles its controls.
class OptionsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPages = 6;

    OptionsWindow();
    ~OptionsWindow() override;

    // Shows page `index` alone; its Save and Cancel take Enter and Escape.
    void showPage(int index);
    int shownPage() const;
    // Sizes the window to its pages, within its screen, and places the chrome for that size.
    void placeChrome();

    WindowChrome* chrome = nullptr;
    QLabel* imgLogo = nullptr;
    LightTab* Tab1 = nullptr;
    QStackedWidget* pages = nullptr;
    std::array<QWidget*, kPages> Frame1{};
    std::array<VexelButton*, kPages> cmdSave{};
    std::array<VexelButton*, kPages> cmdCancel{};

    // General
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

    // Overlay Text
    QCheckBox* chkOverlay = nullptr;
    QCheckBox* chkSaveOverlay = nullptr;
    QLineEdit* txtText = nullptr;
    QLabel* lblTags = nullptr;
    QButtonGroup* optPosition = nullptr;
    std::array<QRadioButton*, 9> opt{};  // opt_1..opt_9, row by row from the top left
    QCheckBox* optBold = nullptr;
    QCheckBox* optItalic = nullptr;
    QCheckBox* optUnderline = nullptr;
    QCheckBox* optStrikethru = nullptr;
    QLabel* lblFont = nullptr;
    VexelButton* cmdFont = nullptr;
    ColourSwatch* shpTextColour = nullptr;
    VexelButton* cmdTextColour = nullptr;
    ColourSwatch* shpBackColour = nullptr;
    VexelButton* cmdBackColour = nullptr;
    QWidget* picOverlayPreview = nullptr;  // the fixed area lblPreview is shown in
    QLabel* lblPreview = nullptr;
    // The page's captions, greyed with the group.
    QList<QWidget*> overlayLabels;

    // Countdown
    QCheckBox* chkCounter = nullptr;
    QCheckBox* chkBoldC = nullptr;
    QCheckBox* chkItalicC = nullptr;
    QCheckBox* chkUnderlineC = nullptr;
    QCheckBox* chkStrikethruC = nullptr;
    QLabel* lblFontC = nullptr;
    VexelButton* cmdFontC = nullptr;
    ColourSwatch* shpTextColorC = nullptr;
    VexelButton* cmdTextColourC = nullptr;
    ColourSwatch* shpBackColorC = nullptr;
    VexelButton* cmdbackColourC = nullptr;
    ColourSwatch* shpShadowC = nullptr;
    VexelButton* cmdShadowC = nullptr;
    QWidget* picBackground = nullptr;
    QLabel* lblPreviewC = nullptr;
    QLabel* lblPreview2C = nullptr;
    QList<QWidget*> countdownLabels;

    // Webcam
    QCheckBox* chkWebcam = nullptr;

    // Language
    QComboBox* comLangs = nullptr;
    VexelButton* cmdLangRefresh = nullptr;
    QLabel* lblLangBy = nullptr;
    LinkLabel* lblLangWebsite = nullptr;
    LinkLabel* lblLangEmail = nullptr;
    QLabel* lblLangVer = nullptr;

signals:
    void enterPressed();
    void escapePressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildGeneral();
    QWidget* buildAreas();
    QWidget* buildOverlay();
    QWidget* buildCountdown();
    QWidget* buildWebcam();
    QWidget* buildLanguage();
    QWidget* page(int index, QWidget* content);
};

}  // namespace pictavo
