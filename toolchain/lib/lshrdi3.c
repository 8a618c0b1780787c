#include "ll.h"

/* As __ashldi3: a move for 32, then single steps. */
ll_u64 C38HAB_NAME(__lshrdi3)(ll_u64 a, ll_word n)
{
    if (n & 32)
        a >>= 32;
    for (n &= 31; n > 0; --n)
        a >>= 1;
    return a;
}
