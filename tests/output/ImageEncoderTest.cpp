#include <gtest/gtest.h>
#include <sys/stat.h>

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

struct FormatRow {
    const char* name;
    FREE_IMAGE_FORMAT fif;
    const char* fileName;
};

const FormatRow kFormats[] = {
    {"BMP", FIF_BMP, "shot.bmp"}, {"GIF", FIF_GIF, "shot.gif"},   {"JPEG", FIF_JPEG, "shot.jpg"},
    {"PNG", FIF_PNG, "shot.png"}, {"TIFF", FIF_TIFF, "shot.tif"},
};

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
        case FIF_TIFF:
            return encoder.SaveTIF(path);
        default:
            ADD_FAILURE() << "no encoder for format " << fif;
            return false;
    }
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// What the stand-in for FreeImage_Save saw and does. One test at a time uses it.
struct SaveStub {
    static inline int result = 1;
    static inline int calls = 0;
    static inline FREE_IMAGE_FORMAT fif = FIF_UNKNOWN;
    static inline unsigned bpp = 0;
    static inline int flags = 0;
    static inline QByteArray path;
    static inline decltype(&::FreeImage_GetBPP) getBpp = nullptr;

    static void install(FreeImageLibrary& library, int saveResult) {
        result = saveResult;
        calls = 0;
        getBpp = library.GetBPP;
        library.Save = [](FREE_IMAGE_FORMAT f, FIBITMAP* dib, const char* name, int fl) -> BOOL {
            ++calls;
            fif = f;
            bpp = getBpp(dib);
            flags = fl;
            path = name;
            // Like the library's own failures, leave a partial file behind.
            if (FILE* file = std::fopen(name, "wb")) {
                std::fputs("partial", file);
                std::fclose(file);
            }
            return result;
        };
    }
};

