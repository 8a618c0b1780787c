#include "sim/alu.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

using vesk::sim::Ccr;

namespace {

// The oracle: the programming manual's bit equations for each instruction, written out over
// the sign bit (m), the half-carry bit (3, 11 or 27) and bit 0 of the source S, the
// destination D and the result R, on 64-bit integers so that nothing is shared with the code
// under test.
enum class Op {
    Add,
    Addx,
    Sub,
    Subx,
    Cmp,
    Neg,
    Inc1,
    Inc2,
    Dec1,
    Dec2,
    And,
    Or,
    Xor,
    Not,
    Mov,
    Shal,
    Shar,
    Shll,
    Shlr,
    Rotl,
    Rotr,
    Rotxl,
    Rotxr,
};

struct Expected
{
    uint64_t result;
    uint8_t ccr;
};

bool bitOf(uint64_t x, int k)
{
    return ((x >> k) & 1) != 0;
}

struct Flags
{
    bool h, n, z, v, c;
};

uint8_t put(uint8_t ccr, uint8_t mask, const Flags &f)
{
    const uint8_t bits =
        static_cast<uint8_t>((f.h ? Ccr::kH : 0) | (f.n ? Ccr::kN : 0) | (f.z ? Ccr::kZ : 0) |
                             (f.v ? Ccr::kV : 0) | (f.c ? Ccr::kC : 0));
    return static_cast<uint8_t>((ccr & ~mask) | (bits & mask));
}

Expected oracle(Op op, int n, uint64_t D, uint64_t S, uint8_t ccr)
{
    const uint64_t mask = (uint64_t{1} << n) - 1;
    const int m = n - 1;
    const int h = n - 5;
    const bool cin = (ccr & Ccr::kC) != 0;
    const bool zin = (ccr & Ccr::kZ) != 0;
    const uint8_t hnzvc = Ccr::kH | Ccr::kN | Ccr::kZ | Ccr::kV | Ccr::kC;
    const uint8_t nzvc = Ccr::kN | Ccr::kZ | Ccr::kV | Ccr::kC;
    const uint8_t nzv = Ccr::kN | Ccr::kZ | Ccr::kV;
    uint64_t R = 0;
    const bool Dm = bitOf(D, m), Sm = bitOf(S, m), D3 = bitOf(D, h), S3 = bitOf(S, h);
    const bool D0 = bitOf(D, 0), Dm1 = bitOf(D, m - 1);
    auto Rm = [&] { return bitOf(R, m); };
    auto R3 = [&] { return bitOf(R, h); };
    auto zero = [&] { return (R & mask) == 0; };
    switch (op) {
    case Op::Add:
    case Op::Addx: {
        R = (D + S + (op == Op::Addx && cin ? 1 : 0)) & mask;
        Flags f{(S3 && D3) || (D3 && !R3()) || (S3 && !R3()), Rm(), zero(),
                (Sm && Dm && !Rm()) || (!Sm && !Dm && Rm()),
                (Sm && Dm) || (Dm && !Rm()) || (Sm && !Rm())};
        if (op == Op::Addx)
            f.z = zero() && zin;
        return {R, put(ccr, hnzvc, f)};
    }
    case Op::Sub:
    case Op::Subx:
    case Op::Cmp: {
        R = (D - S - (op == Op::Subx && cin ? 1 : 0)) & mask;
        Flags f{(S3 && !D3) || (!D3 && R3()) || (S3 && R3()), Rm(), zero(),
                (!Sm && Dm && !Rm()) || (Sm && !Dm && Rm()),
                (Sm && !Dm) || (!Dm && Rm()) || (Sm && Rm())};
        if (op == Op::Subx)
            f.z = zero() && zin;
        return {op == Op::Cmp ? D : R, put(ccr, hnzvc, f)};
    }
    case Op::Neg:
        R = (0 - D) & mask;
        return {R, put(ccr, hnzvc, {D3 || R3(), Rm(), zero(), Dm && Rm(), Dm || Rm()})};
    case Op::Inc1:
    case Op::Inc2:
        R = (D + (op == Op::Inc1 ? 1 : 2)) & mask;
        return {R, put(ccr, nzv, {false, Rm(), zero(), !Dm && Rm(), false})};
    case Op::Dec1:
    case Op::Dec2:
        R = (D - (op == Op::Dec1 ? 1 : 2)) & mask;
        return {R, put(ccr, nzv, {false, Rm(), zero(), Dm && !Rm(), false})};
    case Op::And:
    case Op::Or:
    case Op::Xor:
    case Op::Not:
    case Op::Mov:
        R = op == Op::And   ? D & S
            : op == Op::Or  ? D | S
            : op == Op::Xor ? D ^ S
            : op == Op::Not ? ~D & mask
                            : D;
        return {R, put(ccr, nzv, {false, Rm(), zero(), false, false})};
    case Op::Shal:
    case Op::Shll:
        R = (D << 1) & mask;
        return {R, put(ccr, nzvc, {false, Rm(), zero(), op == Op::Shal && Dm != Dm1, Dm})};
    case Op::Shar:
        R = (D >> 1) | (Dm ? uint64_t{1} << m : 0);
        return {R, put(ccr, nzvc, {false, Rm(), zero(), false, D0})};
    case Op::Shlr:
        R = D >> 1;
        return {R, put(ccr, nzvc, {false, false, zero(), false, D0})};
    case Op::Rotl:
        R = ((D << 1) & mask) | (Dm ? 1 : 0);
        return {R, put(ccr, nzvc, {false, Rm(), zero(), false, Dm})};
    case Op::Rotr:
        R = (D >> 1) | (D0 ? uint64_t{1} << m : 0);
        return {R, put(ccr, nzvc, {false, Rm(), zero(), false, D0})};
    case Op::Rotxl:
        R = ((D << 1) & mask) | (cin ? 1 : 0);
        return {R, put(ccr, nzvc, {false, Rm(), zero(), false, Dm})};
    case Op::Rotxr:
        R = (D >> 1) | (cin ? uint64_t{1} << m : 0);
        return {R, put(ccr, nzvc, {false, Rm(), zero(), false, D0})};
    }
    return {};
}

template <typename T> uint64_t run(Op op, T d, T s, Ccr &ccr)
{
    using namespace vesk::sim;
    switch (op) {
    case Op::Add:
        return add(d, s, ccr);
    case Op::Addx:
        return addx(d, s, ccr);
    case Op::Sub:
        return sub(d, s, ccr);
    case Op::Subx:
        return subx(d, s, ccr);
    case Op::Cmp:
        cmp(d, s, ccr);
        return d;
    case Op::Neg:
        return neg(d, ccr);
    case Op::Inc1:
        return inc(d, T{1}, ccr);
    case Op::Inc2:
        return inc(d, T{2}, ccr);
    case Op::Dec1:
        return dec(d, T{1}, ccr);
    case Op::Dec2:
        return dec(d, T{2}, ccr);
    case Op::And:
        return bitAnd(d, s, ccr);
    case Op::Or:
        return bitOr(d, s, ccr);
    case Op::Xor:
        return bitXor(d, s, ccr);
    case Op::Not:
        return bitNot(d, ccr);
    case Op::Mov:
        return mov(d, ccr);
    case Op::Shal:
        return shal(d, ccr);
    case Op::Shar:
        return shar(d, ccr);
    case Op::Shll:
        return shll(d, ccr);
    case Op::Shlr:
        return shlr(d, ccr);
    case Op::Rotl:
        return rotl(d, ccr);
    case Op::Rotr:
        return rotr(d, ccr);
    case Op::Rotxl:
        return rotxl(d, ccr);
    case Op::Rotxr:
        return rotxr(d, ccr);
    }
    return 0;
}

struct EdgeRow
{
    std::string name;
    Op op;
    int bits;
};

void PrintTo(const EdgeRow &row, std::ostream *os)
{
    *os << row.name;
}

class FlagsAtTheEdges : public testing::TestWithParam<EdgeRow>
{
};

// Every pair of edge operands, from a CCR of all zeros, all ones, C alone and Z alone, so
// that carry-in, Z-keeping and the bits an instruction must not touch are all exercised.
TEST_P(FlagsAtTheEdges, MatchTheManualsEquations)
{
    const EdgeRow &row = GetParam();
    const uint64_t mask = (uint64_t{1} << row.bits) - 1;
    const uint64_t edges[] = {0,          1,          2,          0x0f,      0x10,   0x7f,
                              0x80,       0xff,       0x0fff,     0x7fff,    0x8000, 0xffff,
                              0x0fffffff, 0x7fffffff, 0x80000000, 0xffffffff};
    const uint8_t ccrs[] = {0x00, 0xff, Ccr::kC, Ccr::kZ};
    for (uint64_t d : edges) {
        for (uint64_t s : edges) {
            for (uint8_t before : ccrs) {
                const uint64_t D = d & mask, S = s & mask;
                const Expected want = oracle(row.op, row.bits, D, S, before);
                Ccr ccr{before};
                uint64_t got = 0;
                if (row.bits == 8)
                    got =
                        run<uint8_t>(row.op, static_cast<uint8_t>(D), static_cast<uint8_t>(S), ccr);
                else if (row.bits == 16)
                    got = run<uint16_t>(row.op, static_cast<uint16_t>(D), static_cast<uint16_t>(S),
                                        ccr);
                else
                    got = run<uint32_t>(row.op, static_cast<uint32_t>(D), static_cast<uint32_t>(S),
                                        ccr);
                SCOPED_TRACE(testing::Message() << std::hex << "D=" << D << " S=" << S
                                                << " ccr before=" << int{before});
                EXPECT_EQ(got, want.result);
                EXPECT_EQ(int{ccr.value}, int{want.ccr});
            }
        }
    }
}

// Each instruction at each of its three widths.
std::vector<EdgeRow> edgeRows()
{
    const std::pair<const char *, Op> ops[] = {
        {"ADD", Op::Add},   {"ADDX", Op::Addx},   {"SUB", Op::Sub},     {"SUBX", Op::Subx},
        {"CMP", Op::Cmp},   {"NEG", Op::Neg},     {"INC1", Op::Inc1},   {"INC2", Op::Inc2},
        {"DEC1", Op::Dec1}, {"DEC2", Op::Dec2},   {"AND", Op::And},     {"OR", Op::Or},
        {"XOR", Op::Xor},   {"NOT", Op::Not},     {"MOV", Op::Mov},     {"SHAL", Op::Shal},
        {"SHAR", Op::Shar}, {"SHLL", Op::Shll},   {"SHLR", Op::Shlr},   {"ROTL", Op::Rotl},
        {"ROTR", Op::Rotr}, {"ROTXL", Op::Rotxl}, {"ROTXR", Op::Rotxr},
    };
    std::vector<EdgeRow> rows;
    for (const auto &[name, op] : ops) {
        for (const auto &[suffix, bits] : {std::pair{"_b", 8}, {"_w", 16}, {"_l", 32}})
            rows.push_back({std::string(name) + suffix, op, bits});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Alu, FlagsAtTheEdges, testing::ValuesIn(edgeRows()),
                         vesk::test::RowName());

// Hand-checked rows, including the instructions with no bit equation to write out: the
// decimal adjusts (the manual's table), the extensions, multiply and divide.
struct LiteralRow
{
    const char *name;
    uint64_t (*run)(Ccr &);
    uint8_t ccrBefore;
    uint64_t result;
    uint8_t ccrAfter;
};

void PrintTo(const LiteralRow &row, std::ostream *os)
{
    *os << row.name;
}

class LiteralFlags : public testing::TestWithParam<LiteralRow>
{
};

TEST_P(LiteralFlags, AreWhatTheManualGives)
{
    const LiteralRow &row = GetParam();
    Ccr ccr{row.ccrBefore};
    EXPECT_EQ(row.run(ccr), row.result);
    EXPECT_EQ(int{ccr.value}, int{row.ccrAfter});
}

using namespace vesk::sim;
constexpr uint8_t I = Ccr::kI, H = Ccr::kH, N = Ccr::kN, Z = Ccr::kZ, V = Ccr::kV, C = Ccr::kC;

INSTANTIATE_TEST_SUITE_P(
    Alu, LiteralFlags,
    testing::Values(
        LiteralRow{"add_b_7f_plus_1_overflows", [](Ccr &c) -> uint64_t { return add8(0x7f, 1, c); },
                   0, 0x80, H | N | V},
        LiteralRow{"add_w_ffff_plus_1_carries", [](Ccr &c) -> uint64_t { return add16(0xffff, 1, c); },
                   0, 0, H | Z | C},
        LiteralRow{"add_l_half_carry_from_bit_27",
                   [](Ccr &c) -> uint64_t { return add32(0x08000000, 0x08000000, c); }, 0,
                   0x10000000, H},
        LiteralRow{"sub_l_0_minus_1_borrows",
                   [](Ccr &c) -> uint64_t { return sub32(0, 1, c); }, 0, 0xffffffff, H | N | C},
        LiteralRow{"addx_keeps_z_clear_on_zero",
                   [](Ccr &c) -> uint64_t { return addx<uint8_t>(0xff, 0, c); }, C, 0, H | C},
        LiteralRow{"subx_keeps_z_set_on_zero",
                   [](Ccr &c) -> uint64_t { return subx<uint8_t>(1, 0, c); }, Z | C, 0, Z},
        LiteralRow{"neg_b_80_overflows", [](Ccr &c) -> uint64_t { return neg<uint8_t>(0x80, c); },
                   0, 0x80, N | V | C},
        LiteralRow{"inc_keeps_h_and_c", [](Ccr &c) -> uint64_t { return inc<uint8_t>(0xff, 1, c); },
                   I | H | C, 0, I | H | Z | C},
        LiteralRow{"daa_adds_06_after_half_carry",
                   [](Ccr &c) -> uint64_t { return daa(0x11, c); }, H, 0x17, H},
        LiteralRow{"daa_adds_66_and_carries", [](Ccr &c) -> uint64_t { return daa(0x9a, c); },
                   0, 0x00, Z | C},
        LiteralRow{"daa_adds_60_after_carry", [](Ccr &c) -> uint64_t { return daa(0x25, c); }, C,
                   0x85, N | C},
        LiteralRow{"daa_leaves_bcd_alone", [](Ccr &c) -> uint64_t { return daa(0x42, c); }, 0,
                   0x42, 0},
        LiteralRow{"das_subtracts_06_after_half_borrow",
                   [](Ccr &c) -> uint64_t { return das(0x0f, c); }, H, 0x09, H},
        LiteralRow{"das_subtracts_66_keeps_c", [](Ccr &c) -> uint64_t { return das(0xff, c); },
                   H | C, 0x99, H | N | C},
        LiteralRow{"extu_w_clears_n", [](Ccr &c) -> uint64_t { return extu16(0x1280, c); },
                   N | V | C, 0x0080, C},
        LiteralRow{"exts_w_sign_extends", [](Ccr &c) -> uint64_t { return exts16(0x0080, c); },
                   V, 0xff80, N},
        LiteralRow{"extu_l_zero", [](Ccr &c) -> uint64_t { return extu32(0xffff0000, c); }, 0, 0,
                   Z},
        LiteralRow{"exts_l_sign_extends",
                   [](Ccr &c) -> uint64_t { return exts32(0x00008000, c); }, 0, 0xffff8000, N},
        LiteralRow{"mulxu_b_changes_no_flag",
                   [](Ccr &c) -> uint64_t {
                       (void)c; // MULXU has no flag to change
                       return mulxu8(0x12ff, 0xff);
                   },
                   Z, 0xfe01, Z},
        LiteralRow{"mulxu_w", [](Ccr &) -> uint64_t { return mulxu16(0x1234ffff, 0xffff); }, 0,
                   0xfffe0001, 0},
        LiteralRow{"mulxs_b_negative", [](Ccr &c) -> uint64_t { return mulxs8(0x00ff, 0x02, c); },
                   V | C, 0xfffe, N | V | C},
        LiteralRow{"mulxs_w_zero", [](Ccr &c) -> uint64_t { return mulxs16(0x80000000, 0x1234, c); },
                   N, 0, Z},
        LiteralRow{"divxu_b_quotient_low_remainder_high",
                   [](Ccr &c) -> uint64_t { return divxu8(100, 7, c); }, 0, 0x020e, 0},
        LiteralRow{"divxu_b_n_from_divisor",
                   [](Ccr &c) -> uint64_t { return divxu8(0x0100, 0x80, c); }, Z, 0x0002, N},
        LiteralRow{"divxu_w_by_zero_sets_z",
                   [](Ccr &c) -> uint64_t { return divxu16(0x12345678, 0, c); }, N, 0x12345678,
                   Z},
        LiteralRow{"divxs_b_negative_dividend",
                   [](Ccr &c) -> uint64_t { return divxs8(static_cast<uint16_t>(-7), 2, c); }, 0,
                   0xfffd, N},
        LiteralRow{"divxs_b_zero_quotient_of_mixed_signs_sets_n",
                   [](Ccr &c) -> uint64_t { return divxs8(3, static_cast<uint8_t>(-5), c); }, 0,
                   0x0300, N},
        LiteralRow{"divxs_w_negative_divisor",
                   [](Ccr &c) -> uint64_t { return divxs16(7, static_cast<uint16_t>(-2), c); },
                   0, 0x0001fffd, N},
        LiteralRow{"divxs_w_both_negative",
                   [](Ccr &c) -> uint64_t {
                       return divxs16(static_cast<uint32_t>(-100000), static_cast<uint16_t>(-7),
                                      c);
                   },
                   N, 0xfffb37cd, 0}),
    vesk::test::RowName());

} // namespace
