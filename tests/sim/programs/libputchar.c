/* A program's own putchar replaces the library's: printf and puts then send every byte
 * through it. This one counts the bytes and shows each 'o' as '0'; on the host, where
 * printf does not call putchar, the same is done by formatting into a buffer. */
#include <stdarg.h>
#ifdef __H8300H__
#include <stdio.h>
#include "oracle.h"
#else
#include "oracle.h"
#endif

static u16 sent;

NOINLINE static void own(int c)
{
    ++sent;
    put_char((u8)(c == 'o' ? '0' : c));
}

#ifdef __H8300H__
int putchar(int c)
{
    own(c);
    return c;
}
#define say printf
#define say_line puts
#else
static int say(const char *format, ...)
{
    char text[80];
    int n, i;
    va_list args;
    va_start(args, format);
    n = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    for (i = 0; text[i]; ++i)
        own((u8)text[i]);
    return n;
}

static int say_line(const char *s)
{
    while (*s)
        own((u8)*s++);
    own('\n');
    return 0;
}
#endif

int main(void)
{
    int n = say("hello %s, %d words, %lx\n", "world", 3, 0xf00dUL);
    say_line("goodbye for now");
    say("%c", 'o');
    say("\n");
    line_dec("printf said", n);
    line_dec("putchar saw", sent);
    put_done();
    return 0;
}
