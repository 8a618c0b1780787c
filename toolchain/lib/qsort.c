#include "c38hab.h"

static void swapBytes(unsigned char *a, unsigned char *b, c38_size size)
{
    while (size--) {
        const unsigned char t = *a;
        *a++ = *b;
        *b++ = t;
    }
}

/* Moves the element at `at` towards the root until the heap order holds below it. */
static void siftDown(unsigned char *base, c38_size at, c38_size n, c38_size size,
                     int (*compare)(const void *, const void *))
{
    for (;;) {
        c38_size child = at * 2 + 1;
        if (child >= n)
            return;
        if (child + 1 < n && compare(base + child * size, base + (child + 1) * size) < 0)
            ++child;
        if (compare(base + at * size, base + child * size) >= 0)
            return;
        swapBytes(base + at * size, base + child * size, size);
        at = child;
    }
}

/*
 * Heapsort: no recursion and no buffer, so its stack use is fixed whatever the input, which
 * matters in the board's small RAM; n log n comparisons at worst. Not stable.
 */
void C38HAB_NAME(qsort)(void *items, c38_size n, c38_size size,
                        int (*compare)(const void *, const void *))
{
    unsigned char *base = (unsigned char *)items;
    c38_size i;
    if (n < 2 || size == 0)
        return;
    for (i = n / 2; i > 0; --i)
        siftDown(base, i - 1, n, size, compare);
    for (i = n - 1; i > 0; --i) {
        swapBytes(base, base + i * size, size);
        siftDown(base, 0, i, size, compare);
    }
}
