/* 8-bit arithmetic, signed and unsigned, over every pair of a set of operands: the byte
 * forms of add, subtract and multiply (mulxu.b / mulxs.b), divide and modulo (divxu.b, and
 * divxs.w on the promoted signed bytes, truncating toward zero) and comparisons. */
#include "oracle.h"

volatile i8 signedIn[] = {0, 1, -1, 2, -2, 7, -7, 10, -10, 100, -100, 127, -128, 64, -3};
volatile u8 unsignedIn[] = {0, 1, 2, 3, 7, 10, 15, 16, 100, 127, 128, 200, 254, 255};

/* Out of line, so that the operands arrive in registers and the byte instructions run. */
NOINLINE void signedPair(i8 a, i8 b)
{
    put_str("s ");
    put_hex((u8)a, 2);
    put_sep();
    put_hex((u8)b, 2);
    put_str(": ");
    put_hex((u8)(i8)(a + b), 2);
    put_sep();
    put_hex((u8)(i8)(a - b), 2);
    put_sep();
    put_hex((u8)(i8)(a * b), 2);
    put_sep();
    put_hex((u16)(i16)(a * b), 4);
    if (b != 0) {
        put_sep();
        put_hex((u8)(i8)(a / b), 2);
        put_sep();
        put_hex((u8)(i8)(a % b), 2);
    }
    put_sep();
    put_char((u8)('0' + (a < b) + 2 * (a == b) + 4 * (a >= b)));
    put_end();
}

NOINLINE void unsignedPair(u8 a, u8 b)
{
    put_str("u ");
    put_hex(a, 2);
    put_sep();
    put_hex(b, 2);
    put_str(": ");
    put_hex((u8)(a + b), 2);
    put_sep();
    put_hex((u8)(a - b), 2);
    put_sep();
    put_hex((u8)((u16)a * (u16)b), 2);
    put_sep();
    put_hex((u16)((u16)a * (u16)b), 4);
    if (b != 0) {
        put_sep();
        put_hex((u8)(a / b), 2);
        put_sep();
        put_hex((u8)(a % b), 2);
    }
    put_sep();
    put_char((u8)('0' + (a < b) + 2 * (a == b) + 4 * (a >= b)));
    put_end();
}

/* Sums that carry through the byte: the sum wraps, the carry comes out separately. */
NOINLINE void chains(void)
{
    u8 sum = 0, carries = 0;
    i8 acc = 0;
    u16 i;
    for (i = 0; i < COUNT(unsignedIn); ++i) {
        const u8 v = unsignedIn[i];
        const u8 before = sum;
        sum = (u8)(sum + v);
        if (sum < before)
            ++carries;
        acc = (i8)(acc - (i8)v);
        acc = (i8)(acc ^ (i8)(v << 1));
    }
    line_hex("sum", sum, 2);
    line_hex("carries", carries, 2);
    line_hex("acc", (u8)acc, 2);
    for (i = 0; i < COUNT(signedIn); ++i) {
        const i8 v = signedIn[i];
        put_str("x ");
        put_hex((u8)v, 2);
        put_sep();
        put_hex((u8)(i8)(-v), 2);
        put_sep();
        put_hex((u8)~v, 2);
        put_sep();
        put_hex((u32)(u16)(i16)v, 4); /* sign extension */
        put_sep();
        put_hex((u16)(u8)v, 4); /* zero extension */
        put_sep();
        put_dec(v);
        put_end();
    }
}

int main(void)
{
    u16 i, j;
    for (i = 0; i < COUNT(signedIn); ++i)
        for (j = 0; j < COUNT(signedIn); ++j)
            signedPair(signedIn[i], signedIn[j]);
    for (i = 0; i < COUNT(unsignedIn); ++i)
        for (j = 0; j < COUNT(unsignedIn); ++j)
            unsignedPair(unsignedIn[i], unsignedIn[j]);
    chains();
    put_done();
    return 0;
}
