#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <array>
#include <functional>

#include "EncoderTestSupport.h"
#include "output/ImageEncoder.h"
#include "support/ScriptedDialogs.h"

namespace pictavo::test {
namespace {

// A test card: a distinct colour in each place, none of them symmetric in R and B, so a
// swapped channel order or a flipped row shows.
constexpr int kCardWidth = 3;
constexpr int kCardHeight = 2;
constexpr std::array<QRgb, kCardWidth* kCardHeight> kCard = {
    0xff102030u, 0xffff0000u, 0xff00ff00u,  // top row
    0xff0000ffu, 0xfffedcbau, 0xff01fe80u,  // bottom row
};

QImage cardAsRgb32WithClearPadByte() {
    QImage image(kCardWidth, kCardHeight, QImage::Format_RGB32);
    for (int y = 0; y < kCardHeight; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < kCardWidth; ++x) {
            // The top byte of a captured pixel is whatever the X server left there.
            row[x] = kCard[y * kCardWidth + x] & 0x00ffffffu;
        }
    }
    return image;
}

QImage cardAsIndexed() {
    // A full 256-entry table, as on an 8-bit display, with the card's colours spread in it.
    QList<QRgb> table(256);
    for (int i = 0; i < 256; ++i) {
        table[i] = qRgb(i, 255 - i, i / 2);
    }
    QImage image(kCardWidth, kCardHeight, QImage::Format_Indexed8);
    image.setColorTable(table);
    for (int i = 0; i < int(kCard.size()); ++i) {
        const int index = 40 * i + 3;
        image.setColor(index, kCard[i]);
        image.setPixel(i % kCardWidth, i / kCardWidth, uint(index));
    }
    return image;
}

QImage cardAs(QImage::Format format) {
    QImage image(kCardWidth, kCardHeight, QImage::Format_RGB32);
    for (int i = 0; i < int(kCard.size()); ++i) {
        image.setPixel(i % kCardWidth, i / kCardWidth, kCard[i]);
    }
    return image.convertToFormat(format);
}

class ConversionTest : public ::testing::Test {
protected:
    ConversionTest()
        : library(stagedFreeImagePath()), encoder(library, dialogs, [] { return nullptr; }) {
        BitmapCounter::install(library);
    }
    void TearDown() override {
        EXPECT_EQ(BitmapCounter::live, 0) << "a FreeImage bitmap outlived the conversion";
    }

    FreeImageLibrary library;
    ScriptedDialogs dialogs;
    ImageEncoder encoder;
};

TEST_F(ConversionTest, TestCardKeepsEveryColourInItsPlace) {
    struct {
        const char* name;
        QImage picture;
    } const cases[] = {
        {"RGB32 with the pad byte clear", cardAsRgb32WithClearPadByte()},
        {"indexed with a 256-colour table", cardAsIndexed()},
        {"24-bit RGB", cardAs(QImage::Format_RGB888)},
        {"ARGB32, opaque", cardAs(QImage::Format_ARGB32)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DibPtr dib;
        ASSERT_TRUE(encoder.FreeImage_Convert_BMP_to_FI(&c.picture, dib))
            << encoder.GetConvertError().toStdString();
        EXPECT_EQ(encoder.GetConvertError(), QString());
        ASSERT_EQ(library.GetBPP(dib.get()), 32u);
        ASSERT_EQ(library.GetWidth(dib.get()), unsigned(kCardWidth));
        ASSERT_EQ(library.GetHeight(dib.get()), unsigned(kCardHeight));
        for (int y = 0; y < kCardHeight; ++y) {
            // FreeImage's first scan line is the bottom of the picture.
            const BYTE* line = library.GetScanLine(dib.get(), kCardHeight - 1 - y);
            for (int x = 0; x < kCardWidth; ++x) {
                SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
                const QRgb want = kCard[y * kCardWidth + x];
                const BYTE* px = line + 4 * x;
                EXPECT_EQ(px[FI_RGBA_BLUE], qBlue(want));
                EXPECT_EQ(px[FI_RGBA_GREEN], qGreen(want));
                EXPECT_EQ(px[FI_RGBA_RED], qRed(want));
                EXPECT_EQ(px[FI_RGBA_ALPHA], 0xff);
            }
        }
        ImageEncoder::UnloadDib(dib);
        EXPECT_EQ(dib, nullptr);
    }
}

TEST_F(ConversionTest, FailuresReleaseWhatWasMadeAndSayWhy) {
    const QImage card = cardAs(QImage::Format_RGB32);
    const QImage nullImage;
    using Breaker = std::function<void(FreeImageLibrary&)>;
    struct {
        const char* name;
        const QImage* picture;
        Breaker breaker;
        QString error;
    } const cases[] = {
        {"no picture", nullptr, nullptr,
         QStringLiteral("[FreeImage_Convert_BMP_to_FI] No bitmap specified to convert")},
        {"picture without pixels", &nullImage, nullptr,
         QStringLiteral("[FreeImage_Convert_BMP_to_FI] No bitmap specified to convert")},
        {"allocation fails", &card,
         [](FreeImageLibrary& lib) {
             lib.Allocate = [](int, int, int, unsigned, unsigned, unsigned) -> FIBITMAP* {
                 return nullptr;
             };
         },
         QStringLiteral("[FreeImage_Convert_BMP_to_FI] FreeImage_Allocate failed to create a "
                        "DIB to work with")},
        {"no bitmap info", &card,
         [](FreeImageLibrary& lib) {
             lib.GetInfo = [](FIBITMAP*) -> BITMAPINFO* { return nullptr; };
         },
         QStringLiteral("[FreeImage_Convert_BMP_to_FI] FreeImage_GetInfo failed to get the DIB "
                        "info")},
        {"no pixel buffer", &card,
         [](FreeImageLibrary& lib) { lib.GetBits = [](FIBITMAP*) -> BYTE* { return nullptr; }; },
         QStringLiteral("[FreeImage_Convert_BMP_to_FI] FreeImage_GetBits failed to get the DIB "
                        "bits")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FreeImageLibrary broken(stagedFreeImagePath());
        BitmapCounter::install(broken);
        if (c.breaker) {
            c.breaker(broken);
        }
        ImageEncoder brokenEncoder(broken, dialogs, [] { return nullptr; });
        // The failure must replace whatever the last call left.
        brokenEncoder.OnFreeImageMessage(FIF_PNG, "stale");
        DibPtr dib;
        EXPECT_FALSE(brokenEncoder.FreeImage_Convert_BMP_to_FI(c.picture, dib));
        EXPECT_EQ(dib, nullptr);
        EXPECT_EQ(brokenEncoder.GetConvertError(), c.error);
        EXPECT_EQ(BitmapCounter::live, 0);
    }
}

}  // namespace
}  // namespace pictavo::test
