/* Recursion deep enough to use a good part of the stack: Fibonacci, Ackermann, a recursive
 * quicksort, the towers of Hanoi, mutual recursion and 32-bit values through the frames. */
#include "oracle.h"

volatile u16 fibN = 20;
volatile u16 ackM = 2, ackN = 3;
volatile u16 hanoiN = 10;
volatile u32 gcdA = 1071u * 65537u, gcdB = 462u * 65537u;
volatile u32 seed = 12345;
static i16 numbers[48];
static u16 moves; /* bss */
static u16 deepest;

NOINLINE u16 fib(u16 n)
{
    return n < 2 ? n : (u16)(fib((u16)(n - 1)) + fib((u16)(n - 2)));
}

NOINLINE u16 ack(u16 m, u16 n, u16 depth)
{
    if (depth > deepest)
        deepest = depth;
    if (m == 0)
        return (u16)(n + 1);
    if (n == 0)
        return ack((u16)(m - 1), 1, (u16)(depth + 1));
    return ack((u16)(m - 1), ack(m, (u16)(n - 1), (u16)(depth + 1)), (u16)(depth + 1));
}

NOINLINE u32 gcd(u32 a, u32 b)
{
    return b == 0 ? a : gcd(b, a % b);
}

NOINLINE void hanoi(u16 n, u8 from, u8 to, u8 via)
{
    if (n == 0)
        return;
    hanoi((u16)(n - 1), from, via, to);
    ++moves;
    if (n == 7) {
        put_char('0' + from);
        put_char('0' + to);
        put_sep();
    }
    hanoi((u16)(n - 1), via, to, from);
}

u8 isOdd(u16 n);

NOINLINE u8 isEven(u16 n)
{
    return n == 0 ? 1 : isOdd((u16)(n - 1));
}

NOINLINE u8 isOdd(u16 n)
{
    return n == 0 ? 0 : isEven((u16)(n - 1));
}

NOINLINE void quicksort(i16 *a, i16 lo, i16 hi)
{
    i16 i = lo, j = hi;
    const i16 pivot = a[(lo + hi) / 2];
    if (lo >= hi)
        return;
    while (i <= j) {
        while (a[i] < pivot)
            ++i;
        while (a[j] > pivot)
            --j;
        if (i <= j) {
            const i16 t = a[i];
            a[i] = a[j];
            a[j] = t;
            ++i;
            --j;
        }
    }
    quicksort(a, lo, j);
    quicksort(a, i, hi);
}

/* 32-bit values kept across the calls, in registers saved on the way and in the frame. */
NOINLINE u32 power(u32 base, u16 exp)
{
    u32 half;
    if (exp == 0)
        return 1;
    half = power(base, (u16)(exp / 2));
    return exp % 2 ? half * half * base : half * half;
}

int main(void)
{
    u16 i;
    u32 s = seed;
    line_dec("fib", fib(fibN));
    line_dec("ack", ack(ackM, ackN, 0));
    line_dec("ack33", ack(3, (u16)(ackN), 0));
    line_dec("deepest", deepest);
    line_hex("gcd", gcd(gcdA, gcdB), 8);
    put_str("hanoi ");
    hanoi(hanoiN, 1, 3, 2);
    put_end();
    line_dec("moves", moves);
    line_dec("even", isEven(101));
    line_dec("even", isEven(fibN));
    for (i = 0; i < COUNT(numbers); ++i) {
        s = s * 1103515245u + 12345u;
        numbers[i] = (i16)(u16)(s >> 16);
    }
    quicksort(numbers, 0, (i16)(COUNT(numbers) - 1));
    put_str("sorted");
    for (i = 0; i < COUNT(numbers); ++i) {
        put_sep();
        put_dec(numbers[i]);
    }
    put_end();
    line_hex("pow", power(3, 19), 8);
    line_hex("pow", power(0x10001u, 13), 8);
    put_done();
    return 0;
}
