#include "fp.h"

/* Zero when a == b; a NaN makes it nonzero. */
c38_s32 __eqsf2(float a, float b)
{
    return fp_compare(fp_bits(a), fp_bits(b), 1);
}
