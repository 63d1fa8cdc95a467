#include <gtest/gtest.h>

#include "reg/RegFormatter.h"

using namespace pictavo;
using namespace pictavo::reg;

namespace {

struct LineRow {
    const char* name;
    QString valueName;
    RegValue value;
    QString line;
};

QString S(const char* s) {
    return QString::fromUtf8(s);
}

// clang-format off
const LineRow kLines[] = {
    {"String", S("FileName"), RegValue::text(S("My_Screenshot")), S("    FileName    REG_SZ    My_Screenshot\n")},
    // reg keeps the separators even when there is nothing after them.
    {"EmptyString", S("sResult"), RegValue::text(S("")), S("    sResult    REG_SZ    \n")},
    {"DefaultValue", S(""), RegValue::text(S("x")), S("    (Default)    REG_SZ    x\n")},
    {"Utf8String", S("Text"), RegValue::text(S("Gr\xc3\xbc\xc3\x9f" "e")), S("    Text    REG_SZ    Gr\xc3\xbc\xc3\x9f" "e\n")},
    {"ExpandStringUnexpanded", S("Dir"), RegValue::text(S("%HOME%\\x"), RegType::ExpandSz), S("    Dir    REG_EXPAND_SZ    %HOME%\\x\n")},
    {"DwordLowerCaseHex", S("Colour"), RegValue::dword(0xDEADBEEFu), S("    Colour    REG_DWORD    0xdeadbeef\n")},
    {"DwordShortRecordPadded", S("d"), RegValue{RegType::Dword, QByteArray("\x01", 1)}, S("    d    REG_DWORD    0x1\n")},
    {"BinaryUpperCaseHex", S("Bin"), RegValue{RegType::Binary, QByteArray("\x00\xff\x1a", 3)}, S("    Bin    REG_BINARY    00FF1A\n")},
    {"MultiString", S("MRU"), RegValue{RegType::MultiSz, QByteArray("fax\0mail\0\xc3\xa4", 11)}, S("    MRU    REG_MULTI_SZ    fax\\0mail\\0\xc3\xa4\n")},
    {"EmptyMultiString", S("MRU"), RegValue{RegType::MultiSz, {}}, S("    MRU    REG_MULTI_SZ    \n")},
    {"NoneAsHex", S("n"), RegValue{RegType::None, QByteArray("\x01\x02", 2)}, S("    n    REG_NONE    0102\n")},
};
// clang-format on

TEST(RegFormatter, ValueLineShowsNameTypeAndData) {
    for (const LineRow& row : kLines) {
        EXPECT_EQ(RegFormatter::valueLine(row.valueName, row.value), row.line) << row.name;
    }
}

}  // namespace
