#include "c38hab.h"

void *C38HAB_NAME(memchr)(const void *s, int c, c38_size n)
{
    const unsigned char *p = (const unsigned char *)s;
    for (; n; --n, ++p) {
        if (*p == (unsigned char)c)
            return (void *)p;
    }
    return 0;
}
