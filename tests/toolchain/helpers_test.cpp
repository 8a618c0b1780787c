// The runtime library's arithmetic against the host's for the same 32-bit operands.
#include <gtest/gtest.h>

#include <QMap>
#include <QProcess>
#include <QSet>
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

// The board's generator itself, worked out by hand from x = x * 1103515245 + 12345 (mod 2^32)
// and bits 16-30: the host's rand is another generator, so the oracle cannot show this.
TEST(Helpers, RandFollowsItsDocumentedSequence)
{
    for (const int expected : {16838, 5758, 10113, 17515, 31051, 5627})
        EXPECT_EQ(hostrand(), expected);
    hostsrand(7);
    for (const int expected : {19564, 9806, 10868, 22674})
        EXPECT_EQ(hostrand(), expected);
    hostsrand(0);
    for (const int expected : {0, 21468, 9988})
        EXPECT_EQ(hostrand(), expected);
}

TEST(Helpers, StrtolSetsErrnoOnlyWhenItClamps)
{
    char *end = nullptr;
    hosterrno = 0;
    EXPECT_EQ(hoststrtol("-2147483648", &end, 10), INT32_MIN);
    EXPECT_EQ(hosterrno, 0);
    EXPECT_EQ(hoststrtol("-2147483649", &end, 10), INT32_MIN);
    EXPECT_EQ(hosterrno, C38_ERANGE);
    hosterrno = 0;
    EXPECT_EQ(hoststrtoul("0x100000000", &end, 0), 0xFFFFFFFFu);
    EXPECT_EQ(hosterrno, C38_ERANGE);
    EXPECT_EQ(*end, '\0');
    hosterrno = 0;
    EXPECT_EQ(hoststrtol("7", &end, 37), 0);
    EXPECT_EQ(hosterrno, 0);
}

struct Member
{
    QByteArray name;
    QList<QByteArray> defined;
    QList<QByteArray> undefined;
};

// `nm` of an archive, member by member: the global symbols each defines and needs.
QList<Member> archiveMembers(const QByteArray &listing)
{
    QList<Member> members;
    for (const QByteArray &line : listing.split('\n')) {
        if (line.endsWith(".o:")) {
            members.append({line.chopped(1), {}, {}});
            continue;
        }
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (members.isEmpty() || fields.size() < 2)
            continue;
        const QByteArray &kind = fields[fields.size() - 2];
        if (kind == "U")
            members.last().undefined.append(fields.last());
        else if (kind == "T" || kind == "D" || kind == "B" || kind == "C")
            members.last().defined.append(fields.last());
    }
    return members;
}

// A helper the compiler turned back into a call to itself would recurse forever on the
// board, and a function that pulled in another's object would cost every program using it:
// the helpers need nothing, the rest only what the archive defines, one function a member.
TEST(Helpers, BoardLibraryReferencesOnlyItselfOneFunctionAMember)
{
    const QString nm = QStandardPaths::findExecutable("h8300-hms-nm");
    ASSERT_FALSE(nm.isEmpty());
    QProcess p;
    p.start(nm, {qEnvironmentVariable("VESK_BINARY_DIR") + "/toolchain/c38hab.lib"});
    ASSERT_TRUE(p.waitForFinished());
    ASSERT_EQ(p.exitCode(), 0);
    const QByteArray symbols = p.readAllStandardOutput();
    for (const char *name :
         {"___mulsi3", "___divsi3", "___udivsi3", "___modsi3", "___umodsi3", "_memcpy", "_memset",
          "_strlen", "_strstr", "_isxdigit", "_toupper", "_strtol", "_strtoul", "_qsort",
          "_bsearch", "_rand", "_srand", "_div", "_ldiv"})
        EXPECT_TRUE(symbols.contains(QByteArray(" T ") + name)) << name;

    const QList<Member> members = archiveMembers(symbols);
    QSet<QByteArray> defined;
    for (const Member &m : members)
        for (const QByteArray &name : m.defined)
            defined.insert(name);
    const QSet<QByteArray> helpers = {"mulsi3.o", "divsi3.o", "mem.o"};
    // The block functions gcc calls share one object, as do rand and srand with their state.
    const QMap<QByteArray, qsizetype> shared = {{"divsi3.o", 4}, {"mem.o", 4}, {"rand.o", 2}};
    for (const Member &m : members) {
        if (helpers.contains(m.name))
            EXPECT_TRUE(m.undefined.isEmpty()) << m.name.constData();
        for (const QByteArray &name : m.undefined)
            EXPECT_TRUE(defined.contains(name))
                << m.name.constData() << " needs " << name.constData();
        EXPECT_EQ(m.defined.size(), shared.value(m.name, 1)) << m.name.constData();
    }
}

} // namespace
