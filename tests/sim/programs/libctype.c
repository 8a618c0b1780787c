/* The C library's character classes for EOF and every unsigned char, in the "C" locale. */
#include "oracle.h"
#include <ctype.h>

#ifndef EOF
#define EOF (-1)
#endif

/* Each class is one bit; the host's functions return any non-zero value for true. */
static u16 classes(int c)
{
    u16 bits = 0;
    bits = (u16)(bits | (isalnum(c) ? 0x001 : 0));
    bits = (u16)(bits | (isalpha(c) ? 0x002 : 0));
    bits = (u16)(bits | (isblank(c) ? 0x004 : 0));
    bits = (u16)(bits | (iscntrl(c) ? 0x008 : 0));
    bits = (u16)(bits | (isdigit(c) ? 0x010 : 0));
    bits = (u16)(bits | (isgraph(c) ? 0x020 : 0));
    bits = (u16)(bits | (islower(c) ? 0x040 : 0));
    bits = (u16)(bits | (isprint(c) ? 0x080 : 0));
    bits = (u16)(bits | (ispunct(c) ? 0x100 : 0));
    bits = (u16)(bits | (isspace(c) ? 0x200 : 0));
    bits = (u16)(bits | (isupper(c) ? 0x400 : 0));
    bits = (u16)(bits | (isxdigit(c) ? 0x800 : 0));
    return bits;
}

int main(void)
{
    i16 c;
    for (c = EOF; c <= 255; ++c) {
        put_dec(c);
        put_sep();
        put_hex(classes(c), 3);
        put_sep();
        put_dec((i32)tolower(c));
        put_sep();
        put_dec((i32)toupper(c));
        put_end();
    }
    put_done();
    return 0;
}
