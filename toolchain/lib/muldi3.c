#include "ll.h"

/* The full product of two 32-bit numbers from four 16-bit ones (mulxu.w), on halves. */
static inline void mul32(c38_u32 a, c38_u32 b, c38_u32 *hi, c38_u32 *lo)
{
    c38_u16 al = (c38_u16)a, ah = (c38_u16)(a >> 16);
    c38_u16 bl = (c38_u16)b, bh = (c38_u16)(b >> 16);
    c38_u32 low = (c38_u32)al * bl;
    c38_u32 cross1 = (c38_u32)al * bh;
    c38_u32 mid = cross1 + (c38_u32)ah * bl;
    /* A carry out of the middle sum is worth 2^48, bit 16 of the high half. */
    *hi = (c38_u32)ah * bh + (mid >> 16) + (mid < cross1 ? 0x10000UL : 0UL);
    *lo = low + (mid << 16);
    if (*lo < low)
        ++*hi;
}

/* The low 32 bits of a 32-bit product: the high 16 x 16 term falls out entirely. */
static inline c38_u32 mul32low(c38_u32 a, c38_u32 b)
{
    c38_u16 al = (c38_u16)a, ah = (c38_u16)(a >> 16);
    c38_u16 bl = (c38_u16)b, bh = (c38_u16)(b >> 16);
    return (c38_u32)al * bl + (((c38_u32)al * bh + (c38_u32)ah * bl) << 16);
}

/* Only the low 64 bits of the product are kept, so the high halves meet only the other
 * low half, and only the low 32 bits of those products matter. */
ll_s64 C38HAB_NAME(__muldi3)(ll_s64 a, ll_s64 b)
{
    c38_u32 ah = (c38_u32)((ll_u64)a >> 32), al = (c38_u32)a;
    c38_u32 bh = (c38_u32)((ll_u64)b >> 32), bl = (c38_u32)b;
    c38_u32 hi, lo;
    mul32(al, bl, &hi, &lo);
    hi += mul32low(ah, bl) + mul32low(al, bh);
    return (ll_s64)(((ll_u64)hi << 32) | lo);
}
