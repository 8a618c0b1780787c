#include "c38hab.h"

int C38HAB_NAME(isblank)(int c)
{
    return c == ' ' || c == '\t';
}
