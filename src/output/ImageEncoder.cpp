#include "output/ImageEncoder.h"

#include <QtEndian>
#include <cerrno>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PICTAVO_ROW_SSSE3 1
#endif

#include "output/FreeImageLibrary.h"
#include "output/StagedFile.h"
#include "platform/SystemError.h"

namespace pictavo {

// The conversion copies QImage's RGB32 words straight into FreeImage's pixels: whole words for
// 32 bits, their low three bytes for 24. That is only right where both keep a pixel as B, G, R
// (then A) bytes in memory: FreeImage's BGR order on a little-endian machine.
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

// One row of RGB32 words to opaque 32-bit FreeImage pixels: the top byte is undefined padding
// in Qt but alpha in FreeImage.
void rowTo32(const quint32* from, BYTE* toBytes, int width) {
    auto* to = reinterpret_cast<quint32*>(toBytes);
    for (int x = 0; x < width; ++x) {
        to[x] = from[x] | 0xff000000u;
    }
}

// One row of RGB32 words to packed B, G, R bytes, exactly width * 3 of them: the pad at the
// end of a FreeImage row is left as the allocation cleared it. Four pixels make three whole
// words, so the body is three word stores per four pixels; the last one to three pixels go
// byte by byte.
void rowTo24(const quint32* from, BYTE* to, int width) {
    int x = 0;
    for (; x + 4 <= width; x += 4, to += 12) {
        const quint32 p0 = from[x];
        const quint32 p1 = from[x + 1];
        const quint32 p2 = from[x + 2];
        const quint32 p3 = from[x + 3];
        // Three separate stores: one 12-byte copy of an array would be put together on the
        // stack and read back, which stalls every iteration.
        const quint32 w0 = (p0 & 0x00ffffffu) | (p1 << 24);
        const quint32 w1 = ((p1 >> 8) & 0x0000ffffu) | (p2 << 16);
        const quint32 w2 = ((p2 >> 16) & 0x000000ffu) | (p3 << 8);
        std::memcpy(to, &w0, 4);
        std::memcpy(to + 4, &w1, 4);
        std::memcpy(to + 8, &w2, 4);
    }
    for (; x < width; ++x, to += 3) {
        const quint32 p = from[x];
        to[FI_RGBA_BLUE] = BYTE(p);
        to[FI_RGBA_GREEN] = BYTE(p >> 8);
        to[FI_RGBA_RED] = BYTE(p >> 16);
    }
}

#ifdef PICTAVO_ROW_SSSE3
// rowTo24 sixteen pixels at a time, for processors with SSSE3 (checked at run time; the build
// targets plain x86-64). Each 4-pixel vector has its padding bytes shuffled out, leaving 12
// bytes at its bottom; four of those are stitched into three full 16-byte stores. The rest of
// the row (under 16 pixels) goes through rowTo24. The scalar loop does about five
// instructions a pixel and is bound by them, not by memory; this does little over one.
__attribute__((target("ssse3"))) void rowTo24Ssse3(const quint32* from, BYTE* to, int width) {
    const __m128i packBgr = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int x = 0;
    for (; x + 16 <= width; x += 16, to += 48) {
        const auto* in = reinterpret_cast<const __m128i*>(from + x);
        const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(in), packBgr);
        const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), packBgr);
        const __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), packBgr);
        const __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), packBgr);
        auto* out = reinterpret_cast<__m128i*>(to);
        _mm_storeu_si128(out, _mm_or_si128(a, _mm_slli_si128(b, 12)));
        _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
        _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
    }
    rowTo24(from + x, to, width - x);
}
#endif

using RowConversion = void (*)(const quint32*, BYTE*, int);

RowConversion rowConversion(int bitsPerPixel) {
    if (bitsPerPixel == 32) {
        return &rowTo32;
    }
#ifdef PICTAVO_ROW_SSSE3
    static const bool hasSsse3 = __builtin_cpu_supports("ssse3");
    if (hasSsse3) {
        return &rowTo24Ssse3;
    }
#endif
    return &rowTo24;
}

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

void DibDeleter::operator()(FIBITMAP* dib) const {
    if (dib && library) {
        library->Unload(dib);
    }
}

