#pragma once

#include <QIcon>
#include <QString>
#include <functional>

#include "output/StagedFile.h"
#include "platform/PrivateFolder.h"

namespace pictavo {

class Dialogs;
class ImageEncoder;
class Settings;
class frmMain;
class frmSend;

// The path every capture takes after its kind has been chosen: the countdown before it, the
// unique name of the file to send, and what follows a send capture (overlay, preview, drawing
// state, clipboard, encoding, the "/dropfile " result). Windows report through "sResult".
class CapturePipeline {
public:
    struct Collaborators {
        Settings& settings;
        Dialogs& dialogs;
        frmMain& preview;
        frmSend& sendChooser;
        // The component's private temporary folder, open; throws when it is not.
        std::function<PrivateFolder&()> tempFolder;
        // The encoders on the loaded FreeImage copy, taking the preview's finished picture.
        std::function<ImageEncoder&()> encoder;
        // Stamps the overlay on the preview's capture: 0 when sending, 1 when saving.
        std::function<void(int mode)> doOverlay;
        // Shows the countdown window (it reads "Count") without taking the focus.
        std::function<void()> showCounter;
        // Waits this many milliseconds with the event loop running, spending no CPU; false
        // when the wait was cut short because the application is closing.
        std::function<bool(int milliseconds)> wait;
        // The icon every message shows.
        std::function<QIcon()> icon;
    };

    explicit CapturePipeline(Collaborators collaborators) : c_(std::move(collaborators)) {}

    // Reloads the settings, takes a numeric `delayText` as the countdown (CountdownSeconds;
    // only for this capture), asks before a long countdown, sets Proceed of the send chooser,
    // and waits the countdown out when the capture may go ahead. A wait cut short clears
    // Proceed: no capture is taken.
    void RunCountdown(const QString& delayText);
    // A typed countdown in whole seconds: rounded down, then held within one day either way,
    // however large the number.
    static qint64 CountdownSeconds(double typed);

    // A file name reserved in `folder` for this capture: the file exists, empty, and is ours.
    // Without an identity nothing could be reserved, for the reason `error`.
    struct ReservedFile {
        QString path;
        QByteArray name;  // within the folder
        std::optional<FileIdentity> identity;
        int error = 0;
    };

    // folder + name [+ 2, 3, ...] + "." + type, the first that names no file, created there
    // at once (O_EXCL), so that two captures at the same moment never get the same name.
    // `type` is lower-cased in the caller's variable; the folder keeps its case (file names on
    // this platform are case-sensitive). The parts pass through the settings store on the way.
    // Past 32767 numbers, throws PictavoError.
    ReservedFile UniqueTempFileName(PrivateFolder& folder, const QString& name, QString& type);

    // Why `name` cannot be a capture's file name (it would be hidden, leave the folder, split
    // the answer line or pass the file system's limit); empty when it can.
    static QString UnsafeFileNameReason(const QString& name);

    // Everything after a send capture, which the caller has put into the preview's
    // picScreenie. The outcome is "sResult": "/dropfile " + path when a file is ready, "Cancel"
    // when the preview was abandoned, empty when no file could be written.
    void SendCapture();

    // The preview's canvas becomes its capture as it is, when no preview is shown.
    void useCaptureAsCanvas();

    // The preview for a save: accept button captioned "&Save Screenshot", shown modally.
    void ShowPreviewForSave();

private:
    void storeDrawingState();

    Collaborators c_;
    // The last name made for a send; written as "sTemp".
    QString tempFilePath_;
};

}  // namespace pictavo
