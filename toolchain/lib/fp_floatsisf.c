#include "fp.h"

float __floatsisf(c38_s32 i)
{
    c38_u32 u = (c38_u32)i, sign = u & FP_SIGN;
    return fp_float(fp_from_magnitude(sign, sign ? 0u - u : u));
}
