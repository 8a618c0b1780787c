/*
 * c38hab: the runtime library of the bundled H8/300H toolchain.
 *
 * gcc -mh calls these for 32-bit multiply, divide and modulo and for block copies and
 * clears; the packaged libgcc only suits the plain H8/300. Everything is plain C so the
 * same files are compiled for the board and, renamed through C38HAB_NAME, tested on the
 * host. None of it may use an operation that would make the compiler call back into the
 * library: the tests check that the archive references no symbol. One object per group,
 * so a program only carries the helpers it calls.
 */
#ifndef C38HAB_H
#define C38HAB_H

#ifdef __H8300H__
typedef unsigned long c38_u32;
typedef long c38_s32;
typedef unsigned short c38_u16;
typedef unsigned long c38_size;
#else
#include <stddef.h>
#include <stdint.h>
typedef uint32_t c38_u32;
typedef int32_t c38_s32;
typedef uint16_t c38_u16;
typedef size_t c38_size;
#endif

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

#endif
