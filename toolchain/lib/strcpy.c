#include "c38hab.h"

char *C38HAB_NAME(strcpy)(char *to, const char *from)
{
    char *d = to;
    while ((*d++ = *from++) != 0)
        ;
    return to;
}
