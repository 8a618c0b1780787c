#include "classic/translate.h"

#include <QHash>

#include <functional>
#include <optional>

namespace vesk::classic {

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_' || c == u'.' || c == u'$';
}

struct Fields
{
    QString label;
    QString op;
    QString operands;
    bool labelOk = true; // a label in column 1 is a name, then ':' or white space
};

// A line's label, operation and operands, the comment left out. "LABEL:MOV.B ..." needs no
// space after the colon.
Fields fields(const QString &whole)
{
    Fields f;
    QString text = whole.left(commentStart(whole));
    if (!text.isEmpty() && !text[0].isSpace()) {
        qsizetype end = 0;
        while (end < text.size() && isNameChar(text[end]))
            ++end;
        f.label = text.left(end);
        text = text.mid(end);
        const bool colon = text.startsWith(u':');
        if (colon)
            text = text.mid(1);
        f.labelOk = !f.label.isEmpty() && (colon || text.isEmpty() || text[0].isSpace());
    }
    text = text.trimmed();
    qsizetype opEnd = 0;
    while (opEnd < text.size() && !text[opEnd].isSpace())
        ++opEnd;
    f.op = text.left(opEnd);
    f.operands = text.mid(opEnd).trimmed();
    return f;
}

// Splits at commas outside parentheses and strings.
QStringList splitOperands(const QString &text)
{
    QStringList parts;
    QString part;
    int depth = 0;
    bool inString = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!inString && isCharConstantAt(text, i)) {
            part += text.mid(i, 3);
            i += 2;
            continue;
        }
        if (c == u'"')
            inString = !inString;
        if (!inString && c == u'(')
            ++depth;
        if (!inString && c == u')')
            --depth;
        if (!inString && depth == 0 && c == u',') {
            parts << part.trimmed();
            part.clear();
        } else {
            part += c;
        }
    }
    if (!text.trimmed().isEmpty())
        parts << part.trimmed();
    return parts;
}

bool isRegister(const QString &name)
{
    static const QStringList names = [] {
        QStringList all = {QStringLiteral("sp"), QStringLiteral("ccr"), QStringLiteral("exr")};
        for (int n = 0; n < 8; ++n) {
            for (const char *form : {"r%1", "e%1", "er%1", "r%1h", "r%1l"})
                all << QString::fromLatin1(form).arg(n);
        }
        return all;
    }();
    return names.contains(name.toLower());
}

// A classic expression rewritten for the GNU assembler. GNU as gives + and - a lower
// precedence than & and |, so every binary operation is bracketed as the classic rules
// (those of C) group it.
class Expression
{
public:
    // `linkedPart` gives the section the GNU assembler is told for a section name, or
    // nothing for a name that is none; STARTOF and SIZEOF become symbols that l38h defines
    // for it.
    using LinkedPart = std::function<QString(const QString &)>;
    Expression(const QString &text, const LinkedPart &linkedPart)
        : m_text(text), m_linkedPart(linkedPart)
    {
    }

