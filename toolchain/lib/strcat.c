#include "c38hab.h"

char *C38HAB_NAME(strcat)(char *to, const char *from)
{
    char *d = to;
    while (*d)
        ++d;
    while ((*d++ = *from++) != 0)
        ;
    return to;
}
