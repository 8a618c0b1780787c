#include <stdarg.h>
#include <stdio.h>

int snprintf(char *to, size_t size, const char *format, ...)
{
    va_list args;
    int count;
    va_start(args, format);
    count = vsnprintf(to, size, format, args);
    va_end(args);
    return count;
}