    std::optional<QString> parse(QString *error)
    {
        QString result = binary(0);
        if (enclosed(result))
            result = result.mid(1, result.size() - 2); // the whole needs no brackets
        skipSpace();
        if (m_error.isEmpty() && m_pos < m_text.size())
            m_error = QStringLiteral("an operator expected at \"%1\"").arg(m_text.mid(m_pos));
        if (!m_error.isEmpty()) {
            *error = m_error;
            return std::nullopt;
        }
        return result;
    }

private:
    // Whether the first bracket of `text` closes at its end.
    static bool enclosed(const QString &text)
    {
        if (!text.startsWith(u'('))
            return false;
        int depth = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            depth += text[i] == u'(' ? 1 : text[i] == u')' ? -1 : 0;
            if (depth == 0)
                return i == text.size() - 1;
        }
        return false;
    }

    void skipSpace()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }

    // The binary operator at the cursor among `ops`, consumed, or empty.
    QString takeOperator(const QStringList &ops)
    {
        skipSpace();
        for (const QString &op : ops) {
            if (m_text.mid(m_pos, op.size()) == op) {
                m_pos += op.size();
                return op;
            }
        }
        return {};
    }

    QString binary(int level)
    {
        // Loosest first; binary ~ is the classic exclusive or.
        static const QList<QStringList> levels = {
            {QStringLiteral("|"), QStringLiteral("~")},
            {QStringLiteral("&")},
            {QStringLiteral("<<"), QStringLiteral(">>")},
            {QStringLiteral("+"), QStringLiteral("-")},
            {QStringLiteral("*"), QStringLiteral("/")},
        };
        if (level == levels.size())
            return unary();
        QString left = binary(level + 1);
        while (m_error.isEmpty()) {
            const QString op = takeOperator(levels[level]);
            if (op.isEmpty())
                break;
            const QString right = binary(level + 1);
            left =
                QStringLiteral("(%1%2%3)").arg(left, op == u"~" ? QStringLiteral("^") : op, right);
        }
        return left;
    }

    QString unary()
    {
        skipSpace();
        if (m_pos >= m_text.size()) {
            m_error = QStringLiteral("a value expected");
            return {};
        }
        const QChar c = m_text[m_pos];
        if (c == u'-' || c == u'+' || c == u'~') {
            ++m_pos;
            return QStringLiteral("(%1%2)").arg(c).arg(unary());
        }
        if (c == u'(') {
            ++m_pos;
            const QString inner = binary(0);
            skipSpace();
            if (!m_error.isEmpty()) // the fault inside tells more
                return {};
            if (m_pos >= m_text.size() || m_text[m_pos] != u')') {
                m_error = QStringLiteral("\")\" expected");
                return {};
            }
            ++m_pos;
            return enclosed(inner) ? inner : QStringLiteral("(%1)").arg(inner);
        }
        if (c == u'\'') {
            if (m_pos + 2 < m_text.size() && m_text[m_pos + 2] == u'\'') {
                const QString value = QString::number(m_text[m_pos + 1].unicode());
                m_pos += 3;
                return value;
            }
            m_error = QStringLiteral("a character constant 'C' expected");
            return {};
        }
        if (c.isDigit())
            return number(10, 0);
        if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\'') {
            const qsizetype base = QStringLiteral("HDBOQ").indexOf(c.toUpper());
            if (base >= 0)
                return number(QList<int>{16, 10, 2, 8, 8}[base], 2);
        }
        if (isNameStart(c)) {
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && isNameChar(m_text[m_pos]))
                ++m_pos;
            const QString name = m_text.mid(start, m_pos - start);
            const QString upper = name.toUpper();
            if (upper == u"HIGH")
                return QStringLiteral("((%1>>8)&0xff)").arg(unary());
            if (upper == u"LOW")
                return QStringLiteral("(%1&0xff)").arg(unary());
            if (upper == u"HWORD")
                return QStringLiteral("((%1>>16)&0xffff)").arg(unary());
            if (upper == u"LWORD")
                return QStringLiteral("(%1&0xffff)").arg(unary());
            if (upper == u"STARTOF" || upper == u"SIZEOF")
                return sectionSymbol(upper);
            return name == u"$" ? QStringLiteral(".") : name;
        }
        m_error = QStringLiteral("a value expected at \"%1\"").arg(m_text.mid(m_pos));
        return {};
    }

    // "STARTOF NAME" or "SIZEOF NAME", the name perhaps in brackets, as l38h's symbol for
    // the linked section it joins.
    QString sectionSymbol(const QString &op)
    {
        skipSpace();
        const bool bracketed = m_pos < m_text.size() && m_text[m_pos] == u'(';
        if (bracketed) {
            ++m_pos;
            skipSpace();
        }
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && isNameChar(m_text[m_pos]))
            ++m_pos;
        const QString name = m_text.mid(start, m_pos - start);
        skipSpace();
        if (bracketed && (m_pos >= m_text.size() || m_text[m_pos++] != u')')) {
            m_error = QStringLiteral("\")\" expected after %1 %2").arg(op, name);
            return {};
        }
        const QString gnu = m_linkedPart(name);
        if (name.isEmpty() || gnu.isEmpty()) {
            m_error = QStringLiteral("a section declared by .SECTION expected after %1, not "
                                     "\"%2\"")
                          .arg(op, name);
            return {};
        }
        // A record starts at 0; its size is known at the end of the source, where the
        // translation defines it.
        if (gnu == u"dummy")
            return op == u"STARTOF" ? QStringLiteral("0") : QStringLiteral("___recsize.") + name;
        return (op == u"STARTOF" ? QStringLiteral("___startof") : QStringLiteral("___sizeof")) +
               gnu;
    }

    // The digits after a prefix of `skip` characters (H'), in decimal when written so and
    // in hexadecimal otherwise (GNU as reads 0x everywhere).
    QString number(int base, int skip)
    {
        m_pos += skip;
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos].isLetterOrNumber())
            ++m_pos;
        const QString digits = m_text.mid(start, m_pos - start);
        bool ok = false;
        const qulonglong value = digits.toULongLong(&ok, base);
        if (!ok || value > 0xFFFFFFFFu) {
            m_error = QStringLiteral("a number expected, not \"%1\"").arg(digits);
            return {};
        }
        return base == 10 ? QString::number(value)
                          : QStringLiteral("0x") + QString::number(value, 16).toUpper();
    }

    QString m_text;
    const LinkedPart &m_linkedPart;
    qsizetype m_pos = 0;
    QString m_error;
};

