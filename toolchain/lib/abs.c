#include "c38hab.h"

int C38HAB_NAME(abs)(int v)
{
    return v < 0 ? -v : v;
}
