/* Software floating point: float (binary32 on both sides) through + - * / compares,
 * negation and integer conversions, printed as bit patterns so that every rounding shows.
 * A table of edge cases first, then random operand pairs from every exponent range with a
 * running checksum. Any NaN prints as "nan": the two sides' payloads differ. */
#include "oracle.h"

/* Random pairs: the board spends some 10,000 states on each. */
#define RANDOM_PAIRS 2048

typedef union {
    float f;
    u32 u;
} word;

static float as_float(u32 u)
{
    word w;
    w.u = u;
    return w.f;
}

static u32 as_bits(float f)
{
    word w;
    w.f = f;
    return w.u;
}

static u32 canonical(float f)
{
    u32 u = as_bits(f);
    return (u & 0x7fffffffUL) > 0x7f800000UL ? 0x7fc00000UL : u;
}

static void put_float(float f)
{
    u32 u = canonical(f);
    put_sep();
    if (u == 0x7fc00000UL)
        put_str("nan");
    else
        put_hex(u, 8);
}

/* One hex digit of the six comparisons, so that each helper's sense shows. */
static u8 compares(volatile float a, volatile float b)
{
    u8 flags = 0;
    if (a < b)
        flags |= 1;
    if (a <= b)
        flags |= 2;
    if (a > b)
        flags |= 4;
    if (a >= b)
        flags |= 8;
    if (a == b)
        flags |= 16;
    if (a != b)
        flags |= 32;
    return flags;
}

static const u32 edges[] = {
    0x00000000UL, /* +0 */
    0x80000000UL, /* -0 */
    0x00000001UL, /* smallest subnormal */
    0x807fffffUL, /* largest subnormal, negative */
    0x00800000UL, /* smallest normal */
    0x3f800000UL, /* 1 */
    0xbf800000UL, /* -1 */
    0x33800000UL, /* 2^-24: 1 + this is a tie */
    0x33800001UL, /* just above the tie */
    0x3f800001UL, /* 1 + 2^-23 */
    0x3fffffffUL, /* just below 2: rounds up into the next binade */
    0x7f7fffffUL, /* largest finite */
    0xff7fffffUL, /* its negative */
    0x7f800000UL, /* +inf */
    0xff800000UL, /* -inf */
    0x7fc00000UL, /* NaN */
    0x40400000UL, /* 3 */
    0x1f800000UL, /* 2^-64: its square underflows */
};

static u32 seed = 12345;

static u32 next(void)
{
    seed = (u32)(seed * 1103515245UL + 12345UL);
    return seed;
}

/* Bit patterns from all exponent ranges: plain random, subnormal, specials, near 1, few
 * fraction bits (for ties), and near the ends of the range; or, for b, a close neighbour
 * of a (for cancellation). */
static u32 operand(u32 other)
{
    u32 r = next();
    u32 s = next() >> 16;
    switch (s & 7) {
    case 0:
    case 1:
        return r;
    case 2:
        return r & 0x807fffffUL;
    case 3:
        return (r & 0x80000003UL) | ((s & 0x30) == 0      ? 0x7f800000UL
                                     : (s & 0x30) == 0x10 ? 0x00800000UL
                                     : (s & 0x30) == 0x20 ? 0x7f000000UL
                                                          : 0UL);
    case 4:
        return other ^ (r & 0x800000ffUL);
    case 5:
        return (r & 0x807fffffUL) | ((u32)(120 + ((s >> 4) & 15)) << 23);
    case 6:
        return (r & 0xff800000UL) | ((s >> 4) & 7);
    default:
        return (r & 0x807fffffUL) | ((s & 0x100) ? (u32)(0xef + ((s >> 4) & 15)) << 23
                                                 : (u32)(1 + ((s >> 4) & 15)) << 23);
    }
}

static u32 hash = 0;

static void mix(float f)
{
    hash = ((hash << 5) | (hash >> 27)) ^ canonical(f);
}

static const u32 to_long[] = {
    0x00000000UL, 0x80000000UL, 0x00000001UL, 0x3f000000UL, 0xbf7fffffUL, 0x3f800000UL,
    0xbfc00000UL, 0x40200000UL, 0x46fffffeUL, 0xc7000000UL, 0x477fff80UL, 0x4effffffUL,
    0xcf000000UL, 0x4b7fffffUL, 0xcb800001UL, 0x49f1202aUL,
};

static const u32 to_unsigned_long[] = {
    0x00000000UL, 0x80000000UL, 0xbf7fffffUL, 0x3fc00000UL,
    0x4f000000UL, 0x4f7fffffUL, 0x4b800001UL, 0x477fff00UL,
};

