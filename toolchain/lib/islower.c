#include "c38hab.h"

int C38HAB_NAME(islower)(int c)
{
    return c >= 'a' && c <= 'z';
}
