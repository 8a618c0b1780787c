// The runtime library's arithmetic against the host's for the same 32-bit operands.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <cstdint>
#include <cstring>
#include <random>

#include "support/rowname.h"

extern "C" {
#define C38HAB_NAME(name) host##name
#include "c38hab.h"
}

namespace {

struct Operands
{
    std::string name;
    uint32_t a;
    uint32_t b;
};

std::vector<Operands> operandTable()
{
    std::vector<Operands> rows = {
        {"ZeroByOne", 0, 1},
        {"OneByOne", 1, 1},
        {"MinusOneByOne", 0xFFFFFFFF, 1},
        {"OneByMinusOne", 1, 0xFFFFFFFF},
        {"MinusOneByMinusOne", 0xFFFFFFFF, 0xFFFFFFFF},
        {"MaxByOne", 0x7FFFFFFF, 1},
        {"MaxByMinusOne", 0x7FFFFFFF, 0xFFFFFFFF},
        {"MaxByMax", 0x7FFFFFFF, 0x7FFFFFFF},
        {"MinByOne", 0x80000000, 1},
        {"MinByMax", 0x80000000, 0x7FFFFFFF},
        {"MaxByMin", 0x7FFFFFFF, 0x80000000},
        {"MinByMin", 0x80000000, 0x80000000},
        {"MinByTwo", 0x80000000, 2},
        {"MinusSevenByTwo", uint32_t(-7), 2},
        {"SevenByMinusTwo", 7, uint32_t(-2)},
        {"HalvesCarry", 0x0001FFFF, 0x00010001},
        {"HighHalvesOnly", 0x12340000, 0x56780000},
        {"SmallerDividend", 3, 0xFFFFFFF0},
    };
    std::mt19937 gen(0x38);
    for (int i = 0; i < 10; ++i) {
        // Mix full-width operands with short divisors, where quotients have many bits.
        const auto a = uint32_t(gen());
        const auto b = uint32_t((gen() & 1) ? gen() : gen() >> (gen() % 31));
        rows.push_back({"Random" + std::to_string(i), a, b ? b : 1});
    }
    return rows;
}

class Helpers : public ::testing::TestWithParam<Operands>
{
};

TEST_P(Helpers, MatchTheHostForSignedAndUnsigned)
{
    const uint32_t ua = GetParam().a, ub = GetParam().b;
    const int32_t sa = int32_t(ua), sb = int32_t(ub);

    EXPECT_EQ(host__mulsi3(ua, ub), ua * ub);
    EXPECT_EQ(host__udivsi3(ua, ub), ua / ub);
    EXPECT_EQ(host__umodsi3(ua, ub), ua % ub);
    EXPECT_EQ(host__divsi3(sa, sb), sa / sb);
    EXPECT_EQ(host__modsi3(sa, sb), sa % sb);
}

INSTANTIATE_TEST_SUITE_P(Operands, Helpers, ::testing::ValuesIn(operandTable()),
                         vesk::test::RowName());

// Overflows in C (and traps on the host); the board wraps it as two's complement does.
TEST(Helpers, MinDividedByMinusOneWraps)
{
    EXPECT_EQ(host__divsi3(INT32_MIN, -1), INT32_MIN);
    EXPECT_EQ(host__modsi3(INT32_MIN, -1), 0);
}

TEST(Helpers, ZeroDivisorGivesAllOnesAndTheDividend)
{
    EXPECT_EQ(host__udivsi3(1234, 0), 0xFFFFFFFFu);
    EXPECT_EQ(host__umodsi3(1234, 0), 1234u);
}

TEST(Helpers, MemmoveCopiesOverlapsInBothDirections)
{
    char up[] = "abcdefgh";
    hostmemmove(up + 2, up, 5);
    EXPECT_STREQ(up, "ababcdeh");
    char down[] = "abcdefgh";
    hostmemmove(down, down + 2, 5);
    EXPECT_STREQ(down, "cdefgfgh");
}

TEST(Helpers, MemcmpOrdersBytesAsUnsigned)
{
    const unsigned char low[] = {0x01, 0x7F}, high[] = {0x01, 0x80};
    EXPECT_LT(hostmemcmp(low, high, 2), 0);
    EXPECT_GT(hostmemcmp(high, low, 2), 0);
    EXPECT_EQ(hostmemcmp(low, high, 1), 0);
}

// A helper the compiler turned back into a call to itself would recurse forever on the
// board; the library built for it must not need any symbol.
TEST(Helpers, BoardLibraryReferencesNoSymbol)
{
    const QString nm = QStandardPaths::findExecutable("h8300-hms-nm");
    ASSERT_FALSE(nm.isEmpty());
    QProcess p;
    p.start(nm, {qEnvironmentVariable("VESK_BINARY_DIR") + "/toolchain/c38hab.lib"});
    ASSERT_TRUE(p.waitForFinished());
    ASSERT_EQ(p.exitCode(), 0);
    const QByteArray symbols = p.readAllStandardOutput();
    for (const char *name :
         {"___mulsi3", "___divsi3", "___udivsi3", "___modsi3", "___umodsi3", "_memcpy", "_memset"})
        EXPECT_TRUE(symbols.contains(QByteArray(" T ") + name)) << name;
    EXPECT_FALSE(symbols.contains(" U ")) << symbols.constData();
}

} // namespace
