/* 16-bit arithmetic, the board's int: add and subtract with their carries, the widening
 * multiplies (mulxs.w / mulxu.w into 32 bits), divide and modulo with negative operands
 * (divxs.w / divxu.w), comparisons, negation and the extensions to 32 bits. */
#include "oracle.h"

volatile i16 signedIn[] = {0,    1,    -1,    2,     -2,     7,     -7,     255,    256,
                           -256, 1000, -1000, 32767, -32768, 12345, -12345, 0x4000, -3};
volatile u16 unsignedIn[] = {0,     1,     2,      3,      10,     255,    256,  1000,
                             32767, 32768, 0x8001, 0xaaaa, 0xfffe, 0xffff, 40000};

NOINLINE void signedPair(i16 a, i16 b)
{
    put_str("s ");
    put_hex((u16)a, 4);
    put_sep();
    put_hex((u16)b, 4);
    put_str(": ");
    put_hex((u16)((u16)a + (u16)b), 4);
    put_sep();
    put_hex((u16)((u16)a - (u16)b), 4);
    put_sep();
    put_hex((u32)((i32)a * (i32)b), 8);
    put_sep();
    put_hex((u16)((u32)(u16)a * (u16)b), 4);
    /* The one quotient that does not fit is left out: C leaves it undefined. */
    if (b != 0 && !(a == -32768 && b == -1)) {
        put_sep();
        put_hex((u16)(i16)(a / b), 4);
        put_sep();
        put_hex((u16)(i16)(a % b), 4);
    }
    put_sep();
    put_char((u8)('0' + (a < b) + 2 * (a == b) + 4 * (a >= b)));
    put_end();
}

NOINLINE void unsignedPair(u16 a, u16 b)
{
    put_str("u ");
    put_hex(a, 4);
    put_sep();
    put_hex(b, 4);
    put_str(": ");
    put_hex((u16)(a + b), 4);
    put_sep();
    put_hex((u16)(a - b), 4);
    put_sep();
    put_hex((u32)a * (u32)b, 8);
    if (b != 0) {
        put_sep();
        put_hex((u16)(a / b), 4);
        put_sep();
        put_hex((u16)(a % b), 4);
    }
    put_sep();
    put_char((u8)('0' + (a < b) + 2 * (a == b) + 4 * (a >= b)));
    put_end();
}

/* A 32-bit dividend over a 16-bit divisor, the shape divxu.w itself has, when the
 * quotient fits in 16 bits. */
NOINLINE void narrowDivide(u32 n, u16 d)
{
    put_str("n ");
    put_hex(n, 8);
    put_sep();
    put_hex(d, 4);
    put_str(": ");
    put_hex((u16)(n / d), 4);
    put_sep();
    put_hex((u16)(n % d), 4);
    put_end();
}

NOINLINE void single(i16 v)
{
    put_str("x ");
    put_hex((u16)v, 4);
    put_sep();
    put_hex((u16)(0u - (u16)v), 4);
    put_sep();
    put_hex((u16)~v, 4);
    put_sep();
    put_hex((u32)(i32)v, 8);
    put_sep();
    put_hex((u32)(u16)v, 8);
    put_sep();
    put_hex((u8)v, 2);
    put_sep();
    put_dec(v);
    put_end();
}

int main(void)
{
    u16 i, j;
    u16 sum = 0, carries = 0;
    for (i = 0; i < COUNT(signedIn); ++i)
        for (j = 0; j < COUNT(signedIn); ++j)
            signedPair(signedIn[i], signedIn[j]);
    for (i = 0; i < COUNT(unsignedIn); ++i)
        for (j = 0; j < COUNT(unsignedIn); ++j)
            unsignedPair(unsignedIn[i], unsignedIn[j]);
    for (i = 0; i < COUNT(unsignedIn); ++i) {
        if (unsignedIn[i] != 0)
            narrowDivide((u32)unsignedIn[i] * 0x7fffu + i, unsignedIn[i]);
    }
    for (i = 0; i < COUNT(signedIn); ++i) {
        const u16 before = sum;
        single(signedIn[i]);
        sum = (u16)(sum + (u16)signedIn[i]);
        if (sum < before)
            ++carries;
    }
    line_hex("sum", sum, 4);
    line_hex("carries", carries, 4);
    put_done();
    return 0;
}
