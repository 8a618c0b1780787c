#include "fp.h"

/* The 48-bit product of the two 24-bit mantissas comes from 16-bit halves (mulxu.w on the
 * board): the high halves hold at most 8 bits, so the cross terms fit in 32 bits. */
float __mulsf3(float fa, float fb)
{
    c38_u32 a = fp_bits(fa), b = fp_bits(fb), sign = (a ^ b) & FP_SIGN;
    c38_u32 ma, mb, low, cross, high, m;
    c38_u16 al, ah, bl, bh;
    int ea, eb, e;
    if (fp_is_nan(a) || fp_is_nan(b))
        return fp_float(FP_NAN);
    if ((a & FP_ABS) == FP_INF || (b & FP_ABS) == FP_INF) {
        if ((a & FP_ABS) == 0 || (b & FP_ABS) == 0)
            return fp_float(FP_NAN);
        return fp_float(sign | FP_INF);
    }
    if ((a & FP_ABS) == 0 || (b & FP_ABS) == 0)
        return fp_float(sign);
    ma = fp_unpack(a, &ea);
    mb = fp_unpack(b, &eb);
    al = (c38_u16)ma;
    ah = (c38_u16)(ma >> 16);
    bl = (c38_u16)mb;
    bh = (c38_u16)(mb >> 16);
    low = (c38_u32)al * bl;
    cross = (c38_u32)ah * bl + (c38_u32)al * bh;
    high = (c38_u32)ah * bh + (cross >> 16);
    cross <<= 16;
    low += cross;
    if (low < cross)
        ++high;
    /* The product's leading one is at bit 46 or 47: keep bits 47..16, the rest as sticky. */
    m = (high << 16) | (low >> 16) | ((low & 0xffff) != 0);
    e = ea + eb - 127;
    if (m & FP_SIGN) {
        m = fp_shift_sticky(m, 1);
        ++e;
    }
    return fp_float(fp_round_pack(sign, e, m));
}
