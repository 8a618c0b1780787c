#include "c38hab.h"

c38_size C38HAB_NAME(strcspn)(const char *s, const char *reject)
{
    const char *p = s;
    for (; *p; ++p) {
        const char *r = reject;
        while (*r && *r != *p)
            ++r;
        if (*r)
            break;
    }
    return (c38_size)(p - s);
}
