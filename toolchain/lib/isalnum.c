#include "c38hab.h"

int C38HAB_NAME(isalnum)(int c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