struct Section
{
    QString name;
    QString kind;      // CODE, DATA, STACK or DUMMY
    QString directive; // as the GNU assembler is told to enter it
    QString gnuName;   // .text, .data, .bss, .0ADDR, or "dummy"
    std::optional<qulonglong> locate;
};

class Translator
{
public:
    Translation run(const QList<SourceLine> &lines)
    {
        survey(lines);
        for (const SourceLine &line : lines) {
            m_at = &line;
            if (!line.text.startsWith(u'*') && !translateLine(line.text))
                break;
        }
        if (m_current.gnuName == u"dummy")
            put(QStringLiteral("\t.set\t___dummy.%1, .").arg(m_current.name));
        for (const Section &section : std::as_const(m_sections))
            if (section.gnuName == u"dummy")
                put(QStringLiteral("\t.equ\t___recsize.%1, ___dummy.%1").arg(section.name));
        return m_out;
    }

private:
    // What the whole source declares of each section, so that a section's linked section
    // and STARTOF/SIZEOF do not depend on where a line stands.
    struct Plan
    {
        QString kind; // of the first declaration
        std::optional<qulonglong> locate;
        bool initialised = false; // holds code or data
        bool reserves = false;    // holds .RES
    };

    void survey(const QList<SourceLine> &lines)
    {
        static const QStringList kinds = {"CODE", "DATA", "STACK", "DUMMY"};
        static const QStringList data = {".DATA", ".DATAB", ".SDATA", ".SDATAZ", ".SDATAC"};
        QString current;
        for (const SourceLine &line : lines) {
            if (line.text.startsWith(u'*'))
                continue;
            const Fields f = fields(line.text);
            const QString upper = f.op.toUpper();
            if (upper == u".END")
                break;
            if (upper == u".SECTION") {
                const QStringList items = splitOperands(f.operands);
                if (items.isEmpty() || items[0].isEmpty())
                    continue;
                current = items[0];
                Plan &plan = m_plan[current];
                for (const QString &item : items.mid(1)) {
                    const QString word = item.toUpper();
                    if (kinds.contains(word) && plan.kind.isEmpty())
                        plan.kind = word;
                    if (word.startsWith(u"LOCATE="))
                        plan.locate = locateAddress(item.mid(7));
                }
            } else if (!current.isEmpty() && upper.startsWith(u".RES")) {
                m_plan[current].reserves = true;
            } else if (!current.isEmpty() && !f.op.isEmpty() &&
                       (!upper.startsWith(u'.') ||
                        data.contains(upper.section(u'.', 1, 1).prepend(u'.')))) {
                m_plan[current].initialised = true;
            }
        }
    }

    std::optional<qulonglong> locateAddress(const QString &text)
    {
        QString error;
        const std::optional<QString> e = Expression(text, m_linkedPart).parse(&error);
        bool ok = false;
        const qulonglong address = e ? e->toULongLong(&ok, 0) : 0;
        if (!ok || address > 0xFFFFFF)
            return std::nullopt;
        return address;
    }

    // What STARTOF and SIZEOF of a name refer to: a section of the file (sections of one kind
    // share their linked part, and with it those bounds), or one of the four usual names,
    // which need no declaration in the file.
    const Expression::LinkedPart m_linkedPart = [this](const QString &name) {
        static const QHash<QString, QString> usual = {
            {"P", ".text"}, {"C", ".rodata"}, {"D", ".data"}, {"B", ".bss"}};
        return m_plan.contains(name) ? gnuName(name) : usual.value(name.toUpper());
    };

