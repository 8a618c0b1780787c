/* The library's stdio: each format is printed by sprintf into a buffer, and the buffer and
 * the count shown, against the host's sprintf given the same values at the same widths
 * (int 16 bits, long 32 on the board: the host gets them cast so the text is alike).
 * snprintf's truncation, printf, puts and putchar straight to the channel, and what the
 * host prints its own way (%p, the floating point conversions the board does not do),
 * checked against fixed text. */
#include <stdarg.h>
#ifdef __H8300H__
#include <stdio.h>
#include "oracle.h"
#else
#include "oracle.h"
#endif

static char buf[48];

NOINLINE void show(const char *format, int count)
{
    put_str(format);
    put_str(" [");
    put_str(buf);
    put_str("] ");
    put_dec(count);
    put_end();
}

struct I16Row
{
    const char *format;
    i16 value;
};
struct U16Row
{
    const char *format;
    u16 value;
};
struct I32Row
{
    const char *format;
    i32 value;
};
struct U32Row
{
    const char *format;
    u32 value;
};
struct TextRow
{
    const char *format;
    const char *value;
};
struct StarRow
{
    const char *format;
    char stars; /* 'w' width, 'p' precision, 'b' both */
    i16 width, precision, value;
};

#define MIN32 (-0x7fffffffL - 1)

static const struct I16Row ints[] = {
    {"%d", 0},     {"%d", -1},     {"%d", -32767 - 1}, {"%d", 32767},    {"%i", -42},
    {"%+d", 5},    {"%+d", -5},    {"%+d", 0},         {"% d", 5},       {"% d", -5},
    {"%-5d|", 42}, {"%05d", -42},  {"%5d", -42},       {"%.0d", 0},      {"%5.0d|", 0},
    {"%.3d", 7},   {"%08.3d", -7}, {"%-+6d|", 3},      {"%+ d", 9},      {"%hd", 12345},
    {"%hhd", 300}, {"%hhd", 200},  {"%3d|", 1},        {"<%6i>", -1234}, {"%-05d|", -3},
    {"%c", 'A'},   {"%3c|", 'z'},  {"%-3c|", 'z'},     {"%c%%", '0'},
};

static const struct U16Row uints[] = {
    {"%u", 65535},   {"%u", 0},       {"%x", 65535},   {"%X", 0xabcd},   {"%x", 0x0f0},
    {"%#x", 0},      {"%#x", 255},    {"%#X", 255},    {"%o", 8},        {"%#o", 8},
    {"%#o", 0},      {"%#.0o|", 0},   {"%#5o|", 9},    {"%08x", 0xbeef}, {"%#08x", 0xbeef},
    {"%hx", 0xffff}, {"%hhx", 0x1ff}, {"%hhu", 0x1ff}, {"%-#8x|", 10},   {"%.5u", 42},
    {"%.0x|", 0},    {"%#.4x", 0x1f}, {"%o", 65535},   {"%10.6u|", 1},   {"%-08u|", 7},
};

static const struct I32Row longs[] = {
    {"%ld", 0},         {"%ld", -1},         {"%ld", MIN32},       {"%ld", 0x7fffffffL},
    {"%ld", 123456789}, {"%ld", -987654321}, {"%ld", 65536},       {"%ld", -65536},
    {"%ld", 65535},     {"%ld", 655360},     {"%+ld", 70000},      {"%12ld|", -70000},
    {"%-12ld|", 70000}, {"%012ld", -70000},  {"%li", 100000},      {"% ld", 4294967L},
    {"%.12ld", -5},     {"%ld", 1000000000}, {"%ld", -1000000000}, {"%ld", 99999},
};

static const struct U32Row ulongs[] = {
    {"%lu", 0xffffffffUL},
    {"%lx", 0xffffffffUL},
    {"%lx", 0x80000000UL},
    {"%lX", 0xdeadbeefUL},
    {"%#lx", 0x12345678UL},
    {"%lo", 0xffffffffUL},
    {"%#lo", 1},
    {"%.10lu", 42},
    {"%lu", 65536},
    {"%lu", 4000000000UL},
    {"%010lx", 0xabcUL},
    {"%-#12lX|", 0xfeedUL},
    {"%lx", 0},
    {"%#lx", 0},
    {"%lu", 4294967040UL},
    {"%lo", 0x40000000UL},
};

static const struct TextRow texts[] = {
    {"%s", "hello"},   {"%.3s", "hello"},    {"%10s|", "right"},   {"%-10s|", "left"},
    {"%.0s|", "gone"}, {"%5.2s|", "abcdef"}, {"[%s]", ""},         {"%%|%s|%%", "pct"},
    {"a%sb%sc", "-"},  {"%.10s", "short"},   {"100%% %s", "sure"},
};

static const struct StarRow stars[] = {
    {"%*d|", 'w', 6, 0, 42},   {"%*d|", 'w', -6, 0, 42},   {"%.*d", 'p', 0, 4, 42},
    {"%*.*d|", 'b', 8, 3, -5}, {"%-*.*d|", 'b', 8, 3, -5}, {"%.*d|", 'p', 0, -1, 0},
    {"%.*d|", 'p', 0, 0, 0},   {"%0*d", 'w', 7, 0, -12},   {"%.*s|", 'p', 0, 2, 0},
};

