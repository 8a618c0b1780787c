#include "c38hab.h"

/* The terminator counts as part of the string: strchr(s, 0) finds its end. */
char *C38HAB_NAME(strchr)(const char *s, int c)
{
    const char ch = (char)c;
    for (;; ++s) {
        if (*s == ch)
            return (char *)s;
        if (!*s)
            return 0;
    }
}
