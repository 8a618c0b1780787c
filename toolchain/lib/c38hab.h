/*
 * c38hab: the runtime library of the bundled H8/300H toolchain.
 *
 * gcc -mh calls these for 32-bit multiply, divide and modulo and for block copies and
 * clears; the packaged libgcc only suits the plain H8/300. Everything is plain C so the
 * same files are compiled for the board and, renamed through C38HAB_NAME, tested on the
 * host. None of it may use an operation that would make the compiler call back into the
 * library other than the arithmetic helpers and the block functions: the tests check that
 * the archive references no symbol it does not define. One function per object (the linker
 * script keeps no sections apart), so a program only carries what it calls.
 *
 * On the board the public headers are included too, so that gcc checks every definition
 * against the prototype a program sees.
 */
#ifndef C38HAB_H
#define C38HAB_H

#ifdef __H8300H__
typedef unsigned long c38_u32;
typedef long c38_s32;
typedef unsigned short c38_u16;
typedef unsigned long c38_size;
#include <ctype.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
typedef div_t c38_div_t;
typedef ldiv_t c38_ldiv_t;
#else
#include <stddef.h>
#include <stdint.h>
typedef uint32_t c38_u32;
typedef int32_t c38_s32;
typedef uint16_t c38_u16;
typedef size_t c38_size;
typedef struct
{
    int quot;
    int rem;
} c38_div_t;
typedef struct
{
    c38_s32 quot;
    c38_s32 rem;
} c38_ldiv_t;
#endif

/* errno.h's value, which the host's own errno.h need not share. */
#define C38_ERANGE 34

#ifndef C38HAB_NAME
#define C38HAB_NAME(name) name
#endif

c38_u32 C38HAB_NAME(__mulsi3)(c38_u32 a, c38_u32 b);
c38_u32 C38HAB_NAME(__udivsi3)(c38_u32 a, c38_u32 b);
c38_u32 C38HAB_NAME(__umodsi3)(c38_u32 a, c38_u32 b);
c38_s32 C38HAB_NAME(__divsi3)(c38_s32 a, c38_s32 b);
c38_s32 C38HAB_NAME(__modsi3)(c38_s32 a, c38_s32 b);
void *C38HAB_NAME(memcpy)(void *to, const void *from, c38_size n);
void *C38HAB_NAME(memmove)(void *to, const void *from, c38_size n);
void *C38HAB_NAME(memset)(void *to, int value, c38_size n);
int C38HAB_NAME(memcmp)(const void *a, const void *b, c38_size n);

void *C38HAB_NAME(memchr)(const void *s, int c, c38_size n);
c38_size C38HAB_NAME(strlen)(const char *s);
char *C38HAB_NAME(strcpy)(char *to, const char *from);
char *C38HAB_NAME(strncpy)(char *to, const char *from, c38_size n);
char *C38HAB_NAME(strcat)(char *to, const char *from);
char *C38HAB_NAME(strncat)(char *to, const char *from, c38_size n);
int C38HAB_NAME(strcmp)(const char *a, const char *b);
int C38HAB_NAME(strncmp)(const char *a, const char *b, c38_size n);
char *C38HAB_NAME(strchr)(const char *s, int c);
char *C38HAB_NAME(strrchr)(const char *s, int c);
char *C38HAB_NAME(strstr)(const char *hay, const char *needle);
c38_size C38HAB_NAME(strspn)(const char *s, const char *accept);
c38_size C38HAB_NAME(strcspn)(const char *s, const char *reject);
char *C38HAB_NAME(strpbrk)(const char *s, const char *accept);

int C38HAB_NAME(isalnum)(int c);
int C38HAB_NAME(isalpha)(int c);
int C38HAB_NAME(isblank)(int c);
int C38HAB_NAME(iscntrl)(int c);
int C38HAB_NAME(isdigit)(int c);
int C38HAB_NAME(isgraph)(int c);
int C38HAB_NAME(islower)(int c);
int C38HAB_NAME(isprint)(int c);
int C38HAB_NAME(ispunct)(int c);
int C38HAB_NAME(isspace)(int c);
int C38HAB_NAME(isupper)(int c);
int C38HAB_NAME(isxdigit)(int c);
int C38HAB_NAME(tolower)(int c);
int C38HAB_NAME(toupper)(int c);

extern int C38HAB_NAME(errno);
int C38HAB_NAME(abs)(int v);
c38_s32 C38HAB_NAME(labs)(c38_s32 v);
c38_div_t C38HAB_NAME(div)(int num, int den);
c38_ldiv_t C38HAB_NAME(ldiv)(c38_s32 num, c38_s32 den);
c38_u32 C38HAB_NAME(__c38_strto)(const char *s, char **end, int base, int *negative, int *overflow);
int C38HAB_NAME(atoi)(const char *s);
c38_s32 C38HAB_NAME(atol)(const char *s);
c38_s32 C38HAB_NAME(strtol)(const char *s, char **end, int base);
c38_u32 C38HAB_NAME(strtoul)(const char *s, char **end, int base);
int C38HAB_NAME(rand)(void);
void C38HAB_NAME(srand)(unsigned seed);
void C38HAB_NAME(qsort)(void *items, c38_size n, c38_size size,
                        int (*compare)(const void *, const void *));
void *C38HAB_NAME(bsearch)(const void *key, const void *items, c38_size n, c38_size size,
                           int (*compare)(const void *, const void *));

#endif
