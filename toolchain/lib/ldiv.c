#include "c38hab.h"

c38_ldiv_t C38HAB_NAME(ldiv)(c38_s32 num, c38_s32 den)
{
    c38_ldiv_t r;
    r.quot = num / den;
    r.rem = num % den;
    return r;
}
