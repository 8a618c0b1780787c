#include "state/settings.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

using namespace vesk;

TEST(SettingsFile, WritesFiveCrLfLines)
{
    const Settings s{"C:\\WORK\\", 0xFFDF50, "C:\\WORK\\", 0xFFDF50, 0x200};
    EXPECT_EQ(formatSettings(s), "C:\\WORK\\\r\nFFDF50\r\nC:\\WORK\\\r\nFFDF50\r\n200\r\n");
}

TEST(SettingsFile, RoundTripsDirectoriesThatNeedQuotes)
{
    for (const QString dir :
         {"C:\\A,B\\", " C:\\lead\\", "\"C:\\q\\", "C:\\日本語 dir\\", "C:\\line\nbreak\\"}) {
        SCOPED_TRACE(dir.toStdString());
        const Settings s{dir, -1, dir, 0x10, 0x180};
        const auto back = parseSettings(QString::fromUtf8(formatSettings(s)));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->WorkDir, dir);
        EXPECT_EQ(back->BinDir, dir);
        EXPECT_EQ(back->MainOfs, -1);
        EXPECT_EQ(back->RamOfs, 0x10);
        EXPECT_EQ(back->RomOfs, 0x180);
    }
    // Ordinary directories are written verbatim, without quotes.
    EXPECT_TRUE(formatSettings({"C:\\W\\", 0, "D:\\", 0, 0}).startsWith("C:\\W\\\r\n"));
}

struct ReadCase
{
    const char *name;
    const char *text;
    bool ok;
    Settings expected;
};

class SettingsRead : public testing::TestWithParam<ReadCase>
{
};

TEST_P(SettingsRead, Fields)
{
    const auto got = parseSettings(QString::fromUtf8(GetParam().text));
    ASSERT_EQ(bool(got), GetParam().ok);
    if (!got)
        return;
    const Settings &e = GetParam().expected;
    EXPECT_EQ(got->WorkDir, e.WorkDir);
    EXPECT_EQ(got->MainOfs, e.MainOfs);
    EXPECT_EQ(got->BinDir, e.BinDir);
    EXPECT_EQ(got->RamOfs, e.RamOfs);
    EXPECT_EQ(got->RomOfs, e.RomOfs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsRead,
    testing::Values(ReadCase{"Plain",
                             "C:\\W\\\r\nFFDF50\r\nC:\\H8\\\r\nFFDF50\r\n200\r\n",
                             true,
                             {"C:\\W\\", 0xFFDF50, "C:\\H8\\", 0xFFDF50, 0x200}},
                    ReadCase{"LowerCaseAndNoise",
                             "C:\\W\r\nffdf50\r\nC:\\H8\r\n1F0;X\r\nFF DF50",
                             true,
                             {"C:\\W", 0xFFDF50, "C:\\H8", 0x1F0, 0xFFDF50}},
                    ReadCase{"NotHexReadsZero",
                             "C:\\W\\\r\nxyz\r\nC:\\\r\n0\r\n0\r\n",
                             true,
                             {"C:\\W\\", 0, "C:\\", 0, 0}},
                    ReadCase{"EmptyThirdLine",
                             "C:\\W\\\r\n200\r\n\r\nFFDF50\r\n200\r\n",
                             true,
                             {"C:\\W\\", 0x200, "", 0xFFDF50, 0x200}},
                    ReadCase{"SixthLineIgnored",
                             "C:\\W\\\r\n200\r\nC:\\\r\n10\r\n20\r\nextra\r\n",
                             true,
                             {"C:\\W\\", 0x200, "C:\\", 0x10, 0x20}},
                    ReadCase{"LfOnly",
                             "C:\\W\\\n200\nC:\\\n10\n20\n",
                             true,
                             {"C:\\W\\", 0x200, "C:\\", 0x10, 0x20}},
                    // An unquoted comma shifts every later field by one, as the reader always did.
                    ReadCase{"CommaShiftsFields",
                             "C:\\A,B\\\r\nFFDF50\r\nC:\\H8\\\r\nFFDF50\r\n200\r\n",
                             true,
                             {"C:\\A", 0xB, "FFDF50", 0xC, 0xFFDF50}},
                    // A quote left by a hand edit is read as far as its line goes; it never
                    // swallows the lines after it.
                    ReadCase{"StrayQuoteEndsWithItsLine",
                             "\"C:\\W\\\r\nFFDF50\r\nC:\\H8\\\r\nFFDF50\r\n200\r\n",
                             true,
                             {"C:\\W\\", 0xFFDF50, "C:\\H8\\", 0xFFDF50, 0x200}},
                    ReadCase{"StrayQuoteBeforeAQuotedDirectory",
                             "\"C:\\W\\\r\n200\r\n\"C:\\A,B\\\"\r\n10\r\n20\r\n",
                             true,
                             {"C:\\W\\", 0x200, "C:\\A,B\\", 0x10, 0x20}},
                    ReadCase{"StrayQuoteAtTheEndOfALine",
                             "C:\\W\\\r\n200\r\nC:\\H8\\\"\r\n10\r\n20\r\n",
                             true,
                             {"C:\\W\\", 0x200, "C:\\H8\\\"", 0x10, 0x20}},
                    ReadCase{"DirectoryQuotedAcrossLines",
                             "\"C:\\line\r\nbreak\\\"\r\n200\r\nC:\\\r\n10\r\n20\r\n",
                             true,
                             {"C:\\line\r\nbreak\\", 0x200, "C:\\", 0x10, 0x20}},
                    ReadCase{"ThreeLinesEndEarly", "C:\\W\\\r\nFFDF50\r\nC:\\H8\\\r\n", false, {}},
                    ReadCase{"Empty", "", false, {}}),
    vesk::test::RowName());
