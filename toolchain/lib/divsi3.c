#include "c38hab.h"

/* Restoring division, one quotient bit per step. A zero divisor gives an all-ones
 * quotient and the dividend as remainder rather than a trap the board cannot report. */
static c38_u32 divmod(c38_u32 n, c38_u32 d, c38_u32 *rem)
{
    c38_u32 q = 0, r = 0;
    int i;
    for (i = 31; i >= 0; --i) {
        r = (r << 1) | ((n >> i) & 1);
        if (r >= d) {
            r -= d;
            q |= (c38_u32)1 << i;
        }
    }
    *rem = r;
    return q;
}

c38_u32 C38HAB_NAME(__udivsi3)(c38_u32 a, c38_u32 b)
{
    c38_u32 r;
    return divmod(a, b, &r);
}

c38_u32 C38HAB_NAME(__umodsi3)(c38_u32 a, c38_u32 b)
{
    c38_u32 r;
    divmod(a, b, &r);
    return r;
}

/* C truncates toward zero: the quotient is negative when the signs differ, the remainder
 * takes the dividend's sign. Magnitudes are taken in unsigned arithmetic so that
 * 0x80000000 needs no special case (its quotient by -1 wraps to itself). */
c38_s32 C38HAB_NAME(__divsi3)(c38_s32 a, c38_s32 b)
{
    c38_u32 ua = a < 0 ? 0u - (c38_u32)a : (c38_u32)a;
    c38_u32 ub = b < 0 ? 0u - (c38_u32)b : (c38_u32)b;
    c38_u32 r;
    c38_u32 q = divmod(ua, ub, &r);
    return (c38_s32)((a < 0) != (b < 0) ? 0u - q : q);
}

c38_s32 C38HAB_NAME(__modsi3)(c38_s32 a, c38_s32 b)
{
    c38_u32 ua = a < 0 ? 0u - (c38_u32)a : (c38_u32)a;
    c38_u32 ub = b < 0 ? 0u - (c38_u32)b : (c38_u32)b;
    c38_u32 r;
    divmod(ua, ub, &r);
    return (c38_s32)(a < 0 ? 0u - r : r);
}
