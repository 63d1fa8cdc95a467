#include "output/FreeImageLibrary.h"

#include "platform/PictavoError.h"

namespace pictavo {

template <typename Fn>
void FreeImageLibrary::bind(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(library_.symbol(name));
    if (!fn) {
        throw PictavoError(QStringLiteral("%1 is not a usable FreeImage library: it has no %2.")
                               .arg(path_, QLatin1String(name)));
    }
}

FreeImageLibrary::FreeImageLibrary(const QString& path) : path_(path), library_(path) {
    bind(Initialise, "FreeImage_Initialise");
    bind(DeInitialise, "FreeImage_DeInitialise");
    bind(SetOutputMessage, "FreeImage_SetOutputMessage");
    bind(Allocate, "FreeImage_Allocate");
    bind(GetInfo, "FreeImage_GetInfo");
    bind(GetBits, "FreeImage_GetBits");
    bind(ConvertTo24Bits, "FreeImage_ConvertTo24Bits");
    bind(ColorQuantize, "FreeImage_ColorQuantize");
    bind(Save, "FreeImage_Save");
    bind(OpenMemory, "FreeImage_OpenMemory");
    bind(SaveToMemory, "FreeImage_SaveToMemory");
    bind(AcquireMemory, "FreeImage_AcquireMemory");
    bind(CloseMemory, "FreeImage_CloseMemory");
    bind(Unload, "FreeImage_Unload");
    bind(GetFormatFromFIF, "FreeImage_GetFormatFromFIF");
    bind(GetPitch, "FreeImage_GetPitch");
    bind(GetScanLine, "FreeImage_GetScanLine");
    bind(GetWidth, "FreeImage_GetWidth");
    bind(GetHeight, "FreeImage_GetHeight");
    bind(GetBPP, "FreeImage_GetBPP");
    bind(Load, "FreeImage_Load");
    bind(ConvertTo32Bits, "FreeImage_ConvertTo32Bits");
}

FreeImageLibrary::~FreeImageLibrary() = default;

}  // namespace pictavo