    // The section l38h places at `address`.
    static QString placedName(qulonglong address)
    {
        return QStringLiteral(".0") + QString::number(address, 16).toUpper();
    }

    // The section the GNU assembler is told for a user's section: by its kind and what it
    // holds, and for the usual names P (code), C (constants), D (data) and B (zeroed data)
    // as those are linked.
    QString gnuName(const QString &name) const
    {
        const Plan plan = m_plan.value(name);
        if (plan.locate)
            return placedName(*plan.locate);
        const QString upper = name.toUpper();
        if (plan.kind == u"DUMMY")
            return QStringLiteral("dummy");
        // A DATA section that only reserves is zeroed data, and so is an empty one named B
        // (a reset module declares the sections it copies and clears).
        const bool zeroed = plan.reserves ? !plan.initialised : !plan.initialised && upper == u"B";
        if (plan.kind == u"STACK" || (plan.kind == u"DATA" && zeroed))
            return QStringLiteral(".bss");
        if (upper == u"C")
            return QStringLiteral(".rodata");
        return plan.kind == u"DATA" ? QStringLiteral(".data") : QStringLiteral(".text");
    }

    void put(const QString &text)
    {
        m_out.gnu += m_label + text + u'\n';
        m_label.clear();
        m_out.origins << *m_at;
    }

    void fail(const QString &message) { m_out.errors << located(*m_at, message); }

    std::optional<QString> expression(const QString &text)
    {
        QString error;
        std::optional<QString> result = Expression(text, m_linkedPart).parse(&error);
        if (!result)
            fail(error);
        return result;
    }

    // A list of expressions, or nothing after an error.
    std::optional<QString> expressions(const QStringList &items)
    {
        QStringList out;
        for (const QString &item : items) {
            const std::optional<QString> e = expression(item);
            if (!e)
                return std::nullopt;
            out << *e;
        }
        return out.join(u", ");
    }

    std::optional<QString> operand(const QString &text)
    {
        if (isRegister(text))
            return text.toLower();
        if (text.startsWith(u'#')) {
            const auto [value, size] = sized(text.mid(1));
            const std::optional<QString> e = expression(value);
            return e ? std::optional(u'#' + *e + size) : std::nullopt;
        }
        if (!text.startsWith(u'@')) { // a branch target may carry its size: BRA L:16
            const auto [value, size] = sized(text);
            const std::optional<QString> e = expression(value);
            return e ? std::optional(*e + size) : std::nullopt;
        }
        QString rest = text.mid(1);
        if (rest.startsWith(u'-') && isRegister(rest.mid(1)))
            return QStringLiteral("@-") + rest.mid(1).toLower();
        if (rest.endsWith(u'+') && isRegister(rest.chopped(1)))
            return u'@' + rest.toLower();
        if (isRegister(rest))
            return u'@' + rest.toLower();
        QString prefix = QStringLiteral("@");
        if (rest.startsWith(u'@')) { // memory indirect @@aa:8
            prefix += u'@';
            rest = rest.mid(1);
        }
        if (rest.startsWith(u'(') && rest.endsWith(u')')) {
            const QStringList parts = splitOperands(rest.mid(1, rest.size() - 2));
            if (parts.size() == 2 && isRegister(parts[1])) {
                const auto [value, size] = sized(parts[0]);
                const std::optional<QString> e = expression(value);
                if (!e)
                    return std::nullopt;
                return QStringLiteral("@(%1%2,%3)").arg(*e, size, parts[1].toLower());
            }
        }
        const auto [value, size] = sized(rest);
        std::optional<QString> e = expression(value);
        if (!e)
            return std::nullopt;
        if (e->startsWith(u'(')) // "@(" would read as a displacement
            e = QStringLiteral("0+(%1)").arg(*e);
        return prefix + *e + size;
    }

    // "value:16" split into the value and ":16".
    static std::pair<QString, QString> sized(const QString &text)
    {
        const qsizetype colon = text.lastIndexOf(u':');
        if (colon > 0) {
            const QString size = text.mid(colon + 1).trimmed();
            if (size == u"8" || size == u"16" || size == u"24" || size == u"32")
                return {text.left(colon).trimmed(), u':' + size};
        }
        return {text, QString()};
    }

