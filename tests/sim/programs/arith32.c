/* 32-bit arithmetic: add and subtract (add.l / sub.l / addx), and the runtime library's
 * helpers for what the chip has no instruction for: multiply (__mulsi3), signed and
 * unsigned divide and modulo (__divsi3, __udivsi3, __modsi3, __umodsi3), with negative
 * operands and values at the ends of the range. */
#include "oracle.h"

#define MIN32 (-0x7fffffffL - 1)

volatile i32 values[] = {0,     1,         -1,         2,          -3,          7,
                         -10,   100,       65535,      65536,      -65536,      0x7fffffffL,
                         MIN32, 123456789, -987654321, 0x12345678, 0x0000ffffL, -99999L};

NOINLINE void pair(i32 a, i32 b)
{
    const u32 ua = (u32)a, ub = (u32)b;
    put_hex(ua, 8);
    put_sep();
    put_hex(ub, 8);
    put_str(": ");
    put_hex(ua + ub, 8);
    put_sep();
    put_hex(ua - ub, 8);
    put_sep();
    put_hex(ua * ub, 8);
    if (b != 0) {
        put_sep();
        put_hex(ua / ub, 8);
        put_sep();
        put_hex(ua % ub, 8);
        /* MIN32 / -1 does not fit: C leaves it undefined. */
        if (!(a == MIN32 && b == -1)) {
            put_sep();
            put_hex((u32)(a / b), 8);
            put_sep();
            put_hex((u32)(a % b), 8);
        }
    }
    put_sep();
    put_char((u8)('0' + (a < b) + 2 * (ua < ub) + 4 * (a == b)));
    put_end();
}

/* A product and a quotient chained through many steps, as a checksum would be. */
NOINLINE void chains(void)
{
    u32 h = 2166136261u;
    i32 s = 1;
    u16 i;
    for (i = 0; i < COUNT(values); ++i) {
        h = (h ^ (u32)values[i]) * 16777619u;
        s = (i32)((u32)s * 31u + (u32)(values[i] / 7));
        if (values[i] != 0)
            s = (i32)((u32)s + (u32)(1000000L % values[i]));
    }
    line_hex("fnv", h, 8);
    line_hex("mix", (u32)s, 8);
    line_dec("mixdec", s);
    line_dec("min", MIN32);
    line_dec("max", 0x7fffffffL);
}

int main(void)
{
    u16 i, j;
    for (i = 0; i < COUNT(values); ++i)
        for (j = 0; j < COUNT(values); ++j)
            pair(values[i], values[j]);
    chains();
    put_done();
    return 0;
}
