#include "plugin/PV.h"

#include <QDir>
#include <limits>

#include <QCoreApplication>
#include <QDebug>

#include "dialogs/MsgBoxEx.h"
#include "output/FreeImageLibrary.h"
#include "output/ImageEncoder.h"
#include "output/OverlayStamp.h"
#include "output/OverlayTags.h"
#include "output/SaveToFile.h"
#include "platform/FileSystem.h"
#include "platform/LocaleFormat.h"
#include "platform/PictavoError.h"
#include "platform/PrivateFolder.h"
#include "platform/RegistryHive.h"
#include "platform/ScreenSource.h"
#include "platform/SystemError.h"
#include "platform/VideoDevices.h"
#include "platform/WellKnownPaths.h"
#include "plugin/CapturePipeline.h"
#include "plugin/CommandDispatcher.h"
#include "preview/frmMainWindow.h"
#include "settings/HostScriptsKey.h"
#include "settings/NumericText.h"
#include "settings/RegistryRoutines.h"
#include "settings/Settings.h"

namespace pictavo {

namespace {
const QString kFreeImageFile = QStringLiteral("libfreeimage.so.3");
const QString kRule32 = QStringLiteral("--------------------------------");

// Text handed to the host becomes the host's: it may keep it after the plug-in is unloaded, so
// it never refers to this library's memory, as a literal's text does.
QString ownedByTheHost(QString text) {
    text.detach();
    return text;
}
}  // namespace

PV::PV(PlatformServices services)
    : services_(std::move(services)),
      frmMain_([this]() -> Dialogs& { return *services_.dialogs; },
               [this]() -> Settings& { return settings(); },
               [this] { return services_.screen.get(); }, [this] { return frmOptions_.icon(); }),
      frmSend_([this]() -> Dialogs& { return *services_.dialogs; },
               [this]() -> Settings& { return settings(); }, [this] { return frmOptions_.icon(); }),
      frmSave_([this]() -> Dialogs& { return *services_.dialogs; },
               [this]() -> Settings& { return settings(); }, [this] { return frmOptions_.icon(); }),
      frmOptions_(frmOptions::Collaborators{
          .dialogs = [this]() -> Dialogs& { return *services_.dialogs; },
          .settings = [this]() -> Settings& { return settings(); },
          .shell = [this]() -> Shell& { return *services_.shell; },
          .video = [this]() -> VideoDevices& { return *services_.video; },
          .sampleOverlay =
              [this](const QString& text) {
                  return expandOverlayTags(text, services_.clock->now(), QStringLiteral("Sent"));
              },
      }),
      frmCounter_([this]() -> Dialogs& { return *services_.dialogs; },
                  [this]() -> Settings& { return settings(); }),
      frmSelect_([this]() -> Dialogs& { return *services_.dialogs; },
                 [this]() -> Settings& { return settings(); },
                 [this](CapturePicture cutOut) { frmMain_.setCapture(std::move(cutOut)); }),

