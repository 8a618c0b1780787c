#include "c38hab.h"

/* Pads with zeros to n, and leaves the copy unterminated when the source is n or longer. */
char *C38HAB_NAME(strncpy)(char *to, const char *from, c38_size n)
{
    char *d = to;
    for (; n && *from; --n)
        *d++ = *from++;
    for (; n; --n)
        *d++ = 0;
    return to;
}
