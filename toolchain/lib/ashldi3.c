#include "ll.h"

/* Counts are taken modulo 64 (C leaves larger ones undefined): a move for 32, then single
 * steps, which gcc does inline; small code matters more than the last few states. */
ll_s64 C38HAB_NAME(__ashldi3)(ll_s64 a, ll_word n)
{
    ll_u64 v = (ll_u64)a;
    if (n & 32)
        v <<= 32;
    for (n &= 31; n > 0; --n)
        v <<= 1;
    return (ll_s64)v;
}
