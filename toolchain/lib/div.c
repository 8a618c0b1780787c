#include "c38hab.h"

/* C90 left the rounding of negative quotients open; gcc's / truncates towards zero, as
 * div must. */
c38_div_t C38HAB_NAME(div)(int num, int den)
{
    c38_div_t r;
    r.quot = num / den;
    r.rem = num % den;
    return r;
}
