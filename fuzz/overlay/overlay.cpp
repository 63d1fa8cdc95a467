// The overlay text's tags and the box's place on the capture, for any text, time, locale and
// size within the 32-bit range.
#include <fuzzer/FuzzedDataProvider.h>

#include <QDateTime>
#include <QLocale>
#include <cstdio>
#include <cstdlib>

#include "FuzzSupport.h"
#include "output/OverlayPlacement.h"
#include "output/OverlayTags.h"

using namespace pictavo;

namespace {

QString pickText(FuzzedDataProvider& in) {
    const std::string bytes = in.ConsumeRandomLengthString(64);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

void checkTags(FuzzedDataProvider& in) {
    static const char* const locales[] = {"C", "en_US", "de_DE", "ar_EG", "ja_JP", "fa_IR"};
    static const char* const actions[] = {"send", "Save", "se", "sa", "", "s"};
    const QString text = pickText(in);
    const QString action =
        in.ConsumeBool() ? QString::fromLatin1(in.PickValueInArray(actions)) : pickText(in);
    const QLocale locale(QString::fromLatin1(in.PickValueInArray(locales)));
    // Any moment from year -9999 to 9999, in any time zone offset.
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(
        in.ConsumeIntegralInRange<qint64>(-377705116800000, 253402300799000), Qt::OffsetFromUTC,
        in.ConsumeIntegralInRange(-14 * 3600, 14 * 3600));
    const QString expanded = expandOverlayTags(text, now, action, locale);
    CHECK(text.contains(QLatin1String("(!")) || expanded == text);
}

// n / d to the nearest integer, halves to even, in 128 bits.
void checkRounding(qint64 n, qint64 d) {
    const qint32 r = roundHalfToEven(n, d);
    const __int128 distance = 2 * (static_cast<__int128>(r) * d - n);  // 2 * (r - n / d) * d
    const bool saturated =
        r == std::numeric_limits<qint32>::max() || r == std::numeric_limits<qint32>::min();
    CHECK(saturated || (distance <= d && distance >= -d));
    CHECK(saturated || (distance != d && distance != -d) || r % 2 == 0);
}

void checkPlacement(FuzzedDataProvider& in) {
    const QString position = pickText(in);
    const auto length = [&] { return qint64(in.ConsumeIntegral<qint32>()); };
    const qint64 sw = length(), sh = length(), bw = length(), bh = length();
    const OverlayCorner previous{in.ConsumeIntegral<qint32>(), in.ConsumeIntegral<qint32>()};
    const OverlayCorner corner = placeOverlay(position, sw, sh, bw, bh, previous);
    const int number = overlayPositionNumber(position);
    CHECK(number >= 0 && number <= 9);
    CHECK(number != 0 || corner == previous);
    CHECK(padOverlayText(position, position).size() ==
          position.size() + (number == 0 || number % 3 == 2 ? 0 : 2));
    if (number != 0) {
        const int column = (number - 1) % 3, row = (number - 1) / 3;
        CHECK(column != 0 || corner.left == 0);
        CHECK(row != 0 || corner.top == 0);
        CHECK(column != 2 || corner.left == roundHalfToEven(sw - bw, 1));
    }
    checkRounding(in.ConsumeIntegral<qint64>(),
                  in.ConsumeIntegralInRange<qint64>(1, std::numeric_limits<qint64>::max()));
    const QPoint pixels = overlayCornerPixels(corner, in.ConsumeIntegralInRange(1, 1440),
                                              in.ConsumeIntegralInRange(1, 1440));
    CHECK((corner.left >= 0) == (pixels.x() >= 0) || pixels.x() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    checkTags(in);
    checkPlacement(in);
    return 0;
}
