#include "ll.h"

/* Restoring division, one quotient bit per step, each bit shifted into the dividend's
 * place as it empties; a dividend below 2^32 starts half way. A zero divisor gives an
 * all-ones quotient and the dividend as remainder, as __udivsi3 does. */
ll_u64 C38HAB_NAME(__c38hab_udivmod64)(ll_u64 n, ll_u64 d, ll_u64 *rem)
{
    ll_u64 r = 0;
    int steps = 64;
    if ((c38_u32)(n >> 32) == 0) {
        n <<= 32;
        steps = 32;
    }
    do {
        /* r never exceeds the dividend bits taken so far, fewer than 64 before this shift,
         * so it cannot overflow even when the divisor's top bit is set. */
        r = (r << 1) | (n >> 63);
        n <<= 1;
        if (r >= d) {
            r -= d;
            n |= 1;
        }
    } while (--steps > 0);
    *rem = r;
    return n;
}
