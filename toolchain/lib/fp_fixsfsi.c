#include "fp.h"

/* Truncates toward zero. Out of range and NaN are undefined in C; they give 0x80000000. */
c38_s32 __fixsfsi(float f)
{
    c38_u32 u = fp_bits(f), m = (u & FP_FRACTION) | FP_HIDDEN;
    int e = (int)((u >> 23) & 0xff) - 127;
    if (e < 0)
        return 0;
    if (e >= 31)
        return (c38_s32)FP_SIGN;
    m = e >= 23 ? m << (e - 23) : m >> (23 - e);
    return (u & FP_SIGN) ? -(c38_s32)m : (c38_s32)m;
}