      tempFolderPath_(WellKnownPaths::privateTempFolder(QStringLiteral("Pictavo"))) {
    if (services_.screen) {
        services_.screen->setLog([this](const QString& line) { WriteLog(line); });
    }
}

PV::~PV() = default;

Settings& PV::settings() {
    openSettings();
    return *settings_;
}

RegistryHive& PV::registryHive() {
    openSettings();
    return *hive_;
}

void PV::openSettings() {
    if (settings_) {
        return;
    }
    hive_ = std::make_unique<RegistryHive>(services_.registryPath);
    settings_ = std::make_unique<Settings>(*hive_, *services_.dialogs,
                                           [this] { return frmMain_.UserEmail; });
    // The command path works on the settings, so it is put together once they are open.
    pipeline_ = std::make_unique<CapturePipeline>(CapturePipeline::Collaborators{
        .settings = *settings_,
        .dialogs = *services_.dialogs,
        .preview = frmMain_,
        .sendChooser = frmSend_,
        .tempFolder = [this]() -> PrivateFolder& { return tempFolder(); },
        .encoder = [this]() -> ImageEncoder& { return encoder(); },
        .doOverlay = [this](int mode) { doOverlay(mode); },
        .showCounter = [this] { showCounter(); },
        .wait = [this](int ms) { return waitForCountdown(ms); },
        .icon = [this] { return frmOptions_.icon(); },
    });
    dispatcher_ = std::make_unique<CommandDispatcher>(CommandDispatcher::Collaborators{
        .settings = *settings_,
        .pipeline = *pipeline_,
        .preview = frmMain_,
        .sendChooser = frmSend_,
        .saveChooser = frmSave_,
        .options = frmOptions_,
        .screen = [this] { return services_.screen.get(); },
        .shell = *services_.shell,
        .tempFolder = [this] { return tempFolderPath_; },
        .select = frmSelect_,
        .dialogs = *services_.dialogs,
        .doOverlay = [this](int mode) { doOverlay(mode); },
        .saveCaptureAs = [this] { return SaveCaptureAs(); },
        .icon = [this] { return frmOptions_.icon(); },
    });
    frmSend_.setAction([this](CaptureKind kind) { dispatcher_->sendChosen(kind); });
    frmSave_.setAction([this](CaptureKind kind) { dispatcher_->saveChosen(kind); });
}

SaveOutcome PV::SaveCaptureAs() {
    SaveToFile save(SaveToFile::Collaborators{
        .settings = settings(),
        .dialogs = *services_.dialogs,
        .encoder = [this]() -> ImageEncoder& { return encoder(); },
        .owner = [this]() -> QWidget* { return frmMain_.window(); },
        .icon = [this] { return frmOptions_.icon(); },
    });
    return save.Save();
}

void PV::WriteLog(const QString& message) {
    settings().WriteLog(message);
}

ImageEncoder& PV::encoder() {
    if (!FreeImageModule_) {
        throw PictavoError(QStringLiteral("The FreeImage library is not loaded."));
    }
    if (!encoder_) {
        encoder_ = std::make_unique<ImageEncoder>(*FreeImageModule_,
                                                  [this] { return frmMain_.finishedPicture(); });
    }
    return *encoder_;
}

void PV::showCounter() {
    frmCounter_.Show();
}

bool PV::waitForCountdown(int milliseconds) {
    const bool completed = services_.clock->wait(std::chrono::milliseconds(milliseconds));
    // The countdown window belongs on the screen while the user waits, never in the picture:
    // if its last tick has not come yet, it goes now, and the screen is given a moment to
    // repaint where it stood.
    if (frmCounter_.isLoaded()) {
        frmCounter_.Unload();
        QCoreApplication::processEvents();
        services_.clock->wait(std::chrono::milliseconds(50));
    }
    return completed;
}

void PV::doOverlay(int mode) {
    OverlayTarget target{frmMain_.picScreenie, frmMain_.OverlayLeft, frmMain_.OverlayTop,
                         frmMain_.OverlayAction,
                         [this](bool tooBig) { frmMain_.showOverlayWarning(tooBig); }};
    OverlayStamp(settings(), *services_.clock).DoOverlay(mode, target);
}

PrivateFolder& PV::tempFolder() {
    if (!tempFolder_) {
        throw PictavoError(QStringLiteral("The temporary folder %1 is not open: the plug-in "
                                          "has not started.")
                               .arg(tempFolderPath_));
    }
    // Removed or replaced while the plug-in runs (by a cleaner of /tmp, say): made again, with
    // the checks of the start. What cannot be used is not: the capture then fails on the folder
    // held, which names the folder and why.
    if (!tempFolder_->isAtPath()) {
        WriteLog(QStringLiteral("Temp Folder Gone"));
        std::unique_ptr<PrivateFolder> previous = std::move(tempFolder_);
        if (!openTempFolder().isEmpty()) {
            tempFolder_ = std::move(previous);
        }
    }
    return *tempFolder_;
}

QString PV::openTempFolder() {
    tempFolder_ = std::make_unique<PrivateFolder>(tempFolderPath_);
    QString problem;
    switch (tempFolder_->status()) {
        case PrivateFolder::Status::Created:
            WriteLog(QStringLiteral("Folder Created"));
            return {};
        case PrivateFolder::Status::Ready:
            return {};
        case PrivateFolder::Status::Unsafe:
            problem = QStringLiteral(
                          "The temporary folder %1 is not a private folder of yours (it is a "
                          "link, not a folder, or belongs to another user). Pictavo 3 will "
                          "not use it. Remove it if it is yours, or set TMPDIR to a folder "
                          "of your own, and start again.")
                          .arg(tempFolderPath_);
            WriteLog(QStringLiteral("Temp Folder Unsafe"));
            break;
        case PrivateFolder::Status::Failed:
            problem = QStringLiteral("The temporary folder %1 cannot be created: %2.")
                          .arg(tempFolderPath_, systemErrorText(tempFolder_->error()));
            WriteLog(QStringLiteral("Temp Folder Failed"));
            break;
    }
    tempFolder_.reset();
    return problem;
}

QString PV::findFileNoCase(const QString& folder, const QString& fileName) {
    const QDir dir(folder);
    if (!dir.exists()) {
        return {};
    }
    const QStringList entries =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0) {
            return entry;
        }
    }
    return {};
}