class EncoderTest : public ::testing::Test {
protected:
    EncoderTest()
        : library(stagedFreeImagePath()), encoder(library, dialogs, [this]() -> const QImage* {
              return hasPicture ? &picture : nullptr;
          }) {
        BitmapCounter::install(library);
    }
    void TearDown() override {
        EXPECT_EQ(BitmapCounter::live, 0) << "a FreeImage bitmap outlived the call";
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList prompts() const {
        QStringList list;
        for (const MessageBoxRequest& request : dialogs.messages) {
            list << request.prompt;
        }
        return list;
    }

    FreeImageLibrary library;
    ScriptedDialogs dialogs;
    // Odd sizes: 24-bit rows then need padding, which a wrong pitch would show.
    QImage picture = photoLikePicture(67, 43);
    bool hasPicture = true;
    ImageEncoder encoder;
    QTemporaryDir dir;
};

TEST_F(EncoderTest, EachFormatWritesThePictureThatFreeImageReadsBack) {
    for (const FormatRow& row : kFormats) {
        SCOPED_TRACE(row.name);
        // GIF holds at most 256 colours; such a picture must come back exactly.
        picture = row.fif == FIF_GIF ? fewColourPicture(67, 43, 200) : photoLikePicture(67, 43);
        const QString target = path(QString::fromLatin1(row.fileName));

        ASSERT_TRUE(saveAs(encoder, row.fif, target, 85));
        EXPECT_EQ(folderEntries(dir.path()), QStringList{QString::fromLatin1(row.fileName)});
        EXPECT_EQ(encoder.GetConvertError(), QString());

        const QImage back = loadThrough(library, row.fif, target);
        ASSERT_EQ(back.size(), picture.size());
        if (row.fif == FIF_JPEG) {
            EXPECT_GE(psnr(picture, back), 30.0);
        } else {
            EXPECT_EQ(back, picture);
        }
        QFile::remove(target);
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(EncoderTest, ReducedPreviewIsSavedAtFullSizeInEveryFormat) {
    const QImage fullSize = photoLikePicture(120, 90, 7);
    const QImage canvas = photoLikePicture(60, 45, 8);
    struct {
        const char* name;
        bool scaled;
        QSize expected;
    } const cases[] = {
        {"reduced preview", true, fullSize.size()},
        {"preview at full size", false, canvas.size()},
    };
    for (const auto& c : cases) {
        ImageEncoder previewEncoder(
            library, dialogs, [&]() { return pictureToEncode(c.scaled, &fullSize, &canvas); });
        for (const FormatRow& row : kFormats) {
            SCOPED_TRACE(std::string(c.name) + " " + row.name);
            const QString target = path(QString::fromLatin1(row.fileName));
            ASSERT_TRUE(saveAs(previewEncoder, row.fif, target));
            EXPECT_EQ(loadThrough(library, row.fif, target).size(), c.expected);
        }
    }
}

TEST_F(EncoderTest, SaveIntoMissingFolderFailsAndOnlyPngSaysSo) {
    const QString missing = path(QStringLiteral("no such folder"));
    for (const FormatRow& row : kFormats) {
        SCOPED_TRACE(row.name);
        dialogs.messages.clear();
        EXPECT_FALSE(saveAs(encoder, row.fif, missing + QLatin1Char('/') + row.fileName));
        if (row.fif == FIF_PNG) {
            ASSERT_EQ(prompts(), QStringList{QStringLiteral("Save Failed")});
            EXPECT_EQ(dialogs.messages[0].buttons, MsgBox::OkOnly);
            EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Pictavo 3"));
        } else {
            EXPECT_TRUE(dialogs.messages.isEmpty());
        }
        // The reason stays available for whoever reports the failure.
        int code = 0;
        QString text;
        EXPECT_TRUE(ImageEncoder::GetApiErrorText(0, code, text));
        EXPECT_EQ(code, ENOENT);
    }
    EXPECT_TRUE(folderEntries(dir.path()).isEmpty());
}

TEST_F(EncoderTest, ExistingFileIsReplacedOnlyWhenTheLibrarySucceeds) {
    struct {
        const char* name;
        bool stub;
        int saveResult;
        bool replaced;
    } const cases[] = {
        {"library succeeds", false, 1, true},
        {"library returns 0 after a partial write", true, 0, false},
        {"library returns 2", true, 2, false},
        {"library returns -1", true, -1, false},
    };
    const QByteArray old = "the picture saved yesterday";
    for (const auto& c : cases) {
        FreeImageLibrary own(stagedFreeImagePath());
        if (c.stub) {
            SaveStub::install(own, c.saveResult);
        }
        ImageEncoder ownEncoder(own, dialogs, [this] { return &picture; });
        for (const FormatRow& row : kFormats) {
            SCOPED_TRACE(std::string(c.name) + " " + row.name);
            dialogs.messages.clear();
            const QString target = path(QString::fromLatin1(row.fileName));
            writeFile(target, old);
            ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);

            EXPECT_EQ(saveAs(ownEncoder, row.fif, target), c.replaced);
            EXPECT_EQ(folderEntries(dir.path()), QStringList{QString::fromLatin1(row.fileName)});
            if (c.replaced) {
                EXPECT_EQ(loadThrough(library, row.fif, target).size(), picture.size());
                EXPECT_EQ(QFileInfo(target).permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                               QFile::ReadUser | QFile::WriteUser |
                                                               QFile::ReadGroup);
            } else {
                EXPECT_EQ(readAll(target), old);
            }
            EXPECT_EQ(prompts(), !c.replaced && row.fif == FIF_PNG
                                     ? QStringList{QStringLiteral("Save Failed")}
                                     : QStringList{});
            QFile::remove(target);
        }
    }
}

TEST_F(EncoderTest, TargetThatCannotBeReplacedIsLeftAlone) {
    for (const FormatRow& row : kFormats) {
        SCOPED_TRACE(row.name);
        const QString target = path(QString::fromLatin1(row.fileName));
        ASSERT_TRUE(QDir().mkdir(target));
        writeFile(target + QStringLiteral("/inside"), "kept");

        EXPECT_FALSE(saveAs(encoder, row.fif, target));
        EXPECT_TRUE(QFileInfo(target).isDir());
        EXPECT_EQ(readAll(target + QStringLiteral("/inside")), "kept");
        EXPECT_EQ(folderEntries(dir.path()), QStringList{QString::fromLatin1(row.fileName)});
        ASSERT_TRUE(QDir(target).removeRecursively());
    }
}

TEST_F(EncoderTest, ReadOnlyFolderKeepsItsFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser writes into read-only folders";
    }
    const QString target = path(QStringLiteral("shot.png"));
    writeFile(target, "old");
    const QByteArray folder = QFile::encodeName(dir.path());
    ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
    EXPECT_FALSE(encoder.SavePNG(target));
    ::chmod(folder.constData(), 0755);
    EXPECT_EQ(readAll(target), "old");
    EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("shot.png")});
}

TEST_F(EncoderTest, MissingPictureWritesNothingAndPngSaysWhy) {
    const QImage nullImage;
    struct {
        const char* name;
        bool hasPicture;
        QString pngMessage;
    } const cases[] = {
        {"no picture at all", false, QStringLiteral("objPic Is Nothing")},
        {"a picture without pixels", true,
         QStringLiteral("Convert_BMP_to_FI Failed:\r\n\r\n[FreeImage_Convert_BMP_to_FI] No "
                        "bitmap specified to convert")},
    };
    for (const auto& c : cases) {
        hasPicture = c.hasPicture;
        picture = nullImage;
        for (const FormatRow& row : kFormats) {
            SCOPED_TRACE(std::string(c.name) + " " + row.name);
            dialogs.messages.clear();
            const QString target = path(QString::fromLatin1(row.fileName));
            writeFile(target, "old");
            EXPECT_FALSE(saveAs(encoder, row.fif, target));
            EXPECT_EQ(readAll(target), "old");
            EXPECT_EQ(prompts(), row.fif == FIF_PNG ? QStringList{c.pngMessage} : QStringList{});
        }
    }
}

