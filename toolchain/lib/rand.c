#include "c38hab.h"

/*
 * A 32-bit linear congruential generator: x = x * 1103515245 + 12345 (mod 2^32), starting
 * from 1; rand returns bits 16 to 30 of the new x, as the low bits of such a generator
 * repeat with short periods. rand and srand share the state, so they share an object.
 */
static c38_u32 state = 1;

int C38HAB_NAME(rand)(void)
{
    state = (state * 1103515245u + 12345u) & 0xffffffffu;
    return (int)((state >> 16) & 0x7fffu);
}

void C38HAB_NAME(srand)(unsigned seed)
{
    state = seed;
}
