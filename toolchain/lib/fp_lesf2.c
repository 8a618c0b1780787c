#include "fp.h"

/* Zero or negative when a <= b; a NaN gives 1. */
c38_s32 __lesf2(float a, float b)
{
    return fp_compare(fp_bits(a), fp_bits(b), 1);
}