void PV::tell(const QString& message) {
    MsgBoxEx(*services_.dialogs, message, MsgBox::OkOnly, kMessageCaption, -1, -1,
             frmOptions_.icon());
}

bool PV::Initialize(std::int32_t nVersion, const QString& sUserEmail, void* oMessenger) {
    if (nVersion < std::numeric_limits<qint16>::min() ||
        nVersion > std::numeric_limits<qint16>::max()) {
        throw PictavoError(QStringLiteral("Overflow: host version %1").arg(nVersion));
    }
    frmSend_.HostVersion = static_cast<qint16>(nVersion);
    frmMain_.UserEmail = sUserEmail;
    // Every per-user path is built from the address: without one there is nothing to set up,
    // and the user hears it once, not once for every value that cannot be reached.
    if (const QString problem = UserKey([&sUserEmail] { return sUserEmail; }).accountProblem();
        !problem.isEmpty()) {
        qWarning().noquote() << problem;
        tell(problem);
        return false;
    }
    startSettings(nVersion, sUserEmail);
    const QString pluginFolder = findPluginFolder();
    bool ready = loadFreeImage(pluginFolder, oMessenger);
    if (ready) {
        if (const QString problem = openTempFolder(); !problem.isEmpty()) {
            tell(problem);
            ready = false;
        }
    }
    if (ready) {
        WriteLog(QStringLiteral("Initialize Complete"));
        WriteLog(QStringLiteral("----------"));
    } else {
        // Not ready: hold nothing that a ready plug-in holds.
        encoder_.reset();
        FreeImageModule_.reset();
        MSN_ = nullptr;
        WriteLog(QStringLiteral("Initialize = False"));
    }
    WriteLog(QStringLiteral("----------End Initialize----------"));
    return ready;
}

void PV::startSettings(std::int32_t nVersion, const QString& sUserEmail) {
    Settings& s = settings();
    WriteLog(kRule32);
    WriteLog(QString());
    WriteLog(QStringLiteral("----------Initialize----------"));
    WriteLog(QStringLiteral("Started at ") + LocaleFormat::generalDate(services_.clock->now()));
    WriteLog(QStringLiteral("nVersion: ") + QString::number(nVersion));
    WriteLog(QStringLiteral("sUserEmail: ") + sUserEmail);
    if (!services_.screenSourceLine.isEmpty()) {
        WriteLog(services_.screenSourceLine);
    }
    WriteLog(QStringLiteral("checkRegistry: ") + s.checkRegistry());
    s.ReadRegistry();
    WriteLog(QStringLiteral("readRegistry"));
}

