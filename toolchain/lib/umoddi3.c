#include "ll.h"

ll_u64 C38HAB_NAME(__umoddi3)(ll_u64 a, ll_u64 b)
{
    ll_u64 r;
    (void)C38HAB_NAME(__c38hab_udivmod64)(a, b, &r);
    return r;
}
