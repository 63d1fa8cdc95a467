#include "plugin/CapturePipeline.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <cerrno>
#include <cmath>

#include "capture/frmSend.h"
#include "controls/VexelButton.h"
#include "dialogs/MsgBoxEx.h"
#include "output/ImageEncoder.h"
#include "output/SaveToFile.h"
#include "platform/FileSystem.h"
#include "platform/PictavoError.h"
#include "platform/SystemError.h"
#include "plugin/PreviewEncoding.h"
#include "preview/frmMain.h"
#include "settings/DrawToolsSettings.h"
#include "settings/NumericText.h"
#include "settings/ResultHandoff.h"
#include "settings/Settings.h"
#include "settings/UserKey.h"

namespace pictavo {

namespace {
const QString kDefaultFileName = QStringLiteral("My_Screenshot");
// 255 bytes less a number up to 32767 and "." with a type of up to ten bytes.
constexpr qsizetype kLongestFileNameBytes = 255 - 5 - 11;
// One day, in seconds: the longest countdown there is.
constexpr double kLongestCountdown = 86400.0;
}  // namespace

qint64 CapturePipeline::CountdownSeconds(double typed) {
    // Clamped while still a double: a double beyond the integer's range has no conversion.
    return static_cast<qint64>(
        std::clamp(std::floor(typed), -kLongestCountdown, kLongestCountdown));
}

void CapturePipeline::RunCountdown(const QString& delayText) {
    Settings& s = c_.settings;
    s.ReadRegistry();
    SettingsRecord& r = s.record();
    if (const auto typed = numberFromText(delayText)) {
        r.TimeDelay = QString::number(CountdownSeconds(*typed));
    }
    c_.sendChooser.Proceed = false;

    // A countdown setting that is not a number counts as no countdown.
    const double delay = numberFromText(r.TimeDelay).value_or(0.0);
    bool asked = false;
    int answer = 0;
    if (flagIsOn(r.WarnDelay) && delay > r.WarnDelayAmount) {
        asked = true;
        answer = MsgBoxEx(c_.dialogs,
                          QStringLiteral("Are You Sure You Want A Time Delay of ") + r.TimeDelay +
                              QStringLiteral(" seconds?"),
                          MsgBox::YesNo, kMessageCaption, -1, -1, c_.icon ? c_.icon() : QIcon());
    }
    c_.sendChooser.Proceed = !asked || answer == MsgBox::ResultYes;

    if (c_.sendChooser.Proceed && delay != 0) {
        if (flagIsOn(r.Counter)) {
            s.setValue(UserKey::kItself, QStringLiteral("Count"), r.TimeDelay);
            c_.showCounter();
        }
        // A wait cut short (the application is closing) takes no capture.
        if (delay > 0 && !c_.wait(static_cast<int>(std::min(delay, kLongestCountdown) * 1000.0))) {
            c_.sendChooser.Proceed = false;
        }
    }
}

CapturePipeline::ReservedFile CapturePipeline::UniqueTempFileName(PrivateFolder& folder,
                                                                  const QString& name,
                                                                  QString& type) {
    type = type.toLower();
    Settings& s = c_.settings;
    const QString path = folder.path();

    // Never a 1: the second file is name2. Past the 16-bit counter there is no free name.
    QString number;
    QByteArray fileName = QFile::encodeName(name + QLatin1Char('.') + type);
    std::optional<FileIdentity> identity;
    int error = 0;
    // The answer names the file by the folder's path: it must still lead to the folder held.
    const bool folderHeld = folder.isAtPath();
    if (!folderHeld) {
        error = ENOENT;
    }
    for (int i = 1; !identity && error == 0; ++i) {
        if (i > 32767) {
            throw PictavoError(QStringLiteral("No free file name for %1 in %2").arg(name, path));
        }
        number = i == 1 ? QString() : QString::number(i);
        fileName = QFile::encodeName(name + number + QLatin1Char('.') + type);
        identity = folder.reserve(fileName);
        if (!identity && errno != EEXIST) {
            error = errno;
        }
    }

    s.setValue(UserKey::kItself, QStringLiteral("TempPath"), path);
    s.setValue(UserKey::kItself, QStringLiteral("TempFileName"), name);
    if (number.isEmpty()) {
        s.setValue(UserKey::kItself, QStringLiteral("TempPathLen"), QString::number(path.size()));
        s.setValue(UserKey::kItself, QStringLiteral("TempFileNameLen"),
                   QString::number(name.size()));
    } else {
        s.setValue(UserKey::kItself, QStringLiteral("Tempi"), number);
    }
    s.setValue(UserKey::kItself, QStringLiteral("TempFileType"), type);
    if (number.isEmpty()) {
        s.setValue(UserKey::kItself, QStringLiteral("TempFileTypeLen"),
                   QString::number(type.size()));
    }
    s.setValue(UserKey::kItself, QStringLiteral("TempPath"), QString());
    s.setValue(UserKey::kItself, QStringLiteral("TempFileName"), QString());
    if (!number.isEmpty()) {
        s.setValue(UserKey::kItself, QStringLiteral("Tempi"), QString());
    }
    s.setValue(UserKey::kItself, QStringLiteral("TempFileType"), QString());
    // A folder that failed is named itself: no file was meant yet.
    return {folderHeld ? path + QFile::decodeName(fileName) : path, fileName, identity, error};
}

QString CapturePipeline::UnsafeFileNameReason(const QString& name) {
    if (name.isEmpty()) {
        return QStringLiteral("it is empty");
    }
    if (name == QLatin1String(".") || name == QLatin1String("..")) {
        return QStringLiteral("it names a folder");
    }
    // A file name holds at most 255 bytes; room is left for the number and the type.
    if (QFile::encodeName(name).size() > kLongestFileNameBytes) {
        return QStringLiteral("it is too long");
    }
    if (name.contains(QLatin1Char('/'))) {
        return QStringLiteral("it holds \"/\"");
    }
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control) {
            return QStringLiteral("it holds a control character");
        }
    }
    return {};
}

