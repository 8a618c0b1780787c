// The decoder and disassembler against the cross tools' objdump, which nobody here wrote.
//
// Every first word 0000-FFFF is disassembled with sampled extension words, and so is every
// second word (high byte, with a spread of low bytes) behind each prefix (01x0, 78x0, 7Cx0-7Fxx,
// and the 01 00 78 / 01 40 78 forms' third word). The objdump in the toolchain also knows the
// later family members' instructions; where it shows one of those and the H8/300H has none,
// the decoder must say undefined (laterFamily() lists how those are recognised). Every opcode
// pattern of the H8/300H is covered; none is left out of the comparison.

#include "sim/isa.h"

#include "support/rowname.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <ostream>
#include <random>
#include <regex>
#include <string>
#include <vector>

using namespace vesk::sim;

namespace {

constexpr size_t kWindow = 10; // the longest instruction
// A slot holds one candidate and zeros (NOPs). Whatever objdump makes of the candidate's tail
// starts before byte 10 and is at most 10 bytes long, so the next slot starts in step.
constexpr size_t kSlot = 18;

using Window = std::array<uint8_t, kWindow>;

std::vector<Window> candidates()
{
    std::vector<Window> out;
    std::mt19937 rng(15);
    auto fillRandom = [&](Window &w, size_t from) {
        for (size_t i = from; i < kWindow; ++i)
            w[i] = static_cast<uint8_t>(rng());
    };
    const Window fixed = {0, 0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    for (unsigned word = 0; word < 0x10000; ++word) {
        Window w = fixed;
        w[0] = static_cast<uint8_t>(word >> 8);
        w[1] = static_cast<uint8_t>(word);
        out.push_back(w);
        fillRandom(w, 2);
        out.push_back(w);
    }
    // The word after a prefix selects the operation: every high byte, a spread of low bytes.
    const std::vector<std::vector<uint8_t>> prefixes = {{0x01, 0x00},
                                                        {0x01, 0x10},
                                                        {0x01, 0x20},
                                                        {0x01, 0x30},
                                                        {0x01, 0x40},
                                                        {0x01, 0x50},
                                                        {0x01, 0x60},
                                                        {0x01, 0x70},
                                                        {0x01, 0x80},
                                                        {0x01, 0x90},
                                                        {0x01, 0xA0},
                                                        {0x01, 0xB0},
                                                        {0x01, 0xC0},
                                                        {0x01, 0xD0},
                                                        {0x01, 0xE0},
                                                        {0x01, 0xF0},
                                                        {0x01, 0x41},
                                                        {0x78, 0x00},
                                                        {0x78, 0x70},
                                                        {0x78, 0x08},
                                                        {0x7C, 0x00},
                                                        {0x7C, 0x50},
                                                        {0x7C, 0x08},
                                                        {0x7D, 0x00},
                                                        {0x7D, 0x60},
                                                        {0x7E, 0x12},
                                                        {0x7E, 0xF0},
                                                        {0x7F, 0x00},
                                                        {0x7F, 0x5A},
                                                        {0x7B, 0x5C},
                                                        {0x7B, 0xD4},
                                                        {0x01, 0x00, 0x78, 0x10},
                                                        {0x01, 0x00, 0x78, 0x70},
                                                        {0x01, 0x40, 0x78, 0x30},
                                                        {0x01, 0x40, 0x78, 0x00},
                                                        {0x01, 0x00, 0x78, 0xF0},
                                                        {0x01, 0x00, 0x78, 0x18},
                                                        {0x01, 0x40, 0x78, 0xB0},
                                                        {0x78, 0x80},
                                                        {0x7C, 0x80},
                                                        {0x7D, 0xF0}};
    const uint8_t lows[] = {0x00, 0x08, 0x20, 0x70, 0x80, 0xA0, 0xA8,
                            0xF0, 0x35, 0xA3, 0xC7, 0x0F, 0x8F};
    for (const auto &p : prefixes) {
        for (unsigned hi = 0; hi < 256; ++hi) {
            for (uint8_t lo : lows) {
                Window w = fixed;
                fillRandom(w, 0);
                size_t i = 0;
                for (uint8_t b : p)
                    w[i++] = b;
                w[i++] = static_cast<uint8_t>(hi);
                w[i++] = lo;
                out.push_back(w);
            }
        }
    }
    return out;
}

std::string normalized(const std::string &text)
{
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// objdump's decodings of encodings that only later family members define. The H8/300H has no
// such instruction, so the decoder must call these undefined.
bool laterFamily(const Window &w, const std::string &text)
{
    static const std::regex marks(
        // mnemonics of later members
        R"(^(rts/l|rte/l|mova|movmd|movsd|bpt|clrmac|ldmac|stmac|mac|tas|ldm|stm|mulu|muls|)"
        R"(divu|divs|bra/|bsr/|bset/|bclr/|bistz|bstz|bra[bs]|bsr[bs]|movab|bfld|bfst|)"
        R"(nop/|sleep/|trapa/|cmp/|movfpe/)\b)"
        // their addressing: extended control registers, :2 displacements, indexed and
        // pre-increment forms, memory-to-memory and immediate-to-memory, branch via register
        R"(|exr|vbr|sbr|:2,|\.[bwl]\)|@\+|@er[0-7]-|^[a-z.]+ @[^,]*,@|^[a-z.]+ #[^,]*,@)"
        R"(|^(bra|bsr) e?r|^(sh|rot)[a-z]*\.[bwl] #|^ext[su]\.l #)");
    if (std::regex_search(text, marks))
        return true;
    // Short immediates of the later members share their text with the H8/300H's long forms:
    // 0A/0F/1A/1F 1x-7x (word) and 0A/0F/1A/1F [1xxx][1xxx] (longword).
    const unsigned b0 = w[0], b1 = w[1];
    if (b0 == 0x0A || b0 == 0x0F || b0 == 0x1A || b0 == 0x1F) {
        if ((b1 >= 0x10 && b1 < 0x80) || (b1 & 0x88) == 0x88)
            return true;
    }
    if (b0 == 0x7A && (b1 & 0x08) != 0) // #xx:16 into a 32-bit register
        return true;
    // JMP/JSR through a table above 255, and the 32-bit absolute JMP/JSR.
    if ((b0 == 0x59 || b0 == 0x5D) && (b1 & 0x8F) != 0)
        return true;
    // 78 [0 ERn]0 prefixes only @(d:24,ERn) moves; other 78 words are the later members'.
    if (b0 == 0x78 && (b1 & 0x8F) != 0)
        return true;
    // 7C-7F prefix only the bit instructions; the later members also put arithmetic there.
    if (b0 >= 0x7C && b0 <= 0x7F) {
        const unsigned b2 = w[2];
        return !(b2 == 0x67 || (b2 >= 0x60 && b2 <= 0x63) || (b2 >= 0x70 && b2 <= 0x77));
    }
    return false;
}

struct Outcome
{
    size_t checked = 0;
    size_t later = 0;
    std::map<std::string, std::vector<std::string>> bad; // by pattern, or first byte
    std::map<std::string, size_t> badCount;
};

std::string hex(const Window &w, size_t n)
{
    std::string s;
    char buf[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", w[i]);
        s += buf;
        s += ' ';
    }
    return s;
}

TEST(IsaAgainstObjdump, EveryFirstWordDisassemblesAsObjdumpDoes)
{
    const QString objdump = QStandardPaths::findExecutable("h8300-hms-objdump");
    if (objdump.isEmpty())
        GTEST_SKIP() << "h8300-hms-objdump is not installed";

    const auto cases = candidates();
    QByteArray blob(static_cast<qsizetype>(cases.size() * kSlot), '\0');
    for (size_t i = 0; i < cases.size(); ++i)
        std::copy(cases[i].begin(), cases[i].end(), blob.begin() + qsizetype(i * kSlot));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("blob.bin");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(blob), blob.size());
    }
    QProcess p;
    p.start(objdump, {"-z", "-D", "-b", "binary", "-m", "h8300h", "--no-show-raw-insn", path});
    ASSERT_TRUE(p.waitForFinished(-1));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QByteArray listing = p.readAllStandardOutput();

    // "   2a:\tmov.b\tr0h,@0x12:8" lines; keep those at a slot's start.
    std::vector<std::string> theirs(cases.size());
    size_t found = 0;
    for (const QByteArray &line : listing.split('\n')) {
        const qsizetype colon = line.indexOf(":\t");
        if (colon < 0)
            continue;
        bool ok = false;
        const qulonglong addr = line.left(colon).trimmed().toULongLong(&ok, 16);
        if (!ok || addr % kSlot != 0 || addr / kSlot >= cases.size())
            continue;
        theirs[addr / kSlot] = line.mid(colon + 2).toStdString();
        ++found;
    }
    ASSERT_EQ(found, cases.size()) << "objdump's listing lost step with the slots";

    Outcome out;
    for (size_t i = 0; i < cases.size(); ++i) {
        const Window &w = cases[i];
        const auto address = static_cast<uint32_t>(i * kSlot);
        const Decoded d = decode(w.data(), w.size());
        const std::string want = normalized(theirs[i]);
        std::string mine;
        bool agree = false;
        if (d.valid()) {
            mine = normalized(disassemble(d, address));
            agree = mine == want;
        } else if (want.rfind(".word", 0) == 0) {
            agree = true;
        } else if (laterFamily(w, want)) {
            agree = true;
            ++out.later;
        } else {
            mine = "(undefined)";
        }
        ++out.checked;
        if (agree)
            continue;
        char first[32];
        std::snprintf(first, sizeof first, "undefined here, first byte %02x", w[0]);
        const std::string key = d.valid() ? patternName(d.pattern) : first;
        ++out.badCount[key];
        auto &ex = out.bad[key];
        if (ex.size() < 6)
            ex.push_back(hex(w, d.valid() ? d.length : 4) + "objdump \"" + want + "\" ours \"" +
                         mine + "\"");
    }

    std::string report;
    for (const auto &[row, examples] : out.bad) {
        report += row + ": " + std::to_string(out.badCount[row]) + " mismatches\n";
        for (const auto &e : examples)
            report += "    " + e + "\n";
    }
    EXPECT_TRUE(out.bad.empty()) << report;
    EXPECT_GT(out.later, 0u); // the later-family filter is exercised, not vacuous
}

// Every row of the table is reached by some word, so none is shadowed by an earlier one.
TEST(IsaTable, EveryPatternDecodesSomething)
{
    std::vector<bool> seen(patternCount());
    for (const auto &w : candidates()) {
        const Decoded d = decode(w.data(), w.size());
        seen[d.pattern] = true;
    }
    for (size_t r = 1; r < seen.size(); ++r)
        EXPECT_TRUE(seen[r]) << patternName(r);
}

struct StateRow
{
    const char *name;
    std::vector<uint8_t> bytes;
    int states;

