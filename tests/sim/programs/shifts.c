/* Shifts and rotates of 8, 16 and 32 bits by constant and by variable counts: logical
 * shifts of unsigned values, arithmetic right shifts of negative ones (gcc keeps the
 * sign on both sides), then two checksums built from shifts and exclusive-ors. */
#include "oracle.h"

volatile u8 bytes[] = {0x00, 0x01, 0x80, 0x81, 0x7f, 0xff, 0x5a, 0xc3};
volatile u16 words[] = {0x0000, 0x0001, 0x8000, 0x8001, 0x7fff, 0xffff, 0x1234, 0xa5c3};
volatile u32 longs[] = {0,           1,           0x80000000u, 0x80000001u,
                        0x7fffffffu, 0xffffffffu, 0x12345678u, 0xdeadbeefu};
volatile u8 message[] = "123456789 the quick brown fox";

NOINLINE void byteShifts(u8 v, u8 n)
{
    const i8 s = (i8)v;
    put_hex((u8)(v << n), 2);
    put_sep();
    put_hex((u8)(v >> n), 2);
    put_sep();
    put_hex((u8)(i8)(s >> n), 2);
    put_sep();
    put_hex((u8)((v << n) | (v >> ((8 - n) & 7))), 2);
}

NOINLINE void wordShifts(u16 v, u8 n)
{
    const i16 s = (i16)v;
    put_hex((u16)(v << n), 4);
    put_sep();
    put_hex((u16)(v >> n), 4);
    put_sep();
    put_hex((u16)(i16)(s >> n), 4);
    put_sep();
    put_hex((u16)((v << n) | (v >> ((16 - n) & 15))), 4);
}

NOINLINE void longShifts(u32 v, u8 n)
{
    const i32 s = (i32)v;
    put_hex(v << n, 8);
    put_sep();
    put_hex(v >> n, 8);
    put_sep();
    put_hex((u32)(s >> n), 8);
    put_sep();
    put_hex((v << n) | (v >> ((32 - n) & 31)), 8);
}

/* Counts known to the compiler, which it turns into shift instructions in a row, byte or
 * word moves, or rotates through the carry rather than a loop. */
NOINLINE void constantShifts(u32 v)
{
    const i32 s = (i32)v;
    const u16 w = (u16)v;
    const i16 sw = (i16)w;
    put_str("c ");
    put_hex(v, 8);
    put_str(": ");
    put_hex(v << 1, 8);
    put_sep();
    put_hex(v << 8, 8);
    put_sep();
    put_hex(v << 13, 8);
    put_sep();
    put_hex(v << 16, 8);
    put_sep();
    put_hex(v << 31, 8);
    put_sep();
    put_hex(v >> 1, 8);
    put_sep();
    put_hex(v >> 7, 8);
    put_sep();
    put_hex(v >> 16, 8);
    put_sep();
    put_hex(v >> 24, 8);
    put_sep();
    put_hex((u32)(s >> 1), 8);
    put_sep();
    put_hex((u32)(s >> 15), 8);
    put_sep();
    put_hex((u32)(s >> 31), 8);
    put_sep();
    put_hex((u16)(w << 3), 4);
    put_sep();
    put_hex((u16)(w >> 5), 4);
    put_sep();
    put_hex((u16)(i16)(sw >> 5), 4);
    put_sep();
    put_hex((u16)(i16)(sw >> 15), 4);
    put_end();
}

/* Bytes and words shifted and rotated by fixed counts: the byte shifts, and rotates of
 * every width (rotl.b, rotl.w, rotr.l). */
NOINLINE void constantNarrow(u32 v)
{
    const u8 b = (u8)v;
    const i8 sb = (i8)b;
    const u16 w = (u16)(v >> 8);
    put_str("k ");
    put_hex(v, 8);
    put_str(": ");
    put_hex((u8)(b >> 3), 2);
    put_sep();
    put_hex((u8)(i8)(sb >> 2), 2);
    put_sep();
    put_hex((u8)(b << 2), 2);
    put_sep();
    put_hex((u8)((b << 1) | (b >> 7)), 2);
    put_sep();
    put_hex((u8)((b >> 1) | (b << 7)), 2);
    put_sep();
    put_hex((u16)((w << 1) | (w >> 15)), 4);
    put_sep();
    put_hex((u16)((w << 4) | (w >> 12)), 4);
    put_sep();
    put_hex((v >> 1) | (v << 31), 8);
    put_end();
}

NOINLINE u32 crc32(volatile const u8 *p, u16 n)
{
    u32 crc = 0xffffffffu;
    while (n--) {
        u8 bit;
        crc ^= *p++;
        for (bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

NOINLINE u16 crc16(volatile const u8 *p, u16 n)
{
    u16 crc = 0xffff;
    while (n--) {
        u8 bit;
        crc = (u16)(crc ^ (u16)(*p++ << 8));
        for (bit = 0; bit < 8; ++bit)
            crc = (u16)((crc & 0x8000u) ? (u16)(crc << 1) ^ 0x1021u : (u16)(crc << 1));
    }
    return crc;
}

int main(void)
{
    u16 i;
    u8 n;
    for (i = 0; i < COUNT(bytes); ++i) {
        put_str("b ");
        put_hex(bytes[i], 2);
        put_char(':');
        for (n = 0; n < 8; ++n) {
            put_sep();
            byteShifts(bytes[i], n);
        }
        put_end();
    }
    for (i = 0; i < COUNT(words); ++i) {
        put_str("w ");
        put_hex(words[i], 4);
        put_char(':');
        for (n = 0; n < 16; ++n) {
            put_sep();
            wordShifts(words[i], n);
        }
        put_end();
    }
    for (i = 0; i < COUNT(longs); ++i) {
        put_str("l ");
        put_hex(longs[i], 8);
        put_char(':');
        for (n = 0; n < 32; ++n) {
            put_sep();
            longShifts(longs[i], n);
        }
        put_end();
        constantShifts(longs[i]);
        constantNarrow(longs[i]);
    }
    line_hex("crc32", crc32(message, 9), 8);
    line_hex("crc32all", crc32(message, (u16)(COUNT(message) - 1)), 8);
    line_hex("crc16", crc16(message, 9), 4);
    put_done();
    return 0;
}
