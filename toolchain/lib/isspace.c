#include "c38hab.h"

int C38HAB_NAME(isspace)(int c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}
