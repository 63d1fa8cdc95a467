#pragma once

// The host interface of the plug-in: what a messenger host sees of it. The host loads
// libpictavo.so, creates the plug-in through the factory below, and drives it through these
// operations on its user-interface thread. A failed operation throws an exception derived from
// std::exception whose what() is the reason.

#include <QString>
#include <QVariant>
#include <cstdint>

#define PICTAVO_EXPORT __attribute__((visibility("default")))

namespace pictavo {

class PICTAVO_EXPORT PluginInterface {
public:
    virtual ~PluginInterface() = default;

    virtual QString fromFrmSend() const = 0;
    virtual void setFromFrmSend(const QString& value) = 0;
    // The host's messenger object: opaque to the plug-in.
    virtual void* MSN() const = 0;
    virtual void setMSN(void* messenger) = 0;

    virtual bool Initialize(std::int32_t nVersion, const QString& sUserEmail, void* oMessenger) = 0;
    virtual QVariant Uninitialize() = 0;
    virtual bool GetPublishInfo(QString& sPluginName, std::int32_t& nCommandCount,
                                std::int32_t& nTagCount) = 0;
    virtual void Configure() = 0;
    // "False" for a command that is not the plug-in's, "True" for one it handled that sends
    // nothing, otherwise the text to send (possibly empty).
    virtual QString ParseCommand(const QString& sCommand, const QString& sCommandArg,
                                 void* oConversationWnd) = 0;
};

}  // namespace pictavo

extern "C" {
// Creates the plug-in object with the production platform services.
PICTAVO_EXPORT pictavo::PluginInterface* pictavo_create_plugin();
PICTAVO_EXPORT void pictavo_destroy_plugin(pictavo::PluginInterface* plugin);
}
