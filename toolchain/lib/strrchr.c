#include "c38hab.h"

char *C38HAB_NAME(strrchr)(const char *s, int c)
{
    const char ch = (char)c;
    const char *found = 0;
    for (;; ++s) {
        if (*s == ch)
            found = s;
        if (!*s)
            return (char *)found;
    }
}
