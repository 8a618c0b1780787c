/* stdlib.h - integer utilities, conversions, rand, qsort and bsearch (runtime library
 * c38hab). int is 16 bits and long 32 bits. There is no malloc, exit or getenv. */
#ifndef _STDLIB_H
#define _STDLIB_H

#define __need_size_t
#define __need_NULL
#include <stddef.h>

#define RAND_MAX 32767
#define EXIT_SUCCESS 0
#define EXIT_FAILURE 1

typedef struct
{
    int quot;
    int rem;
} div_t;

typedef struct
{
    long quot;
    long rem;
} ldiv_t;

int abs(int v);
long labs(long v);
div_t div(int num, int den);
ldiv_t ldiv(long num, long den);
int atoi(const char *s);
long atol(const char *s);
long strtol(const char *s, char **end, int base);
unsigned long strtoul(const char *s, char **end, int base);
/* x = x * 1103515245 + 12345 (mod 2^32) from x = 1 or the seed; rand gives bits 16-30. */
int rand(void);
void srand(unsigned seed);
/* Heapsort: not stable, no recursion. */
void qsort(void *items, size_t n, size_t size, int (*compare)(const void *, const void *));
void *bsearch(const void *key, const void *items, size_t n, size_t size,
              int (*compare)(const void *, const void *));

#endif
