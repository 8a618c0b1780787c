#include "c38hab.h"

int C38HAB_NAME(isprint)(int c)
{
    return c >= 0x20 && c < 0x7f;
}
