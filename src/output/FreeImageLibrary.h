#pragma once

#include <FreeImage.h>

#include <QString>
#include <memory>

#include "platform/SharedLibrary.h"

namespace pictavo {

// The FreeImage copy in the plug-in's folder, loaded with dlopen by its full path, with the
// functions the encoders use bound by name, so that this copy and no other is the one used.
// Unloaded when the object is destroyed.
class FreeImageLibrary {
public:
    // Throws PictavoError naming the file when it cannot be loaded or lacks a function.
    explicit FreeImageLibrary(const QString& path);
    ~FreeImageLibrary();
    FreeImageLibrary(const FreeImageLibrary&) = delete;
    FreeImageLibrary& operator=(const FreeImageLibrary&) = delete;

    const QString& path() const { return path_; }
    // The module handle as a number, for the log.
    quintptr handleValue() const { return library_.handleValue(); }

    // Bound functions. They are plain members so that a test can put a failing stand-in in
    // place of one of them on its own instance.
    decltype(&::FreeImage_Initialise) Initialise = nullptr;
    decltype(&::FreeImage_DeInitialise) DeInitialise = nullptr;
    decltype(&::FreeImage_SetOutputMessage) SetOutputMessage = nullptr;
    decltype(&::FreeImage_Allocate) Allocate = nullptr;
    decltype(&::FreeImage_GetInfo) GetInfo = nullptr;
    decltype(&::FreeImage_GetBits) GetBits = nullptr;
    decltype(&::FreeImage_ConvertTo24Bits) ConvertTo24Bits = nullptr;
    decltype(&::FreeImage_ColorQuantize) ColorQuantize = nullptr;
    decltype(&::FreeImage_Save) Save = nullptr;
    decltype(&::FreeImage_OpenMemory) OpenMemory = nullptr;
    decltype(&::FreeImage_SaveToMemory) SaveToMemory = nullptr;
    decltype(&::FreeImage_AcquireMemory) AcquireMemory = nullptr;
    decltype(&::FreeImage_CloseMemory) CloseMemory = nullptr;
    decltype(&::FreeImage_Unload) Unload = nullptr;
    decltype(&::FreeImage_GetFormatFromFIF) GetFormatFromFIF = nullptr;
    decltype(&::FreeImage_GetPitch) GetPitch = nullptr;
    decltype(&::FreeImage_GetScanLine) GetScanLine = nullptr;
    decltype(&::FreeImage_GetWidth) GetWidth = nullptr;
    decltype(&::FreeImage_GetHeight) GetHeight = nullptr;
    decltype(&::FreeImage_GetBPP) GetBPP = nullptr;
    decltype(&::FreeImage_Load) Load = nullptr;
    decltype(&::FreeImage_ConvertTo32Bits) ConvertTo32Bits = nullptr;

private:
    template <typename Fn>
    void bind(Fn& fn, const char* name);

    QString path_;
    SharedLibrary library_;
};

}  // namespace pictavo
