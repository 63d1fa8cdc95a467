#include "PluginLibrary.h"

#include <dlfcn.h>

#include <QFile>

#include "platform/PictavoError.h"

namespace pictavo::host {

void PluginLibrary::Closer::operator()(void* handle) const {
    if (handle) {
        dlclose(handle);
    }
}

PluginLibrary::PluginLibrary(const QString& path) {
    handle_.reset(dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL));
    if (!handle_) {
        throw PictavoError(
            QStringLiteral("cannot load %1: %2").arg(path, QString::fromLocal8Bit(dlerror())));
    }
    using Create = PluginInterface* (*)();
    const auto create = reinterpret_cast<Create>(dlsym(handle_.get(), "pictavo_create_plugin"));
    destroy_ = reinterpret_cast<Destroy>(dlsym(handle_.get(), "pictavo_destroy_plugin"));
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
    handle_.reset();
}

}  // namespace pictavo::host
