/*
 * loop.c - the work of the simulator's speed benchmark: ordinary compiled C, repeated for
 * ever. Each pass fills an array from a 16-bit generator, sorts it through a compare
 * function, folds it into a 32-bit checksum (shifts, exclusive or, a multiply and a modulo
 * that call the runtime library) and shows the verdict on port B: 55 and AA in turn while
 * the checksum is the one the same pass gives on the host, 00 when it is not (the ports
 * take no time, so the verdicts cost nothing). Only short and long are used, never int, so
 * that the pass built for a 64-bit host with "#define long int" (after the host's headers)
 * computes the same checksum: that is where kExpected comes from.
 */
#include "h8io.h"

#define N 96

static const unsigned long kExpected = 0xF4A06A7Dul;

volatile unsigned short seed = 0x1234;
static unsigned short data[N];
static unsigned long buckets[8];

static unsigned short next(unsigned short x)
{
    return (unsigned short)(x * 25173u + 13849u);
}

static short before(unsigned short a, unsigned short b)
{
    return a < b;
}

static void sort(unsigned short *v, short n, short (*less)(unsigned short, unsigned short))
{
    short i, j;
    for (i = 1; i < n; i++) {
        unsigned short x = v[i];
        for (j = i; j > 0 && less(x, v[j - 1]); j--)
            v[j] = v[j - 1];
        v[j] = x;
    }
}

static unsigned long fold(const unsigned short *v, short n)
{
    unsigned long h = 0x811C9DC5ul;
    short i;
    for (i = 0; i < n; i++) {
        h ^= v[i];
        h = (h << 5) | (h >> 27);
        h += (unsigned long)v[i] << (i & 7);
        buckets[i & 7] += h;
    }
    return h;
}

static unsigned long pass(void)
{
    unsigned short x = seed;
    unsigned long sum;
    short i;
    for (i = 0; i < 8; i++)
        buckets[i] = 0;
    for (i = 0; i < N; i++) {
        x = next(x);
        data[i] = x;
    }
    sort(data, N, before);
    sum = fold(data, N);
    for (i = 0; i < 8; i++)
        sum += buckets[i] * 16777619ul + buckets[i] % 1000ul;
    return sum;
}

int main(void)
{
    unsigned char shown = 0x55;

    PBDDR = 0xFF;
    for (;;) {
        PBDR = pass() == kExpected ? shown : 0x00;
        shown = (unsigned char)~shown;
    }
    return 0;
}
