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
#include "support/ScriptedDialogs.h"

namespace pictavo::test {
namespace {

const FREE_IMAGE_FORMAT kFormats[] = {FIF_BMP, FIF_GIF, FIF_JPEG, FIF_PNG, FIF_TIFF};

bool saveAs(ImageEncoder& encoder, FREE_IMAGE_FORMAT fif, const QString& path,
            std::int16_t quality = 85) {
    switch (fif) {
        case FIF_BMP:
            return encoder.SaveBMP(path);
        case FIF_GIF:
            return encoder.SaveGIF(path);
        case FIF_JPEG:
            return encoder.SaveJPG(path, quality);
        case FIF_PNG:
            return encoder.SavePNG(path);
        default:
            return encoder.SaveTIF(path);
    }
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A stand-in for FreeImage_Save that records its arguments and, like the library's own
// failures, leaves a partial file behind.
struct SaveStub {
    static inline int result = 1;
    static inline FREE_IMAGE_FORMAT fif = FIF_UNKNOWN;
    static inline int flags = 0;
    static inline unsigned bpp = 0;
    static inline QByteArray path;

    static BOOL save(FREE_IMAGE_FORMAT f, FIBITMAP* dib, const char* name, int fl) {
        fif = f;
        flags = fl;
        bpp = FreeImageLibrary(stagedFreeImagePath()).GetBPP(dib);
        path = name;
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
    QStringList prompts() {
        QStringList list;
        for (const MessageBoxRequest& request : dialogs.messages) {
            EXPECT_EQ(request.buttons, MsgBox::OkOnly);
            EXPECT_EQ(request.title, QStringLiteral("Pictavo 3"));
            list << request.prompt;
        }
        dialogs.messages.clear();
        return list;
    }

    FreeImageLibrary library{stagedFreeImagePath()};
    ScriptedDialogs dialogs;
    // Odd sizes: 24-bit rows then need padding, which a wrong pitch would show.
    QImage picture = testPicture(67, 43);
    bool hasPicture = true;
    ImageEncoder encoder{library, dialogs, [this] { return hasPicture ? &picture : nullptr; }};
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

        const QImage back = loadThrough(library, fif, path(fif));
        ASSERT_EQ(back.size(), picture.size());
        if (fif == FIF_JPEG) {
            EXPECT_GE(psnr(picture, back), 30.0);
        } else {
            EXPECT_EQ(back, picture);
        }
        QFile::remove(path(fif));
    }
    EXPECT_EQ(prompts(), QStringList());
}

TEST_F(EncoderTest, ReducedPreviewIsSavedAtFullSizeInEveryFormat) {
    const QImage fullSize = testPicture(120, 90);
    const QImage canvas = testPicture(60, 45);
    for (bool scaled : {true, false}) {
        ImageEncoder previewEncoder(library, dialogs,
                                    [&] { return pictureToEncode(scaled, &fullSize, &canvas); });
        for (FREE_IMAGE_FORMAT fif : kFormats) {
            SCOPED_TRACE(testing::Message() << library.GetFormatFromFIF(fif) << " " << scaled);
            ASSERT_TRUE(saveAs(previewEncoder, fif, path(fif)));
            EXPECT_EQ(loadThrough(library, fif, path(fif)).size(),
                      scaled ? fullSize.size() : canvas.size());
        }
    }
}

TEST_F(EncoderTest, FailuresWriteNothingAndOnlyPngSaysWhy) {
    const QImage empty;
    struct {
        const char* name;
        const QImage* picture;
        const char* target;  // relative to the test folder; nullptr: a plain file there
        QString pngMessage;
        int errnoAfter;
    } const cases[] = {
        {"missing folder", &picture, "no such folder/shot", QStringLiteral("Save Failed"), ENOENT},
        {"no file name", &picture, "", QStringLiteral("Save Failed"), ENOENT},
        {"no picture", nullptr, nullptr, QStringLiteral("objPic Is Nothing"), 0},
        {"picture without pixels", &empty, nullptr,
         QStringLiteral("Convert_BMP_to_FI Failed:\r\n\r\n[FreeImage_Convert_BMP_to_FI] No "
                        "bitmap specified to convert"),
         0},
    };
    // Relative names resolve here, so debris anywhere would show.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const auto& c : cases) {
        ImageEncoder failing(library, dialogs, [&] { return c.picture; });
        for (FREE_IMAGE_FORMAT fif : kFormats) {
            SCOPED_TRACE(testing::Message() << c.name << " " << library.GetFormatFromFIF(fif));
            const QString target = c.target ? QString::fromLatin1(c.target) : path(fif);
            errno = 0;
            EXPECT_FALSE(saveAs(failing, fif, target));
            EXPECT_EQ(errno, c.errnoAfter);
            EXPECT_EQ(prompts(), fif == FIF_PNG ? QStringList{c.pngMessage} : QStringList());
            EXPECT_EQ(folderEntries(dir.path()), QStringList());
        }
    }
    QDir::setCurrent(previous);
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
        ImageEncoder ownEncoder(own, dialogs, [this] { return &picture; });
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
            EXPECT_EQ(folderEntries(dir.path()), QStringList{QFileInfo(target).fileName()});
            if (c.replaced) {
                EXPECT_EQ(loadThrough(library, fif, target).size(), picture.size());
                EXPECT_EQ(QFileInfo(target).permissions() & 0x0777, 0x0640);
            } else {
                EXPECT_EQ(readAll(kept), "yesterday's picture");
            }
            EXPECT_EQ(prompts(), !c.replaced && fif == FIF_PNG
                                     ? QStringList{QStringLiteral("Save Failed")}
                                     : QStringList());
            ASSERT_TRUE(QFile::remove(kept) && (!c.targetIsFolder || QDir().rmdir(target)));
        }
    }
}

TEST_F(EncoderTest, FormatTableReachesTheLibraryUnchanged) {
    SaveStub::result = 1;
    library.Save = &SaveStub::save;
    struct {
        const char* name;
        FREE_IMAGE_FORMAT fif;
        std::int16_t quality;
        unsigned bpp;
        int flags;
    } const cases[] = {
        {"BMP", FIF_BMP, 0, 24, 0},
        {"GIF as a palette picture", FIF_GIF, 0, 8, 0},
        {"JPEG at the library default", FIF_JPEG, 0, 24, 0},
        {"JPEG at quality 85", FIF_JPEG, 85, 24, 85},
        {"JPEG quality sign-extended", FIF_JPEG, -1, 24, -1},
        {"PNG", FIF_PNG, 0, 24, 0},
        {"TIFF", FIF_TIFF, 0, 24, 0},
    };
    const QString target = dir.filePath(QStringLiteral("out.img"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(saveAs(encoder, c.fif, target, c.quality));
        EXPECT_EQ(QList<int>({SaveStub::fif, int(SaveStub::bpp), SaveStub::flags}),
                  QList<int>({c.fif, int(c.bpp), c.flags}));
        // Written beside the target under a hidden name, then moved into place.
        const QFileInfo staged(QFile::decodeName(SaveStub::path));
        EXPECT_EQ(staged.absolutePath(), QFileInfo(target).absolutePath());
        EXPECT_TRUE(staged.fileName().startsWith(QStringLiteral(".out.img.")));
        EXPECT_EQ(readAll(target), "partial");
        EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("out.img")});
    }
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