ImageEncoder::ImageEncoder(FreeImageLibrary& library, PictureSource source)
    : library_(library), source_(std::move(source)) {}

ImageEncoder::~ImageEncoder() = default;

std::optional<EncodeFormat> ImageEncoder::formatOf(const QString& type, std::int16_t quality) {
    // The type is compared without regard to case wherever it comes from: a stored "BMP" is
    // as good as the lower-case text the file name gets.
    const QString t = type.toLower();
    if (t == QLatin1String("bmp")) {
        return EncodeFormat{FIF_BMP, 0, false};
    }
    if (t == QLatin1String("gif")) {
        return EncodeFormat{FIF_GIF, 0, true};
    }
    if (t == QLatin1String("jpg")) {
        return EncodeFormat{FIF_JPEG, static_cast<int>(quality), false};
    }
    if (t == QLatin1String("png")) {
        return EncodeFormat{FIF_PNG, 0, false};
    }
    if (t == QLatin1String("tif")) {
        return EncodeFormat{FIF_TIFF, 0, false};
    }
    return std::nullopt;
}

bool ImageEncoder::Save(const QString& type, const SaveTarget& fileName, std::int16_t quality) {
    const auto format = formatOf(type, quality);
    if (!format) {
        fail(QStringLiteral("Save Failed"), fileName,
             QStringLiteral("\"%1\" is not a file type: bmp, gif, jpg, png or tif").arg(type));
        return false;
    }
    switch (format->fif) {
        case FIF_BMP:
            return SaveBMP(fileName);
        case FIF_GIF:
            return SaveGIF(fileName);
        case FIF_JPEG:
            return SaveJPG(fileName, quality);
        case FIF_PNG:
            return SavePNG(fileName);
        default:
            return SaveTIF(fileName);
    }
}

BackgroundEncoder& ImageEncoder::background() {
    if (!background_) {
        background_ = std::make_unique<BackgroundEncoder>(library_);
    }
    return *background_;
}

bool ImageEncoder::SaveBMP(const SaveTarget& fileName) {
    return encode(Format::Bmp, fileName, 0);
}

bool ImageEncoder::SaveGIF(const SaveTarget& fileName) {
    return encode(Format::Gif, fileName, 0);
}

bool ImageEncoder::SaveJPG(const SaveTarget& fileName, std::int16_t quality) {
    return encode(Format::Jpeg, fileName, static_cast<int>(quality));
}

bool ImageEncoder::SavePNG(const SaveTarget& fileName) {
    return encode(Format::Png, fileName, 0);
}

bool ImageEncoder::SaveTIF(const SaveTarget& fileName) {
    return encode(Format::Tiff, fileName, 0);
}

bool ImageEncoder::encode(Format format, const SaveTarget& fileName, int flags) {
    ActiveScope active(*this);
    failure_.clear();
    // A library message from an earlier call is no reason for this one's failure.
    LastConvertError_.clear();
    // Whatever error number is found at a failure then comes from this call.
    errno = 0;

    const QImage* picture = source_ ? source_() : nullptr;
    if (!picture) {
        fail(QStringLiteral("objPic Is Nothing"), fileName);
        return false;
    }
    // The picture goes to a 24-bit bitmap in one pass, since every format is written from 24
    // bits: BMP, JPEG, PNG and TIFF save it as it is; GIF saves its quantised palette copy.
    DibPtr converted(nullptr, DibDeleter{&library_});
    if (!FreeImage_Convert_BMP_to_FI(picture, converted, 24)) {
        fail(QStringLiteral("Convert_BMP_to_FI Failed:"), fileName, GetConvertError());
        return false;
    }

    FREE_IMAGE_FORMAT fif = FIF_BMP;
    FIBITMAP* toSave = converted.get();
    DibPtr quantized(nullptr, DibDeleter{&library_});
    switch (format) {
        case Format::Gif:
            fif = FIF_GIF;
            flags = 0;
            quantized.reset(library_.ColorQuantize(converted.get(), FIQ_WUQUANT));
            toSave = quantized.get();
            break;
        case Format::Jpeg:
            fif = FIF_JPEG;
            break;
        case Format::Png:
            fif = FIF_PNG;
            break;
        case Format::Tiff:
            fif = FIF_TIFF;
            break;
        case Format::Bmp:
            break;
    }
    // Without a palette copy there is nothing to save: the save has failed.
    const bool result = toSave && saveStaged(fif, toSave, fileName, flags);
    UnloadDib(quantized);
    UnloadDib(converted);
    if (!result) {
        fail(QStringLiteral("Save Failed"), fileName);
    }
    return result;
}

