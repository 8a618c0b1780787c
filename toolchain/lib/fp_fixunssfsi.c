#include "fp.h"

/* Truncates toward zero. Negative values (undefined in C below -1) give 0; 2^32 and above
 * and NaN give 0xffffffff. */
c38_u32 __fixunssfsi(float f)
{
    c38_u32 u = fp_bits(f), m = (u & FP_FRACTION) | FP_HIDDEN;
    int e = (int)((u >> 23) & 0xff) - 127;
    if (fp_is_nan(u))
        return 0xffffffffUL;
    if (e < 0 || (u & FP_SIGN))
        return 0;
    if (e >= 32)
        return 0xffffffffUL;
    return e >= 23 ? m << (e - 23) : m >> (23 - e);
}