QString PV::findPluginFolder() {
    RegistryRoutines hostKey(*hive_);
    WriteLog(QStringLiteral("Reg set"));
    HostScriptsKey::select(hostKey);
    QString folder = hostKey.GetRegistryValue(QStringLiteral("ScriptsDir")).toString();
    WriteLog(QStringLiteral("Plugins: ") + folder);
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    folder += QStringLiteral("Pictavo Live/");
    frmOptions_.ScreenshotsFolder = folder + QStringLiteral("Screenshots");
    WriteLog(QStringLiteral("PV Folder: ") + frmOptions_.ScreenshotsFolder);
    PluginPath_ = folder + kFreeImageFile;
    WriteLog(QStringLiteral("FI: ") + PluginPath_);
    return folder;
}

bool PV::loadFreeImage(const QString& pluginFolder, void* messenger) {
    const QString found = findFileNoCase(pluginFolder, kFreeImageFile);
    WriteLog(QStringLiteral("Dir: ") + found);
    if (found.toLower() != kFreeImageFile) {
        tell(kFreeImageFile + QStringLiteral(" not found.  Please reinstall."));
        WriteLog(QStringLiteral("FreeImage not found"));
        return false;
    }
    MSN_ = messenger;
    WriteLog(QStringLiteral("MSN set"));
    PluginPath_ = pluginFolder + found;
    encoder_.reset();
    FreeImageModule_.reset();
    try {
        FreeImageModule_ = std::make_unique<FreeImageLibrary>(PluginPath_);
    } catch (const PictavoError& e) {
        tell(e.message());
        return false;
    }
    WriteLog(QStringLiteral("FreeImage: ") + QString::number(FreeImageModule_->handleValue()));
    return true;
}

QVariant PV::Uninitialize() {
    Settings& s = settings();
    WriteLog(QStringLiteral("----------Uninitialize----------"));
    s.ReadRegistry();
    WriteLog(QStringLiteral("readRegistry"));
    MSN_ = nullptr;
    WriteLog(QStringLiteral("MSN unset"));
    encoder_.reset();
    FreeImageModule_.reset();
    WriteLog(QStringLiteral("FreeImage Unloaded"));
    WriteLog(QStringLiteral("s unset"));
    // A "Delete" text that is not a number counts as off. This component's files go; the
    // folder goes too unless another component, here or in another process, still holds it.
    if (flagIsOn(s.record().Delete)) {
        if (!tempFolder_ && FileSystem::PathExists(tempFolderPath_, true)) {
            tempFolder_ = std::make_unique<PrivateFolder>(tempFolderPath_);
        }
        const int error = tempFolder_ ? tempFolder_->removeOwnFiles() : ENOENT;
        WriteLog(error == 0 ? QStringLiteral("Folder Deleted")
                            : QStringLiteral("Folder Not Deleted: ") + systemErrorText(error));
    }
    tempFolder_.reset();
    WriteLog(QStringLiteral("Unitialized at ") + LocaleFormat::generalDate(services_.clock->now()));
    WriteLog(QStringLiteral("----------End Uninitialize----------"));
    WriteLog(kRule32);
    WriteLog(QString());
    return {};
}

bool PV::GetPublishInfo(QString& sPluginName, std::int32_t& nCommandCount,
                        std::int32_t& nTagCount) {
    const qint16 hostVersion = frmSend_.HostVersion;
    sPluginName = ownedByTheHost(QStringLiteral(" Pictavo 3"));
    nCommandCount = hostVersion >= 4 ? 22 : 23;
    nTagCount = 0;
    return true;
}

void PV::Configure() {
    WriteLog(QStringLiteral("----------Configure----------"));
    if (!settings().userKey().hasAccount()) {
        MsgBoxEx(*services_.dialogs, settings().userKey().accountProblem(), MsgBox::OkOnly,
                 kMessageCaption, -1, -1, frmOptions_.icon());
        return;
    }
    frmOptions_.Show();
    WriteLog(QStringLiteral("----------End Configure----------"));
}

QString PV::ParseCommand(const QString& sCommand, const QString& sCommandArg,
                         void* /*oConversationWnd*/) {
    openSettings();
    return ownedByTheHost(dispatcher_->ParseCommand(sCommand, sCommandArg));
}

}  // namespace pictavo
