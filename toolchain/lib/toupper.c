#include "c38hab.h"

int C38HAB_NAME(toupper)(int c)
{
    return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}
