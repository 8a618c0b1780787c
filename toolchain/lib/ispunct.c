#include "c38hab.h"

int C38HAB_NAME(ispunct)(int c)
{
    return c > 0x20 && c < 0x7f &&
           !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
}
