/* 64-bit arithmetic through the runtime library's helpers: a table of edge values taken
 * pairwise (multiply, signed and unsigned divide and modulo, comparisons), variable shifts
 * by every count, then random operands of random widths from a 32-bit generator, folded
 * into checksums. Products and left shifts are unsigned so that overflow is defined;
 * LLONG_MIN / -1 and division by zero are left out. */
#include "oracle.h"

typedef long long i64;
typedef unsigned long long u64;

#ifdef __H8300H__
/* Called directly: gcc only calls it from code that converts to float. */
long __cmpdi2(i64 a, i64 b);
#endif

/* High halves then low halves. */
volatile u32 edges[][2] = {
    {0x00000000u, 0x00000000u}, {0x00000000u, 0x00000001u}, {0xffffffffu, 0xffffffffu},
    {0x80000000u, 0x00000000u}, {0x7fffffffu, 0xffffffffu}, {0x00000000u, 0xffffffffu},
    {0x00000001u, 0x00000000u}, {0x00000001u, 0x00000001u}, {0x80000000u, 0x00000001u},
    {0xfedcba98u, 0x76543210u}, {0x00000000u, 0x00000007u}, {0xffffffffu, 0xfffffff9u},
    {0x12345678u, 0x9abcdef0u}, {0x00000000u, 0x80000000u}};
volatile u32 shifted[][2] = {{0xfedcba98u, 0x76543210u}, {0x01234567u, 0x89abcdefu}};

static u32 seed = 20261208u;

NOINLINE u64 make(u32 hi, u32 lo)
{
    return ((u64)hi << 32) | lo;
}

NOINLINE u32 next(void)
{
    seed = seed * 1664525u + 1013904223u;
    return seed;
}

void put64(u64 v)
{
    put_sep();
    put_hex((u32)(v >> 32), 8);
    put_hex((u32)v, 8);
}

NOINLINE u64 mul(u64 a, u64 b)
{
    return a * b;
}

NOINLINE i64 sdiv(i64 a, i64 b)
{
    return a / b;
}

NOINLINE i64 smod(i64 a, i64 b)
{
    return a % b;
}

NOINLINE u64 udiv(u64 a, u64 b)
{
    return a / b;
}

NOINLINE u64 umod(u64 a, u64 b)
{
    return a % b;
}

NOINLINE i64 neg(i64 a)
{
    return -a;
}

NOINLINE u64 shl(u64 a, u8 n)
{
    return a << n;
}

NOINLINE u64 lshr(u64 a, u8 n)
{
    return a >> n;
}

NOINLINE i64 ashr(i64 a, u8 n)
{
    return a >> n;
}

NOINLINE u8 cmp(i64 a, i64 b)
{
#ifdef __H8300H__
    return (u8)__cmpdi2(a, b);
#else
    return (u8)(a < b ? 0 : a == b ? 1 : 2);
#endif
}

static int divisible(i64 a, i64 b)
{
    return b != 0 && !((u64)a == make(0x80000000u, 0) && b == -1);
}

static u32 mix(u32 sum, u64 v)
{
    sum = ((sum << 5) | (sum >> 27)) ^ (u32)(v >> 32);
    return ((sum << 7) | (sum >> 25)) ^ (u32)v;
}

static void edgePairs(void)
{
    u8 i, j;
    for (i = 0; i < COUNT(edges); ++i) {
        const u64 a = make(edges[i][0], edges[i][1]);
        put_str("neg ");
        put_hex(i, 2);
        put64(a == make(0x80000000u, 0) ? a : (u64)neg((i64)a));
        put_end();
        for (j = 0; j < COUNT(edges); ++j) {
            const u64 b = make(edges[j][0], edges[j][1]);
            put_hex(i, 2);
            put_hex(j, 2);
            put64(mul(a, b));
            if (divisible((i64)a, (i64)b)) {
                put64((u64)sdiv((i64)a, (i64)b));
                put64((u64)smod((i64)a, (i64)b));
            }
            if (b != 0) {
                put64(udiv(a, b));
                put64(umod(a, b));
            }
            put_sep();
            put_hex(cmp((i64)a, (i64)b), 1);
            /* The comparisons gcc does inline, for contrast. */
            put_hex((u8)((i64)a < (i64)b), 1);
            put_hex((u8)(a < b), 1);
            put_end();
        }
    }
}

static void shifts(void)
{
    u8 i, n;
    for (i = 0; i < COUNT(shifted); ++i) {
        const u64 v = make(shifted[i][0], shifted[i][1]);
        for (n = 0; n < 64; ++n) {
            put_str("sh ");
            put_hex(n, 2);
            put64(shl(v, n));
            put64(lshr(v, n));
            put64((u64)ashr((i64)v, n));
            put_end();
        }
    }
}

/* Operands of random widths, so that quotients are not all 0 or 1; the quotient and
 * remainder must also put the dividend back together. */
static void randomPairs(void)
{
    u32 sums[6] = {0, 0, 0, 0, 0, 0};
    u16 k;
    u8 s;
    for (k = 1; k <= 300; ++k) {
        const u64 a = lshr(make(next(), next()), (u8)(next() >> 26));
        u64 b = lshr(make(next(), next()), (u8)(next() >> 26));
        u64 q, r;
        i64 sa, sb;
        if (b == 0)
            b = 1;
        sa = (next() & 0x100u) ? neg((i64)a) : (i64)a;
        sb = (next() & 0x100u) ? neg((i64)b) : (i64)b;
        q = udiv(a, b);
        r = umod(a, b);
        sums[0] = mix(sums[0], mul(a, b));
        sums[1] = mix(sums[1], q);
        sums[2] = mix(sums[2], r);
        if (mul(q, b) + r != a || r >= b)
            sums[5] ^= k;
        if (divisible(sa, sb)) {
            const i64 sq = sdiv(sa, sb), sr = smod(sa, sb);
            sums[3] = mix(sums[3], (u64)sq);
            sums[4] = mix(sums[4], (u64)sr);
            if ((i64)mul((u64)sq, (u64)sb) + sr != sa)
                sums[5] ^= (u32)k << 16;
        }
        if (k % 50 == 0) {
            put_str("rnd ");
            put_dec(k);
            for (s = 0; s < 6; ++s) {
                put_sep();
                put_hex(sums[s], 8);
            }
            put_end();
        }
    }
}

int main(void)
{
    edgePairs();
    shifts();
    randomPairs();
    put_done();
    return 0;
}
