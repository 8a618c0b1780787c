/* The C library's integer utilities, conversions, rand, qsort and bsearch, with long held
 * to 32 bits on the host as on the board. */
#include "oracle.h"
#include <errno.h>
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>

#ifdef __H8300H__
#define strtol32 strtol
#define strtoul32 strtoul
/* The widths the board's programs are written for; a wrong one stops the build here. */
typedef char int_is_16_bits[INT_MAX == 32767 && INT_MIN == -32768L && UINT_MAX == 65535u ? 1 : -1];
typedef char long_is_32_bits[LONG_MAX == 2147483647L && ULONG_MAX == 4294967295ul ? 1 : -1];
typedef char size_is_long[sizeof(size_t) == sizeof(long) ? 1 : -1];
#else
#include <ctype.h>
/* The host's long may be 64 bits: what a 32-bit strtol would give, from its wider result. */
static long strtol32(const char *s, char **end, int base)
{
    long v;
    errno = 0;
    v = strtol(s, end, base);
    if (v > 2147483647L) {
        errno = ERANGE;
        v = 2147483647L;
    } else if (v < -2147483647L - 1) {
        errno = ERANGE;
        v = -2147483647L - 1;
    }
    return v;
}

static unsigned long strtoul32(const char *s, char **end, int base)
{
    unsigned long v, magnitude;
    const char *p = s;
    errno = 0;
    v = strtoul(s, end, base);
    magnitude = v;
    while (isspace((unsigned char)*p))
        ++p;
    if (*p == '-')
        magnitude = 0ul - v;
    if (errno == ERANGE || magnitude > 4294967295ul) {
        errno = ERANGE;
        return 4294967295ul;
    }
    return v & 4294967295ul;
}
#endif

NOINLINE const char *S(const char *s)
{
    return s;
}

struct Conversion
{
    const char *text;
    i8 base;
};

static const struct Conversion conversions[] = {
    {"0", 0},
    {"0", 10},
    {"0x1A", 0},
    {"0X1a", 16},
    {"1a", 16},
    {"0x", 16},
    {"0x", 0},
    {"0xg", 0},
    {"0x1g", 16},
    {"017", 0},
    {"08", 0},
    {"0", 8},
    {"  -123", 10},
    {"\t\n\v\f\r 8", 10},
    {"+7", 10},
    {"-0", 10},
    {"- 5", 10},
    {"+-5", 10},
    {"", 10},
    {"   ", 10},
    {"-", 10},
    {"z", 36},
    {"Zz", 36},
    {"101", 2},
    {"102", 2},
    {"777", 8},
    {"12 34", 10},
    {"1e5", 10},
    {"2147483647", 10},
    {"2147483648", 10},
    {"-2147483648", 10},
    {"-2147483649", 10},
    {"0x7fffffff", 0},
    {"0x80000000", 16},
    {"-0x80000000", 0},
    {"4294967295", 10},
    {"4294967296", 10},
    {"-1", 10},
    {"-4294967295", 10},
    {"-4294967296", 0},
    {"0xffffffff", 16},
    {"99999999999999999999", 10},
    {"100000000000000000000000", 16},
    {"zzzzzzz", 36},
};

static int compareI16(const void *a, const void *b)
{
    const i16 x = *(const i16 *)a, y = *(const i16 *)b;
    return x < y ? -1 : (x > y ? 1 : 0);
}

struct Tagged
{
    i16 key;
    u8 tag;
};

static int compareKeys(const void *a, const void *b)
{
    return compareI16(&((const struct Tagged *)a)->key, &((const struct Tagged *)b)->key);
}

/* Three bytes a record, so that the swaps move an odd size. */
static int compareRecords(const void *a, const void *b)
{
    return memcmp(a, b, 3);
}

static void line_array(const char *label, const i16 *items, u8 n)
{
    u8 i;
    put_str(label);
    for (i = 0; i < n; ++i) {
        put_sep();
        put_dec(items[i]);
    }
    put_end();
}

