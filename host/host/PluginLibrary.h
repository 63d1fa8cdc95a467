#pragma once

#include <QString>
#include <memory>

#include "platform/SharedLibrary.h"
#include "plugin/PluginInterface.h"

namespace pictavo::host {

// libpictavo.so loaded with dlopen, and the plug-in object made by its factory. The object is
// destroyed before the library is unloaded.
class PluginLibrary {
public:
    // Throws PictavoError when the library or its factory cannot be had.
    explicit PluginLibrary(const QString& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    PluginInterface& plugin() { return *plugin_; }
    // Destroys the plug-in object and unloads the library.
    void unload();

private:
    using Destroy = void (*)(PluginInterface*);

    SharedLibrary library_;
    Destroy destroy_ = nullptr;
    PluginInterface* plugin_ = nullptr;
};

}  // namespace pictavo::host
