#include "plugin/CommandDispatcher.h"

#include <QCoreApplication>

#include "capture/frmSave.h"
#include "capture/frmSelect.h"
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
#include "settings/NumericText.h"
#include "settings/ResultHandoff.h"
#include "settings/Settings.h"

namespace pictavo {

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
    if (command == QLatin1String("/xpvselect")) {
        return sendCommand(CaptureKind::Region, sCommandArg);
    }
    if (command == QLatin1String("/xpvasave")) {
        return saveCommand(CaptureKind::ActiveWindow, sCommandArg);
    }
    if (command == QLatin1String("/xpvfsave")) {
        return saveCommand(CaptureKind::FullScreen, sCommandArg);
    }
    if (command == QLatin1String("/xpvssave")) {
        return saveCommand(CaptureKind::Region, sCommandArg);
    }
    if (command == QLatin1String("/xpvdir")) {
        return openCaptureFolder();
    }
    if (command == QLatin1String("/xpvsend")) {
        return chooserCommand(p_.sendChooser, QStringLiteral("Command - xpvsend"));
    }
    if (command == QLatin1String("/xpvsave")) {
        return chooserCommand(p_.saveChooser, QStringLiteral("Command - xpvsave"));
    }
    if (command == QLatin1String("/xpvoptions")) {
        return showOptions();
    }
    return QStringLiteral("False");
}

bool CommandDispatcher::haveAccount() {
    if (p_.settings.userKey().hasAccount()) {
        return true;
    }
    MsgBoxEx(p_.dialogs, p_.settings.userKey().accountProblem(), MsgBox::OkOnly, kMessageCaption,
             -1, -1, p_.icon ? p_.icon() : QIcon());
    return false;
}

bool CommandDispatcher::capture(CaptureKind kind) {
    // The last capture is let go first: the screen is then read into the memory it held.
    p_.preview.setCapture(CapturePicture());
    CapturePicture screen;
    try {
        switch (kind) {
            case CaptureKind::ActiveWindow:
                p_.preview.setCapture(CaptureForegroundWindow(this->screen()));
                return true;
            case CaptureKind::FullScreen:
                p_.preview.setCapture(CaptureVirtualScreen(this->screen()));
                return true;
            case CaptureKind::Region:
                screen = CaptureVirtualScreen(this->screen());
                break;
        }
    } catch (const ScreenReadError& e) {
        // Told once and logged; the capture ends as a cancelled one does, with no file.
        const QString text = QStringLiteral("The screen could not be read: ") + e.message();
        p_.settings.WriteLog(text);
        tell(text);
        return false;
    }
    // Only a completed selection puts a picture there, so an earlier capture is never taken
    // for the selected one.
    p_.select.setPicture(std::move(screen), this->screen().pictureScale());
    QCoreApplication::processEvents();
    p_.select.Show();
    return !p_.preview.picScreenie.isNull();
}

QString CommandDispatcher::sendCommand(CaptureKind kind, const QString& sCommandArg) {
    if (!haveAccount()) {
        return QString();
    }
    p_.pipeline.RunCountdown(sCommandArg);
    if (!p_.sendChooser.Proceed || !capture(kind)) {
        return sendClosing(QString());
    }
    p_.pipeline.SendCapture();
    QString text = ResultHandoff::read(p_.settings);
    if (kind == CaptureKind::FullScreen) {
        p_.settings.WriteLog(ResultHandoff::kValueName + QStringLiteral(":  ") + text);
    }
    if (ResultHandoff::isCancelled(text)) {
        text.clear();
    }
    if (kind == CaptureKind::FullScreen) {
        p_.settings.WriteLog(ResultHandoff::kValueName + QStringLiteral(":  ") + text);
    }
    return sendClosing(text);
}

QString CommandDispatcher::saveCommand(CaptureKind kind, const QString& sCommandArg) {
    if (!haveAccount()) {
        return QStringLiteral("True");
    }
    // A save captures whatever the countdown's question was answered.
    p_.pipeline.RunCountdown(sCommandArg);
    if (!capture(kind)) {
        return saveClosing();
    }
    const bool overlay = flagIsOn(p_.settings.record().SaveOverlay);
    if (overlay && kind != CaptureKind::ActiveWindow) {
        if (kind == CaptureKind::FullScreen) {
            p_.settings.WriteLog(QStringLiteral("Do Overlay"));
        }
        p_.doOverlay(1);
    }
    if (flagIsOn(p_.settings.record().PreviewSave)) {
        // The active window is stamped only when it is previewed.
        if (overlay && kind == CaptureKind::ActiveWindow) {
            p_.doOverlay(1);
        }
        if (kind == CaptureKind::FullScreen) {
            p_.settings.WriteLog(QStringLiteral("Preview"));
        }
        p_.preview.doSetup();
        p_.preview.doScale();
        p_.pipeline.ShowPreviewForSave();
        p_.previewOutcome = ResultHandoff::read(p_.settings);
    } else {
        p_.pipeline.useCaptureAsCanvas();
        p_.previewOutcome = QStringLiteral("NoPreview");
    }
    if (kind == CaptureKind::FullScreen) {
        p_.settings.WriteLog(QStringLiteral("sTempResult:  ") + p_.previewOutcome);
    }
    if (p_.previewOutcome.left(6) == QLatin1String("Cancel")) {
        return saveClosing();
    }
    reportSave(p_.saveCaptureAs());
    return saveClosing();
}

