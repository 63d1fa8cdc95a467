#include <FreeImage.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cmath>
#include <optional>
#include <tuple>

#include "output/FreeImageLibrary.h"
#include "output/ImageEncoder.h"

namespace pictavo::test {
namespace {

// Each format with its type text (letter case: SendCommand.EveryFileTypeWrites…'s).
const std::pair<FREE_IMAGE_FORMAT, const char*> kFormats[] = {
    {FIF_BMP, "bmp"}, {FIF_GIF, "gif"}, {FIF_JPEG, "jpg"}, {FIF_PNG, "png"}, {FIF_TIFF, "tif"}};

const QString kStagedFreeImage = QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3");

// Gradients with noise, like a photograph, or (`colours` > 0) that many colours in stripes.
QImage testPicture(int width, int height, int colours = 0) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int i = (x / 3 + 7 * (y / 2)) % std::max(colours, 1);
            const int n = random.bounded(-6, 7);
            image.setPixel(
                x, y,
                colours ? qRgb(i * 8 % 256, i / 32 * 37, 255 - i)
                        : qRgb(std::clamp(40 + 180 * x / width + n, 0, 255),
                               std::clamp(30 + 190 * y / height - n, 0, 255),
                               std::clamp(128 + int(100 * std::sin((x + y) / 37.0)) + n, 0, 255)));
        }
    }
    return image;
}

// `path` read back through `library` as an RGB32 picture; null when it cannot be read.
QImage loadThrough(FreeImageLibrary& library, FREE_IMAGE_FORMAT fif, const QString& path) {
    FIBITMAP* loaded = library.Load(fif, QFile::encodeName(path).constData(), 0);
    FIBITMAP* rgba = loaded ? library.ConvertTo32Bits(loaded) : nullptr;
    QImage image;
    if (rgba) {  // rows bottom up
        image =
            QImage(library.GetBits(rgba), int(library.GetWidth(rgba)), int(library.GetHeight(rgba)),
                   int(library.GetPitch(rgba)), QImage::Format_RGB32)
                .mirrored();
        library.Unload(rgba);
    }
    library.Unload(loaded);
    return image;
}

// Peak signal-to-noise ratio of `b` against `a` over R, G and B, in dB.
double psnr(const QImage& a, const QImage& b) {
    double squares = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                squares += d * d;
            }
        }
    }
    return 10 * std::log10(255.0 * 255.0 * 3 * a.width() * a.height() / std::max(squares, 1.0));
}

// Every entry of `folder`, hidden ones included.
QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A stand-in for FreeImage_Save that records its flags and, like the library's own
// failures, leaves a partial file behind.
struct SaveStub {
    static inline int result = 1;
    static inline int flags = 0;

    static BOOL save(FREE_IMAGE_FORMAT, FIBITMAP*, const char* name, int fl) {
        flags = fl;
        writeAll(QFile::decodeName(name), "partial");
        return result;
    }
};

class EncoderTest : public ::testing::Test {
protected:
    QString path(const char* type) const { return dir.filePath(QStringLiteral("shot.") + type); }
    FreeImageLibrary library{kStagedFreeImage};
    // Odd sizes: 24-bit rows then need padding, which a wrong pitch would show.
    QImage picture = testPicture(67, 43);
    bool hasPicture = true;
    ImageEncoder encoder{library, [this] { return hasPicture ? &picture : nullptr; }};
    QTemporaryDir dir;
};

// Every format, and an unknown type, fails with one message: what failed, the file, and why; a
// later conversion failure gives its own reason. (A missing folder is the save commands'; a
// target the library cannot write, the replace test's.)
TEST_F(EncoderTest, FailuresWriteNothingAndSayWhatWhereAndWhy) {
    const QString convertFailed = QStringLiteral("Convert_BMP_to_FI Failed:");
    const std::tuple<const char*, QImage, bool, bool, QString, QString> cases[] = {
        {"picture without pixels", QImage(), true, false, convertFailed,
         QStringLiteral("[FreeImage_Convert_BMP_to_FI] No bitmap specified to convert")},
        {"no memory for the bitmap", picture, true, true, convertFailed,
         QStringLiteral("[FreeImage_Convert_BMP_to_FI] FreeImage_Allocate failed to create a DIB "
                        "to work with")},
        // after the library's complaint above, which is no reason for this one
        {"no picture", picture, false, false, QStringLiteral("objPic Is Nothing"), {}},
    };
    const QString gap = QStringLiteral("\r\n\r\n");
    for (const auto& [name, shown, given, noMemory, message, reason] : cases) {
        picture = shown;
        hasPicture = given;
        if (noMemory) {
            library.Allocate = [](int, int, int, unsigned, unsigned, unsigned) -> FIBITMAP* {
                return nullptr;
            };
        }
        for (const auto& [fif, type] : kFormats) {
            SCOPED_TRACE(testing::Message() << name << " " << type);
            EXPECT_FALSE(encoder.Save(QLatin1String(type), path(type), 85));
            EXPECT_EQ(encoder.failureMessage(),
                      message + gap + path(type) + (reason.isEmpty() ? QString() : gap + reason));
            EXPECT_EQ(folderEntries(dir.path()), QStringList());
        }
    }
    EXPECT_FALSE(encoder.Save(QStringLiteral("jpeg"), path("jpg"), 85));
    EXPECT_EQ(encoder.failureMessage(),
              QStringLiteral("Save Failed") + gap + path("jpg") + gap +
                  QStringLiteral("\"jpeg\" is not a file type: bmp, gif, jpg, png or tif"));
    EXPECT_EQ(folderEntries(dir.path()), QStringList());
}

