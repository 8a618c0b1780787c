#include "printf_core.h"

#include <stdio.h>

static void toPutchar(struct __c38_out *out, char c)
{
    (void)out;
    putchar((unsigned char)c);
}

int vprintf(const char *format, va_list args)
{
    struct __c38_out out;
    out.put = toPutchar;
    return __c38_format(&out, format, args);
}
