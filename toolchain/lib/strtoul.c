#include "c38hab.h"

/* A minus sign negates in unsigned arithmetic: "-1" is ULONG_MAX, as the standard says. */
c38_u32 C38HAB_NAME(strtoul)(const char *s, char **end, int base)
{
    int negative;
    int overflow;
    const c38_u32 m = C38HAB_NAME(__c38_strto)(s, end, base, &negative, &overflow);
    if (overflow) {
        C38HAB_NAME(errno) = C38_ERANGE;
        return 0xffffffffu;
    }
    return negative ? 0u - m : m;
}
