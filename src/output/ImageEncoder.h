#pragma once

#include <FreeImage.h>

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "output/BackgroundEncoder.h"

#include "output/StagedFile.h"

namespace pictavo {

class FreeImageLibrary;

// Yields the picture that the encoders write; nullptr when there is none. The picture must
// stay valid until the encoder that asked for it returns.
using PictureSource = std::function<const QImage*()>;

// Releases a FreeImage bitmap through the library that made it.
struct DibDeleter {
    FreeImageLibrary* library = nullptr;
    void operator()(FIBITMAP* dib) const;
};
using DibPtr = std::unique_ptr<FIBITMAP, DibDeleter>;

// Writes the source picture as BMP, GIF, JPEG, PNG or TIFF through the FreeImage copy that
// the component loaded. Every encoder call is self-contained: it initialises the library,
// registers the message handler, and releases every bitmap and deinitialises the library
// before it returns. The file is written under a temporary name beside the target and takes
// the target's place only when the library reports success, so a failed save never damages
// an existing file nor leaves debris. The picture is converted once, straight to a 24-bit
// bitmap: BMP, JPEG, PNG and TIFF save that bitmap, GIF saves its 256-colour quantised copy.
//
// No encoder talks to the user: a failed save returns false and leaves failureMessage() for
// the one message its caller shows. The reason for the last conversion failure, or the
// library's last message, stays available from GetConvertError().
class ImageEncoder {
public:
    ImageEncoder(FreeImageLibrary& library, PictureSource source);
    ~ImageEncoder();
    ImageEncoder(const ImageEncoder&) = delete;
    ImageEncoder& operator=(const ImageEncoder&) = delete;

    // The encoder for a type text ("bmp", "gif", "jpg", "png" or "tif", in any letter case;
    // `quality` for JPEG only). A text that names none of them is a failed save.
    bool Save(const QString& type, const SaveTarget& fileName, std::int16_t quality);
    // How Save writes a type; empty for a text that names no type.
    static std::optional<EncodeFormat> formatOf(const QString& type, std::int16_t quality);

    // True only when FreeImage_Save returned exactly 1 and the file is in place.
    bool SaveBMP(const SaveTarget& fileName);
    bool SaveGIF(const SaveTarget& fileName);
    // `quality` is passed to the library as its flags word, sign-extended and otherwise
    // unchanged; 0 means the library's default.
    bool SaveJPG(const SaveTarget& fileName, std::int16_t quality);
    bool SavePNG(const SaveTarget& fileName);
    bool SaveTIF(const SaveTarget& fileName);

    // Why the last save failed, as the user is told: the encoder's own message ("Save
    // Failed", "objPic Is Nothing", ...), the file's path, and the reason the system gave (its
    // error text) or else the library's message. Empty after a save that succeeded.
    QString failureMessage() const { return failure_; }

    // Copies `picture` in one pass into a new bottom-up FreeImage bitmap of `bitsPerPixel`
    // bits: 32 (B, G, R and an opaque alpha byte) or 24 (B, G, R; the pad at the end of each
    // row left zero). On success `dib` owns it; on failure `dib` is empty and
    // GetConvertError() says why. A null pointer or a null image counts as "no bitmap"; any
    // format other than RGB32 is converted to it first (an indexed picture through its colour
    // table), an RGB32 picture is read without a copy.
    bool FreeImage_Convert_BMP_to_FI(const QImage* picture, DibPtr& dib, int bitsPerPixel = 32);
    // The same conversion on any thread: touches nothing but `library`; `error` says why it
    // failed.
    static bool convert(FreeImageLibrary& library, const QImage* picture, DibPtr& dib,
                        int bitsPerPixel, QString& error);
    // The worker that encodes ahead of a preview's accept, on the same library; made on first
    // use. A run that has gone stale finishes there without holding anyone up.
    BackgroundEncoder& background();
    QString GetConvertError() const { return LastConvertError_; }

    // The text of a C library error number. With `number` 0 the current errno is used; when
    // that is 0 too the result is false and `code` and `text` stay 0 and empty. Otherwise
    // `code` is the number and `text` its message ("Unknown Error" for a number the C library
    // does not know); a found text clears errno.
    static bool GetApiErrorText(int number, int& code, QString& text);

    // FreeImage_Initialise(FALSE), then routes the library's messages to this encoder.
    void InitFreeImage();
    // Releases the bitmap (if any) and leaves `dib` empty.
    static void UnloadDib(DibPtr& dib);
    // The library's message, prefixed with the name of the format it came with:
    // "[PNG] message". Kept as the last conversion error.
    void OnFreeImageMessage(FREE_IMAGE_FORMAT fif, const char* message);

private:
    enum class Format { Bmp, Gif, Jpeg, Png, Tiff };
    class ActiveScope;

    bool encode(Format format, const SaveTarget& fileName, int flags);
    bool saveStaged(FREE_IMAGE_FORMAT fif, FIBITMAP* dib, const SaveTarget& fileName, int flags);
    // Keeps the failure message; `reason` empty: the system's error, else the library's message.
    void fail(const QString& message, const SaveTarget& fileName, QString reason = {});

    FreeImageLibrary& library_;
    PictureSource source_;
    QString LastConvertError_;
    QString failure_;
    std::unique_ptr<BackgroundEncoder> background_;
};

}  // namespace pictavo
