/*
 * The formatter behind the printf family: it hands each character to a sink and returns
 * how many it produced. The sinks live with the functions that use them, so a program that
 * only formats into memory does not carry putchar, and one that only prints carries no
 * buffer handling.
 */
#ifndef PRINTF_CORE_H
#define PRINTF_CORE_H

#include <stdarg.h>
#include <stddef.h>

struct __c38_out
{
    void (*put)(struct __c38_out *out, char c);
    char *at;    /* buffer sink: the next byte */
    size_t room; /* buffer sink: bytes left, counting the terminator */
};

int __c38_format(struct __c38_out *out, const char *format, va_list args);

#endif