    // A classic string constant, quoted parts ("" is a quote) and <expression> bytes, as
    // lines for the GNU assembler and its length in bytes.
    std::optional<std::pair<QStringList, qsizetype>> string(const QString &text)
    {
        QStringList pieces;
        qsizetype length = 0;
        qsizetype i = 0;
        while (i < text.size()) {
            const QChar c = text[i];
            if (c.isSpace()) {
                ++i;
            } else if (c == u'"') {
                QString body;
                for (++i;; ++i) {
                    if (i >= text.size()) {
                        fail(QStringLiteral("a closing \" expected"));
                        return std::nullopt;
                    }
                    if (text[i] == u'"' && (i + 1 >= text.size() || text[i + 1] != u'"'))
                        break;
                    if (text[i] == u'"')
                        ++i;
                    body += text[i];
                }
                ++i;
                length += body.toLatin1().size();
                body.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
                pieces << QStringLiteral("\t.ascii\t\"%1\"").arg(body);
            } else if (c == u'<') {
                const qsizetype close = text.indexOf(u'>', i);
                if (close < 0) {
                    fail(QStringLiteral("a closing > expected"));
                    return std::nullopt;
                }
                const std::optional<QString> e = expression(text.mid(i + 1, close - i - 1));
                if (!e)
                    return std::nullopt;
                pieces << QStringLiteral("\t.byte\t") + *e;
                ++length;
                i = close + 1;
            } else {
                fail(QStringLiteral("a string \"...\" expected, not %1").arg(text));
                return std::nullopt;
            }
        }
        if (pieces.isEmpty()) {
            fail(QStringLiteral("a string \"...\" expected"));
            return std::nullopt;
        }
        return std::pair(pieces, length);
    }

    static int sizeOf(const QString &suffix)
    {
        if (suffix == u"B")
            return 1;
        if (suffix == u"W")
            return 2;
        return 4; // the classic default is a longword
    }

    bool translateLine(const QString &whole)
    {
        m_label.clear(); // a line that failed leaves none behind
        const Fields f = fields(whole);
        if (!f.labelOk) {
            fail(QStringLiteral("a label expected in column 1"));
            return true;
        }
        const QString &label = f.label;
        const QString &op = f.op;
        const QString &operands = f.operands;
        const QString upper = op.toUpper();

        if (upper == u".EQU" || upper == u".ASSIGN") {
            if (label.isEmpty()) {
                fail(QStringLiteral("a name in column 1 expected before %1").arg(upper));
                return true;
            }
            if (const std::optional<QString> e = expression(operands))
                put(QStringLiteral("\t%1\t%2, %3")
                        .arg(upper == u".EQU" ? ".equ" : ".set", label, *e));
            return true;
        }
        // A label shares the line of an instruction or of data, so that the listing shows
        // its address beside the bytes; before other directives it stands alone, as the GNU
        // assembler would otherwise give it the address after them.
        static const QStringList data = {".DATA", ".DATAB", ".RES", ".SDATA", ".SDATAZ", ".SDATAC"};
        const bool labelsBytes =
            !op.isEmpty() &&
            (!upper.startsWith(u'.') || data.contains(upper.section(u'.', 1, 1).prepend(u'.')));
        if (!label.isEmpty() && labelsBytes)
            m_label = label + u':';
        else if (!label.isEmpty())
            put(label + u':');
        if (op.isEmpty())
            return true;
        if (upper.startsWith(u'.')) {
            const bool more = directive(upper, operands);
            if (!m_label.isEmpty()) // nothing came of the line
                put(QString());
            return more;
        }

        QStringList out;
        for (const QString &item : splitOperands(operands)) {
            const std::optional<QString> o = operand(item);
            if (!o)
                return true;
            out << *o;
        }
        put(QStringLiteral("\t%1\t%2").arg(op.toLower(), out.join(u',')).trimmed().prepend(u'\t'));
        return true;
    }

