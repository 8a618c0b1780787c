#include "c38hab.h"

c38_s32 C38HAB_NAME(strtol)(const char *s, char **end, int base)
{
    int negative;
    int overflow;
    const c38_u32 m = C38HAB_NAME(__c38_strto)(s, end, base, &negative, &overflow);
    if (negative) {
        if (overflow || m > 0x80000000u) {
            C38HAB_NAME(errno) = C38_ERANGE;
            return -0x7fffffffL - 1;
        }
        /* 0x80000000 itself negates to LONG_MIN. */
        return m == 0x80000000u ? -0x7fffffffL - 1 : -(c38_s32)m;
    }
    if (overflow || m > 0x7fffffffu) {
        C38HAB_NAME(errno) = C38_ERANGE;
        return 0x7fffffffL;
    }
    return (c38_s32)m;
}
