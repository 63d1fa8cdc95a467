#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "config/OptionsSettings.h"
#include "dialogs/FormObject.h"

namespace pictavo {

class Dialogs;
class OptionsWindow;
class Settings;
class Shell;
class TextLook;
class VideoDevices;

// The options window's form object: six pages on a tab strip, where every stored setting can be
// changed. Save on any page checks the boxes that must hold something, writes the settings of
// all pages, probes the webcam when it is enabled, reloads the settings record and unloads;
// Cancel and the close button unload without writing. Enter presses the shown page's Save,
// Escape its Cancel.
//
// The settings and their controls are one table (OptionsSettings.cpp): a value is written back
// exactly as it was stored unless the user changed its control, and the three length values
// always give the length of the text written with them.
class frmOptions : public FormObject {
public:
    // What the window works with, each reached when it is needed.
    struct Collaborators {
        std::function<Dialogs&()> dialogs;
        // Opened when the window loads.
        std::function<Settings&()> settings;
        std::function<Shell&()> shell;
        std::function<VideoDevices&()> video;
        // The overlay text as a sent screenshot would show it now, tags replaced.
        std::function<QString(const QString&)> sampleOverlay;
    };

    explicit frmOptions(Collaborators with);
    ~frmOptions() override;

    // The plug-in folder followed by "Screenshots": where the language files are listed from.
    QString ScreenshotsFolder;

    // The window's icon, which every message of the plug-in shows.
    const QIcon& icon();

    // The controls; touching them loads the window.
    OptionsWindow* window();

    // Shows page n for n from 0 to 4; any other n does nothing.
    void showTab(int n);

    void cmdSave_Click();
    void cmdCancel_Click();
    void listLangs();
    void ShowLanguageInfo(const QString& path);

protected:
    std::unique_ptr<QWidget> Form_Load() override;
    void Form_Unload(QWidget& window) override;

private:
    Settings& settings();
    OptionsWindow& w();
    void connectHandlers(OptionsWindow& w);
    void connectLook(TextLook& look, const std::function<void()>& refresh);
    void fill(OptionsWindow& w);
    bool validate(OptionsWindow& w);
    void message(const QString& text);
    void ProbeWebcamDriver();
    void refreshOverlayPreview(OptionsWindow& w);
    void fillLanguageList(OptionsWindow& w);
    void qualityEdited(OptionsWindow& w);

    Collaborators with_;
    QIcon icon_;

    // While loaded: the stored texts and the controls' texts at load, in writing order, and the
    // listed language files.
    std::vector<Written> stored_;
    std::vector<Written> atLoad_;
    QString storedQuality_;
    QStringList fileLangs_;
};

}  // namespace pictavo
