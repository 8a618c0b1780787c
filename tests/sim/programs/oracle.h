/*
 * oracle.h - what the oracle programs share: fixed-width types and output.
 *
 * Each program is compiled twice, by cc38h for the board (16-bit int, unsigned char) and
 * for the host (32-bit int), and both must print the same text. So the programs name every
 * width, cast every intermediate back to it and avoid what C leaves undefined. On the board
 * the text goes out on serial channel 1 by polling; on the host to standard output.
 * Zero-initialised globals are static, not common symbols, so that where the linker puts
 * common symbols is tried by globals.c alone. Every program's last line is "end".
 */
#ifndef ORACLE_H
#define ORACLE_H

#ifdef __H8300H__
#include "h8io.h"
typedef signed char i8;
typedef unsigned char u8;
typedef short i16;
typedef unsigned short u16;
typedef long i32;
typedef unsigned long u32;
#include <string.h>
#define NOINLINE __attribute__((noinline))
#else
#include <stdint.h>
#include <stdio.h>
#include <string.h>
typedef int8_t i8;
typedef uint8_t u8;
typedef int16_t i16;
typedef uint16_t u16;
typedef int32_t i32;
typedef uint32_t u32;
#define NOINLINE __attribute__((noinline))
#endif

#ifndef LINE_BRR
#define LINE_BRR 0
#endif

#define COUNT(array) ((u16)(sizeof(array) / sizeof((array)[0])))

/* Not static: a program uses only some of them, and one translation unit is the whole
 * program, so there is nothing to clash with. */
void put_char(u8 c)
{
#ifdef __H8300H__
    /* The loader leaves the channel at 9600 baud, some 20,000 states a byte, and a ROM
     * program finds it at its reset values: the first byte sets LINE_BRR, by default the
     * fastest speed (a bit every 32 states). Format and speed change with the channel off,
     * and a bit's time passes before it is switched on again. */
    if (SCI1_BRR != LINE_BRR) {
        volatile u8 wait;
        SCI1_SCR = 0x00;
        SCI1_SMR = 0x00; /* asynchronous, 8 bits, no parity, 1 stop bit, system clock */
        SCI1_BRR = LINE_BRR;
        for (wait = 0; wait < 4; ++wait)
            ;
        SCI1_SCR = 0x30;
    }
    while (!(SCI1_SSR & 0x80))
        ;
    SCI1_TDR = c;
    SCI1_SSR = (u8)(SCI1_SSR & 0x7f);
#else
    putchar(c);
#endif
}

void put_str(const char *s)
{
    while (*s)
        put_char((u8)*s++);
}

/* The low `digits` hexadecimal digits of v: shifts only, so a broken divide cannot garble
 * the numbers that show it. */
void put_hex(u32 v, u8 digits)
{
    while (digits > 0) {
        u8 nibble;
        --digits;
        nibble = (u8)((v >> (u8)(digits * 4)) & 0xf);
        put_char((u8)(nibble < 10 ? '0' + nibble : 'a' + nibble - 10));
    }
}

void put_dec(i32 v)
{
    char text[11];
    u8 n = 0;
    u32 m = v < 0 ? 0u - (u32)v : (u32)v;
    if (v < 0)
        put_char('-');
    do {
        text[n++] = (char)('0' + (u8)(m % 10u));
        m /= 10u;
    } while (m != 0);
    while (n > 0)
        put_char((u8)text[--n]);
}

void put_sep(void)
{
    put_char(' ');
}

void put_end(void)
{
    put_char('\n');
}

/* The last line, and on the board a wait until it has left: main's return may end the run
 * while the channel still holds bytes, and what happens to them then is tried by tail.c
 * alone. */
void put_done(void)
{
    put_str("end\n");
#ifdef __H8300H__
    while (!(SCI1_SSR & 0x04)) /* TEND: the last stop bit is out */
        ;
#endif
}

void line_hex(const char *label, u32 v, u8 digits)
{
    put_str(label);
    put_sep();
    put_hex(v, digits);
    put_end();
}

void line_dec(const char *label, i32 v)
{
    put_str(label);
    put_sep();
    put_dec(v);
    put_end();
}

#endif
