#include "c38hab.h"

int C38HAB_NAME(strncmp)(const char *a, const char *b, c38_size n)
{
    const unsigned char *p = (const unsigned char *)a;
    const unsigned char *q = (const unsigned char *)b;
    for (; n; --n, ++p, ++q) {
        if (*p != *q)
            return *p < *q ? -1 : 1;
        if (!*p)
            break;
    }
    return 0;
}
