#include "fp.h"

float __subsf3(float a, float b)
{
    return fp_float(fp_add_bits(fp_bits(a), fp_bits(b) ^ FP_SIGN));
}
