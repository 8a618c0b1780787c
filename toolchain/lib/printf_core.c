#include "printf_core.h"

enum {
    kLeft = 1,
    kPlus = 2,
    kSpace = 4,
    kAlt = 8,
    kZero = 16,
    kShort = 32,
    kChar = 64,
    kLong = 128
};

static int repeat(struct __c38_out *out, char c, int n)
{
    int i;
    for (i = 0; i < n; ++i)
        out->put(out, c);
    return n > 0 ? n : 0;
}

static int send(struct __c38_out *out, const char *s, int n)
{
    int i;
    for (i = 0; i < n; ++i)
        out->put(out, s[i]);
    return n;
}

/* Digits of v in base 8, 10 or 16, written backwards ending at `end`; returns the first.
 * Decimal divides 32 bits (__udivsi3) only while the value needs them: the rest is divxu.w. */
static char *digits(char *end, unsigned long v, unsigned char base, char letter)
{
    unsigned int w;
    if (base != 10) {
        unsigned char shift = base == 16 ? 4 : 3;
        do {
            unsigned char d = (unsigned char)(v & (base - 1u));
            *--end = (char)(d < 10 ? '0' + d : letter + d - 10);
            v >>= shift;
        } while (v != 0);
        return end;
    }
    while ((v >> 16) != 0) {
        *--end = (char)('0' + (unsigned char)(v % 10u));
        v /= 10u;
    }
    w = (unsigned int)v;
    do {
        *--end = (char)('0' + (unsigned char)(w % 10u));
        w /= 10u;
    } while (w != 0);
    return end;
}

int __c38_format(struct __c38_out *out, const char *format, va_list args)
{
    int count = 0;
    char c;
    while ((c = *format++) != 0) {
        const char *conversion = format - 1; /* where this "%..." began */
        unsigned char flags = 0, base = 10;
        int width = 0, precision = -1, length = 0, zeros = 0, pad;
        char text[12]; /* 32 bits in octal is 11 digits */
        char prefix[2];
        int prefixLength = 0;
        const char *body = text;
        unsigned long v = 0;
        char letter = 'a';

        if (c != '%') {
            out->put(out, c);
            ++count;
            continue;
        }
        for (;; ++format) {
            if (*format == '-')
                flags |= kLeft;
            else if (*format == '+')
                flags |= kPlus;
            else if (*format == ' ')
                flags |= kSpace;
            else if (*format == '#')
                flags |= kAlt;
            else if (*format == '0')
                flags |= kZero;
            else
                break;
        }
        if (*format == '*') {
            ++format;
            width = va_arg(args, int);
            if (width < 0) {
                flags |= kLeft;
                width = -width;
            }
        } else {
            while (*format >= '0' && *format <= '9')
                width = width * 10 + (*format++ - '0');
        }
        if (*format == '.') {
            ++format;
            precision = 0;
            if (*format == '*') {
                ++format;
                precision = va_arg(args, int);
                if (precision < 0)
                    precision = -1;
            } else {
                while (*format >= '0' && *format <= '9')
                    precision = precision * 10 + (*format++ - '0');
            }
        }
        if (*format == 'h') {
            flags |= *++format == 'h' ? kChar : kShort;
            if (flags & kChar)
                ++format;
        } else if (*format == 'l' || *format == 'z' || *format == 't') {
            ++format;
            flags |= kLong;
        }

        /* A chain of tests rather than a switch: gcc's jump table over 'A'..'x' would
         * cost more than the code. */
        c = *format++;
        if (c == 'd' || c == 'i') {
            long s = flags & kLong ? va_arg(args, long) : (long)va_arg(args, int);
            if (flags & kChar)
                s = (signed char)s;
            else if (flags & kShort)
                s = (short)s;
            v = (unsigned long)s;
            if (s < 0) {
                v = 0ul - v;
                prefix[prefixLength++] = '-';
            } else if (flags & (kPlus | kSpace)) {
                prefix[prefixLength++] = flags & kPlus ? '+' : ' ';
            }
        } else if (c == 'u' || c == 'o' || c == 'x' || c == 'X') {
            base = c == 'u' ? 10 : c == 'o' ? 8 : 16;
            if (c == 'X')
                letter = 'A';
            v = flags & kLong ? va_arg(args, unsigned long) : va_arg(args, unsigned int);
            if (flags & kChar)
                v = (unsigned char)v;
            else if (flags & kShort)
                v = (unsigned short)v;
            if ((flags & kAlt) && base == 16 && v != 0) {
                prefix[prefixLength++] = '0';
                prefix[prefixLength++] = c;
            }
        } else if (c == 'p') {
            v = (unsigned long)va_arg(args, void *);
            base = 16;
            prefix[prefixLength++] = '0';
            prefix[prefixLength++] = 'x';
            if (precision < 0)
                precision = 6;
        } else {
            base = 0;
            length = 1;
            if (c == 'c') {
                text[0] = (char)va_arg(args, int);
            } else if (c == 's') {
                body = va_arg(args, const char *);
                /* Not past the precision: the text need not be terminated there. */
                for (length = 0; (precision < 0 || length < precision) && body[length]; ++length)
                    ;
            } else if (c == '%') {
                text[0] = '%';
            } else {
                if (c == 'f' || c == 'F' || c == 'e' || c == 'E' || c == 'g' || c == 'G' ||
                    c == 'a' || c == 'A')
                    (void)va_arg(args, double);
                else if (c == 0)
                    --format;
                /* As written, so the reader sees what was not converted. */
                body = conversion;
                length = (int)(format - conversion);
                width = 0;
            }
        }
        if (base != 0) {
            body = digits(text + sizeof text, v, base, letter);
            length = (int)(text + sizeof text - body);
            if (precision == 0 && v == 0)
                length = 0;
            if (precision > length)
                zeros = precision - length;
            /* # in octal: the first digit is a 0, made so only when it is not one already. */
            if ((flags & kAlt) && base == 8 && zeros == 0 && (v != 0 || length == 0))
                zeros = 1;
            if ((flags & (kZero | kLeft)) == kZero && precision < 0 &&
                width > prefixLength + zeros + length)
                zeros = width - prefixLength - length;
        }

        pad = width - prefixLength - zeros - length;
        if (!(flags & kLeft))
            count += repeat(out, ' ', pad);
        count += send(out, prefix, prefixLength);
        count += repeat(out, '0', zeros);
        count += send(out, body, length);
        if (flags & kLeft)
            count += repeat(out, ' ', pad);
    }
    return count;
}
