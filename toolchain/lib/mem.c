#include "c38hab.h"

/* gcc emits calls to these for structure assignment and for zeroing local arrays. */
void *C38HAB_NAME(memcpy)(void *to, const void *from, c38_size n)
{
    unsigned char *d = (unsigned char *)to;
    const unsigned char *s = (const unsigned char *)from;
    while (n--)
        *d++ = *s++;
    return to;
}

void *C38HAB_NAME(memmove)(void *to, const void *from, c38_size n)
{
    unsigned char *d = (unsigned char *)to;
    const unsigned char *s = (const unsigned char *)from;
    if (d < s) {
        while (n--)
            *d++ = *s++;
    } else {
        d += n;
        s += n;
        while (n--)
            *--d = *--s;
    }
    return to;
}

void *C38HAB_NAME(memset)(void *to, int value, c38_size n)
{
    unsigned char *d = (unsigned char *)to;
    while (n--)
        *d++ = (unsigned char)value;
    return to;
}

int C38HAB_NAME(memcmp)(const void *a, const void *b, c38_size n)
{
    const unsigned char *p = (const unsigned char *)a;
    const unsigned char *q = (const unsigned char *)b;
    for (; n; --n, ++p, ++q) {
        if (*p != *q)
            return *p < *q ? -1 : 1;
    }
    return 0;
}
