#pragma once

#include <QIcon>
#include <QString>
#include <functional>

#include "capture/CaptureChooser.h"
#include "output/SaveToFile.h"

namespace pictavo {

class CapturePipeline;
class Dialogs;
class ScreenSource;
class Settings;
class Shell;
class frmMain;
class frmOptions;
class frmSelect;
class frmSave;
class frmSend;

// ParseCommand: recognises the plug-in's typed commands, runs each to its end and owns the
// result hand-off through "sResult". Answers "False" for a command that is not the plug-in's,
// "True" for one that sends nothing, otherwise the text to send.
class CommandDispatcher {
public:
    struct Collaborators {
        Settings& settings;
        CapturePipeline& pipeline;
        frmMain& preview;
        frmSend& sendChooser;
        frmSave& saveChooser;
        frmOptions& options;
        // Null when there is no X11 display to capture.
        std::function<ScreenSource*()> screen;
        Shell& shell;
        std::function<QString()> tempFolder;
        frmSelect& select;
        Dialogs& dialogs;
        // Stamps the overlay on the preview's capture: 0 when sending, 1 when saving.
        std::function<void(int mode)> doOverlay;
        // Asks for a name and saves the preview's picture there.
        std::function<SaveOutcome()> saveCaptureAs;
        std::function<QIcon()> icon;
    };

    explicit CommandDispatcher(Collaborators collaborators) : c_(std::move(collaborators)) {}

    QString ParseCommand(const QString& sCommand, const QString& sCommandArg);

    // The capture paths of the choosers' kind buttons, run while the chooser is hidden: send
    // the kind when the countdown lets it go ahead; or capture it, preview it for saving and
    // save what the preview accepts.
    void sendChosen(CaptureKind kind);
    void saveChosen(CaptureKind kind);

    // Every "\" doubled (the host turns "\\" back into "\"), and a leading "/dropfile "
    // removed: the text the host sends.
    static QString clean(QString text);

private:
    QString sendCommand(CaptureKind kind, const QString& sCommandArg);
    // False, after telling the user once, when there is no signed-in account to work for.
    bool haveAccount();
    QString saveCommand(CaptureKind kind, const QString& sCommandArg);
    QString chooserCommand(CaptureChooser& chooser, const QString& logLine);
    // The saved message, or the error message when the save failed (a cancelled dialog is no
    // failure and shows nothing).
    void reportSave(const SaveOutcome& save);
    // Puts the capture of `kind` into the preview's picScreenie; false when the user cancelled
    // the region selection, which leaves nothing there.
    bool capture(CaptureKind kind);
    QString sendClosing(QString text);
    QString saveClosing();
    void tell(const QString& text);
    QString openCaptureFolder();
    QString showOptions();
    ScreenSource& screen();

    Collaborators c_;
};

}  // namespace pictavo
