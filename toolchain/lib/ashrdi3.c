#include "ll.h"

/* As __lshrdi3, copying the sign bit down (gcc shifts signed values arithmetically). */
ll_s64 C38HAB_NAME(__ashrdi3)(ll_s64 a, ll_word n)
{
    if (n & 32)
        a >>= 32;
    for (n &= 31; n > 0; --n)
        a >>= 1;
    return a;
}
