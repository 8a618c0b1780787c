#include "ll.h"

/* The remainder takes the dividend's sign. */
ll_s64 C38HAB_NAME(__moddi3)(ll_s64 a, ll_s64 b)
{
    ll_u64 r;
    (void)C38HAB_NAME(__c38hab_udivmod64)(ll_magnitude(a), ll_magnitude(b), &r);
    return a < 0 ? C38HAB_NAME(__negdi2)((ll_s64)r) : (ll_s64)r;
}