TEST_F(EncoderTest, FormatTableReachesTheLibraryUnchanged) {
    SaveStub::install(library, 1);
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
        {"JPEG quality beyond 100", FIF_JPEG, 0x7fff, 24, 0x7fff},
        {"PNG", FIF_PNG, 0, 24, 0},
        {"TIFF", FIF_TIFF, 0, 24, 0},
    };
    const QString target = path(QStringLiteral("out.img"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SaveStub::calls = 0;
        EXPECT_TRUE(saveAs(encoder, c.fif, target, c.quality));
        EXPECT_EQ(SaveStub::calls, 1);
        EXPECT_EQ(SaveStub::fif, c.fif);
        EXPECT_EQ(SaveStub::bpp, c.bpp);
        EXPECT_EQ(SaveStub::flags, c.flags);
        // Written beside the target under a hidden name, then moved into place.
        const QFileInfo staged(QFile::decodeName(SaveStub::path));
        EXPECT_EQ(staged.absolutePath(), QFileInfo(target).absolutePath());
        EXPECT_TRUE(staged.fileName().startsWith(QStringLiteral(".out.img.")));
        EXPECT_EQ(readAll(target), "partial");
        EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("out.img")});
    }
}

TEST_F(EncoderTest, GifStopsBeforeAnyFileWhenQuantisingFails) {
    SaveStub::install(library, 1);
    library.ColorQuantize = [](FIBITMAP*, FREE_IMAGE_QUANTIZE) -> FIBITMAP* { return nullptr; };
    EXPECT_FALSE(encoder.SaveGIF(path(QStringLiteral("shot.gif"))));
    EXPECT_EQ(SaveStub::calls, 0);
    EXPECT_TRUE(folderEntries(dir.path()).isEmpty());
}

TEST_F(EncoderTest, LibraryMessagesReachTheEncoderOnlyDuringItsCall) {
    // A 24-bit picture handed to the GIF writer: the library refuses it with a message and
    // leaves a partial file, which must not survive.
    library.ColorQuantize = [](FIBITMAP* dib, FREE_IMAGE_QUANTIZE) -> FIBITMAP* {
        return BitmapCounter::counted(BitmapCounter::to24(dib));
    };
    EXPECT_FALSE(encoder.SaveGIF(path(QStringLiteral("shot.gif"))));
    const QString message = encoder.GetConvertError();
    EXPECT_EQ(message, QStringLiteral("[GIF] Only 1, 4, or 8 bpp images supported"));
    EXPECT_TRUE(folderEntries(dir.path()).isEmpty());

    // After the call the library's messages have no encoder to go to.
    FIBITMAP* dib = BitmapCounter::counted(BitmapCounter::allocate(4, 4, 24, 0, 0, 0));
    const QByteArray stray = QFile::encodeName(path(QStringLiteral("stray.gif")));
    EXPECT_FALSE(library.Save(FIF_GIF, dib, stray.constData(), 0));
    library.Unload(dib);
    QFile::remove(QFile::decodeName(stray));
    EXPECT_EQ(encoder.GetConvertError(), message);

    // The next successful conversion starts from a clean slate.
    picture = photoLikePicture(8, 8);
    EXPECT_TRUE(encoder.SavePNG(path(QStringLiteral("shot.png"))));
    EXPECT_EQ(encoder.GetConvertError(), QString());
}

TEST_F(EncoderTest, OnFreeImageMessageNamesTheFormat) {
    struct {
        const char* name;
        FREE_IMAGE_FORMAT fif;
        const char* message;
        QString expected;
    } const cases[] = {
        {"PNG message", FIF_PNG, "Error writing", QStringLiteral("[PNG] Error writing")},
        {"JPEG without text", FIF_JPEG, nullptr, QStringLiteral("[JPEG] ")},
        {"TIFF empty text", FIF_TIFF, "", QStringLiteral("[TIFF] ")},
        {"unknown format", FIF_UNKNOWN, "odd", QStringLiteral("[] odd")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        encoder.OnFreeImageMessage(c.fif, c.message);
        EXPECT_EQ(encoder.GetConvertError(), c.expected);
    }
}

TEST(ApiErrorText, TranslatesCLibraryErrorNumbers) {
    struct {
        const char* name;
        int number;
        int errnoBefore;
        bool result;
        int code;
        QString text;
        int errnoAfter;
    } const cases[] = {
        {"number given", EACCES, 0, true, EACCES, QStringLiteral("Permission denied"), 0},
        {"errno used when no number", 0, ENOENT, true, ENOENT,
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
        const int errnoAfter = errno;
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(errnoAfter, c.errnoAfter);
    }
}

}  // namespace
}  // namespace pictavo::test
