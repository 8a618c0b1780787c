#include "fp.h"

/* Restoring division, one quotient bit a step, to 31 bits with the remainder as sticky. */
float __divsf3(float fa, float fb)
{
    c38_u32 a = fp_bits(fa), b = fp_bits(fb), sign = (a ^ b) & FP_SIGN;
    c38_u32 ma, mb, q = 0;
    int ea, eb, e, i;
    if (fp_is_nan(a) || fp_is_nan(b))
        return fp_float(FP_NAN);
    if ((a & FP_ABS) == FP_INF) {
        if ((b & FP_ABS) == FP_INF)
            return fp_float(FP_NAN);
        return fp_float(sign | FP_INF);
    }
    if ((b & FP_ABS) == FP_INF)
        return fp_float(sign);
    if ((b & FP_ABS) == 0) {
        if ((a & FP_ABS) == 0)
            return fp_float(FP_NAN);
        return fp_float(sign | FP_INF);
    }
    if ((a & FP_ABS) == 0)
        return fp_float(sign);
    ma = fp_unpack(a, &ea);
    mb = fp_unpack(b, &eb);
    e = ea - eb + 127;
    if (ma < mb) {
        ma <<= 1;
        --e;
    }
    for (i = 0; i < 31; ++i) {
        q <<= 1;
        if (ma >= mb) {
            ma -= mb;
            q |= 1;
        }
        ma <<= 1;
    }
    return fp_float(fp_round_pack(sign, e, q | (ma != 0)));
}