    friend void PrintTo(const StateRow &row, std::ostream *os) { *os << row.name; }
};

class IsaStates : public testing::TestWithParam<StateRow>
{
};

// Figures from the manual's execution-state table, on-chip memory, advanced mode.
INSTANTIATE_TEST_SUITE_P(
    Manual, IsaStates,
    testing::Values(
        StateRow{"Nop", {0x00, 0x00}, 2}, StateRow{"MovBReg", {0x0C, 0x80}, 2},
        StateRow{"MovLImm", {0x7A, 0x00, 0, 0, 0, 1}, 6},
        StateRow{"MovWImm", {0x79, 0x00, 0x12, 0x34}, 4}, StateRow{"MovBInd", {0x68, 0x08}, 4},
        StateRow{"MovLDisp16", {0x01, 0x00, 0x6F, 0x60, 0x00, 0x10}, 10},
        StateRow{"MovLDisp24", {0x01, 0x00, 0x78, 0x10, 0x6B, 0x20, 0, 0x12, 0x34, 0x56}, 14},
        StateRow{"PopL", {0x01, 0x00, 0x6D, 0x70}, 10}, StateRow{"PushW", {0x6D, 0xF0}, 6},
        StateRow{"BccD8", {0x46, 0x10}, 4}, StateRow{"BccD16", {0x58, 0x60, 0x01, 0x00}, 6},
        StateRow{"BsrD8", {0x55, 0x10}, 8}, StateRow{"BsrD16", {0x5C, 0, 1, 0}, 10},
        StateRow{"JsrAbs24", {0x5E, 0x00, 0x12, 0x34}, 10}, StateRow{"JsrInd", {0x5D, 0x10}, 8},
        StateRow{"JsrMemInd", {0x5F, 0x20}, 12}, StateRow{"JmpAbs24", {0x5A, 0x00, 0x12, 0x34}, 6},
        StateRow{"Rts", {0x54, 0x70}, 10}, StateRow{"Rte", {0x56, 0x70}, 10},
        StateRow{"Trapa", {0x57, 0x20}, 14}, StateRow{"MulxuB", {0x50, 0x12}, 14},
        StateRow{"DivxuW", {0x53, 0x12}, 22}, StateRow{"MulxsB", {0x01, 0xC0, 0x50, 0x12}, 16},
        StateRow{"BsetMem", {0x7D, 0x10, 0x70, 0x30}, 8},
        StateRow{"BtstMem", {0x7C, 0x10, 0x73, 0x30}, 6},
        StateRow{"LdcInd", {0x01, 0x40, 0x69, 0x30}, 6},
        StateRow{"EepmovB", {0x7B, 0x5C, 0x59, 0x8F}, 8}),
    vesk::test::RowName());

TEST_P(IsaStates, MatchManual)
{
    const auto &row = GetParam();
    const Decoded d = decode(row.bytes.data(), row.bytes.size());
    ASSERT_TRUE(d.valid());
    EXPECT_EQ(d.length, row.bytes.size());
    EXPECT_EQ(int{d.states}, row.states);
}

TEST(IsaDecode, TruncatedInstructionIsUndefined)
{
    const uint8_t movl[] = {0x7A, 0x00, 0x12, 0x34, 0x56, 0x78};
    EXPECT_FALSE(decode(movl, 5).valid());
    EXPECT_TRUE(decode(movl, 6).valid());
}

TEST(IsaDecode, OperandsCarryWhatTheExecutorNeeds)
{
    const uint8_t bsr[] = {0x55, 0xFE}; // a branch to itself
    const Decoded b = decode(bsr, 2);
    EXPECT_EQ(b.op, Op::BSR);
    EXPECT_EQ(b.dst.mode, Mode::Pc8);
    EXPECT_EQ(b.dst.value, 0u); // relative to the instruction: next (2) + displacement (-2)

    const uint8_t movw[] = {0x6B, 0x22, 0x00, 0xFF, 0xFF, 0x10};
    const Decoded m = decode(movw, 6);
    EXPECT_EQ(m.op, Op::MOV);
    EXPECT_EQ(m.size, Size::W);
    EXPECT_EQ(m.src.mode, Mode::Abs32);
    EXPECT_EQ(m.src.value, 0xFFFF10u);
    EXPECT_EQ(m.dst.mode, Mode::Reg16);
    EXPECT_EQ(m.dst.reg, 2);

    const uint8_t bne[] = {0x58, 0x60, 0xFF, 0xFC};
    const Decoded c = decode(bne, 4);
    EXPECT_EQ(c.op, Op::Bcc);
    EXPECT_EQ(c.cond, Cond::NE);
    EXPECT_EQ(static_cast<int32_t>(c.dst.value), 0);
}

} // namespace
