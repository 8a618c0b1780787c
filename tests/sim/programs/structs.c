/* Structures copied, passed and returned by value, arrays of them sorted and searched, and
 * the runtime library's block functions: the copies gcc emits itself and memcpy, memmove
 * (overlapping both ways), memset and memcmp called by name. Only the members are printed:
 * the layout differs between the board and the host. */
#include "oracle.h"

struct Point
{
    i16 x, y;
};

struct Record
{
    u8 tag;
    i32 value;
    struct Point corner[3];
    char name[9];
    u16 flags;
};

volatile i16 seeds[] = {3, -7, 12, 0, -1, 250, -32000, 99};
volatile u8 fill = 0xa5;
static struct Record table[6];
static struct Record spare; /* bss: it starts zeroed */
static u8 buffer[40];

NOINLINE struct Point makePoint(i16 x, i16 y)
{
    struct Point p;
    p.x = x;
    p.y = y;
    return p;
}

NOINLINE struct Point addPoints(struct Point a, struct Point b)
{
    return makePoint((i16)(a.x + b.x), (i16)(a.y - b.y));
}

NOINLINE struct Record makeRecord(u8 tag, i16 seed)
{
    struct Record r;
    u8 i;
    r.tag = tag;
    r.value = (i32)seed * 1000 - tag;
    for (i = 0; i < 3; ++i)
        r.corner[i] = makePoint((i16)(seed + i), (i16)(seed - i * tag));
    for (i = 0; i < 8; ++i)
        r.name[i] = (char)('a' + (u8)(tag + i * 3) % 26);
    r.name[8] = 0;
    r.flags = (u16)((u16)seed ^ 0x5555u);
    return r;
}

/* By value: the callee's changes stay in its copy. */
NOINLINE i32 scramble(struct Record r)
{
    r.value = -r.value;
    r.corner[1].x = 0;
    r.name[0] = 'Z';
    return r.value + r.corner[2].y;
}

void showRecord(const struct Record *r)
{
    u8 i;
    put_str("r ");
    put_hex(r->tag, 2);
    put_sep();
    put_dec(r->value);
    for (i = 0; i < 3; ++i) {
        put_sep();
        put_dec(r->corner[i].x);
        put_char(',');
        put_dec(r->corner[i].y);
    }
    put_sep();
    put_str(r->name);
    put_sep();
    put_hex(r->flags, 4);
    put_end();
}

void showBuffer(const char *label)
{
    u8 i;
    put_str(label);
    put_sep();
    for (i = 0; i < sizeof buffer; ++i)
        put_hex(buffer[i], 2);
    put_end();
}

i16 sign(int v)
{
    return (i16)(v < 0 ? -1 : v > 0 ? 1 : 0);
}

int main(void)
{
    u8 i, j;
    struct Point p;
    struct Record r;

    showRecord(&spare);
    for (i = 0; i < COUNT(table); ++i)
        table[i] = makeRecord((u8)(i * 17 + 1), seeds[i]);
    /* Selection sort by value, swapping whole records. */
    for (i = 0; i < COUNT(table); ++i)
        for (j = (u8)(i + 1); j < COUNT(table); ++j)
            if (table[j].value < table[i].value) {
                r = table[i];
                table[i] = table[j];
                table[j] = r;
            }
    for (i = 0; i < COUNT(table); ++i)
        showRecord(&table[i]);
    spare = table[2];
    line_dec("scramble", scramble(spare));
    showRecord(&spare);

    p = makePoint(seeds[6], seeds[7]);
    for (i = 0; i < COUNT(seeds); ++i)
        p = addPoints(p, makePoint(seeds[i], (i16)(seeds[i] / 2)));
    put_str("p ");
    put_dec(p.x);
    put_sep();
    put_dec(p.y);
    put_end();

    for (i = 0; i < sizeof buffer; ++i)
        buffer[i] = i;
    memmove(buffer + 3, buffer, 20); /* forward overlap: copies from the end */
    showBuffer("move+");
    memmove(buffer, buffer + 5, 30); /* backward overlap */
    showBuffer("move-");
    memset(buffer + 10, fill, 15);
    showBuffer("set");
    memcpy(buffer, table[0].name, 8);
    showBuffer("copy");
    put_str("cmp");
    for (i = 0; i < COUNT(table); ++i) {
        put_sep();
        put_dec(sign(memcmp(&table[i].name, &table[0].name, 9)));
    }
    put_end();
    buffer[0] = 0x80; /* bytes compare unsigned */
    buffer[1] = 0x7f;
    line_dec("cmp80", sign(memcmp(buffer, buffer + 1, 1)));
    line_dec("cmp0", sign(memcmp(buffer, buffer + 1, 0)));
    put_done();
    return 0;
}
