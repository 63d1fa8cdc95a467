#pragma once

#include <QString>
#include <memory>

#include "capture/frmCounter.h"
#include "capture/frmSave.h"
#include "capture/frmSelect.h"
#include "capture/frmSend.h"
#include "config/frmOptions.h"
#include "plugin/PlatformServices.h"
#include "plugin/PluginInterface.h"
#include "preview/frmMain.h"

namespace pictavo {

class CapturePipeline;
class CommandDispatcher;
class FreeImageLibrary;
class ImageEncoder;
class PrivateFolder;
class RegistryHive;
struct SaveOutcome;
class Settings;

// The plug-in object. It owns everything it uses: the settings store, the settings record,
// the platform services and one form object per window. Nothing is shared between instances.
class PV final : public PluginInterface {
public:
    explicit PV(PlatformServices services);
    ~PV() override;
    PV(const PV&) = delete;
    PV& operator=(const PV&) = delete;

    QString fromFrmSend() const override { return fromFrmSend_; }
    void setFromFrmSend(const QString& value) override { fromFrmSend_ = value; }
    void* MSN() const override { return MSN_; }
    void setMSN(void* messenger) override { MSN_ = messenger; }

    bool Initialize(std::int32_t nVersion, const QString& sUserEmail, void* oMessenger) override;
    QVariant Uninitialize() override;
    bool GetPublishInfo(QString& sPluginName, std::int32_t& nCommandCount,
                        std::int32_t& nTagCount) override;
    void Configure() override;
    QString ParseCommand(const QString& sCommand, const QString& sCommandArg,
                         void* oConversationWnd) override;

    // This component's temporary capture folder, ending with "/": fixed when the component is
    // made, from the environment of that moment (WellKnownPaths::privateTempFolder).
    const QString& TempFolderPath() const { return tempFolderPath_; }

    // The parts of the component, for the code that drives them and for tests.
    frmMain& mainForm() { return frmMain_; }
    frmSend& sendForm() { return frmSend_; }
    frmSave& saveForm() { return frmSave_; }
    frmOptions& optionsForm() { return frmOptions_; }
    frmCounter& counterForm() { return frmCounter_; }
    frmSelect& selectForm() { return frmSelect_; }
    CapturePipeline& pipeline() { return *pipeline_; }
    // The encoders on the loaded FreeImage copy; throws when the library is not loaded.
    ImageEncoder& encoder();
    Settings& settings();
    RegistryHive& registryHive();
    PlatformServices& services() { return services_; }
    FreeImageLibrary* freeImage() { return FreeImageModule_.get(); }
    const QString& pluginPath() const { return PluginPath_; }

private:
    void WriteLog(const QString& message);
    // A message box with the plug-in's caption and icon.
    void tell(const QString& message);
    // The steps of Initialize, in order: the settings tree and record, the plug-in folder from
    // the host's key, the FreeImage copy in it, and the private temporary folder.
    void startSettings(std::int32_t nVersion, const QString& sUserEmail);
    QString findPluginFolder();
    bool loadFreeImage(const QString& pluginFolder, void* messenger);
    // Opens (makes when missing) the private temporary folder; why it cannot be used, or empty.
    QString openTempFolder();
    void openSettings();
    void showCounter();
    void doOverlay(int mode);
    bool waitForCountdown(int milliseconds);
    // Asks for a name and type and saves the preview's picture there.
    SaveOutcome SaveCaptureAs();
    // The temporary folder opened by Initialize; throws when the component is not ready.
    PrivateFolder& tempFolder();
    // Finds `fileName` in `folder` without regard to case; the empty text when it is not there.
    static QString findFileNoCase(const QString& folder, const QString& fileName);

    PlatformServices services_;
    frmMain frmMain_;
    frmSend frmSend_;
    frmSave frmSave_;
    frmOptions frmOptions_;
    frmCounter frmCounter_;
    frmSelect frmSelect_;
    std::unique_ptr<RegistryHive> hive_;
    std::unique_ptr<Settings> settings_;

    QString fromFrmSend_;
    void* MSN_ = nullptr;
    QString PluginPath_;
    QString tempFolderPath_;
    std::unique_ptr<PrivateFolder> tempFolder_;
    std::unique_ptr<FreeImageLibrary> FreeImageModule_;
    std::unique_ptr<ImageEncoder> encoder_;
    std::unique_ptr<CapturePipeline> pipeline_;
    std::unique_ptr<CommandDispatcher> dispatcher_;
};

}  // namespace pictavo
