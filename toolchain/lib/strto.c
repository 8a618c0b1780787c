#include "c38hab.h"

static int digitValue(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

/*
 * What strtol, strtoul, atoi and atol share: white space, a sign, the base's prefix and the
 * digits. Returns the magnitude, or 0xffffffff with *overflow set once it no longer fits
 * 32 bits; *end gets the first character not taken, or s itself when there was no number.
 */
c38_u32 C38HAB_NAME(__c38_strto)(const char *s, char **end, int base, int *negative, int *overflow)
{
    const char *p = s;
    const char *digits;
    c38_u32 m = 0;
    c38_u32 cutoff;
    int cutlim;
    *negative = 0;
    *overflow = 0;
    if (base < 0 || base == 1 || base > 36) {
        if (end)
            *end = (char *)s;
        return 0;
    }
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    if (*p == '-' || *p == '+')
        *negative = *p++ == '-';
    /* "0x" takes the prefix only when a hexadecimal digit follows; otherwise the number is
     * the 0 and the x is left to the caller. */
    if ((base == 0 || base == 16) && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
        digitValue((unsigned char)p[2]) < 16) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = *p == '0' ? 8 : 10;
    }
    cutoff = 0xffffffffu / (c38_u32)base;
    cutlim = (int)(0xffffffffu % (c38_u32)base);
    digits = p;
    for (;; ++p) {
        const int d = digitValue((unsigned char)*p);
        if (d >= base)
            break;
        if (m > cutoff || (m == cutoff && d > cutlim))
            *overflow = 1;
        else
            m = m * (c38_u32)base + (c38_u32)d;
    }
    if (p == digits)
        p = s;
    if (end)
        *end = (char *)p;
    return *overflow ? 0xffffffffu : m;
}
