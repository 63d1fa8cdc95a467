#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "dialogs/FormObject.h"

namespace pictavo {

class Dialogs;
class OptionsWindow;
class Settings;
class Shell;
class VideoDevices;

// The options window's form object: six pages on a tab strip, where every stored setting can be
// changed. Save on any page checks the boxes that must hold something, writes the settings of
// all pages, probes the webcam when it is enabled, reloads the settings record and unloads;
// Cancel and the close button unload without writing. Enter presses the shown page's Save,
// Escape its Cancel.
//
// A value is written back exactly as it was stored unless the user changed its control: a font
// that is not installed, a colour written in another notation or a flag stored as "2" survive a
// Save untouched. The three length values always give the length of the text written with them.
class frmOptions : public FormObject {
public:
    struct Parts {
        std::function<Dialogs&()> dialogs;
        // Opened when the window loads.
        std::function<Settings&()> settings;
        std::function<Shell&()> shell;
        std::function<VideoDevices&()> video;
        // The overlay text as a sent screenshot would show it now, tags replaced.
        std::function<QString(const QString&)> sampleOverlay;
    };

    explicit frmOptions(Parts parts);
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

    // One value as the window writes it.
    struct Written {
        QString subKey;
        QString name;
        QString text;
    };

protected:
    std::unique_ptr<QWidget> Form_Load() override;
    void Form_Unload(QWidget& window) override;

private:
    struct OverlayLook {
        QFont font;
        QColor fore;
        QColor back;
    };
    struct CountdownLook {
        QFont font;
        QColor fore;
        QColor back;
        QColor shadow;
    };

    Settings& settings();
    OptionsWindow& w();
    void connectHandlers(OptionsWindow& w);
    void fill(OptionsWindow& w);
    // The texts the controls stand for now, in the order they are written.
    std::vector<Written> controlTexts(OptionsWindow& w) const;
    // What Save writes: the controls' texts, or the stored text where a control still shows
    // what it showed at load.
    std::vector<Written> textsToWrite(OptionsWindow& w) const;
    bool validate(OptionsWindow& w);
    void message(const QString& text);
    void ProbeWebcamDriver();

    static bool isJpeg(const OptionsWindow& w);
    void applyFileType(OptionsWindow& w);
    void applyOverlayEnabling(OptionsWindow& w);
    void applyCountdownEnabling(OptionsWindow& w);
    void refreshOverlayPreview(OptionsWindow& w);
    void refreshCountdownPreview(OptionsWindow& w);
    void chooseColour(const QString& title, QColor& target, class ColourSwatch* swatch,
                      const std::function<void()>& refresh);
    void chooseOverlayFont(OptionsWindow& w);
    void chooseCountdownFont(OptionsWindow& w);
    void fillLanguageList(OptionsWindow& w);
    void ShowLanguageControls(OptionsWindow& w);
    void ShowNoLanguageFiles(OptionsWindow& w);
    void qualityEdited(OptionsWindow& w);

    Parts p_;
    QIcon icon_;

    // While loaded: what the previews show (the values Save writes), the stored texts and the
    // controls' texts at load, in writing order, and the listed language files.
    OverlayLook overlay_;
    CountdownLook countdown_;
    std::vector<Written> stored_;
    std::vector<Written> atLoad_;
    QString storedQuality_;
    QStringList fileLangs_;
};

}  // namespace pictavo
