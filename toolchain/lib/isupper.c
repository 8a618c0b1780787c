#include "c38hab.h"

int C38HAB_NAME(isupper)(int c)
{
    return c >= 'A' && c <= 'Z';
}
