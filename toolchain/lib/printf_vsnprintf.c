#include "printf_core.h"

#include <stdio.h>

/* Keeps the last byte of the buffer for the terminator; counts on past the end. */
static void toBuffer(struct __c38_out *out, char c)
{
    if (out->room > 1) {
        *out->at++ = c;
        --out->room;
    }
}

int vsnprintf(char *to, size_t size, const char *format, va_list args)
{
    struct __c38_out out;
    int count;
    out.put = toBuffer;
    out.at = to;
    out.room = size;
    count = __c38_format(&out, format, args);
    if (size > 0)
        *out.at = 0;
    return count;
}
