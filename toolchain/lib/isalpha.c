#include "c38hab.h"

int C38HAB_NAME(isalpha)(int c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
