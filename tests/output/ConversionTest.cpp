#include <gtest/gtest.h>

#include "EncoderTestSupport.h"
#include "output/ImageEncoder.h"
#include "support/ScriptedDialogs.h"

namespace pictavo::test {
namespace {

// A test card: a distinct colour in each place, none symmetric in R and B, so a swapped
// channel order or a flipped row shows. The top byte is clear, as X leaves it in a capture.
constexpr quint32 kCard[2][3] = {{0x102030, 0xff0000, 0x00ff00}, {0x0000ff, 0xfedcba, 0x01fe80}};

QImage card(QImage::Format format) {
    QImage image(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        std::memcpy(image.scanLine(y), kCard[y], sizeof kCard[y]);
    }
    if (format == QImage::Format_Indexed8) {
        // A full 256-entry table, as on an 8-bit display, with the card's colours in it.
        QImage indexed(3, 2, format);
        QList<QRgb> table(256, qRgb(1, 2, 3));
        for (int i = 0; i < 6; ++i) {
            table[40 * i + 3] = 0xff000000 | kCard[i / 3][i % 3];
        }
        indexed.setColorTable(table);
        for (int i = 0; i < 6; ++i) {
            indexed.setPixel(i % 3, i / 3, uint(40 * i + 3));
        }
        return indexed;
    }
    return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
}

class ConversionTest : public ::testing::Test {
protected:
    FreeImageLibrary library{stagedFreeImagePath()};
    ScriptedDialogs dialogs;
    ImageEncoder encoder{library, dialogs, [] { return nullptr; }};
};

TEST_F(ConversionTest, TestCardKeepsEveryColourInItsPlaceAndOpaque) {
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_Indexed8, QImage::Format_RGB888}) {
        SCOPED_TRACE(format);
        const QImage picture = card(format);
        DibPtr dib;
        ASSERT_TRUE(encoder.FreeImage_Convert_BMP_to_FI(&picture, dib));
        ASSERT_EQ(library.GetBPP(dib.get()), 32u);
        ASSERT_EQ(library.GetWidth(dib.get()), 3u);
        ASSERT_EQ(library.GetHeight(dib.get()), 2u);
        for (int y = 0; y < 2; ++y) {
            // FreeImage's first scan line is the bottom of the picture.
            const BYTE* line = library.GetScanLine(dib.get(), 1 - y);
            for (int x = 0; x < 3; ++x) {
                const QRgb want = kCard[y][x];
                const BYTE* px = line + 4 * x;
                EXPECT_EQ(QList<int>({px[FI_RGBA_RED], px[FI_RGBA_GREEN], px[FI_RGBA_BLUE],
                                      px[FI_RGBA_ALPHA]}),
                          QList<int>({qRed(want), qGreen(want), qBlue(want), 0xff}))
                    << "pixel " << x << "," << y;
            }
        }
        ImageEncoder::UnloadDib(dib);
        EXPECT_EQ(dib, nullptr);
    }
}

TEST_F(ConversionTest, FailuresSayWhyAndHandNothingOut) {
    const QImage picture = card(QImage::Format_RGB32);
    const QImage empty;
    const QString prefix = QStringLiteral("[FreeImage_Convert_BMP_to_FI] ");
    struct {
        const char* name;
        const QImage* picture;
        void (*breakLibrary)(FreeImageLibrary&);
        QString error;
    } const cases[] = {
        {"no picture", nullptr, nullptr, QStringLiteral("No bitmap specified to convert")},
        {"picture without pixels", &empty, nullptr,
         QStringLiteral("No bitmap specified to convert")},
        {"allocation fails", &picture,
         [](FreeImageLibrary& lib) {
             lib.Allocate = [](int, int, int, unsigned, unsigned, unsigned) -> FIBITMAP* {
                 return nullptr;
             };
         },
         QStringLiteral("FreeImage_Allocate failed to create a DIB to work with")},
        {"no bitmap info", &picture,
         [](FreeImageLibrary& lib) {
             lib.GetInfo = [](FIBITMAP*) -> BITMAPINFO* { return nullptr; };
         },
         QStringLiteral("FreeImage_GetInfo failed to get the DIB info")},
        {"no pixel buffer", &picture,
         [](FreeImageLibrary& lib) { lib.GetBits = [](FIBITMAP*) -> BYTE* { return nullptr; }; },
         QStringLiteral("FreeImage_GetBits failed to get the DIB bits")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FreeImageLibrary broken(stagedFreeImagePath());
        if (c.breakLibrary) {
            c.breakLibrary(broken);
        }
        ImageEncoder brokenEncoder(broken, dialogs, [] { return nullptr; });
        brokenEncoder.OnFreeImageMessage(FIF_PNG, "left from an earlier call");
        DibPtr dib;
        EXPECT_FALSE(brokenEncoder.FreeImage_Convert_BMP_to_FI(c.picture, dib));
        EXPECT_EQ(dib, nullptr);
        EXPECT_EQ(brokenEncoder.GetConvertError(), prefix + c.error);
    }
}

}  // namespace
}  // namespace pictavo::test
