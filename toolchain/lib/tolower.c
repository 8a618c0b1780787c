#include "c38hab.h"

int C38HAB_NAME(tolower)(int c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}
