#include "plugin/CommandDispatcher.h"

#include "capture/frmSend.h"
#include "capture/modCapture.h"
#include "config/frmOptions.h"
#include "dialogs/MsgBoxEx.h"
#include "platform/PictavoError.h"
#include "platform/RegistryHive.h"
#include "platform/ScreenSource.h"
#include "platform/Shell.h"
#include "plugin/CapturePipeline.h"
#include "preview/frmMain.h"
#include "settings/Settings.h"

namespace pictavo {

namespace {
const QString kUser;  // the user key itself
const QString kResult = QStringLiteral("sResult");
}  // namespace

bool CommandDispatcher::isCancelled(const QString& result) {
    return result.startsWith(QLatin1Char('#')) || result.left(6) == QLatin1String("Cancel");
}

QString CommandDispatcher::clean(QString text) {
    if (text.isEmpty()) {
        return text;
    }
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    // The command word only where it stands: a folder may be named "dropfile x" too.
    const QString command = QStringLiteral("/dropfile ");
    if (text.startsWith(command)) {
        text.remove(0, command.size());
    }
    return text;
}

QString CommandDispatcher::readResult() {
    return p_.settings.value(kUser, kResult);
}

void CommandDispatcher::resetResult() {
    p_.settings.setValue(kUser, kResult, QString());
}

ScreenSource& CommandDispatcher::screen() {
    ScreenSource* source = p_.screen ? p_.screen() : nullptr;
    if (!source) {
        throw PictavoError(QStringLiteral("There is no X11 display to capture."));
    }
    return *source;
}

QString CommandDispatcher::ParseCommand(const QString& sCommand, const QString& sCommandArg) {
    // One command reads the store once: the log flag before every log line, and names read back
    // just after they were written, come from memory.
    const RegistryHive::ReadCache cache(p_.settings.registry().hive());
    p_.settings.WriteLog(QStringLiteral("ParseCommand:   ") + sCommand + QStringLiteral("  -   ") +
                         sCommandArg);
    const QString command = sCommand.toLower();
    if (command == QLatin1String("/xpvactive")) {
        return sendCommand(CaptureKind::ActiveWindow, sCommandArg);
    }
    if (command == QLatin1String("/xpvfull")) {
        return sendCommand(CaptureKind::FullScreen, sCommandArg);
    }
    if (command == QLatin1String("/xpvdir")) {
        return openCaptureFolder();
    }
    if (command == QLatin1String("/xpvoptions")) {
        return showOptions();
    }
    // Region selection, saving and the choosers are not part of the plug-in yet: their
    // commands answer as any command that is not the plug-in's.
    return QStringLiteral("False");
}

bool CommandDispatcher::haveAccount() {
    if (p_.settings.userKey().hasAccount()) {
        return true;
    }
    MsgBoxEx(p_.dialogs, UserKey::kNoAccountMessage, MsgBox::OkOnly, kMessageCaption, -1, -1,
             p_.icon ? p_.icon() : QIcon());
    return false;
}

QString CommandDispatcher::sendCommand(CaptureKind kind, const QString& sCommandArg) {
    if (!haveAccount()) {
        return QString();
    }
    p_.pipeline.RunCountdown(sCommandArg);
    if (!p_.sendChooser.Proceed) {
        return sendClosing(QString());
    }
    p_.preview.setCapture(kind == CaptureKind::ActiveWindow ? CaptureForegroundWindow(screen())
                                                            : CaptureVirtualScreen(screen()));
    p_.pipeline.SendCapture();
    QString text = readResult();
    if (kind == CaptureKind::FullScreen) {
        p_.settings.WriteLog(QStringLiteral("sResult:  ") + text);
    }
    if (isCancelled(text)) {
        text.clear();
    }
    if (kind == CaptureKind::FullScreen) {
        p_.settings.WriteLog(QStringLiteral("sResult:  ") + text);
    }
    return sendClosing(text);
}

QString CommandDispatcher::sendClosing(QString text) {
    text = clean(text);
    p_.settings.WriteLog(QStringLiteral("------"));
    p_.settings.WriteLog(text);
    p_.settings.WriteLog(QStringLiteral("------\r\n"));
    resetResult();
    return text;
}

QString CommandDispatcher::openCaptureFolder() {
    p_.settings.WriteLog(QStringLiteral("Command - xpvdir"));
    p_.shell.openFolder(p_.tempFolder());
    p_.settings.WriteLog(QStringLiteral("    sResult: "));
    return QStringLiteral("True");
}

QString CommandDispatcher::showOptions() {
    p_.settings.WriteLog(QStringLiteral("Command - xpvoptions"));
    if (!haveAccount()) {
        return QStringLiteral("True");
    }
    p_.options.Show();
    resetResult();
    return QStringLiteral("True");
}

}  // namespace pictavo
