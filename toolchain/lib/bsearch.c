#include "c38hab.h"

void *C38HAB_NAME(bsearch)(const void *key, const void *items, c38_size n, c38_size size,
                           int (*compare)(const void *, const void *))
{
    const unsigned char *base = (const unsigned char *)items;
    while (n > 0) {
        const unsigned char *mid = base + (n / 2) * size;
        const int order = compare(key, mid);
        if (order == 0)
            return (void *)mid;
        if (order > 0) {
            base = mid + size;
            n -= n / 2 + 1;
        } else {
            n /= 2;
        }
    }
    return 0;
}
