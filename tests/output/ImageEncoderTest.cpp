#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>

#include "EncoderTestSupport.h"
#include "output/ImageEncoder.h"

namespace pictavo::test {
namespace {

const FREE_IMAGE_FORMAT kFormats[] = {FIF_BMP, FIF_GIF, FIF_JPEG, FIF_PNG, FIF_TIFF};

// Through the type text, in mixed letter case: the encoder is chosen without regard to it.
bool saveAs(ImageEncoder& encoder, FREE_IMAGE_FORMAT fif, const QString& path,
            std::int16_t quality = 85) {
    const char* type = fif == FIF_BMP    ? "BMP"
                       : fif == FIF_GIF  ? "gif"
                       : fif == FIF_JPEG ? "Jpg"
                       : fif == FIF_PNG  ? "png"
                                         : "TIF";
    return encoder.Save(QLatin1String(type), path, quality);
}

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
        return dir.filePath(QStringLiteral("shot.") +
                            QString::fromLatin1(library.GetFormatFromFIF(fif)));
    }
    FreeImageLibrary library{stagedFreeImagePath()};
    // Odd sizes: 24-bit rows then need padding, which a wrong pitch would show.
    QImage picture = testPicture(67, 43);
    bool hasPicture = true;
    ImageEncoder encoder{library, [this] { return hasPicture ? &picture : nullptr; }};
    QTemporaryDir dir;
};

TEST_F(EncoderTest, EachFormatWritesThePictureThatFreeImageReadsBack) {
    for (FREE_IMAGE_FORMAT fif : kFormats) {
        SCOPED_TRACE(library.GetFormatFromFIF(fif));
        // GIF holds at most 256 colours; such a picture must come back exactly.
        picture = testPicture(67, 43, fif == FIF_GIF ? 200 : 0);
        ASSERT_TRUE(saveAs(encoder, fif, path(fif), 85));
        EXPECT_EQ(folderEntries(dir.path()), QStringList{QFileInfo(path(fif)).fileName()});
        EXPECT_EQ(encoder.GetConvertError(), QString());
        EXPECT_EQ(encoder.failureMessage(), QString());

        const QImage back = loadThrough(library, fif, path(fif));
        ASSERT_EQ(back.size(), picture.size());
        if (fif == FIF_JPEG) {
            EXPECT_GE(psnr(picture, back), 30.0);
        } else {
            EXPECT_EQ(back, picture);
        }
        QFile::remove(path(fif));
    }
}

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
        {"missing folder", &picture, QStringLiteral("no such folder/shot"),
         QStringLiteral("Save Failed"), QStringLiteral("No such file or directory"), ENOENT},
        {"name too long", &picture, longName, QStringLiteral("Save Failed"),
         QStringLiteral("File name too long"), ENAMETOOLONG},
        {"no picture", nullptr, {}, QStringLiteral("objPic Is Nothing"), {}, 0},
        {"picture without pixels",
         &empty,
         {},
         QStringLiteral("Convert_BMP_to_FI Failed:"),
         QStringLiteral("[FreeImage_Convert_BMP_to_FI] No bitmap specified to convert"),
         0},
    };
    // Relative names resolve here, so debris anywhere would show.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QString gap = QStringLiteral("\r\n\r\n");
    for (const auto& c : cases) {
        ImageEncoder failing(library, [&] { return c.picture; });
        for (FREE_IMAGE_FORMAT fif : kFormats) {
            SCOPED_TRACE(testing::Message() << c.name << " " << library.GetFormatFromFIF(fif));
            const QString target = c.target.isEmpty() ? path(fif) : c.target;
            EXPECT_FALSE(saveAs(failing, fif, target));
            EXPECT_EQ(errno, c.errnoAfter);
            EXPECT_EQ(failing.failureMessage(),
                      c.message + gap + target + (c.reason.isEmpty() ? QString() : gap + c.reason));
            EXPECT_EQ(folderEntries(dir.path()), QStringList());
        }
    }
    QDir::setCurrent(previous);
    EXPECT_FALSE(encoder.Save(QStringLiteral("jpeg"), path(FIF_JPEG), 85));
    EXPECT_EQ(encoder.failureMessage(),
              QStringLiteral("Save Failed") + gap + path(FIF_JPEG) + gap +
                  QStringLiteral("\"jpeg\" is not a file type: bmp, gif, jpg, png or tif"));
    EXPECT_EQ(folderEntries(dir.path()), QStringList());
}