static const u32 to_short[] = {
    0x00000000UL, 0x3f7fffffUL, 0xbfc00000UL, 0x46fffe00UL, 0xc7000000UL, 0x42f6e979UL,
};

static const i32 longs[] = {
    0L,         1L,          -1L,         16777216L,         16777217L,
    16777219L,  -16777221L,  2147483647L, -2147483647L - 1L, 33554435L,
    123456789L, -987654321L,
};

static const u32 unsigned_longs[] = {
    0UL, 1UL, 0x80000000UL, 0xffffffffUL, 0x80000081UL, 0xffffff7fUL, 0x01000001UL,
};

static const i16 shorts[] = {0, 1, -1, 32767, -32768, 12345};
static const u16 unsigned_shorts[] = {0, 1, 32768, 65535, 40000};
static const i8 chars[] = {0, 127, -128, -5};
static const u8 unsigned_chars[] = {0, 128, 255};

int main(void)
{
    u16 i, j;
    for (i = 0; i < COUNT(edges); ++i) {
        for (j = 0; j < COUNT(edges); ++j) {
            volatile float a = as_float(edges[i]);
            volatile float b = as_float(edges[j]);
            volatile float sum = a + b, difference = a - b, product = a * b, quotient = a / b;
            put_hex(i, 2);
            put_hex(j, 2);
            put_float(sum);
            put_float(difference);
            put_float(product);
            put_float(quotient);
            put_sep();
            put_hex(compares(a, b), 2);
            put_end();
        }
    }
    for (i = 0; i < COUNT(edges); ++i) {
        volatile float a = as_float(edges[i]);
        volatile float negated = -a;
        put_str("neg");
        put_float(negated);
        put_end();
    }
    for (i = 0; i < COUNT(to_long); ++i) {
        volatile float a = as_float(to_long[i]);
        line_dec("to long", (i32)a);
    }
    for (i = 0; i < COUNT(to_unsigned_long); ++i) {
        volatile float a = as_float(to_unsigned_long[i]);
        line_hex("to unsigned long", (u32)a, 8);
    }
    for (i = 0; i < COUNT(to_short); ++i) {
        volatile float a = as_float(to_short[i]);
        volatile i16 s = (i16)a;
        volatile u16 u = (u16)(a < 0 ? 0 : a);
        line_dec("to short", s);
        line_dec("to unsigned short", u);
    }
    for (i = 0; i < COUNT(longs); ++i) {
        volatile float f = (float)longs[i];
        put_str("from long");
        put_float(f);
        put_end();
    }
    for (i = 0; i < COUNT(unsigned_longs); ++i) {
        volatile float f = (float)unsigned_longs[i];
        put_str("from unsigned long");
        put_float(f);
        put_end();
    }
    for (i = 0; i < COUNT(shorts); ++i) {
        volatile float f = (float)shorts[i];
        put_str("from short");
        put_float(f);
        put_end();
    }
    for (i = 0; i < COUNT(unsigned_shorts); ++i) {
        volatile float f = (float)unsigned_shorts[i];
        put_str("from unsigned short");
        put_float(f);
        put_end();
    }
    for (i = 0; i < COUNT(chars); ++i) {
        volatile float f = (float)chars[i];
        put_str("from char");
        put_float(f);
        put_end();
    }
    for (i = 0; i < COUNT(unsigned_chars); ++i) {
        volatile float f = (float)unsigned_chars[i];
        put_str("from unsigned char");
        put_float(f);
        put_end();
    }
    for (i = 1; i <= RANDOM_PAIRS; ++i) {
        u32 x = operand(0);
        volatile float a = as_float(x);
        volatile float b = as_float(operand(x));
        volatile float sum = a + b, difference = a - b, product = a * b, quotient = a / b;
        u32 shift = next() & 31;
        volatile i32 whole = (i32)(next() >> shift);
        volatile float converted;
        converted = (float)whole;
        mix(sum);
        mix(difference);
        mix(product);
        mix(quotient);
        mix(converted);
        hash ^= compares(a, b);
        if (i <= 8) {
            put_hex(as_bits(a), 8);
            put_sep();
            put_hex(as_bits(b), 8);
            put_float(sum);
            put_float(difference);
            put_float(product);
            put_float(quotient);
            put_float(converted);
            put_end();
        }
        if (i % 256 == 0)
            line_hex("checksum", hash, 8);
    }
    put_done();
    return 0;
}