// A file already there is replaced by the picture, keeping its permissions, only when the
// library succeeds; otherwise it stays as it was, and no staging file is left either way.
TEST_F(EncoderTest, EachFormatReplacesAFileWithThePictureFreeImageReadsBackOnlyOnSuccess) {
    const std::tuple<const char*, std::optional<int>, bool> cases[] = {
        {"library succeeds", std::nullopt, false},
        {"library fails after a partial write", FALSE, false},
        {"library returns 2", 2, false},
        {"target is a folder", std::nullopt, true},
    };
    for (const auto& [name, stubResult, targetIsFolder] : cases) {
        FreeImageLibrary own(kStagedFreeImage);
        if (stubResult) {
            SaveStub::result = *stubResult;
            own.Save = &SaveStub::save;
        }
        const bool replaced = !stubResult && !targetIsFolder;
        ImageEncoder ownEncoder(own, [this] { return &picture; });
        for (const auto& [fif, type] : kFormats) {
            SCOPED_TRACE(testing::Message() << name << " " << type);
            // GIF holds at most 256 colours; such a picture must come back exactly.
            picture = testPicture(67, 43, fif == FIF_GIF ? 200 : 0);
            const QString target = path(type);
            const QString kept = targetIsFolder ? target + QStringLiteral("/kept") : target;
            ASSERT_TRUE(!targetIsFolder || QDir(dir.path()).mkdir(QFileInfo(target).fileName()));
            ASSERT_TRUE(writeAll(kept, "yesterday's picture"));
            QFile::setPermissions(kept, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

            EXPECT_EQ(ownEncoder.Save(QLatin1String(type), target, 85), replaced);
            if (stubResult) {  // the quality reaches the library for JPEG only
                EXPECT_EQ(SaveStub::flags, fif == FIF_JPEG ? 85 : 0);
            }
            EXPECT_EQ(folderEntries(dir.path()), QStringList{QFileInfo(target).fileName()});
            if (replaced) {
                EXPECT_EQ(ownEncoder.failureMessage(), QString());
                const QImage back = loadThrough(library, fif, target);
                ASSERT_EQ(back.size(), picture.size());
                if (fif == FIF_JPEG) {
                    EXPECT_GE(psnr(picture, back), 30.0);
                } else {
                    EXPECT_EQ(back, picture);
                }
                EXPECT_EQ(QFileInfo(target).permissions() & 0x0777, 0x0640);
            } else {
                EXPECT_EQ(readAll(kept), "yesterday's picture");
            }
            EXPECT_EQ(ownEncoder.failureMessage().endsWith(QStringLiteral("Is a directory")),
                      targetIsFolder);
            ASSERT_TRUE(QFile::remove(kept) && (!targetIsFolder || QDir().rmdir(target)));
        }
    }
}

// Inside an open folder a file goes only onto its own reservation, through the descriptor.
TEST_F(EncoderTest, AReservedNameIsReplacedOnlyWhileItHoldsTheReservation) {
    PrivateFolder folder(dir.filePath(QStringLiteral("held")));
    const auto mine = folder.reserve("mine.png");
    const auto lost = folder.reserve("lost.png");
    ASSERT_TRUE(mine && lost);
    // Another file is moved onto the reserved name.
    const QString theirs = dir.filePath(QStringLiteral("theirs"));
    const QString lostPath = folder.path() + QStringLiteral("lost.png");
    ASSERT_TRUE(writeAll(theirs, "theirs"));
    ASSERT_EQ(
        ::rename(QFile::encodeName(theirs).constData(), QFile::encodeName(lostPath).constData()),
        0);

    EXPECT_FALSE(encoder.SavePNG(SaveTarget(folder.fd(), "lost.png", *lost, lostPath)));
    EXPECT_EQ(encoder.failureMessage(), QStringLiteral("Save Failed\r\n\r\n") + lostPath +
                                            QStringLiteral("\r\n\r\nFile exists"));
    EXPECT_EQ(readAll(lostPath), "theirs");
    EXPECT_TRUE(encoder.SavePNG(
        SaveTarget(folder.fd(), "mine.png", *mine, folder.path() + QStringLiteral("mine.png"))));
    EXPECT_EQ(loadThrough(library, FIF_PNG, folder.path() + QStringLiteral("mine.png")), picture);
    EXPECT_EQ(folderEntries(folder.path()), (QStringList{"lost.png", "mine.png"}));
}

TEST_F(EncoderTest, LibraryMessagesReachTheEncoderOnlyDuringItsCall) {
    // A 24-bit picture handed to the GIF writer: the library refuses it with a message, and
    // the partial file it leaves must not survive.
    library.ColorQuantize = [](FIBITMAP* dib, FREE_IMAGE_QUANTIZE) {
        return FreeImageLibrary(kStagedFreeImage).ConvertTo24Bits(dib);
    };
    EXPECT_FALSE(encoder.SaveGIF(path("gif")));
    const QString refusal = QStringLiteral("[GIF] Only 1, 4, or 8 bpp images supported");
    EXPECT_EQ(encoder.GetConvertError(), refusal);
    EXPECT_EQ(folderEntries(dir.path()), QStringList());

    // Outside an encoder call the library's messages have no encoder to go to.
    FIBITMAP* dib = library.Allocate(4, 4, 24, 0, 0, 0);
    EXPECT_FALSE(library.Save(FIF_GIF, dib, "/nonexistent/stray.gif", 0));
    library.Unload(dib);
    EXPECT_EQ(encoder.GetConvertError(), refusal);
}

// A fixture of its own, not the encoder's: with this test on that fixture, LeakSanitizer's tracer
// crashes at exit in the sanitizer build, on a dynamic-TLS entry it cannot read.
class ConversionTest : public ::testing::Test {
protected:
    FreeImageLibrary library{kStagedFreeImage};
    ImageEncoder encoder{library, [] { return nullptr; }};
};

// A card `width` pixels wide and 3 high, every pixel a different colour, none symmetric in R and
// B, with a stray top byte in each word (Qt leaves it undefined; it must never reach the bitmap).
QImage wideCard(int width) {
    QImage image(width, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = quint32(0x5a000000 | (y * 80 + 7) << 16 | (x * 5 + 1) << 8 | (250 - x * 3));
        }
    }
    return image;
}

