#include "c38hab.h"

/* A plain scan: the strings a board program searches are short, and this needs no table. */
char *C38HAB_NAME(strstr)(const char *hay, const char *needle)
{
    if (!*needle)
        return (char *)hay;
    for (; *hay; ++hay) {
        const char *h = hay;
        const char *n = needle;
        while (*n && *h == *n) {
            ++h;
            ++n;
        }
        if (!*n)
            return (char *)hay;
    }
    return 0;
}
