/* Switches: a dense one that gcc turns into a table of addresses indexed by the value
 * (with its range check below 0 and above the last case), a sparse one it turns into a
 * tree of comparisons, one on a byte and one on a 32-bit value. */
#include "oracle.h"

volatile i16 denseIn[] = {-3, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 100};
volatile i16 sparseIn[] = {-32768, -5, 0, 1, 9, 10, 11, 100, 999, 1000, 4660, 29999, 30000, 32767};
volatile u8 byteIn[] = {0, 'a', 'e', 'i', 'o', 'u', 'x', 'A', 200, 255};
volatile i32 longIn[] = {0, 1, -1, 65536, 65537, 0x7fffffffL, -100000L, 100000L, 3};

NOINLINE i16 dense(i16 v)
{
    switch (v) {
    case 0:
        return 100;
    case 1:
        return -7;
    case 2:
        return (i16)(v * 3);
    case 3:
        return 0x1234;
    case 4:
    case 5:
        return (i16)(v + 40);
    case 6:
        return -32768;
    case 7:
        return 77;
    case 8:
        return 8;
    case 9:
        return (i16)(v << 4);
    case 10:
        return -10;
    case 12:
        return 1200;
    case 13:
        return 13;
    case 14:
        return (i16)(v ^ 0x7f);
    default:
        return -1;
    }
}

NOINLINE i16 sparse(i16 v)
{
    switch (v) {
    case -32768:
        return 1;
    case -5:
        return 2;
    case 1:
        return 3;
    case 10:
        return 4;
    case 100:
        return 5;
    case 1000:
        return 6;
    case 0x1234:
        return 7;
    case 30000:
        return 8;
    case 32767:
        return 9;
    default:
        return 0;
    }
}

/* Falls through from case to case, counting as it goes. */
NOINLINE u8 vowel(u8 c)
{
    u8 n = 0;
    switch (c) {
    case 'a':
        n = (u8)(n + 1);
        /* fall through */
    case 'e':
        n = (u8)(n + 2);
        /* fall through */
    case 'i':
        n = (u8)(n + 4);
        break;
    case 'o':
    case 'u':
        n = 16;
        break;
    case 255:
        n = 255;
        break;
    default:
        n = 0x80;
    }
    return n;
}

NOINLINE i16 wide(i32 v)
{
    switch (v) {
    case 0:
        return 10;
    case 1:
        return 11;
    case -1:
        return 12;
    case 65536:
        return 13;
    case 0x7fffffffL:
        return 14;
    case -100000L:
        return 15;
    case 3:
        return 16;
    default:
        return -1;
    }
}

int main(void)
{
    u16 i;
    put_str("dense");
    for (i = 0; i < COUNT(denseIn); ++i) {
        put_sep();
        put_dec(dense(denseIn[i]));
    }
    put_end();
    put_str("sparse");
    for (i = 0; i < COUNT(sparseIn); ++i) {
        put_sep();
        put_dec(sparse(sparseIn[i]));
    }
    put_end();
    put_str("byte");
    for (i = 0; i < COUNT(byteIn); ++i) {
        put_sep();
        put_hex(vowel(byteIn[i]), 2);
    }
    put_end();
    put_str("wide");
    for (i = 0; i < COUNT(longIn); ++i) {
        put_sep();
        put_dec(wide(longIn[i]));
    }
    put_end();
    put_done();
    return 0;
}
