#include "c38hab.h"

c38_size C38HAB_NAME(strspn)(const char *s, const char *accept)
{
    const char *p = s;
    for (; *p; ++p) {
        const char *a = accept;
        while (*a && *a != *p)
            ++a;
        if (!*a)
            break;
    }
    return (c38_size)(p - s);
}
