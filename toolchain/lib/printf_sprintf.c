#include <stdarg.h>
#include <stdio.h>

int sprintf(char *to, const char *format, ...)
{
    va_list args;
    int count;
    va_start(args, format);
    count = vsnprintf(to, (size_t)-1, format, args);
    va_end(args);
    return count;
}
