/*
 * stdio.h of the bundled H8/300H toolchain: formatted output into memory and, through
 * putchar, onto serial channel 1. No files, no input, no floating point.
 *
 * int is 16 bits, long and pointers 32. Conversions: d i u x X o c s p %, flags - + space
 * # 0, width and precision as digits or *, length h, hh, l (z and t as l). %p prints
 * "0x" and at least six hexadecimal digits (the 24-bit address; more only if the pointer's
 * top byte is set). %f %F %e %E %g %G %a %A take their (32-bit) double and print the
 * conversion as written, e.g. "%.2f"; any other unknown conversion is printed as written
 * and takes no argument.
 *
 * printf, puts and putchar send bytes unchanged ("\n" is LF alone; write "\r\n" for a
 * terminal that wants CR) through putchar, which polls serial channel 1 and does not set
 * the channel up: a program in RAM finds it as the loader left it, a program in ROM sets
 * SMR, BRR and SCR first. A program that defines its own int putchar(int) gets every
 * printf and puts through it: the linker takes putchar from c38hab only when no object
 * given before -library defines it.
 */
#ifndef _STDIO_H
#define _STDIO_H

/* size_t and NULL from the compiler's own stddef.h, as string.h takes them. */
#define __need_size_t
#define __need_NULL
#include <stddef.h>
#define __need___va_list
#include <stdarg.h>

#ifndef EOF
#define EOF (-1)
#endif

int printf(const char *format, ...);
int vprintf(const char *format, __gnuc_va_list args);
int sprintf(char *to, const char *format, ...);
int vsprintf(char *to, const char *format, __gnuc_va_list args);
int snprintf(char *to, size_t size, const char *format, ...);
int vsnprintf(char *to, size_t size, const char *format, __gnuc_va_list args);
int putchar(int c);
int puts(const char *s);

#endif
