#include "ll.h"

/* Two's complement on the halves: written as 0 - a, gcc would call this very function. */
ll_s64 C38HAB_NAME(__negdi2)(ll_s64 a)
{
    c38_u32 hi = (c38_u32)((ll_u64)a >> 32), lo = (c38_u32)a;
    hi = ~hi + (lo == 0 ? 1UL : 0UL);
    return (ll_s64)(((ll_u64)hi << 32) | (0UL - lo));
}