    // False at .END.
    bool directive(const QString &upper, const QString &operands)
    {
        const QStringList items = splitOperands(operands);
        const qsizetype dot = upper.indexOf(u'.', 1);
        const QString name = dot < 0 ? upper : upper.left(dot);
        const QString suffix = dot < 0 ? QString() : upper.mid(dot + 1);
        if (!suffix.isEmpty() && suffix != u"B" && suffix != u"W" && suffix != u"L") {
            fail(QStringLiteral("a size .B, .W or .L expected after %1").arg(name));
            return true;
        }
        static const QStringList silent = {".PRINT", ".LIST",   ".FORM",    ".HEADING", ".PAGE",
                                           ".SPACE", ".IMPORT", ".PROGRAM", ".OUTPUT"};
        if (silent.contains(name))
            return true;
        if (name == u".END")
            return false;
        if (name == u".CPU") {
            const QString cpu = operands.toUpper();
            if (cpu == u"300HA" || cpu.startsWith(u"300HA:"))
                put(QStringLiteral("\t.h8300h"));
            else if (cpu.startsWith(u"300HN"))
                fail(QStringLiteral(
                    "the normal mode (300HN) is not supported; .CPU 300HA expected"));
            else
                fail(QStringLiteral(".CPU 300HA expected, not %1").arg(operands));
            return true;
        }
        if (name == u".SECTION")
            return section(items);
        if (name == u".ORG") {
            const std::optional<QString> e = expression(operands);
            if (!e)
                return true;
            // In a section placed with LOCATE, .ORG names an address; GNU counts from the
            // section's start.
            if (m_current.locate)
                put(QStringLiteral("\t.org\t(%1)-0x%2")
                        .arg(*e, QString::number(*m_current.locate, 16).toUpper()));
            else
                put(QStringLiteral("\t.org\t%1").arg(*e));
            return true;
        }
        if (name == u".EXPORT" || name == u".GLOBAL") {
            put(QStringLiteral("\t.global\t") + items.join(u", "));
            return true;
        }
        if (name == u".DATA") {
            static const QHash<int, QString> gnu = {{1, ".byte"}, {2, ".word"}, {4, ".long"}};
            if (const std::optional<QString> e = expressions(items))
                put(QStringLiteral("\t%1\t%2").arg(gnu[sizeOf(suffix)], *e));
            return true;
        }
        if (name == u".DATAB") {
            if (items.size() != 2) {
                fail(QStringLiteral(".DATAB count,value expected"));
                return true;
            }
            const std::optional<QString> count = expression(items[0]);
            const std::optional<QString> value = count ? expression(items[1]) : std::nullopt;
            if (value)
                put(QStringLiteral("\t.fill\t%1, %2, %3")
                        .arg(*count)
                        .arg(sizeOf(suffix))
                        .arg(*value));
            return true;
        }
        if (name == u".RES") {
            if (const std::optional<QString> e = expression(operands))
                put(QStringLiteral("\t.space\t(%1)*%2").arg(*e).arg(sizeOf(suffix)));
            return true;
        }
        if (name == u".SDATA" || name == u".SDATAZ" || name == u".SDATAC") {
            for (const QString &item : items) {
                std::optional<std::pair<QStringList, qsizetype>> s = string(item);
                if (!s)
                    return true;
                if (name == u".SDATAC")
                    put(QStringLiteral("\t.byte\t%1").arg(s->second));
                if (name == u".SDATAZ" && s->first.last().startsWith(u"\t.ascii"))
                    s->first.last().replace(0, 7, QStringLiteral("\t.asciz"));
                else if (name == u".SDATAZ")
                    s->first << QStringLiteral("\t.byte\t0");
                for (const QString &piece : s->first)
                    put(piece);
            }
            return true;
        }
        if (name == u".ALIGN") {
            if (const std::optional<QString> e = expression(operands))
                put(QStringLiteral("\t.balign\t") + *e);
            return true;
        }
        if (name == u".INCLUDE") {
            // The GNU assembler reads the file itself, so it is taken as GNU syntax (h8io.inc).
            put(QStringLiteral("\t.include\t") + operands);
            return true;
        }
        fail(QStringLiteral("a directive expected, not %1").arg(upper));
        return true;
    }

