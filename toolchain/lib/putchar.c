#include <h8io.h>
#include <stdio.h>

/* Serial channel 1 by polling, as set up by whoever ran before: the loader for a program in
 * RAM, the program itself in ROM. Its own object, so a program's putchar replaces it. */
int putchar(int c)
{
    while (!(SCI1_SSR & 0x80)) /* TDRE */
        ;
    SCI1_TDR = (unsigned char)c;
    SCI1_SSR = (unsigned char)(SCI1_SSR & 0x7f);
    return (unsigned char)c;
}
