#include "c38hab.h"

/* The "C" locale in ASCII: EOF and the codes 128 to 255 belong to no class. */
int C38HAB_NAME(isdigit)(int c)
{
    return c >= '0' && c <= '9';
}
