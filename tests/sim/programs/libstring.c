/* The C library's string and block functions: results as offsets, signs and bytes. */
#include "oracle.h"
#include <string.h>

/* Strings and counts reach the library through these, so that gcc cannot work a result out
 * itself. */
NOINLINE const char *S(const char *s)
{
    return s;
}

NOINLINE u8 N(u8 n)
{
    return n;
}

static i32 offset(const void *found, const void *base)
{
    return found ? (i32)((const char *)found - (const char *)base) : -1;
}

static i32 sign(int v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

static void line_buf(const char *label, const char *buf, u8 n)
{
    u8 i;
    put_str(label);
    for (i = 0; i < n; ++i) {
        put_sep();
        put_hex((u8)buf[i], 2);
    }
    put_end();
}

struct Pair
{
    const char *a;
    const char *b;
    u8 n;
};

static const struct Pair pairs[] = {
    {"", "", 0},         {"", "a", 1},        {"a", "", 1},        {"abc", "abd", 2},
    {"abc", "abd", 3},   {"abc", "ab", 5},    {"ab", "abc", 5},    {"\x80", "\x7f", 1},
    {"\x7f", "\xff", 1}, {"same", "same", 9}, {"abcx", "abcy", 0}, {"hello", "help", 3},
};

struct Search
{
    const char *hay;
    const char *needle;
};

static const struct Search searches[] = {
    {"", ""},
    {"abc", ""},
    {"", "a"},
    {"abc", "abc"},
    {"abc", "abcd"},
    {"xabcx", "bc"},
    {"aaab", "aab"},
    {"abab", "bab"},
    {"hello", "lo"},
    {"hello", "ol"},
    {"a,b;c", ";,"},
    {"spaces  ", " "},
    {"0123abc", "0123456789"},
};

int main(void)
{
    char buf[16];
    u8 i;

    line_dec("strlen empty", (i32)strlen(S("")));
    line_dec("strlen one", (i32)strlen(S("a")));
    line_dec("strlen long", (i32)strlen(S("hello, world")));

    for (i = 0; i < COUNT(pairs); ++i) {
        const struct Pair *p = &pairs[i];
        put_str("cmp ");
        put_dec(i);
        put_sep();
        put_dec(sign(strcmp(S(p->a), S(p->b))));
        put_sep();
        put_dec(sign(strncmp(S(p->a), S(p->b), p->n)));
        put_sep();
        put_dec(sign(memcmp(S(p->a), S(p->b), p->n < 2 ? p->n : 1)));
        put_end();
    }

    for (i = 0; i < COUNT(searches); ++i) {
        const struct Search *s = &searches[i];
        const char *hay = S(s->hay);
        put_str("search ");
        put_dec(i);
        put_sep();
        put_dec(offset(strstr(hay, S(s->needle)), hay));
        put_sep();
        put_dec((i32)strspn(hay, S(s->needle)));
        put_sep();
        put_dec((i32)strcspn(hay, S(s->needle)));
        put_sep();
        put_dec(offset(strpbrk(hay, S(s->needle)), hay));
        put_sep();
        put_dec(offset(strchr(hay, s->needle[0]), hay));
        put_sep();
        put_dec(offset(strrchr(hay, s->needle[0]), hay));
        put_sep();
        put_dec(offset(memchr(hay, s->needle[0], strlen(hay)), hay));
        put_end();
    }
    {
        const char *high = S("a\xe9z");
        const char *six = S("abcdef");
        line_dec("strchr high", offset(strchr(high, 0xe9), high));
        line_dec("strrchr end", offset(strrchr(six, 0), six));
        line_dec("memchr high", offset(memchr(high, 0x1e9, 3), high));
        line_dec("memchr past n", offset(memchr(six, 'e', 4), six));
    }

    memset(buf, 'x', sizeof buf);
    line_dec("strcpy returns", offset(strcpy(buf, S("abc")), buf));
    line_buf("strcpy", buf, 6);
    line_dec("strcat returns", offset(strcat(buf, S("de")), buf));
    line_buf("strcat", buf, 8);
    strcat(buf, S(""));
    line_buf("strcat empty", buf, 8);
    line_dec("strncat returns", offset(strncat(buf, S("fghij"), 2), buf));
    line_buf("strncat short", buf, 10);
    strncat(buf, S("k"), 5);
    line_buf("strncat long", buf, 10);
    strncat(buf, S("zzz"), N(0));
    line_buf("strncat none", buf, 10);

    memset(buf, 'x', sizeof buf);
    line_dec("strncpy returns", offset(strncpy(buf, S("ab"), 6), buf));
    line_buf("strncpy pads", buf, 8);
    memset(buf, 'x', sizeof buf);
    strncpy(buf, S("abcdef"), 4);
    line_buf("strncpy cuts", buf, 8);
    memset(buf, 'x', sizeof buf);
    strncpy(buf, S("abc"), N(0));
    line_buf("strncpy none", buf, 4);

    strcpy(buf, S("abcdefgh"));
    line_dec("memmove returns", offset(memmove(buf + 2, buf, 5), buf));
    line_buf("memmove up", buf, 9);
    strcpy(buf, S("abcdefgh"));
    memmove(buf, buf + 3, 5);
    line_buf("memmove down", buf, 9);
    strcpy(buf, S("abcdefgh"));
    memmove(buf + N(1), buf + N(1), 3);
    memmove(buf, buf + 4, N(0));
    line_buf("memmove same", buf, 9);
    line_dec("memset returns", offset(memset(buf + 1, 0x1ff, 3), buf));
    line_buf("memset", buf, 6);
    put_done();
    return 0;
}
