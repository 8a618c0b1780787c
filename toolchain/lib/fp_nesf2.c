#include "fp.h"

/* Nonzero when a != b, as it is with a NaN. */
c38_s32 __nesf2(float a, float b)
{
    return fp_compare(fp_bits(a), fp_bits(b), 1);
}
