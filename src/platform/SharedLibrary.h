#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

namespace pictavo {

// A library loaded with dlopen by its full path, for this object alone (RTLD_NOW | RTLD_LOCAL:
// its symbols never stand in for another copy the process may hold). Unloaded with the object.
class SharedLibrary {
public:
    // Throws PictavoError naming the file and the loader's reason when it cannot be loaded.
    explicit SharedLibrary(const QString& path);

    // The address of `name`, or nullptr when the library has no such symbol.
    void* symbol(const char* name) const;
    // The module handle as a number, for logs.
    quintptr handleValue() const { return reinterpret_cast<quintptr>(handle_.get()); }
    void unload() { handle_.reset(); }

private:
    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> handle_;
};

}  // namespace pictavo