void CapturePipeline::storeDrawingState() {
    frmMain& f = c_.preview;
    DrawToolsSettings(c_.settings).store(f.Colour, f.Len, f.textToolText(), f.textToolFont());
}

void CapturePipeline::SendCapture() {
    Settings& s = c_.settings;
    SettingsRecord& r = s.record();
    frmMain& f = c_.preview;

    QString name = r.FileName;
    if (const QString reason = UnsafeFileNameReason(name); !reason.isEmpty()) {
        s.WriteLog(QStringLiteral("FileName not used, ") + reason + QStringLiteral(": ") +
                   kDefaultFileName + QStringLiteral(" instead"));
        name = kDefaultFileName;
    }
    PrivateFolder& folder = c_.tempFolder();
    const ReservedFile file = UniqueTempFileName(folder, name, r.FileType);
    tempFilePath_ = file.path;
    s.setValue(UserKey::kItself, QStringLiteral("sTemp"), tempFilePath_);
    if (!file.identity) {
        // Nothing can be written: the user is told once, with the file and the cause.
        ResultHandoff::reset(s);
        MsgBoxEx(c_.dialogs,
                 QStringLiteral("Save Failed\r\n\r\n") + file.path + QStringLiteral("\r\n\r\n") +
                     systemErrorText(file.error),
                 MsgBox::OkOnly, kMessageCaption, -1, -1, c_.icon ? c_.icon() : QIcon());
        return;
    }
    // The reserved name goes again, whatever ends the capture, unless the file is written.
    struct Reservation {
        PrivateFolder& folder;
        QByteArray name;
        bool kept = false;
        ~Reservation() {
            if (!kept) {
                folder.release(name);
            }
        }
    } reservation{folder, file.name};

    if (flagIsOn(r.Overlay)) {
        c_.doOverlay(0);
    }

    const auto picture = [&f] { return f.finishedPicture(); };
    bool cancelled = false;
    // The file encoded in the background while the preview is open.
    std::optional<PreviewEncoding> ahead;
    if (flagIsOn(r.Preview)) {
        f.doSetup();
        f.doScale();
        f.cmdSend()->setCaption(QStringLiteral("&Send Screenshot"));
        if (const auto format = ImageEncoder::formatOf(r.FileType, r.Quality)) {
            try {
                ahead.emplace(c_.encoder().background(), f.canvas, picture, *format, f.guard());
            } catch (const PictavoError&) {
                // No library: the encode after the preview says so, as without this.
            }
        }
        f.Show();
        // An accepted preview is hidden and still loaded. One unloaded without "Cancel" failed
        // to give its answer (it has told the user why): nothing is sent either.
        const bool answered = f.isLoaded();
        // Whatever the outcome, the next preview starts with this drawing state.
        storeDrawingState();
        cancelled = ResultHandoff::isCancelled(ResultHandoff::read(s));
        if (!answered && !cancelled) {
            ResultHandoff::reset(s);
            cancelled = true;
        }
    } else {
        useCaptureAsCanvas();
    }

    if (!cancelled) {
        if (flagIsOn(r.Clipboard)) {
            f.copyPicture();
        }
        ImageEncoder& encoder = c_.encoder();
        const SaveTarget target(folder.fd(), file.name, *file.identity, tempFilePath_);
        if ((ahead && ahead->writeTo(target)) || encoder.Save(r.FileType, target, r.Quality)) {
            reservation.kept = true;
            folder.replaced(file.name);
            ResultHandoff::write(s, QStringLiteral("/dropfile ") + tempFilePath_);
        } else {
            // Nothing is handed on unless the file is really there; the user is told once,
            // with the file and the cause.
            ResultHandoff::reset(s);
            MsgBoxEx(c_.dialogs, encoder.failureMessage(), MsgBox::OkOnly, kMessageCaption, -1, -1,
                     c_.icon ? c_.icon() : QIcon());
        }
    }
    f.Unload();
}

void CapturePipeline::useCaptureAsCanvas() {
    // Nothing is shown, so nothing is laid out or reduced: the canvas simply is the capture,
    // and the file is the same picture a preview accepted as it is would give.
    frmMain& f = c_.preview;
    f.bScaled = false;
    f.canvas.setPicture(f.picScreenie.image());
}

void CapturePipeline::ShowPreviewForSave() {
    c_.preview.cmdSend()->setCaption(QStringLiteral("&Save Screenshot"));
    c_.preview.Show();
}

}  // namespace pictavo
