#include "c38hab.h"

c38_s32 C38HAB_NAME(labs)(c38_s32 v)
{
    return v < 0 ? -v : v;
}
