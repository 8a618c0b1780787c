#include "c38hab.h"

c38_size C38HAB_NAME(strlen)(const char *s)
{
    const char *p = s;
    while (*p)
        ++p;
    return (c38_size)(p - s);
}
