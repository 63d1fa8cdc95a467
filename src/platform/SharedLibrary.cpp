#include "platform/SharedLibrary.h"

#include <dlfcn.h>

#include <QFile>

#include "platform/PictavoError.h"

namespace pictavo {

void SharedLibrary::Closer::operator()(void* handle) const {
    if (handle) {
        dlclose(handle);
    }
}

SharedLibrary::SharedLibrary(const QString& path)
    : handle_(dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL)) {
    if (!handle_) {
        throw PictavoError(
            QStringLiteral("%1 cannot be loaded: %2").arg(path, QString::fromLocal8Bit(dlerror())));
    }
}

void* SharedLibrary::symbol(const char* name) const {
    return dlsym(handle_.get(), name);
}

}  // namespace pictavo
