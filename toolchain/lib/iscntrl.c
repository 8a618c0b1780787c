#include "c38hab.h"

int C38HAB_NAME(iscntrl)(int c)
{
    return (c >= 0 && c < 0x20) || c == 0x7f;
}
