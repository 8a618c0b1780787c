#include "fp.h"

/* gcc -mh converts unsigned long through __floatsisf itself; this is for other callers. */
float __floatunsisf(c38_u32 u)
{
    return fp_float(fp_from_magnitude(0, u));
}
