/* Global variables where the code looks for them: initialised data, constant data and
 * zero-initialised arrays that the compiler leaves to the linker as common symbols; and
 * single bits set, cleared, flipped and tested, by a fixed or a variable bit number (gcc
 * tests a fixed bit by loading it into the carry with bld). */
#include "oracle.h"

u8 counts[32]; /* common symbols: the linker places them, zeroed */
u16 squares[20];
i32 total;
volatile u16 first = 0x1234;
volatile u32 second = 0xcafef00dul;
volatile u8 flags = 0x81;
volatile u8 bitIn[] = {0, 3, 5, 7, 2};
const char greeting[] = "globals";

NOINLINE void showFlags(const char *label)
{
    line_hex(label, flags, 2);
}

NOINLINE u8 isSet2(const u8 *p)
{
    return (*p & 0x04) != 0;
}

NOINLINE u8 isSet7(const u8 *p)
{
    return (*p & 0x80) != 0;
}

NOINLINE u8 isClear0(const u8 *p)
{
    return (*p & 0x01) == 0;
}

int main(void)
{
    u16 i;
    u16 zero = 0;
    line_hex("first", first, 4);
    line_hex("second", second, 8);
    put_str(greeting);
    put_end();
    for (i = 0; i < COUNT(counts); ++i)
        zero = (u16)(zero | counts[i]);
    for (i = 0; i < COUNT(squares); ++i)
        zero = (u16)(zero | squares[i]);
    line_hex("zero", (u32)zero | (u32)total, 8);

    for (i = 0; i < COUNT(squares); ++i) {
        squares[i] = (u16)(i * i);
        counts[(u8)(squares[i] % COUNT(counts))] += 0x45;
        total += squares[i];
    }
    put_str("counts");
    for (i = 0; i < COUNT(counts); ++i)
        put_hex(counts[i], 2);
    put_end();
    line_dec("total", total);

    flags |= 0x10;
    showFlags("set4");
    flags &= (u8)~0x01;
    showFlags("clr0");
    flags ^= 0x40;
    showFlags("not6");
    for (i = 0; i < COUNT(counts); i = (u16)(i + 3)) {
        put_char((u8)('0' + isSet2(&counts[i])));
        put_char((u8)('0' + isSet7(&counts[i])));
        put_char((u8)('0' + isClear0(&counts[i])));
        put_sep();
    }
    put_end();
    for (i = 0; i < COUNT(bitIn); ++i) {
        flags ^= (u8)(1u << bitIn[i]);
        put_hex(flags, 2);
        put_sep();
        flags &= (u8) ~(1u << bitIn[(i + 1) % COUNT(bitIn)]);
        put_hex(flags, 2);
        put_sep();
        put_dec((flags >> bitIn[i]) & 1);
        put_end();
    }
    put_done();
    return 0;
}