// Rows bottom up, every colour in its place, the pad zero, at both depths and from every kind
// of picture a capture can be: 32-bit, one pointing into a buffer with longer lines (its own
// line length must be used, not width * 4), a 256-colour one and a 24-bit one. Qt's own
// BGR888 and ARGB32 lines, flipped, are FreeImage's without the pad.
TEST_F(ConversionTest, RowsHoldEveryColourBottomUpWithAZeroPad) {
    // 1: three bytes of pad at 24 bits; 16: none; 31: a block of sixteen, groups of four and
    // single pixels in one row; 67: many blocks and a tail.
    for (const int width : {1, 7, 16, 31, 67}) {
        const QImage rgb32 = wideCard(width);
        const QImage wider = wideCard(width + 3);
        const QImage strided(wider.constBits(), width, 3, wider.bytesPerLine(),
                             QImage::Format_RGB32);
        const QImage indexed = rgb32.convertToFormat(QImage::Format_Indexed8);
        ASSERT_EQ(indexed.convertToFormat(QImage::Format_RGB32), rgb32);
        const QImage rgb888 = rgb32.convertToFormat(QImage::Format_RGB888);
        const std::pair<const char*, const QImage*> sources[] = {{"RGB32", &rgb32},
                                                                 {"longer lines", &strided},
                                                                 {"indexed", &indexed},
                                                                 {"RGB888", &rgb888}};
        for (const int bits : {24, 32}) {
            const QImage lines =
                rgb888.convertToFormat(bits == 24 ? QImage::Format_BGR888 : QImage::Format_ARGB32)
                    .mirrored();
            const qsizetype used = qsizetype(width) * bits / 8;
            const auto bytes = [](const uchar* line, qsizetype size) {
                return QByteArray(reinterpret_cast<const char*>(line), size);
            };
            for (const auto& [name, picture] : sources) {
                SCOPED_TRACE(testing::Message() << width << " wide, " << name << ", " << bits);
                DibPtr dib;
                ASSERT_TRUE(encoder.FreeImage_Convert_BMP_to_FI(picture, dib, bits));
                ASSERT_EQ(library.GetHeight(dib.get()), 3u);
                const qsizetype pitch = qsizetype(library.GetPitch(dib.get()));
                EXPECT_EQ(pitch, (used + 3) / 4 * 4);
                for (int y = 0; y < 3; ++y) {
                    EXPECT_EQ(bytes(library.GetScanLine(dib.get(), y), pitch),
                              bytes(lines.constScanLine(y), used) + QByteArray(pitch - used, 0))
                        << "scan line " << y;
                }
                ImageEncoder::UnloadDib(dib);
            }
        }
    }
}

}  // namespace
}  // namespace pictavo::test
