#include "PluginLibrary.h"

#include "platform/PictavoError.h"

namespace pictavo::host {

PluginLibrary::PluginLibrary(const QString& path) : library_(path) {
    using Create = PluginInterface* (*)();
    const auto create = reinterpret_cast<Create>(library_.symbol("pictavo_create_plugin"));
    destroy_ = reinterpret_cast<Destroy>(library_.symbol("pictavo_destroy_plugin"));
    if (!create || !destroy_) {
        throw PictavoError(QStringLiteral("%1 is not a Pictavo plug-in").arg(path));
    }
    plugin_ = create();
    if (!plugin_) {
        throw PictavoError(QStringLiteral("%1 could not create its plug-in object").arg(path));
    }
}

PluginLibrary::~PluginLibrary() {
    unload();
}

void PluginLibrary::unload() {
    if (plugin_) {
        destroy_(plugin_);
        plugin_ = nullptr;
    }
    library_.unload();
}

}  // namespace pictavo::host
