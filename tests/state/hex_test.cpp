#include "state/hex.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

using namespace vesk;

TEST(HexText, UpperCaseNoLeadingZerosTwosComplement)
{
    EXPECT_EQ(hexText(0), "0");
    EXPECT_EQ(hexText(0xFFDF50), "FFDF50");
    EXPECT_EQ(hexText(0x200), "200");
    EXPECT_EQ(hexText(-1), "FFFFFFFF");
    EXPECT_EQ(hexText(-32768), "FFFF8000");
    EXPECT_EQ(hexText(INT32_MIN), "80000000");
}

struct LenientCase
{
    const char *name;
    const char *text;
    qint32 value;
};

class ReadHexLenient : public testing::TestWithParam<LenientCase>
{
};

TEST_P(ReadHexLenient, Value)
{
    EXPECT_EQ(readHexLenient(QString::fromLatin1(GetParam().text)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadHexLenient,
    testing::Values(LenientCase{"Upper", "FFDF50", 0xFFDF50},
                    LenientCase{"Lower", "ffdf50", 0xFFDF50},
                    LenientCase{"StopsAtOther", "1F0;X", 0x1F0},
                    LenientCase{"BlankInside", "FF DF50", 0xFFDF50},
                    LenientCase{"TabsAndBlanks", " \t1 0", 0x10}, LenientCase{"NoDigit", "X1", 0},
                    LenientCase{"Empty", "", 0}, LenientCase{"Positive8000", "8000", 0x8000},
                    LenientCase{"Negative", "FFFF8000", -32768},
                    LenientCase{"MinusOne", "FFFFFFFF", -1},
                    LenientCase{"MoreThanEightKeepsLow32", "123456789", 0x23456789}),
    vesk::test::RowName());
