// Settings and countdown arguments read as numbers: any text either is a finite number or is no
// number, and every conversion from it stays defined.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "FuzzSupport.h"
#include "plugin/CapturePipeline.h"
#include "settings/NumericText.h"

using namespace pictavo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto number = numberFromText(text);
    CHECK(!number || std::isfinite(*number));
    // Surrounding blanks never change what a text means.
    CHECK(numberFromText(QStringLiteral(" \t") + text + QStringLiteral(" ")) == number);
    CHECK(flagIsOn(text) == (number == 1.0));

    const auto small = int16FromText(text);
    CHECK(!small || (number && std::fabs(*small - *number) <= 0.5));
    CHECK(small || !number || std::fabs(*number) >= 32767.5);

    // A typed countdown: whole seconds, at most a day either way, whatever was typed.
    if (number) {
        const qint64 seconds = CapturePipeline::CountdownSeconds(*number);
        CHECK(seconds >= -86400 && seconds <= 86400);
        CHECK(std::fabs(*number) > 86400 || seconds == static_cast<qint64>(std::floor(*number)));
    }
    return 0;
}