TEST_F(EncoderTest, ExistingFileIsReplacedOnlyWhenTheLibrarySucceeds) {
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
        {"library returns -1", true, -1, false, false},
        {"target is a folder", false, 0, true, false},
    };
    for (const auto& c : cases) {
        FreeImageLibrary own(stagedFreeImagePath());
        if (c.stub) {
            SaveStub::result = c.stubResult;
            own.Save = &SaveStub::save;
        }
        ImageEncoder ownEncoder(own, [this] { return &picture; });
        for (FREE_IMAGE_FORMAT fif : kFormats) {
            SCOPED_TRACE(testing::Message() << c.name << " " << library.GetFormatFromFIF(fif));
            const QString target = path(fif);
            const QString kept = c.targetIsFolder ? target + QStringLiteral("/kept") : target;
            ASSERT_TRUE(!c.targetIsFolder || QDir(dir.path()).mkdir(QFileInfo(target).fileName()));
            QFile file(kept);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("yesterday's picture");
            file.close();
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

            EXPECT_EQ(saveAs(ownEncoder, fif, target), c.replaced);
            if (c.stub) {  // the quality reaches the library for JPEG only
                EXPECT_EQ(SaveStub::flags, fif == FIF_JPEG ? 85 : 0);
            }
            EXPECT_EQ(folderEntries(dir.path()), QStringList{QFileInfo(target).fileName()});
            if (c.replaced) {
                EXPECT_EQ(loadThrough(library, fif, target).size(), picture.size());
                EXPECT_EQ(QFileInfo(target).permissions() & 0x0777, 0x0640);
            } else {
                EXPECT_EQ(readAll(kept), "yesterday's picture");
            }
            EXPECT_EQ(ownEncoder.failureMessage().endsWith(QStringLiteral("Is a directory")),
                      c.targetIsFolder);
            ASSERT_TRUE(QFile::remove(kept) && (!c.targetIsFolder || QDir().rmdir(target)));
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
    QFile theirs(dir.filePath(QStringLiteral("theirs")));
    ASSERT_TRUE(theirs.open(QIODevice::WriteOnly));
    theirs.write("theirs");
    theirs.close();
    ASSERT_EQ(::rename(QFile::encodeName(theirs.fileName()).constData(),
                       QFile::encodeName(folder.path() + QStringLiteral("lost.png")).constData()),
              0);

    const QString lostPath = folder.path() + QStringLiteral("lost.png");
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
    struct {
        FREE_IMAGE_FORMAT fif;
        const char* message;
        QString expected;
    } const direct[] = {
        {FIF_PNG, "Error writing", QStringLiteral("[PNG] Error writing")},
        {FIF_JPEG, nullptr, QStringLiteral("[JPEG] ")},
        {FIF_UNKNOWN, "odd", QStringLiteral("[] odd")},
    };
    for (const auto& c : direct) {
        encoder.OnFreeImageMessage(c.fif, c.message);
        EXPECT_EQ(encoder.GetConvertError(), c.expected);
    }

    // A 24-bit picture handed to the GIF writer: the library refuses it with a message, and
    // the partial file it leaves must not survive.
    library.ColorQuantize = [](FIBITMAP* dib, FREE_IMAGE_QUANTIZE) {
        return FreeImageLibrary(stagedFreeImagePath()).ConvertTo24Bits(dib);
    };
    EXPECT_FALSE(encoder.SaveGIF(path(FIF_GIF)));
    const QString refusal = QStringLiteral("[GIF] Only 1, 4, or 8 bpp images supported");
    EXPECT_EQ(encoder.GetConvertError(), refusal);
    EXPECT_EQ(folderEntries(dir.path()), QStringList());

    // Outside an encoder call the library's messages have no encoder to go to.
    FIBITMAP* dib = library.Allocate(4, 4, 24, 0, 0, 0);
    EXPECT_FALSE(library.Save(FIF_GIF, dib, "/nonexistent/stray.gif", 0));
    library.Unload(dib);
    EXPECT_EQ(encoder.GetConvertError(), refusal);
}

TEST(ApiErrorText, TranslatesCLibraryErrorNumbers) {
    struct {
        const char* name;
        int number, errnoBefore;
        bool result;
        int code;
        QString text;
        int errnoAfter;
    } const cases[] = {
        {"number given", EACCES, 0, true, EACCES, QStringLiteral("Permission denied"), 0},
        {"errno when no number", 0, ENOENT, true, ENOENT,
         QStringLiteral("No such file or directory"), 0},
        {"no error anywhere", 0, 0, false, 0, QString(), 0},
        {"unknown number keeps errno", 99999, EIO, true, 99999, QStringLiteral("Unknown Error"),
         EIO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int code = -7;
        QString text = QStringLiteral("stale");
        errno = c.errnoBefore;
        EXPECT_EQ(ImageEncoder::GetApiErrorText(c.number, code, text), c.result);
        EXPECT_EQ(errno, c.errnoAfter);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(text, c.text);
    }
}

}  // namespace
}  // namespace pictavo::test