    bool section(const QStringList &items)
    {
        if (items.isEmpty() || items[0].isEmpty()) {
            fail(QStringLiteral("a section name expected after .SECTION"));
            return true;
        }
        const QString &name = items[0];
        QString kind;
        QString align;
        std::optional<qulonglong> locate;
        for (qsizetype i = 1; i < items.size(); ++i) {
            const QString item = items[i].toUpper();
            if (item == u"CODE" || item == u"DATA" || item == u"STACK" || item == u"DUMMY") {
                kind = item;
            } else if (item.startsWith(u"ALIGN=")) {
                const std::optional<QString> e = expression(items[i].mid(6));
                if (!e)
                    return true;
                align = *e;
            } else if (item.startsWith(u"LOCATE=")) {
                locate = locateAddress(items[i].mid(7));
                if (!locate) {
                    fail(QStringLiteral(
                        "a constant address below H'1000000 expected after LOCATE="));
                    return true;
                }
            } else {
                fail(QStringLiteral("CODE, DATA, STACK, DUMMY, ALIGN= or LOCATE= expected, not %1")
                         .arg(items[i]));
                return true;
            }
        }
        // A record's offsets go on where they stopped when the section is left.
        if (m_current.gnuName == u"dummy")
            put(QStringLiteral("\t.set\t___dummy.%1, .").arg(m_current.name));
        const auto opened = m_sections.constFind(name);
        if (opened != m_sections.cend() && align.isEmpty() && !locate &&
            (kind.isEmpty() || kind == opened->kind)) {
            m_current = *opened; // back into a section opened before
            put(m_current.gnuName == u"dummy"
                    ? QStringLiteral("\t.struct\t___dummy.%1").arg(m_current.name)
                    : m_current.directive);
            return true;
        }
        Section s;
        s.name = name;
        s.kind = kind.isEmpty() ? QStringLiteral("CODE") : kind;
        s.locate = locate;
        if (kind == u"DUMMY") {
            // A layout without bytes: its labels are offsets from zero.
            if (locate) {
                fail(QStringLiteral("a DUMMY section takes no LOCATE="));
                return true;
            }
            s.directive = QStringLiteral("\t.struct\t0");
            s.gnuName = QStringLiteral("dummy");
        } else if (locate) {
            s.gnuName = placedName(*locate);
            s.directive = QStringLiteral("\t.section\t%1,\"%2\"")
                              .arg(s.gnuName, kind == u"DATA" || kind == u"STACK" ? "d" : "x");
        } else {
            s.gnuName = gnuName(name);
            s.directive =
                s.gnuName == u".rodata" ? QStringLiteral("\t.section\t.rodata") : u'\t' + s.gnuName;
        }
        m_sections[name] = s;
        m_current = s;
        put(s.directive);
        if (!align.isEmpty())
            put(QStringLiteral("\t.balign\t") + align);
        return true;
    }

    Translation m_out;
    QString m_label; // "NAME:" waiting for the line's first output
    const SourceLine *m_at = nullptr;
    QHash<QString, Section> m_sections;
    QHash<QString, Plan> m_plan;
    Section m_current;
};

} // namespace

bool looksClassic(const QString &text)
{
    static const QStringList kinds = {"CODE", "DATA", "STACK", "DUMMY"};
    for (const QString &whole : text.split(u'\n')) {
        if (whole.startsWith(u'*')) // also a line of a GNU /* */ comment
            continue;
        const QString line = whole.left(commentStart(whole));
        // An H' constant: a quote after a lone H, outside strings.
        bool inString = false;
        for (qsizetype i = 0; i + 1 < line.size(); ++i) {
            if (line[i] == u'"')
                inString = !inString;
            if (!inString && line[i].toUpper() == u'H' && line[i + 1] == u'\'' &&
                (i == 0 || !isNameChar(line[i - 1])))
                return true;
        }
        const QStringList words = line.simplified().split(u' ');
        for (const QString &word : words) {
            const QString w = word.toUpper();
            if (w == u".CPU" || w == u".EXPORT" || w == u".IMPORT" || w.startsWith(u".SDATA") ||
                w.startsWith(u".DATA.") || w.startsWith(u".RES") || w.startsWith(u".DATAB"))
                return true;
            if (w == u".SECTION") {
                const QStringList items = splitOperands(line.mid(line.indexOf(word) + word.size()));
                if (items.size() > 1 && kinds.contains(items[1].toUpper()))
                    return true;
            }
        }
    }
    return false;
}

Translation translate(const QList<SourceLine> &lines)
{
    return Translator().run(lines);
}

} // namespace vesk::classic