NOINLINE void int_row(const char *format, i16 v)
{
    show(format, sprintf(buf, format, (int)v));
}

NOINLINE void uint_row(const char *format, u16 v)
{
    show(format, sprintf(buf, format, (unsigned int)v));
}

NOINLINE void long_row(const char *format, i32 v)
{
    show(format, sprintf(buf, format, (long)v));
}

NOINLINE void ulong_row(const char *format, u32 v)
{
    show(format, sprintf(buf, format, (unsigned long)v));
}

NOINLINE void text_row(const char *format, const char *v)
{
    show(format, sprintf(buf, format, v, v));
}

NOINLINE void star_row(const struct StarRow *row)
{
    int n;
    if (row->stars == 'b')
        n = sprintf(buf, row->format, (int)row->width, (int)row->precision, (int)row->value);
    else if (row->stars == 'w')
        n = sprintf(buf, row->format, (int)row->width, (int)row->value);
    else if (row->format[3] == 's')
        n = sprintf(buf, row->format, (int)row->precision, "abc");
    else
        n = sprintf(buf, row->format, (int)row->precision, (int)row->value);
    show(row->format, n);
}

/* Conversions of several kinds in one format, and %c. */
NOINLINE void mixed(const char *format, i16 a, const char *s, u32 b, char c)
{
    show(format, sprintf(buf, format, (int)a, s, (unsigned long)b, (int)c));
}

/* snprintf writes at most size - 1 bytes and a terminator, and returns the full length;
 * the bytes past size stay as they were. */
NOINLINE void truncated(u16 size, const char *format, i32 v)
{
    int n;
    u16 i;
    memset(buf, '#', sizeof buf - 1);
    buf[sizeof buf - 1] = 0;
    n = snprintf(buf, size, format, (long)v);
    for (i = 0; i < 12; ++i)
        put_char(buf[i] == 0 ? '0' : (u8)buf[i]);
    put_sep();
    put_dec(n);
    put_end();
}

NOINLINE int vformat(const char *format, ...)
{
    va_list args;
    int n;
    va_start(args, format);
    n = vsnprintf(buf, 8, format, args);
    va_end(args);
    return n;
}

#ifdef __H8300H__
NOINLINE void check(const char *label, int good)
{
    put_str(label);
    put_str(good ? " ok" : " BAD ");
    if (!good)
        put_str(buf);
    put_end();
}

NOINLINE int same(const char *expected)
{
    u16 n = 0;
    while (expected[n])
        ++n;
    return memcmp(buf, expected, n + 1u) == 0;
}
#endif

int main(void)
{
    u16 i;
    for (i = 0; i < COUNT(ints); ++i)
        int_row(ints[i].format, ints[i].value);
    for (i = 0; i < COUNT(uints); ++i)
        uint_row(uints[i].format, uints[i].value);
    for (i = 0; i < COUNT(longs); ++i)
        long_row(longs[i].format, longs[i].value);
    for (i = 0; i < COUNT(ulongs); ++i)
        ulong_row(ulongs[i].format, ulongs[i].value);
    for (i = 0; i < COUNT(texts); ++i)
        text_row(texts[i].format, texts[i].value);
    for (i = 0; i < COUNT(stars); ++i)
        star_row(&stars[i]);
    mixed("%d %s %lx %c", -7, "mid", 0xcafef00dUL, 'Q');

    truncated(0, "%ld", 123456);
    truncated(1, "%ld", 123456);
    truncated(4, "%ld", -123456);
    truncated(7, "%ld", 123456);
    truncated(8, "%ld", 123456);
    truncated(10, "<%8ld>", 42);
    line_dec("vsnprintf", vformat("%s=%d", "value", 12345));
    put_str(buf);
    put_end();

    /* Straight to the channel: gcc turns some of these into puts and putchar calls. */
    printf("printf %d %u %lx %s %c|%5s|\n", -5, 40000u, 0xdeadbeefUL, "text", 'Z', "ab");
    line_dec("count", printf("%s%d", "n=", 100));
    put_end();
    puts("puts line");
    putchar('P');
    putchar('\n');

#ifdef __H8300H__
    /* The host prints these its own way. */
    sprintf(buf, "%p %p", (void *)0xffdf10L, (void *)0);
    check("pointer", same("0xffdf10 0x000000"));
    sprintf(buf, "%p|%-10p|", (void *)0x12345678L, (void *)0x200L);
    check("wide pointer", same("0x12345678|0x000200  |"));
    sprintf(buf, "%.2f|%e|%d", 1.5, 2.0, 7);
    check("no floating point", same("%.2f|%e|7"));
    sprintf(buf, "%q|%d", 3);
    check("unknown conversion", same("%q|3"));
#else
    put_str("pointer ok\nwide pointer ok\nno floating point ok\nunknown conversion ok\n");
#endif
    put_done();
    return 0;
}
