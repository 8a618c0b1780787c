/*
 * fp.h - what the software floating-point helpers share (float and double are both IEEE
 * binary32 under gcc -mh). Everything is static inline, so each fp_*.c object carries only
 * what its one helper needs.
 *
 * Working form of a finite nonzero value: sign bit, biased exponent e and a 32-bit
 * mantissa m whose leading one sits at bit 30 when the value is normal at exponent e;
 * bits 6..0 hold the bits below the last kept one, bit 0 also standing for any lost ones
 * (sticky), so one rounding at the end gives round-to-nearest-even.
 */
#ifndef FP_H
#define FP_H

#include "c38hab.h"

#define FP_SIGN 0x80000000UL
#define FP_ABS 0x7fffffffUL
#define FP_INF 0x7f800000UL
/* The quiet NaN every invalid operation returns (sign clear, top fraction bit set). */
#define FP_NAN 0x7fc00000UL
#define FP_HIDDEN 0x00800000UL
#define FP_FRACTION 0x007fffffUL

typedef union {
    float f;
    c38_u32 u;
} fp_word;

static inline c38_u32 fp_bits(float f)
{
    fp_word w;
    w.f = f;
    return w.u;
}

static inline float fp_float(c38_u32 u)
{
    fp_word w;
    w.u = u;
    return w.f;
}

static inline int fp_is_nan(c38_u32 u)
{
    return (u & FP_ABS) > FP_INF;
}

/* m shifted right by n, any bit shifted out kept in bit 0. */
static inline c38_u32 fp_shift_sticky(c38_u32 m, int n)
{
    if (n <= 0)
        return m;
    if (n >= 31)
        return m != 0;
    return (m >> n) | ((m << (32 - n)) != 0);
}

/* Exponent field and fraction of a finite nonzero value as a 24-bit mantissa with its
 * leading one at bit 23; a subnormal's exponent drops below 1 as it is normalised. */
static inline c38_u32 fp_unpack(c38_u32 u, int *e)
{
    c38_u32 m = u & FP_FRACTION;
    int field = (int)((u >> 23) & 0xff);
    if (field != 0) {
        *e = field;
        return m | FP_HIDDEN;
    }
    *e = 1;
    while (!(m & FP_HIDDEN)) {
        m <<= 1;
        --*e;
    }
    return m;
}

/* Rounds the working form to the nearest binary32, ties to even: overflow gives infinity,
 * underflow a subnormal or zero. m must be nonzero with its leading one at bit 30 or
 * below (below only when e is 1 or less). */
static inline c38_u32 fp_round_pack(c38_u32 sign, int e, c38_u32 m)
{
    c38_u32 rest;
    if (e >= 0xff)
        return sign | FP_INF;
    if (e <= 0) {
        m = fp_shift_sticky(m, 1 - e);
        e = 1;
    }
    rest = m & 0x7f;
    m >>= 7;
    if (rest > 0x40 || (rest == 0x40 && (m & 1)))
        ++m;
    /* The hidden bit adds one to the field: so a subnormal that rounds up to 2^-126, or a
     * mantissa that rounds up to 2^24, carries into the exponent by itself (to infinity
     * from the largest binade). */
    return sign + ((c38_u32)(e - 1) << 23) + m;
}

/* A 32-bit magnitude as the nearest binary32 (0 gives a zero of the given sign). */
static inline c38_u32 fp_from_magnitude(c38_u32 sign, c38_u32 m)
{
    int e = 127 + 30;
    if (m == 0)
        return sign;
    if (m & FP_SIGN) {
        m = fp_shift_sticky(m, 1);
        ++e;
    }
    while (!(m & 0x40000000UL)) {
        m <<= 1;
        --e;
    }
    return fp_round_pack(sign, e, m);
}

/* Sum of a and b (b's sign already flipped for a difference). */
static inline c38_u32 fp_add_bits(c38_u32 a, c38_u32 b)
{
    c38_u32 ma, mb, t;
    int ea, eb;
    if (fp_is_nan(a) || fp_is_nan(b))
        return FP_NAN;
    if ((a & FP_ABS) == FP_INF) {
        if ((b & FP_ABS) == FP_INF && a != b)
            return FP_NAN;
        return a;
    }
    if ((b & FP_ABS) == FP_INF)
        return b;
    if ((a & FP_ABS) < (b & FP_ABS)) {
        t = a;
        a = b;
        b = t;
    }
    if ((b & FP_ABS) == 0) {
        /* x + 0 is x; only -0 + -0 keeps the minus sign. */
        if ((a & FP_ABS) == 0)
            return a & b;
        return a;
    }
    /* Field 0 means exponent 1 without a hidden bit: no normalising needed for a sum. */
    ea = (int)((a >> 23) & 0xff);
    eb = (int)((b >> 23) & 0xff);
    ma = (a & FP_FRACTION) | (ea ? FP_HIDDEN : 0);
    mb = (b & FP_FRACTION) | (eb ? FP_HIDDEN : 0);
    if (!ea)
        ea = 1;
    if (!eb)
        eb = 1;
    ma <<= 7;
    mb = fp_shift_sticky(mb << 7, ea - eb);
    if ((a ^ b) & FP_SIGN) {
        ma -= mb;
        if (ma == 0)
            return 0;
        while (!(ma & 0x40000000UL)) {
            ma <<= 1;
            --ea;
        }
    } else {
        ma += mb;
        if (ma & FP_SIGN) {
            ma = fp_shift_sticky(ma, 1);
            ++ea;
        }
    }
    return fp_round_pack(a & FP_SIGN, ea, ma);
}

/* Orders a and b: negative, zero or positive as a < b, a == b or a > b, and `unordered`
 * when either is a NaN, chosen per helper so that the caller's test comes out false. */
static inline c38_s32 fp_compare(c38_u32 a, c38_u32 b, c38_s32 unordered)
{
    c38_s32 ka, kb;
    if (fp_is_nan(a) || fp_is_nan(b))
        return unordered;
    ka = (c38_s32)(a & FP_ABS);
    kb = (c38_s32)(b & FP_ABS);
    if (a & FP_SIGN)
        ka = -ka;
    if (b & FP_SIGN)
        kb = -kb;
    return ka < kb ? -1 : ka > kb;
}

#endif