static void conversionsTest(void)
{
    u8 i;
    for (i = 0; i < COUNT(conversions); ++i) {
        const char *text = S(conversions[i].text);
        char *end;
        i32 sv;
        u32 uv;
        put_str("conv ");
        put_dec(i);
        errno = 0;
        sv = (i32)strtol32(text, &end, conversions[i].base);
        put_sep();
        put_dec(sv);
        put_sep();
        put_dec((i32)(end - text));
        put_sep();
        put_dec(errno == ERANGE);
        errno = 0;
        uv = (u32)strtoul32(text, &end, conversions[i].base);
        put_sep();
        put_hex(uv, 8);
        put_sep();
        put_dec((i32)(end - text));
        put_sep();
        put_dec(errno == ERANGE);
        put_end();
    }
    line_dec("strtol no end", (i32)strtol32(S(" 55x"), 0, 10));
    line_dec("strtoul no end", (i32)strtoul32(S(" 66x"), 0, 0));
    line_dec("atoi", atoi(S("  -1234xyz")));
    line_dec("atoi plus", atoi(S("+32767")));
    line_dec("atoi min", atoi(S("-32768")));
    line_dec("atoi none", atoi(S("x1")));
    line_dec("atol max", (i32)atol(S("2147483647")));
    line_dec("atol min", (i32)atol(S(" -2147483648")));
    line_dec("atol empty", (i32)atol(S("")));
}

static void arithmeticTest(void)
{
    static const i16 numbers[][2] = {{7, 2},     {-7, 2},      {7, -2},     {-7, -2},  {0, 5},
                                     {32767, 1}, {-32767, 10}, {-32768, 7}, {5, 32767}};
    static const i32 longs[][2] = {{7, 2},
                                   {-7, 2},
                                   {7, -2},
                                   {-7, -2},
                                   {2147483647L, 10},
                                   {-2147483647L - 1, 7},
                                   {-2147483647L - 1, 2147483647L},
                                   {123456789L, -1000}};
    u8 i;
    line_dec("abs", abs(-5));
    line_dec("abs zero", abs(0));
    line_dec("abs max", abs(32767));
    line_dec("abs min plus one", abs(-32767));
    line_dec("labs", (i32)labs(-70000L));
    line_dec("labs min plus one", (i32)labs(-2147483647L));
    for (i = 0; i < COUNT(numbers); ++i) {
        const div_t d = div(numbers[i][0], numbers[i][1]);
        put_str("div ");
        put_dec(d.quot);
        put_sep();
        put_dec(d.rem);
        put_end();
    }
    for (i = 0; i < COUNT(longs); ++i) {
        const ldiv_t d = ldiv(longs[i][0], longs[i][1]);
        put_str("ldiv ");
        put_dec((i32)d.quot);
        put_sep();
        put_dec((i32)d.rem);
        put_end();
    }
}

/* The board's and the host's generators differ: only what every rand must do is shown. */
static void randTest(void)
{
    i32 first[6];
    u8 i, inRange = 1, repeats = 1, same = 1;
    const int initial = rand();
    srand(1);
    line_dec("rand starts as seed 1", rand() == initial);
    srand(7);
    for (i = 0; i < COUNT(first); ++i) {
        first[i] = rand();
        if (first[i] < 0 || first[i] > RAND_MAX)
            inRange = 0;
        if (first[i] != first[0])
            same = 0;
    }
    srand(7);
    for (i = 0; i < COUNT(first); ++i) {
        if (rand() != first[i])
            repeats = 0;
    }
    line_dec("rand in range", inRange);
    line_dec("rand repeats", repeats);
    line_dec("rand varies", !same);
    line_dec("rand max", RAND_MAX >= 32767);
}

