#include "output/ImageEncoder.h"

#include <QtEndian>
#include <cerrno>
#include <cstring>

#include "dialogs/MsgBoxEx.h"
#include "output/FreeImageLibrary.h"
#include "output/StagedFile.h"

namespace pictavo {

// The conversion copies QImage's RGB32 words straight into FreeImage's 32-bit pixels. That is
// only right where both keep a pixel as B, G, R, A bytes in memory: FreeImage's BGR order on a
// little-endian machine.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "pixel copy assumes a little-endian machine");
static_assert(FI_RGBA_BLUE == 0 && FI_RGBA_GREEN == 1 && FI_RGBA_RED == 2 && FI_RGBA_ALPHA == 3,
              "pixel copy assumes FreeImage's BGRA byte order");

namespace {

// FreeImage's message callback is a bare function pointer without user data, and the handler
// is a setting of the loaded library copy, which every component in the process that loaded
// the same file shares. So the encoder whose call is running on this thread is published here
// for exactly the duration of that call (ImageEncoder::ActiveScope), and the callback hands
// each message to it. The pointer is non-owning and never outlives the call that set it;
// messages that arrive outside any encoder call have no one to go to and are dropped.
thread_local ImageEncoder* tActiveEncoder = nullptr;

void DLL_CALLCONV forwardLibraryMessage(FREE_IMAGE_FORMAT fif, const char* message) {
    if (tActiveEncoder) {
        tActiveEncoder->OnFreeImageMessage(fif, message);
    }
}

const QString kConvertPrefix = QStringLiteral("[FreeImage_Convert_BMP_to_FI] ");

}  // namespace

// One encoder call: the library initialised and its messages routed to this encoder on
// entry, the library deinitialised and the previous routing restored on exit.
class ImageEncoder::ActiveScope {
public:
    explicit ActiveScope(ImageEncoder& encoder) : encoder_(encoder), previous_(tActiveEncoder) {
        tActiveEncoder = &encoder;
        encoder.InitFreeImage();
    }
    ~ActiveScope() {
        encoder_.library_.DeInitialise();
        tActiveEncoder = previous_;
    }
    ActiveScope(const ActiveScope&) = delete;
    ActiveScope& operator=(const ActiveScope&) = delete;

private:
    ImageEncoder& encoder_;
    ImageEncoder* previous_;
};

const QImage* pictureToEncode(bool scaled, const QImage* fullSizeCapture,
                              const QImage* canvasImage) {
    return scaled ? fullSizeCapture : canvasImage;
}

void DibDeleter::operator()(FIBITMAP* dib) const {
    if (dib && library) {
        library->Unload(dib);
    }
}

ImageEncoder::ImageEncoder(FreeImageLibrary& library, Dialogs& dialogs, PictureSource source)
    : library_(library), dialogs_(dialogs), source_(std::move(source)) {}

ImageEncoder::~ImageEncoder() = default;

bool ImageEncoder::SaveBMP(const QString& fileName) {
    return encode(Format::Bmp, fileName, 0);
}

bool ImageEncoder::SaveGIF(const QString& fileName) {
    return encode(Format::Gif, fileName, 0);
}

bool ImageEncoder::SaveJPG(const QString& fileName, std::int16_t quality) {
    return encode(Format::Jpeg, fileName, static_cast<int>(quality));
}

bool ImageEncoder::SavePNG(const QString& fileName) {
    return encode(Format::Png, fileName, 0);
}

bool ImageEncoder::SaveTIF(const QString& fileName) {
    return encode(Format::Tiff, fileName, 0);
}

bool ImageEncoder::encode(Format format, const QString& fileName, int flags) {
    ActiveScope active(*this);

    const QImage* picture = source_ ? source_() : nullptr;
    if (!picture) {
        tell(format, QStringLiteral("objPic Is Nothing"));
        return false;
    }
    DibPtr converted(nullptr, DibDeleter{&library_});
    if (!FreeImage_Convert_BMP_to_FI(picture, converted)) {
        tell(format, QStringLiteral("Convert_BMP_to_FI Failed:\r\n\r\n") + GetConvertError());
        return false;
    }
    DibPtr copy24(library_.ConvertTo24Bits(converted.get()), DibDeleter{&library_});

    bool result = false;
    if (format == Format::Gif) {
        DibPtr quantized(nullptr, DibDeleter{&library_});
        if (copy24) {
            quantized.reset(library_.ColorQuantize(copy24.get(), FIQ_WUQUANT));
        }
        if (quantized) {
            result = saveStaged(FIF_GIF, quantized.get(), fileName, 0);
        }
        UnloadDib(quantized);
        UnloadDib(copy24);
        UnloadDib(converted);
        return result;
    }

    FREE_IMAGE_FORMAT fif = FIF_BMP;
    switch (format) {
        case Format::Jpeg:
            fif = FIF_JPEG;
            break;
        case Format::Png:
            fif = FIF_PNG;
            break;
        case Format::Tiff:
            fif = FIF_TIFF;
            break;
        default:
            break;
    }
    // Without a 24-bit copy there is nothing to save: the save has failed.
    if (copy24) {
        result = saveStaged(fif, copy24.get(), fileName, flags);
    }
    // Released before a message box can hold the call up.
    UnloadDib(converted);
    UnloadDib(copy24);
    if (!result) {
        tell(format, QStringLiteral("Save Failed"));
    }
    return result;
}

bool ImageEncoder::saveStaged(FREE_IMAGE_FORMAT fif, FIBITMAP* dib, const QString& fileName,
                              int flags) {
    StagedFile staged(fileName);
    bool saved = false;
    if (staged.isOpen()) {
        // Anything but exactly 1 is a failure, whatever else the library may return.
        saved = library_.Save(fif, dib, staged.temporaryPath().constData(), flags) == 1 &&
                staged.commit();
    }
    if (!saved && staged.error() != 0) {
        // So that GetApiErrorText(0, ...) tells why the file could not be put in place.
        errno = staged.error();
    }
    return saved;
}

void ImageEncoder::tell(Format format, const QString& message) {
    if (format == Format::Png) {
        // The box runs an event loop; the reason for the failure must outlive it.
        const int error = errno;
        MsgBoxEx(dialogs_, message, MsgBox::OkOnly, kMessageCaption);
        errno = error;
    }
}

bool ImageEncoder::FreeImage_Convert_BMP_to_FI(const QImage* picture, DibPtr& dib) {
    LastConvertError_.clear();
    dib = DibPtr(nullptr, DibDeleter{&library_});
    if (!picture || picture->isNull()) {
        LastConvertError_ = kConvertPrefix + QStringLiteral("No bitmap specified to convert");
        return false;
    }
    const int width = picture->width();
    const int height = picture->height();

    DibPtr made(library_.Allocate(width, height, 32, 0, 0, 0), DibDeleter{&library_});
    if (!made) {
        LastConvertError_ = kConvertPrefix + QStringLiteral(
                                                 "FreeImage_Allocate failed to create a DIB to "
                                                 "work with");
        return false;
    }
    if (!library_.GetInfo(made.get())) {
        UnloadDib(made);
        LastConvertError_ =
            kConvertPrefix + QStringLiteral("FreeImage_GetInfo failed to get the DIB info");
        return false;
    }
    BYTE* bits = library_.GetBits(made.get());
    if (!bits) {
        UnloadDib(made);
        LastConvertError_ =
            kConvertPrefix + QStringLiteral("FreeImage_GetBits failed to get the DIB bits");
        return false;
    }

    // Any other layout (an indexed picture from a 256-colour display, a picture with alpha)
    // is first brought to RGB32; Qt returns a null image when it cannot.
    QImage rgb32;
    const QImage* source = picture;
    if (picture->format() != QImage::Format_RGB32) {
        rgb32 = picture->convertToFormat(QImage::Format_RGB32);
        source = &rgb32;
    }
    if (source->isNull() || source->width() != width || source->height() != height) {
        UnloadDib(made);
        LastConvertError_ =
            kConvertPrefix + QStringLiteral("GetDIBits failed to get the DIB's bits");
        return false;
    }

    // FreeImage keeps its rows bottom-up, QImage top-down. The top byte of an RGB32 word is
    // undefined padding in Qt but alpha in FreeImage: force it opaque.
    const size_t pitch = library_.GetPitch(made.get());
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const quint32*>(source->constScanLine(height - 1 - y));
        auto* to = reinterpret_cast<quint32*>(bits + static_cast<size_t>(y) * pitch);
        for (int x = 0; x < width; ++x) {
            to[x] = from[x] | 0xff000000u;
        }
    }
    dib = std::move(made);
    return true;
}

bool ImageEncoder::GetApiErrorText(int number, int& code, QString& text) {
    code = 0;
    text.clear();
    if (number == 0) {
        number = errno;
    }
    if (number == 0) {
        return false;
    }
    code = number;
    // strerror makes up "Unknown error N" for a number it does not know; the name lookup is
    // what tells a known number from an unknown one.
    if (!strerrorname_np(number)) {
        text = QStringLiteral("Unknown Error");
        return true;
    }
    char buffer[260];
    text = QString::fromLocal8Bit(strerror_r(number, buffer, sizeof buffer));
    errno = 0;
    return true;
}

void ImageEncoder::InitFreeImage() {
    library_.Initialise(FALSE);
    library_.SetOutputMessage(&forwardLibraryMessage);
}

void ImageEncoder::UnloadDib(DibPtr& dib) {
    dib.reset();
}

void ImageEncoder::OnFreeImageMessage(FREE_IMAGE_FORMAT fif, const char* message) {
    const QString text = message ? QString::fromLocal8Bit(message) : QString();
    const char* name = library_.GetFormatFromFIF(fif);
    LastConvertError_ =
        QLatin1Char('[') + QString::fromLatin1(name ? name : "") + QStringLiteral("] ") + text;
}

}  // namespace pictavo
