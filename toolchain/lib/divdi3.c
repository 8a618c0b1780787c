#include "ll.h"

/* Truncation toward zero: divide the magnitudes, negative when the signs differ. */
ll_s64 C38HAB_NAME(__divdi3)(ll_s64 a, ll_s64 b)
{
    ll_u64 r;
    ll_s64 q = (ll_s64)C38HAB_NAME(__c38hab_udivmod64)(ll_magnitude(a), ll_magnitude(b), &r);
    return (a < 0) != (b < 0) ? C38HAB_NAME(__negdi2)(q) : q;
}
