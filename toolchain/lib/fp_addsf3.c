#include "fp.h"

float __addsf3(float a, float b)
{
    return fp_float(fp_add_bits(fp_bits(a), fp_bits(b)));
}
