#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "output/FreeImageLibrary.h"
#include "output/ImageEncoder.h"

using namespace Qt::StringLiterals;

namespace pictavo::test {
namespace {

QString stagedFreeImagePath() {
    return QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3");
}

// Smooth gradients, like a photograph.
QImage testPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y,
                           qRgb(40 + 180 * x / width, 30 + 190 * y / height,
                                128 + int(100 * std::sin((x + y) / 37.0))));
        }
    }
    return image;
}

// Reads `path` back through `library` as an RGB32 picture; null when it cannot.
QImage loadThrough(FreeImageLibrary& library, FREE_IMAGE_FORMAT fif, const QString& path) {
    FIBITMAP* loaded = library.Load(fif, QFile::encodeName(path).constData(), 0);
    FIBITMAP* rgba = loaded ? library.ConvertTo32Bits(loaded) : nullptr;
    QImage image;
    if (rgba) {
        const int height = int(library.GetHeight(rgba));
        image = QImage(int(library.GetWidth(rgba)), height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            std::memcpy(image.scanLine(y), library.GetScanLine(rgba, height - 1 - y),
                        size_t(image.bytesPerLine()));
        }
        library.Unload(rgba);
    }
    library.Unload(loaded);
    return image;
}

// Every entry of `folder`, hidden ones included.
QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Each format with its type text, in mixed letter case: the encoder is chosen without regard to it.
const std::pair<FREE_IMAGE_FORMAT, const char*> kFormats[] = {
    {FIF_BMP, "BMP"}, {FIF_GIF, "gif"}, {FIF_JPEG, "Jpg"}, {FIF_PNG, "png"}, {FIF_TIFF, "TIF"}};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A stand-in for FreeImage_Save that records its flags and, like the library's own
// failures, leaves a partial file behind.
struct SaveStub {
    static inline int result = 1;
    static inline int flags = 0;

    static BOOL save(FREE_IMAGE_FORMAT, FIBITMAP*, const char* name, int fl) {
        flags = fl;
        if (FILE* file = std::fopen(name, "wb")) {
            std::fputs("partial", file);
            std::fclose(file);
        }
        return result;
    }
};

class EncoderTest : public ::testing::Test {
protected:
    QString path(FREE_IMAGE_FORMAT fif) const {
        return dir.filePath(u"shot."_s + QString::fromLatin1(library.GetFormatFromFIF(fif)));
    }
    FreeImageLibrary library{stagedFreeImagePath()};
    // Odd sizes: 24-bit rows then need padding, which a wrong pitch would show.
    QImage picture = testPicture(67, 43);
    ImageEncoder encoder{library, [this] { return &picture; }};
    QTemporaryDir dir;
};

// Every format, and an unknown type, fails with one message: what failed, the file, and why.
TEST_F(EncoderTest, FailuresWriteNothingAndSayWhatWhereAndWhy) {
    const QImage empty;
    const QString longName = QString(10000, QLatin1Char('n'));
    struct {
        const char* name;
        const QImage* picture;
        QString target;  // relative to the test folder; empty: a plain file there
        QString message;
        QString reason;
        int errnoAfter;
    } const cases[] = {
        // clang-format off
        {"missing folder", &picture, u"no such folder/shot"_s, u"Save Failed"_s, u"No such file or directory"_s, ENOENT},
        {"name too long", &picture, longName, u"Save Failed"_s, u"File name too long"_s, ENAMETOOLONG},
        {"no picture", nullptr, {}, u"objPic Is Nothing"_s, {}, 0},
        {"picture without pixels", &empty, {}, u"Convert_BMP_to_FI Failed:"_s, u"[FreeImage_Convert_BMP_to_FI] No bitmap specified to convert"_s, 0},
        // clang-format on
    };
    // Relative names resolve here, so debris anywhere would show.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QString gap = u"\r\n\r\n"_s;
    for (const auto& c : cases) {
        ImageEncoder failing(library, [&] { return c.picture; });
        for (const auto& [fif, type] : kFormats) {
            SCOPED_TRACE(testing::Message() << c.name << " " << type);
            const QString target = c.target.isEmpty() ? path(fif) : c.target;
            EXPECT_FALSE(failing.Save(QLatin1String(type), target, 85));
            EXPECT_EQ(errno, c.errnoAfter);
            EXPECT_EQ(failing.failureMessage(),
                      c.message + gap + target + (c.reason.isEmpty() ? QString() : gap + c.reason));
            EXPECT_EQ(folderEntries(dir.path()), QStringList());
        }
    }
    QDir::setCurrent(previous);
    EXPECT_FALSE(encoder.Save(u"jpeg"_s, path(FIF_JPEG), 85));
    EXPECT_EQ(encoder.failureMessage(),
              u"Save Failed"_s + gap + path(FIF_JPEG) + gap +
                  u"\"jpeg\" is not a file type: bmp, gif, jpg, png or tif"_s);
    EXPECT_EQ(folderEntries(dir.path()), QStringList());
}

