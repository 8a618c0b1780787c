#include "c38hab.h"

char *C38HAB_NAME(strpbrk)(const char *s, const char *accept)
{
    for (; *s; ++s) {
        const char *a = accept;
        while (*a && *a != *s)
            ++a;
        if (*a)
            return (char *)s;
    }
    return 0;
}
