#include "c38hab.h"

/* At most n characters from `from`, then always a terminator. */
char *C38HAB_NAME(strncat)(char *to, const char *from, c38_size n)
{
    char *d = to;
    while (*d)
        ++d;
    for (; n && *from; --n)
        *d++ = *from++;
    *d = 0;
    return to;
}