// Each format writes the picture that the library reads back (exactly; JPEG closely) in place of
// an existing file, which stays as it was whenever the library does not succeed.
TEST_F(EncoderTest, EachFormatReplacesAFileWithThePictureOnlyWhenTheLibrarySucceeds) {
    struct {
        const char* name;
        bool stub;
        int stubResult;
        bool targetIsFolder;
        bool replaced;
    } const cases[] = {
        {"library succeeds", false, 0, false, true},
        {"library fails after a partial write", true, FALSE, false, false},
        {"library returns 2", true, 2, false, false},
        {"target is a folder", false, 0, true, false},
    };
    for (const auto& c : cases) {
        FreeImageLibrary own(stagedFreeImagePath());
        if (c.stub) {
            SaveStub::result = c.stubResult;
            own.Save = &SaveStub::save;
        }
        ImageEncoder ownEncoder(own, [this] { return &picture; });
        for (const auto& [fif, type] : kFormats) {
            SCOPED_TRACE(testing::Message() << c.name << " " << type);
            // GIF holds at most 256 colours; such a picture must come back exactly.
            picture = testPicture(67, 43);
            if (fif == FIF_GIF) {
                picture = picture.convertToFormat(QImage::Format_Indexed8)
                              .convertToFormat(QImage::Format_RGB32);
            }
            const QString target = path(fif);
            const QString kept = c.targetIsFolder ? target + u"/kept"_s : target;
            ASSERT_TRUE(!c.targetIsFolder || QDir(dir.path()).mkdir(QFileInfo(target).fileName()));
            QFile file(kept);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("yesterday's picture");
            file.close();
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

            EXPECT_EQ(ownEncoder.Save(QLatin1String(type), target, 85), c.replaced);
            if (c.stub) {  // the quality reaches the library for JPEG only
                EXPECT_EQ(SaveStub::flags, fif == FIF_JPEG ? 85 : 0);
            }
            EXPECT_EQ(folderEntries(dir.path()), QStringList{QFileInfo(target).fileName()});
            if (c.replaced) {
                const QImage back = loadThrough(library, fif, target);
                ASSERT_EQ(back.size(), picture.size());
                if (fif == FIF_JPEG) {
                    // Lossy: the mean difference of each channel (the area average of the
                    // difference picture) is a few levels at most.
                    QImage diff = back;
                    QPainter painter(&diff);
                    painter.setCompositionMode(QPainter::CompositionMode_Difference);
                    painter.drawImage(0, 0, picture);
                    painter.end();
                    const QRgb mean =
                        diff.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .pixel(0, 0);
                    EXPECT_LE(std::max({qRed(mean), qGreen(mean), qBlue(mean)}), 4)
                        << Qt::hex << mean;
                } else {
                    EXPECT_EQ(back, picture);
                }
                EXPECT_EQ(QFileInfo(target).permissions() & 0x0777, 0x0640);
            } else {
                EXPECT_EQ(readAll(kept), "yesterday's picture");
            }
            EXPECT_EQ(ownEncoder.failureMessage().isEmpty(), c.replaced);
            EXPECT_EQ(ownEncoder.failureMessage().endsWith(u"Is a directory"_s), c.targetIsFolder);
            ASSERT_TRUE(QFile::remove(kept) && (!c.targetIsFolder || QDir().rmdir(target)));
        }
    }
}

// Inside an open folder a file goes only onto its own reservation, through the descriptor.
TEST_F(EncoderTest, AReservedNameIsReplacedOnlyWhileItHoldsTheReservation) {
    PrivateFolder folder(dir.filePath(u"held"_s));
    const auto mine = folder.reserve("mine.png");
    const auto lost = folder.reserve("lost.png");
    ASSERT_TRUE(mine && lost);
    // Another file is moved onto the reserved name.
    QFile theirs(dir.filePath(u"theirs"_s));
    ASSERT_TRUE(theirs.open(QIODevice::WriteOnly));
    theirs.write("theirs");
    theirs.close();
    ASSERT_EQ(::rename(QFile::encodeName(theirs.fileName()).constData(),
                       QFile::encodeName(folder.path() + u"lost.png"_s).constData()),
              0);

    const QString lostPath = folder.path() + u"lost.png"_s;
    EXPECT_FALSE(encoder.SavePNG(SaveTarget(folder.fd(), "lost.png", *lost, lostPath)));
    EXPECT_EQ(encoder.failureMessage(),
              u"Save Failed\r\n\r\n"_s + lostPath + u"\r\n\r\nFile exists"_s);
    EXPECT_EQ(readAll(lostPath), "theirs");
    EXPECT_TRUE(
        encoder.SavePNG(SaveTarget(folder.fd(), "mine.png", *mine, folder.path() + u"mine.png"_s)));
    EXPECT_EQ(loadThrough(library, FIF_PNG, folder.path() + u"mine.png"_s), picture);
    EXPECT_EQ(folderEntries(folder.path()), (QStringList{"lost.png", "mine.png"}));
}

