#include "c38hab.h"

c38_s32 C38HAB_NAME(atol)(const char *s)
{
    int negative;
    int overflow;
    c38_u32 m = C38HAB_NAME(__c38_strto)(s, 0, 10, &negative, &overflow);
    return (c38_s32)(negative ? 0u - m : m);
}
