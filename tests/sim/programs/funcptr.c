/* Calls through pointers (jsr @ERn): a table of operations, a comparison passed to a sort,
 * a function that returns a function, pointers kept in structures and a state machine
 * whose states are functions. */
#include "oracle.h"

typedef i32 (*Operation)(i32 a, i32 b);

NOINLINE i32 add(i32 a, i32 b)
{
    return (i32)((u32)a + (u32)b);
}

NOINLINE i32 sub(i32 a, i32 b)
{
    return (i32)((u32)a - (u32)b);
}

NOINLINE i32 mul(i32 a, i32 b)
{
    return (i32)((u32)a * (u32)b);
}

NOINLINE i32 quot(i32 a, i32 b)
{
    return b == 0 ? 0 : a / b;
}

NOINLINE i32 larger(i32 a, i32 b)
{
    return a > b ? a : b;
}

static const Operation operations[] = {add, sub, mul, quot, larger};
static const char *const names[] = {"add", "sub", "mul", "quot", "max"};

volatile i32 operands[] = {5, -3, 1000, -70000, 0x10000, 7};
volatile u8 pick = 3;

NOINLINE Operation choose(u8 which)
{
    return operations[which % COUNT(operations)];
}

/* Accumulates a sequence with whatever operation it is given. */
NOINLINE i32 fold(Operation op, volatile const i32 *v, u16 n, i32 start)
{
    u16 i;
    for (i = 0; i < n; ++i)
        start = op(start, v[i]);
    return start;
}

typedef i16 (*Compare)(const i16 *a, const i16 *b);

NOINLINE i16 ascending(const i16 *a, const i16 *b)
{
    return (i16)(*a < *b ? -1 : *a > *b);
}

NOINLINE i16 descendingByLowByte(const i16 *a, const i16 *b)
{
    const u8 x = (u8)*a, y = (u8)*b;
    return (i16)(x > y ? -1 : x < y);
}

/* Insertion sort that knows nothing of the order but the pointer it is handed. */
NOINLINE void sort(i16 *v, u16 n, Compare compare)
{
    u16 i, j;
    for (i = 1; i < n; ++i) {
        const i16 key = v[i];
        for (j = i; j > 0 && compare(&key, &v[j - 1]) < 0; --j)
            v[j] = v[j - 1];
        v[j] = key;
    }
}

struct Handler
{
    u8 code;
    void (*run)(u8 code);
};

NOINLINE void shout(u8 code)
{
    put_str("shout ");
    put_hex(code, 2);
    put_end();
}

NOINLINE void whisper(u8 code)
{
    put_str("whisper ");
    put_dec(code);
    put_end();
}

static const struct Handler handlers[] = {{1, shout}, {7, whisper}, {9, shout}, {200, whisper}};

/* A state is a function that takes the next input and returns the next state, wrapped in a
 * structure because C cannot name a function type that returns itself. */
struct State
{
    struct State (*next)(u8 c);
};

static u16 words, letters;

struct State inWord(u8 c);
struct State between(u8 c);

NOINLINE struct State between(u8 c)
{
    struct State s;
    if (c == ' ') {
        s.next = between;
    } else {
        ++words;
        ++letters;
        s.next = inWord;
    }
    return s;
}

NOINLINE struct State inWord(u8 c)
{
    struct State s;
    if (c == ' ') {
        s.next = between;
    } else {
        ++letters;
        s.next = inWord;
    }
    return s;
}

volatile u8 text[] = "  pointers to   functions on the board ";

int main(void)
{
    u16 i, j;
    i16 values[12];
    struct State state;

    for (i = 0; i < COUNT(operations); ++i) {
        put_str(names[i]);
        for (j = 0; j + 1 < COUNT(operands); ++j) {
            put_sep();
            put_dec(operations[i](operands[j], operands[j + 1]));
        }
        put_sep();
        put_dec(fold(operations[i], operands, COUNT(operands), 1));
        put_end();
    }
    line_dec("chosen", choose(pick)(operands[2], operands[1]));
    line_dec("chosen", choose((u8)(pick + 4))(operands[0], operands[3]));

    for (i = 0; i < COUNT(values); ++i)
        values[i] = (i16)(u16)((u16)(i * 7919u) ^ 0x5a5au);
    sort(values, COUNT(values), ascending);
    put_str("asc");
    for (i = 0; i < COUNT(values); ++i) {
        put_sep();
        put_dec(values[i]);
    }
    put_end();
    sort(values, COUNT(values), descendingByLowByte);
    put_str("low");
    for (i = 0; i < COUNT(values); ++i) {
        put_sep();
        put_hex((u16)values[i], 4);
    }
    put_end();

    for (i = 0; i < COUNT(handlers); ++i)
        handlers[i].run(handlers[i].code);

    state.next = between;
    for (i = 0; text[i] != 0; ++i)
        state = state.next(text[i]);
    line_dec("words", words);
    line_dec("letters", letters);
    put_done();
    return 0;
}
