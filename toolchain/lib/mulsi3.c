#include "c38hab.h"

/* Low 32 bits of the product, the same for signed and unsigned operands. Three 16 x 16
 * multiplies (mulxu.w on the board); the high halves' product falls outside 32 bits. */
c38_u32 C38HAB_NAME(__mulsi3)(c38_u32 a, c38_u32 b)
{
    c38_u16 al = (c38_u16)a, ah = (c38_u16)(a >> 16);
    c38_u16 bl = (c38_u16)b, bh = (c38_u16)(b >> 16);
    c38_u32 low = (c38_u32)al * bl;
    c38_u16 cross = (c38_u16)((c38_u32)ah * bl + (c38_u32)al * bh);
    return low + ((c38_u32)cross << 16);
}
