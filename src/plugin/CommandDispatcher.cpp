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
    ScreenSource* source = c_.screen ? c_.screen() : nullptr;
    if (!source) {
        throw PictavoError(QStringLiteral("There is no X11 display to capture."));
    }
    return *source;
}

QString CommandDispatcher::ParseCommand(const QString& sCommand, const QString& sCommandArg) {
    // One command reads the store once: the log flag before every log line, and names read back
    // just after they were written, come from memory.
    const RegistryHive::ReadCache cache(c_.settings.registry().hive());
    c_.settings.WriteLog(QStringLiteral("ParseCommand:   ") + sCommand + QStringLiteral("  -   ") +
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
        return chooserCommand(c_.sendChooser, QStringLiteral("Command - xpvsend"));
    }
    if (command == QLatin1String("/xpvsave")) {
        return chooserCommand(c_.saveChooser, QStringLiteral("Command - xpvsave"));
    }
    if (command == QLatin1String("/xpvoptions")) {
        return showOptions();
    }
    return QStringLiteral("False");
}

bool CommandDispatcher::haveAccount() {
    if (c_.settings.userKey().hasAccount()) {
        return true;
    }
    MsgBoxEx(c_.dialogs, c_.settings.userKey().accountProblem(), MsgBox::OkOnly, kMessageCaption,
             -1, -1, c_.icon ? c_.icon() : QIcon());
    return false;
}

bool CommandDispatcher::capture(CaptureKind kind) {
    // The last capture is let go first: the screen is then read into the memory it held.
    c_.preview.setCapture(CapturePicture());
    CapturePicture screen;
    try {
        switch (kind) {
            case CaptureKind::ActiveWindow:
                c_.preview.setCapture(CaptureForegroundWindow(this->screen()));
                return true;
            case CaptureKind::FullScreen:
                c_.preview.setCapture(CaptureVirtualScreen(this->screen()));
                return true;
            case CaptureKind::Region:
                screen = CaptureVirtualScreen(this->screen());
                break;
        }
    } catch (const ScreenReadError& e) {
        // Told once and logged; the capture ends as a cancelled one does, with no file.
        const QString text = QStringLiteral("The screen could not be read: ") + e.message();
        c_.settings.WriteLog(text);
        tell(text);
        return false;
    }
    // Only a completed selection puts a picture there, so an earlier capture is never taken
    // for the selected one.
    c_.select.setPicture(std::move(screen), this->screen().pictureScale());
    QCoreApplication::processEvents();
    c_.select.Show();
    return !c_.preview.picScreenie.isNull();
}

QString CommandDispatcher::sendCommand(CaptureKind kind, const QString& sCommandArg) {
    if (!haveAccount()) {
        return QString();
    }
    c_.pipeline.RunCountdown(sCommandArg);
    if (!c_.sendChooser.Proceed || !capture(kind)) {
        return sendClosing(QString());
    }
    c_.pipeline.SendCapture();
    QString text = ResultHandoff::read(c_.settings);
    if (kind == CaptureKind::FullScreen) {
        c_.settings.WriteLog(ResultHandoff::kValueName + QStringLiteral(":  ") + text);
    }
    if (ResultHandoff::isCancelled(text)) {
        text.clear();
    }
    if (kind == CaptureKind::FullScreen) {
        c_.settings.WriteLog(ResultHandoff::kValueName + QStringLiteral(":  ") + text);
    }
    return sendClosing(text);
}

QString CommandDispatcher::saveCommand(CaptureKind kind, const QString& sCommandArg) {
    if (!haveAccount()) {
        return QStringLiteral("True");
    }
    // A save captures whatever the countdown's question was answered.
    c_.pipeline.RunCountdown(sCommandArg);
    if (!capture(kind)) {
        return saveClosing();
    }
    const bool overlay = flagIsOn(c_.settings.record().SaveOverlay);
    if (overlay && kind != CaptureKind::ActiveWindow) {
        if (kind == CaptureKind::FullScreen) {
            c_.settings.WriteLog(QStringLiteral("Do Overlay"));
        }
        c_.doOverlay(1);
    }
    // What the preview answered, or "NoPreview" when none is shown.
    QString previewOutcome = QStringLiteral("NoPreview");
    if (flagIsOn(c_.settings.record().PreviewSave)) {
        // The active window is stamped only when it is previewed.
        if (overlay && kind == CaptureKind::ActiveWindow) {
            c_.doOverlay(1);
        }
        if (kind == CaptureKind::FullScreen) {
            c_.settings.WriteLog(QStringLiteral("Preview"));
        }
        c_.preview.doSetup();
        c_.preview.doScale();
        c_.pipeline.ShowPreviewForSave();
        previewOutcome = ResultHandoff::read(c_.settings);
    } else {
        c_.pipeline.useCaptureAsCanvas();
    }
    if (kind == CaptureKind::FullScreen) {
        c_.settings.WriteLog(QStringLiteral("sTempResult:  ") + previewOutcome);
    }
    if (previewOutcome.left(6) == QLatin1String("Cancel")) {
        return saveClosing();
    }
    reportSave(c_.saveCaptureAs());
    return saveClosing();
}

