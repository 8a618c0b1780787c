/*
 * blink.c - blinks the LEDs on port B.
 *
 * Build it in compile mode (RAM or ROM). The blink period is worked out at run time with
 * 32-bit multiply and divide, which the compiler turns into calls to the runtime library
 * c38hab (__mulsi3, __udivsi3, __divsi3, __modsi3).
 */
#include "h8io.h"

/* Busy-loop passes per second at the board's clock; volatile keeps the arithmetic below
 * from being folded at compile time. */
volatile unsigned long loops_per_second = 160000;
volatile long phase = -7;
unsigned long blinks; /* bss: starts at zero */

static unsigned long loops_for(unsigned long ms)
{
    return ms * loops_per_second / 1000;
}

static void wait(unsigned long loops)
{
    volatile unsigned long i;
    for (i = 0; i < loops; i++)
        ;
}

int main(void)
{
    unsigned char pattern = 0x01;

    PBDDR = 0xFF;
    for (;;) {
        long step = phase % 3 + phase / 5; /* signed divide and modulo */
        PBDR = pattern;
        pattern = (unsigned char)((pattern << 1) | (pattern >> 7));
        blinks++;
        wait(loops_for(250 + (unsigned long)(step < 0 ? -step : step)));
    }
    return 0;
}