void CommandDispatcher::reportSave(bool saved) {
    if (saved && flagIsOn(p_.settings.record().SaveMsgBox)) {
        tell(QStringLiteral("Screenshot Saved To\r\n\r\n") + p_.savedFilePath);
    } else if (!saved && !p_.savedFilePath.isEmpty()) {
        // A cancelled dialog chose no name and is no failure.
        // The encoder's message names the file and the cause.
        tell(QStringLiteral("Error Saving Screenshot\r\n\r\n") +
             (p_.saveFailure.isEmpty() ? p_.savedFilePath : p_.saveFailure));
    }
}

QString CommandDispatcher::chooserCommand(CaptureChooser& chooser, const QString& logLine) {
    p_.settings.WriteLog(logLine);
    chooser.Show();
    QString text = ResultHandoff::read(p_.settings);
    // Saving hands nothing to send: after an accepted preview the result names the temporary
    // file of a send, which a save never writes (it may still hold an earlier screenshot).
    if (ResultHandoff::isCancelled(text) ||
        &chooser == static_cast<CaptureChooser*>(&p_.saveChooser)) {
        text.clear();
    }
    ResultHandoff::reset(p_.settings);
    return clean(text);
}

void CommandDispatcher::sendChosen(CaptureKind kind) {
    p_.pipeline.RunCountdown(QString());
    if (!p_.sendChooser.Proceed) {
        if (kind == CaptureKind::Region) {
            ResultHandoff::write(p_.settings, QStringLiteral("#"));
        }
        return;
    }
    // A cancelled selection leaves the chooser's "#".
    if (capture(kind)) {
        p_.pipeline.SendCapture();
    }
}

void CommandDispatcher::saveChosen(CaptureKind kind) {
    static const QString kClicks[] = {QStringLiteral("cmdActive_Click()"),
                                      QStringLiteral("cmdFull_Click()"),
                                      QStringLiteral("cmdSelected_Click()")};
    p_.settings.WriteLog(kClicks[static_cast<int>(kind)]);
    // The capture follows whatever the countdown's question was answered.
    p_.pipeline.RunCountdown(QString());
    if (!capture(kind)) {
        return;
    }
    // Always previewed here, whatever "PreviewSave" says, and never stamped.
    p_.preview.doSetup();
    p_.preview.doScale();
    p_.pipeline.ShowPreviewForSave();
    if (ResultHandoff::read(p_.settings).startsWith(QLatin1String("Cancel"))) {
        return;
    }
    reportSave(p_.saveCaptureAs());
}

void CommandDispatcher::tell(const QString& text) {
    MsgBoxEx(p_.dialogs, text, MsgBox::OkOnly, kMessageCaption, -1, -1,
             p_.icon ? p_.icon() : QIcon());
}

QString CommandDispatcher::saveClosing() {
    ResultHandoff::reset(p_.settings);
    return QStringLiteral("True");
}

QString CommandDispatcher::sendClosing(QString text) {
    text = clean(text);
    p_.settings.WriteLog(QStringLiteral("------"));
    p_.settings.WriteLog(text);
    p_.settings.WriteLog(QStringLiteral("------\r\n"));
    ResultHandoff::reset(p_.settings);
    return text;
}

QString CommandDispatcher::openCaptureFolder() {
    p_.settings.WriteLog(QStringLiteral("Command - xpvdir"));
    const QString folder = p_.tempFolder();
    if (!p_.shell.openFolder(folder)) {
        p_.settings.WriteLog(QStringLiteral("Command - xpvdir - cannot open ") + folder);
        tell(QStringLiteral("The folder %1 could not be opened: no file manager could be started.")
                 .arg(folder));
    }
    p_.settings.WriteLog(QStringLiteral("    ") + ResultHandoff::kValueName + QStringLiteral(": "));
    return QStringLiteral("True");
}

QString CommandDispatcher::showOptions() {
    p_.settings.WriteLog(QStringLiteral("Command - xpvoptions"));
    if (!haveAccount()) {
        return QStringLiteral("True");
    }
    p_.options.Show();
    ResultHandoff::reset(p_.settings);
    return QStringLiteral("True");
}

}  // namespace pictavo
