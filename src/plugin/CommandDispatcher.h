#pragma once

#include <QIcon>
#include <QString>
#include <functional>

namespace pictavo {

class CapturePipeline;
class Dialogs;
class ScreenSource;
class Settings;
class Shell;
class frmMain;
class frmOptions;
class frmSend;

// ParseCommand: recognises the plug-in's typed commands, runs each to its end and owns the
// result hand-off through "sResult". Answers "False" for a command that is not the plug-in's,
// "True" for one that sends nothing, otherwise the text to send.
class CommandDispatcher {
public:
    struct Parts {
        Settings& settings;
        CapturePipeline& pipeline;
        frmMain& preview;
        frmSend& sendChooser;
        frmOptions& options;
        // Null when there is no X11 display to capture.
        std::function<ScreenSource*()> screen;
        Shell& shell;
        std::function<QString()> tempFolder;
        Dialogs& dialogs;
        // The icon every message shows.
        std::function<QIcon()> icon;
    };

    explicit CommandDispatcher(Parts parts) : p_(std::move(parts)) {}

    QString ParseCommand(const QString& sCommand, const QString& sCommandArg);

    // A result that means nothing is to be sent: it begins with "#" or with "Cancel".
    static bool isCancelled(const QString& result);
    // Every "\" doubled (the host turns "\\" back into "\"), and a leading "/dropfile "
    // removed: the text the host sends.
    static QString clean(QString text);

private:
    enum class CaptureKind { ActiveWindow, FullScreen };

    QString sendCommand(CaptureKind kind, const QString& sCommandArg);
    // False, after telling the user once, when there is no signed-in account to work for.
    bool haveAccount();
    QString sendClosing(QString text);
    QString openCaptureFolder();
    QString showOptions();
    QString readResult();
    void resetResult();
    ScreenSource& screen();

    Parts p_;
};

}  // namespace pictavo