void CommandDispatcher::reportSave(const SaveOutcome& save) {
    if (save.written && flagIsOn(c_.settings.record().SaveMsgBox)) {
        tell(QStringLiteral("Screenshot Saved To\r\n\r\n") + save.path);
    } else if (!save.written && !save.path.isEmpty()) {
        // A cancelled dialog chose no name and is no failure.
        // The encoder's message names the file and the cause.
        tell(QStringLiteral("Error Saving Screenshot\r\n\r\n") +
             (save.failure.isEmpty() ? save.path : save.failure));
    }
}

QString CommandDispatcher::chooserCommand(CaptureChooser& chooser, const QString& logLine) {
    c_.settings.WriteLog(logLine);
    chooser.Show();
    QString text = ResultHandoff::read(c_.settings);
    // Saving hands nothing to send: after an accepted preview the result names the temporary
    // file of a send, which a save never writes (it may still hold an earlier screenshot).
    if (ResultHandoff::isCancelled(text) ||
        &chooser == static_cast<CaptureChooser*>(&c_.saveChooser)) {
        text.clear();
    }
    ResultHandoff::reset(c_.settings);
    return clean(text);
}

void CommandDispatcher::sendChosen(CaptureKind kind) {
    c_.pipeline.RunCountdown(QString());
    if (!c_.sendChooser.Proceed) {
        if (kind == CaptureKind::Region) {
            ResultHandoff::write(c_.settings, QStringLiteral("#"));
        }
        return;
    }
    // A cancelled selection leaves the chooser's "#".
    if (capture(kind)) {
        c_.pipeline.SendCapture();
    }
}

void CommandDispatcher::saveChosen(CaptureKind kind) {
    static const QString kClicks[] = {QStringLiteral("cmdActive_Click()"),
                                      QStringLiteral("cmdFull_Click()"),
                                      QStringLiteral("cmdSelected_Click()")};
    c_.settings.WriteLog(kClicks[static_cast<int>(kind)]);
    // The capture follows whatever the countdown's question was answered.
    c_.pipeline.RunCountdown(QString());
    if (!capture(kind)) {
        return;
    }
    // Always previewed here, whatever "PreviewSave" says, and never stamped.
    c_.preview.doSetup();
    c_.preview.doScale();
    c_.pipeline.ShowPreviewForSave();
    if (ResultHandoff::read(c_.settings).startsWith(QLatin1String("Cancel"))) {
        return;
    }
    reportSave(c_.saveCaptureAs());
}

void CommandDispatcher::tell(const QString& text) {
    MsgBoxEx(c_.dialogs, text, MsgBox::OkOnly, kMessageCaption, -1, -1,
             c_.icon ? c_.icon() : QIcon());
}

QString CommandDispatcher::saveClosing() {
    ResultHandoff::reset(c_.settings);
    return QStringLiteral("True");
}

QString CommandDispatcher::sendClosing(QString text) {
    text = clean(text);
    c_.settings.WriteLog(QStringLiteral("------"));
    c_.settings.WriteLog(text);
    c_.settings.WriteLog(QStringLiteral("------\r\n"));
    ResultHandoff::reset(c_.settings);
    return text;
}

QString CommandDispatcher::openCaptureFolder() {
    c_.settings.WriteLog(QStringLiteral("Command - xpvdir"));
    const QString folder = c_.tempFolder();
    if (!c_.shell.openFolder(folder)) {
        c_.settings.WriteLog(QStringLiteral("Command - xpvdir - cannot open ") + folder);
        tell(QStringLiteral("The folder %1 could not be opened: no file manager could be started.")
                 .arg(folder));
    }
    c_.settings.WriteLog(QStringLiteral("    ") + ResultHandoff::kValueName + QStringLiteral(": "));
    return QStringLiteral("True");
}

QString CommandDispatcher::showOptions() {
    c_.settings.WriteLog(QStringLiteral("Command - xpvoptions"));
    if (!haveAccount()) {
        return QStringLiteral("True");
    }
    c_.options.Show();
    ResultHandoff::reset(c_.settings);
    return QStringLiteral("True");
}

}  // namespace pictavo