static void sortTest(void)
{
    i16 one[1] = {42};
    i16 many[40];
    static const i16 distinct[] = {-300, -7, 0, 3, 9, 10, 200, 32767};
    static const i16 probes[] = {-32768, -300, -8, -7, 0, 1, 9, 10, 11, 200, 32767};
    struct Tagged tagged[25];
    char records[7][3];
    u16 x = 12345;
    u8 i, sorted = 1, kept = 1;
    u8 seen[25];

    qsort(one, 0, sizeof one[0], compareI16);
    qsort(one, 1, sizeof one[0], compareI16);
    line_array("qsort one", one, 1);
    for (i = 0; i < COUNT(many); ++i) {
        x = (u16)(x * 25173u + 13849u);
        many[i] = (i16)(x >> 4) - 2048;
    }
    many[5] = -32768;
    many[17] = 32767;
    many[30] = many[31];
    qsort(many, COUNT(many), sizeof many[0], compareI16);
    line_array("qsort many", many, COUNT(many));
    qsort(many, COUNT(many), sizeof many[0], compareI16);
    line_array("qsort sorted", many, 6);

    /* qsort moves whole elements, padding too, and the simulator stops on reading a byte
     * never written. */
    memset(tagged, 0, sizeof tagged);
    for (i = 0; i < COUNT(tagged); ++i) {
        tagged[i].key = (i16)(i % 4);
        tagged[i].tag = i;
        seen[i] = 0;
    }
    qsort(tagged, COUNT(tagged), sizeof tagged[0], compareKeys);
    for (i = 0; i < COUNT(tagged); ++i) {
        if (i > 0 && tagged[i - 1].key > tagged[i].key)
            sorted = 0;
        if (tagged[i].tag >= COUNT(tagged) || seen[tagged[i].tag] ||
            tagged[i].key != tagged[i].tag % 4)
            kept = 0;
        else
            seen[tagged[i].tag] = 1;
    }
    line_dec("qsort equal keys sorted", sorted);
    line_dec("qsort equal keys permutation", kept);

    for (i = 0; i < COUNT(records); ++i) {
        records[i][0] = (char)('a' + (i * 3) % 7);
        records[i][1] = (char)('0' + i);
        records[i][2] = 0;
    }
    qsort(records, COUNT(records), sizeof records[0], compareRecords);
    put_str("qsort records");
    for (i = 0; i < COUNT(records); ++i) {
        put_sep();
        put_str(records[i]);
    }
    put_end();

    put_str("bsearch");
    for (i = 0; i < COUNT(probes); ++i) {
        const i16 *found = (const i16 *)bsearch(&probes[i], distinct, COUNT(distinct),
                                                sizeof distinct[0], compareI16);
        put_sep();
        put_dec(found ? (i32)(found - distinct) : -1);
    }
    put_end();
    /* Every key in every length of the table, so that each way a range splits is tried. */
    for (i = 0; i <= COUNT(distinct); ++i) {
        u8 j;
        put_str("bsearch length ");
        put_dec(i);
        for (j = 0; j < COUNT(distinct); ++j) {
            const i16 *found =
                (const i16 *)bsearch(&distinct[j], distinct, i, sizeof distinct[0], compareI16);
            put_sep();
            put_dec(found ? (i32)(found - distinct) : -1);
        }
        put_end();
    }
}

int main(void)
{
    line_dec("limits", CHAR_BIT == 8 && UCHAR_MAX == (unsigned char)-1 &&
                           USHRT_MAX == (unsigned short)-1 && UINT_MAX == (unsigned)-1 &&
                           ULONG_MAX == (unsigned long)-1 && SCHAR_MIN == -128 &&
                           SCHAR_MAX == 127 && SHRT_MAX == (int)(USHRT_MAX >> 1) &&
                           SHRT_MIN == -SHRT_MAX - 1 && INT_MAX == (int)(UINT_MAX >> 1) &&
                           INT_MIN == -INT_MAX - 1 && LONG_MAX == (long)(ULONG_MAX >> 1) &&
                           LONG_MIN == -LONG_MAX - 1 &&
                           ((char)-1 < 0 ? CHAR_MIN == SCHAR_MIN && CHAR_MAX == SCHAR_MAX
                                         : CHAR_MIN == 0 && CHAR_MAX == UCHAR_MAX));
    line_dec("stdint", sizeof(int8_t) == 1 && sizeof(uint8_t) == 1 && sizeof(int16_t) == 2 &&
                           sizeof(uint16_t) == 2 && sizeof(int32_t) == 4 && sizeof(uint32_t) == 4 &&
                           sizeof(intptr_t) == sizeof(void *) && (int8_t)-1 < 0 &&
                           (int16_t)-1 < 0 && (int32_t)-1 < 0 && INT8_MIN == -128 &&
                           INT8_MAX == 127 && UINT8_MAX == 255 && INT16_MIN == -32767 - 1 &&
                           INT16_MAX == 32767 && UINT16_MAX == (uint16_t)-1 &&
                           INT32_MIN == -2147483647L - 1 && INT32_MAX == 2147483647L &&
                           UINT32_MAX == (uint32_t)-1);
    conversionsTest();
    arithmeticTest();
    randTest();
    sortTest();
    put_done();
    return 0;
}