TEST_F(EncoderTest, LibraryMessagesReachTheEncoderOnlyDuringItsCall) {
    // A 24-bit picture handed to the GIF writer: the library refuses it with a message, and
    // the partial file it leaves must not survive.
    library.ColorQuantize = [](FIBITMAP* dib, FREE_IMAGE_QUANTIZE) {
        return FreeImageLibrary(stagedFreeImagePath()).ConvertTo24Bits(dib);
    };
    EXPECT_FALSE(encoder.SaveGIF(path(FIF_GIF)));
    const QString refusal = u"[GIF] Only 1, 4, or 8 bpp images supported"_s;
    EXPECT_EQ(encoder.GetConvertError(), refusal);
    EXPECT_EQ(folderEntries(dir.path()), QStringList());

    // Outside an encoder call the library's messages have no encoder to go to.
    FIBITMAP* dib = library.Allocate(4, 4, 24, 0, 0, 0);
    EXPECT_FALSE(library.Save(FIF_GIF, dib, "/nonexistent/stray.gif", 0));
    library.Unload(dib);
    EXPECT_EQ(encoder.GetConvertError(), refusal);
}

using ConversionTest = EncoderTest;

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
// line length must be used, not width * 4) and a 256-colour one. (Other formats become 32-bit
// when the capture is taken.)
TEST_F(ConversionTest, RowsHoldEveryColourBottomUpWithAZeroPad) {
    // 1: three bytes of pad at 24 bits; 16: none; 31: a block of sixteen, groups of four and
    // single pixels in one row; 67: many blocks and a tail.
    for (const int width : {1, 7, 16, 31, 67}) {
        const QImage rgb32 = wideCard(width);
        // The same pixels, the first columns of a wider card.
        const QImage wider = wideCard(width + 3);
        const QImage strided(wider.constBits(), width, 3, wider.bytesPerLine(),
                             QImage::Format_RGB32);
        const QImage indexed = rgb32.convertToFormat(QImage::Format_Indexed8);
        ASSERT_EQ(indexed.convertToFormat(QImage::Format_RGB32), rgb32);
        const std::pair<const char*, const QImage*> sources[] = {
            {"RGB32", &rgb32}, {"longer lines", &strided}, {"indexed", &indexed}};
        for (const int bits : {24, 32}) {
            for (const auto& [name, picture] : sources) {
                SCOPED_TRACE(testing::Message() << width << " wide, " << name << ", " << bits);
                DibPtr dib;
                ASSERT_TRUE(encoder.FreeImage_Convert_BMP_to_FI(picture, dib, bits));
                ASSERT_EQ(library.GetBPP(dib.get()), unsigned(bits));
                ASSERT_EQ(library.GetWidth(dib.get()), unsigned(width));
                ASSERT_EQ(library.GetHeight(dib.get()), 3u);
                const qsizetype pitch = library.GetPitch(dib.get());
                const qsizetype used = width * bits / 8;
                EXPECT_EQ(pitch, (used + 3) / 4 * 4);
                // B, G, R (and an opaque alpha at 32 bits) per pixel, as Qt lays them out.
                const QImage want = rgb32.convertToFormat(bits == 24 ? QImage::Format_BGR888
                                                                     : QImage::Format_ARGB32);
                for (int y = 0; y < 3; ++y) {
                    const auto* line =
                        reinterpret_cast<const char*>(library.GetScanLine(dib.get(), y));
                    EXPECT_EQ(
                        QByteArray(line, pitch),
                        QByteArray(reinterpret_cast<const char*>(want.constScanLine(2 - y)), used) +
                            QByteArray(pitch - used, '\0'))
                        << "scan line " << y;
                }
                ImageEncoder::UnloadDib(dib);
                EXPECT_EQ(dib, nullptr);
            }
        }
    }
}

// An allocation that fails, or a depth other than 24 or 32 bits, hands nothing out and says why,
// in place of any message left from an earlier call. (A picture without pixels is a row of
// EncoderTest.FailuresWriteNothingAndSayWhatWhereAndWhy.)
TEST_F(ConversionTest, FailuresSayWhyAndHandNothingOut) {
    const QImage picture = wideCard(3);
    FreeImageLibrary broken(stagedFreeImagePath());
    broken.Allocate = [](int, int, int, unsigned, unsigned, unsigned) -> FIBITMAP* {
        return nullptr;
    };
    ImageEncoder brokenEncoder(broken, [] { return nullptr; });
    for (int bits : {0, 16, 24, 32, 48}) {
        SCOPED_TRACE(bits);
        brokenEncoder.OnFreeImageMessage(FIF_PNG, "left from an earlier call");
        DibPtr dib;
        EXPECT_FALSE(brokenEncoder.FreeImage_Convert_BMP_to_FI(&picture, dib, bits));
        EXPECT_EQ(dib, nullptr);
        EXPECT_EQ(brokenEncoder.GetConvertError(),
                  u"[FreeImage_Convert_BMP_to_FI] "_s +
                      (bits == 24 || bits == 32
                           ? u"FreeImage_Allocate failed to create a DIB to work with"_s
                           : u"%1 bits per pixel is not a depth to convert to"_s.arg(bits)));
    }
}

}  // namespace
}  // namespace pictavo::test