bool ImageEncoder::saveStaged(FREE_IMAGE_FORMAT fif, FIBITMAP* dib, const SaveTarget& fileName,
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

void ImageEncoder::fail(const QString& message, const SaveTarget& fileName, QString reason) {
    const int error = errno;
    int code = 0;
    if (reason.isEmpty() && !GetApiErrorText(error, code, reason)) {
        reason = LastConvertError_;
    }
    const QString gap = QStringLiteral("\r\n\r\n");
    failure_ = message + gap + fileName.path;
    if (!reason.isEmpty()) {
        failure_ += gap + reason;
    }
    // The reason stays available to GetApiErrorText(0, ...), which clears it once found.
    errno = error;
}

bool ImageEncoder::FreeImage_Convert_BMP_to_FI(const QImage* picture, DibPtr& dib,
                                               int bitsPerPixel) {
    LastConvertError_.clear();
    return convert(library_, picture, dib, bitsPerPixel, LastConvertError_);
}

bool ImageEncoder::convert(FreeImageLibrary& library, const QImage* picture, DibPtr& dib,
                           int bitsPerPixel, QString& error) {
    dib = DibPtr(nullptr, DibDeleter{&library});
    if (bitsPerPixel != 24 && bitsPerPixel != 32) {
        error = kConvertPrefix +
                QStringLiteral("%1 bits per pixel is not a depth to convert to").arg(bitsPerPixel);
        return false;
    }
    if (!picture || picture->isNull()) {
        error = kConvertPrefix + QStringLiteral("No bitmap specified to convert");
        return false;
    }
    const int width = picture->width();
    const int height = picture->height();

    DibPtr made(library.Allocate(width, height, bitsPerPixel, 0, 0, 0), DibDeleter{&library});
    if (!made) {
        error = kConvertPrefix + QStringLiteral(
                                     "FreeImage_Allocate failed to create a DIB to "
                                     "work with");
        return false;
    }
    if (!library.GetInfo(made.get())) {
        UnloadDib(made);
        error = kConvertPrefix + QStringLiteral("FreeImage_GetInfo failed to get the DIB info");
        return false;
    }
    BYTE* bits = library.GetBits(made.get());
    if (!bits) {
        UnloadDib(made);
        error = kConvertPrefix + QStringLiteral("FreeImage_GetBits failed to get the DIB bits");
        return false;
    }

    // Any other layout (an indexed picture from a 256-colour display, a picture with alpha)
    // is first brought to RGB32; Qt returns a null image when it cannot. An RGB32 picture is
    // read where it lies: no copy of it is made.
    QImage rgb32;
    const QImage* source = picture;
    if (picture->format() != QImage::Format_RGB32) {
        rgb32 = picture->convertToFormat(QImage::Format_RGB32);
        source = &rgb32;
    }
    if (source->isNull() || source->width() != width || source->height() != height) {
        UnloadDib(made);
        error = kConvertPrefix + QStringLiteral("GetDIBits failed to get the DIB's bits");
        return false;
    }

    // FreeImage keeps its rows bottom-up, QImage top-down; each FreeImage row is `pitch` bytes
    // apart, which for 24 bits may be more than the pixels fill.
    const size_t pitch = library.GetPitch(made.get());
    const RowConversion convertRow = rowConversion(bitsPerPixel);
    for (int y = 0; y < height; ++y) {
        convertRow(reinterpret_cast<const quint32*>(source->constScanLine(height - 1 - y)),
                   bits + static_cast<size_t>(y) * pitch, width);
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
    text = systemErrorText(number);
    if (strerrorname_np(number)) {
        errno = 0;
    }
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
