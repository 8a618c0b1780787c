#include "board/ledlines.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::chrono_literals;
using vesk::board::LedLines;

namespace {

constexpr int PA = 9;
constexpr int PB = 10;

TEST(LedLines, ShowBit7FirstWithAFilledLedForAOne)
{
    EXPECT_EQ(LedLines::line(PB, 0x81), QString::fromUtf8("PB ●○○○○○○●"));
    EXPECT_EQ(LedLines::line(PA, 0x01), QString::fromUtf8("PA ○○○○○○○●"));
}

struct Change
{
    int ms;
    int port;
    quint8 value;
};

// "MS PORT HEX" for each line printed, at the moment it is printed: lines are taken at each
// change and whenever the printer says one is due.
std::vector<std::string> printed(const std::vector<Change> &changes)
{
    LedLines leds;
    std::vector<std::string> out;
    const auto take = [&](LedLines::Time now) {
        for (const QString &line : leds.take(now)) {
            int value = 0;
            for (const QChar c : line.mid(3))
                value = value << 1 | (c == QChar(0x25CF) ? 1 : 0);
            out.push_back(std::to_string(now / 1ms) + " " + line.left(2).toStdString() + " " +
                          QString("%1").arg(value, 2, 16, QChar('0')).toUpper().toStdString());
        }
    };
    for (const Change &c : changes) {
        const LedLines::Time t = std::chrono::milliseconds(c.ms);
        while (leds.deadline() && *leds.deadline() <= t)
            take(*leds.deadline());
        leds.change(c.port, c.value);
        take(t);
    }
    while (leds.deadline())
        take(*leds.deadline());
    return out;
}

struct RateRow
{
    const char *name;
    std::vector<Change> changes;
    std::vector<std::string> lines;
};

void PrintTo(const RateRow &row, std::ostream *os)
{
    *os << row.name;
}

class LedLineRate : public testing::TestWithParam<RateRow>
{
};

TEST_P(LedLineRate, PrintsTheLatestValueAtMost30TimesASecond)
{
    EXPECT_EQ(printed(GetParam().changes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Rate, LedLineRate,
    testing::Values(RateRow{"AFirstChangeShowsAtOnce", {{0, PB, 0x01}}, {"0 PB 01"}},
                    RateRow{"SlowChangesShowEach",
                            {{0, PB, 0x01}, {100, PB, 0x02}, {200, PB, 0x04}},
                            {"0 PB 01", "100 PB 02", "200 PB 04"}},
                    RateRow{"ABurstShowsItsLatestValueAtTheNextMoment",
                            {{0, PB, 0x01}, {1, PB, 0x02}, {2, PB, 0x03}},
                            {"0 PB 01", "33 PB 03"}},
                    RateRow{"BackToTheShownValueAddsNoLine",
                            {{0, PB, 0x01}, {1, PB, 0x02}, {2, PB, 0x01}},
                            {"0 PB 01"}},
                    RateRow{"TwoPortsShareTheRate",
                            {{0, PA, 0x01}, {0, PB, 0x01}, {1, PA, 0x02}},
                            {"0 PA 01", "33 PB 01", "66 PA 02"}}),
    vesk::test::RowName());

TEST(LedLines, AThousandChangesInASecondGiveAt30LinesAndEndOnTheLatest)
{
    std::vector<Change> changes;
    for (int ms = 0; ms < 1000; ++ms)
        changes.push_back({ms, PB, quint8(ms)});
    const auto lines = printed(changes);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().substr(lines.back().size() - 2), "E7"); // 999 & 0xFF
    // Lines a gap apart, so any one second holds at most 30.
    for (size_t i = 30; i < lines.size(); ++i)
        EXPECT_GE(std::stoi(lines[i]) - std::stoi(lines[i - 30]), 1000 - 1) << i;
}

} // namespace
