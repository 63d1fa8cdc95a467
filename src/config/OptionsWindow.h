#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QStackedWidget;

namespace pictavo {

class CountdownPage;
class GeneralPage;
class LanguagePage;
class LightTab;
class OverlayPage;
class VexelButton;
class WebcamPage;
class WindowChrome;

// The widget tree of the options window while it is loaded: a borderless window with the logo,
// the tab strip Tab1 and six pages Frame1_0..5, each with its own Save and Cancel button. It
// builds and lays out the named controls (each control's objectName is its name; arrays are
// named "cmdSave_0", "opt_1", ...) and turns Enter and Escape into pressing the shown page's
// Save and Cancel. Each page is a class of its own (OptionsPages.h). The form object frmOptions
// fills it and handles its controls.
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

    GeneralPage* general = nullptr;
    OverlayPage* overlay = nullptr;
    CountdownPage* countdown = nullptr;
    WebcamPage* webcam = nullptr;
    LanguagePage* language = nullptr;

signals:
    void enterPressed();
    void escapePressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    template <class Page>
    Page* page(int index, Page* content);
};

}  // namespace pictavo
