#include "c38hab.h"

/* Characters compare as unsigned char, as the standard asks whatever char's signedness. */
int C38HAB_NAME(strcmp)(const char *a, const char *b)
{
    const unsigned char *p = (const unsigned char *)a;
    const unsigned char *q = (const unsigned char *)b;
    while (*p && *p == *q) {
        ++p;
        ++q;
    }
    return *p == *q ? 0 : (*p < *q ? -1 : 1);
}
