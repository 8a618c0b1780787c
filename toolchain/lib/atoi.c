#include "c38hab.h"

/* Through the shared scanner rather than strtol, so a program using atoi does not set
 * errno or carry strtol's clamping. */
int C38HAB_NAME(atoi)(const char *s)
{
    int negative;
    int overflow;
    c38_u32 m = C38HAB_NAME(__c38_strto)(s, 0, 10, &negative, &overflow);
    return (int)(negative ? 0u - m : m);
}
