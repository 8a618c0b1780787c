#include "classic/macros.h"

#include <QHash>

#include <algorithm>
#include <optional>

namespace vesk::classic {

namespace {

// The fields of one classic line. The comment is split off first so that a `;` inside a quoted
// string stays part of the operands.
struct Fields
{
    QString label;
    QString op; // upper case
    QString operands;
};

bool isCommentLine(const QString &text)
{
    return text.startsWith(u'*') || text.trimmed().startsWith(u';');
}

Fields splitFields(const QString &code)
{
    Fields f;
    qsizetype i = 0;
    if (!code.isEmpty() && !code[0].isSpace()) {
        while (i < code.size() && !code[i].isSpace())
            ++i;
        f.label = code.left(i);
    }
    while (i < code.size() && code[i].isSpace())
        ++i;
    const qsizetype opStart = i;
    while (i < code.size() && !code[i].isSpace())
        ++i;
    f.op = code.mid(opStart, i - opStart).toUpper();
    f.operands = code.mid(i).trimmed();
    return f;
}

QString labelName(const QString &label)
{
    return label.endsWith(u':') ? label.chopped(1) : label;
}

// Commas inside "..." or (...) do not separate; each piece is kept as written, trimmed.
QStringList splitArguments(const QString &text)
{
    QStringList out;
    if (text.trimmed().isEmpty())
        return out;
    QString piece;
    bool quoted = false;
    int parens = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!quoted && isCharConstantAt(text, i)) {
            piece += text.mid(i, 3);
            i += 2;
            continue;
        }
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'(')
            ++parens;
        else if (!quoted && c == u')' && parens > 0)
            --parens;
        if (c == u',' && !quoted && parens == 0) {
            out << piece.trimmed();
            piece.clear();
        } else {
            piece += c;
        }
    }
    out << piece.trimmed();
    return out;
}

struct Macro
{
    QString name;
    QStringList params; // upper case
    QStringList defaults;
    QList<SourceLine> body;
};

struct Variable
{
    bool numeric = true;
    qint64 number = 0;
    QString text;
};

// .EXITM has to unwind the .AIF and loop bodies it sits in, up to the expansion it ends.
enum class Flow { Normal, Exit };

// A small recursive-descent evaluator for .ASSIGNA values and condition operands.
class Expression
{
public:
    explicit Expression(const QString &text) : m_text(text) {}

    std::optional<qint64> evaluate(QString *why)
    {
        const auto v = sum();
        skipSpace();
        if (!v || m_pos != m_text.size()) {
            if (m_why.isEmpty())
                m_why = QStringLiteral("bad expression \"%1\", expected numbers joined by + - * /")
                            .arg(m_text.trimmed());
            *why = m_why;
            return std::nullopt;
        }
        return v;
    }

private:
    void skipSpace()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }
    bool take(QChar c)
    {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    std::optional<qint64> sum()
    {
        auto v = product();
        while (v) {
            if (take(u'+')) {
                const auto r = product();
                v = r ? std::optional(*v + *r) : std::nullopt;
            } else if (take(u'-')) {
                const auto r = product();
                v = r ? std::optional(*v - *r) : std::nullopt;
            } else {
                break;
            }
        }
        return v;
    }
    std::optional<qint64> product()
    {
        auto v = unary();
        while (v) {
            if (take(u'*')) {
                const auto r = unary();
                v = r ? std::optional(*v * *r) : std::nullopt;
            } else if (take(u'/')) {
                const auto r = unary();
                if (r && *r == 0) {
                    m_why =
                        QStringLiteral("division by zero in \"%1\", expected a non-zero divisor")
                            .arg(m_text.trimmed());
                    return std::nullopt;
                }
                v = r ? std::optional(*v / *r) : std::nullopt;
            } else {
                break;
            }
        }
        return v;
    }
    std::optional<qint64> unary()
    {
        if (take(u'-')) {
            const auto v = unary();
            return v ? std::optional(-*v) : std::nullopt;
        }
        if (take(u'+'))
            return unary();
        if (take(u'(')) {
            const auto v = sum();
            return v && take(u')') ? v : std::nullopt;
        }
        return number();
    }
    // H'1F D'10 B'0101 O'17 (Q' too) and plain decimal.
    std::optional<qint64> number()
    {
        skipSpace();
        int base = 10;
        if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\'') {
            switch (m_text[m_pos].toUpper().unicode()) {
            case 'H':
                base = 16;
                break;
            case 'D':
                base = 10;
                break;
            case 'B':
                base = 2;
                break;
            case 'O':
            case 'Q':
                base = 8;
                break;
            default:
                return std::nullopt;
            }
            m_pos += 2;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos].isLetterOrNumber())
            ++m_pos;
        bool ok = false;
        const qint64 v = m_text.mid(start, m_pos - start).toLongLong(&ok, base);
        if (!ok)
            return std::nullopt;
        return v;
    }

    QString m_text;
    qsizetype m_pos = 0;
    QString m_why;
};

bool isQuoted(const QString &s)
{
    return s.size() >= 2 && s.startsWith(u'"') && s.endsWith(u'"');
}

class Expander
{
public:
    Expansion result;

    Flow run(const QList<SourceLine> &lines)
    {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (step(lines, i) == Flow::Exit)
                return Flow::Exit;
        }
        return Flow::Normal;
    }

private:
    static constexpr int kMaxDepth = 100;
    static constexpr qint64 kMaxIterations = 65536;

    QHash<QString, Macro> m_macros;
    QHash<QString, Variable> m_variables;
    QStringList m_calls; // " (in macro M called at F:L)" for each active expansion
    QList<SourceLine> m_callSites;
    int m_callId = 0; // counts the outermost calls
    int m_depth = 0;

    void error(const SourceLine &at, const QString &message)
    {
        SourceLine place = at;
        place.expansion = m_calls.isEmpty() ? QString() : m_calls.last();
        const QString text = located(place, message);
        // A fault inside a loop body would otherwise repeat once per iteration.
        if (!result.errors.contains(text))
            result.errors << text;
    }

    // A line of the result; one a macro produced names the call, where the error may lie.
    void produce(SourceLine line)
    {
        if (!m_calls.isEmpty()) {
            line.expansion = m_calls.last();
            line.callFile = m_callSites.first().file;
            line.callLine = m_callSites.first().line;
            line.callId = m_callId;
        }
        result.lines << line;
    }

    // Replaces each \&name with the variable's value.
    std::optional<QString> substituteVariables(const SourceLine &at, const QString &code)
    {
        QString out;
        for (qsizetype i = 0; i < code.size(); ++i) {
            if (code[i] == u'\\' && i + 1 < code.size() && code[i + 1] == u'&') {
                qsizetype end = i + 2;
                while (end < code.size() && isNameChar(code[end]) && code[end] != u'.')
                    ++end;
                const QString name = code.mid(i + 2, end - i - 2).toUpper();
                const auto found = m_variables.constFind(name);
                if (found == m_variables.cend()) {
                    error(at, QStringLiteral("unknown preprocessor variable \\&%1, expected one "
                                             "set by .ASSIGNA or .ASSIGNC before this line")
                                  .arg(code.mid(i + 2, end - i - 2)));
                    return std::nullopt;
                }
                out += found->numeric ? QString::number(found->number) : found->text;
                i = end - 1;
            } else {
                out += code[i];
            }
        }
        return out;
    }

    static QString opOf(const SourceLine &line)
    {
        if (isCommentLine(line.text))
            return {};
        return splitFields(line.text.left(commentStart(line.text))).op;
    }

    // Finds the line closing the block opened at `open` (same-kind openers nest); `middle`, if
    // given, receives the index of a top-level `middleOp` (.AELSE).
    static qsizetype findEnd(const QList<SourceLine> &lines, qsizetype open,
                             const QStringList &openers, const QString &closer,
                             const QString &middleOp = {}, qsizetype *middle = nullptr)
    {
        int nesting = 0;
        for (qsizetype j = open + 1; j < lines.size(); ++j) {
            const QString op = opOf(lines[j]);
            if (openers.contains(op)) {
                ++nesting;
            } else if (op == closer) {
                if (nesting == 0)
                    return j;
                --nesting;
            } else if (middle && nesting == 0 && op == middleOp && *middle < 0) {
                *middle = j;
            }
        }
        return -1;
    }

    std::optional<bool> condition(const SourceLine &at, const QString &text)
    {
        static const QStringList kOps{"EQ", "NE", "GT", "LT", "GE", "LE"};
        // The operator is a word of its own outside quotes.
        bool quoted = false;
        qsizetype opAt = -1;
        QString op;
        for (qsizetype i = 0; i < text.size() && opAt < 0; ++i) {
            if (text[i] == u'"')
                quoted = !quoted;
            if (quoted || !text[i].isSpace())
                continue;
            const QString word = text.mid(i + 1, 2).toUpper();
            if (kOps.contains(word) && i + 3 < text.size() && text[i + 3].isSpace()) {
                opAt = i + 1;
                op = word;
            }
        }
        if (opAt < 0) {
            error(at, QStringLiteral("bad condition \"%1\", expected two operands joined by "
                                     "EQ, NE, GT, LT, GE or LE")
                          .arg(text));
            return std::nullopt;
        }
        const QString left = text.left(opAt).trimmed();
        const QString right = text.mid(opAt + 2).trimmed();
        int order = 0;
        if (isQuoted(left) || isQuoted(right)) {
            if (!isQuoted(left) || !isQuoted(right) || (op != u"EQ" && op != u"NE")) {
                error(at, QStringLiteral("bad condition \"%1\", expected two quoted strings "
                                         "joined by EQ or NE")
                              .arg(text));
                return std::nullopt;
            }
            order = left == right ? 0 : 1;
        } else {
            QString why;
            const auto l = Expression(left).evaluate(&why);
            const auto r = l ? Expression(right).evaluate(&why) : std::nullopt;
            if (!r) {
                error(at, why);
                return std::nullopt;
            }
            order = *l < *r ? -1 : (*l > *r ? 1 : 0);
        }
        if (op == u"EQ")
            return order == 0;
        if (op == u"NE")
            return order != 0;
        if (op == u"GT")
            return order > 0;
        if (op == u"LT")
            return order < 0;
        if (op == u"GE")
            return order >= 0;
        return order <= 0;
    }

    // The name may be in the label field (`N .ASSIGNA 1`) or lead the operands (`.ASSIGNA N 1`).
    void assign(const SourceLine &at, const Fields &f)
    {
        QString name = labelName(f.label);
        QString value = f.operands;
        if (name.isEmpty()) {
            qsizetype end = 0;
            while (end < value.size() && isNameChar(value[end]))
                ++end;
            name = value.left(end);
            value = value.mid(end).trimmed();
            if (value.startsWith(u','))
                value = value.mid(1).trimmed();
        }
        if (name.isEmpty()) {
            error(at, QStringLiteral("%1 without a name, expected %1 NAME VALUE").arg(f.op));
            return;
        }
        Variable v;
        if (f.op == u".ASSIGNA") {
            QString why;
            const auto n = Expression(value).evaluate(&why);
            if (!n) {
                error(at, why);
                return;
            }
            v.number = *n;
        } else {
            v.numeric = false;
            v.text = isQuoted(value) ? value.mid(1, value.size() - 2) : value;
        }
        m_variables.insert(name.toUpper(), v);
    }

    void define(const QList<SourceLine> &lines, qsizetype open, qsizetype end, const Fields &f)
    {
        const SourceLine &at = lines[open];
        Macro m;
        QString params = f.operands;
        m.name = labelName(f.label);
        if (m.name.isEmpty()) {
            qsizetype nameEnd = 0;
            while (nameEnd < params.size() && isNameChar(params[nameEnd]))
                ++nameEnd;
            m.name = params.left(nameEnd);
            params = params.mid(nameEnd).trimmed();
        }
        if (m.name.isEmpty()) {
            error(at, QStringLiteral(
                          ".MACRO without a name, expected .MACRO NAME [PARAM[=DEFAULT],...]"));
            return;
        }
        for (const QString &p : splitArguments(params)) {
            const qsizetype eq = p.indexOf(u'=');
            const QString name = (eq < 0 ? p : p.left(eq)).trimmed();
            if (name.isEmpty() || !std::all_of(name.begin(), name.end(), isNameChar)) {
                error(at, QStringLiteral("bad parameter \"%1\" of macro %2, expected NAME or "
                                         "NAME=DEFAULT")
                              .arg(p, m.name));
                return;
            }
            m.params << name.toUpper();
            m.defaults << (eq < 0 ? QString() : p.mid(eq + 1).trimmed());
        }
        m.body = lines.mid(open + 1, end - open - 1);
        m_macros.insert(m.name.toUpper(), m);
    }

    Flow call(const SourceLine &at, const Fields &f, const Macro m)
    {
        if (m_depth >= kMaxDepth) {
            error(at, QStringLiteral("macro %1 nested more than %2 deep, expected a .AIF that "
                                     "ends the recursion")
                          .arg(m.name)
                          .arg(kMaxDepth));
            return Flow::Normal;
        }
        const QStringList args = splitArguments(f.operands);
        if (args.size() > m.params.size()) {
            error(at, QStringLiteral("%1 arguments to macro %2, expected at most %3")
                          .arg(args.size())
                          .arg(m.name)
                          .arg(m.params.size()));
            return Flow::Normal;
        }
        // The label is kept on a line of its own so that it names the first expanded line.
        if (!f.label.isEmpty())
            produce(SourceLine{f.label, at.file, at.line});
        // Parameters are replaced in the text before the body runs, so an argument may be an
        // operation, an operand or part of a directive; a \NAME that is no parameter is left as
        // written for the assembler to report.
        QList<SourceLine> body = m.body;
        for (SourceLine &line : body) {
            if (isCommentLine(line.text))
                continue;
            QString out;
            const QString &t = line.text;
            for (qsizetype i = 0; i < t.size(); ++i) {
                qsizetype end = i + 1;
                while (t[i] == u'\\' && end < t.size() && isNameChar(t[end]) && t[end] != u'.')
                    ++end;
                const qsizetype p = m.params.indexOf(t.mid(i + 1, end - i - 1).toUpper());
                if (end > i + 1 && p >= 0) {
                    const QString arg = p < args.size() ? args[p] : QString();
                    out += arg.isEmpty() ? m.defaults[p] : arg;
                    i = end - 1;
                } else {
                    out += t[i];
                }
            }
            line.text = out;
        }
        m_calls
            << QStringLiteral(" (in macro %1 called at %2:%3)").arg(m.name, at.file).arg(at.line);
        if (m_callSites.isEmpty())
            ++m_callId;
        m_callSites << at;
        ++m_depth;
        (void)run(body); // .EXITM ends this expansion only
        --m_depth;
        m_calls.removeLast();
        m_callSites.removeLast();
        return Flow::Normal;
    }

    Flow step(const QList<SourceLine> &lines, qsizetype &i)
    {
        const SourceLine &at = lines[i];
        if (isCommentLine(at.text)) {
            produce(at);
            return Flow::Normal;
        }
        const qsizetype cut = commentStart(at.text);
        const QString rawCode = at.text.left(cut);
        const Fields raw = splitFields(rawCode);

        // A definition is stored as written: its \&variables take their values when it expands.
        if (raw.op == u".MACRO") {
            const qsizetype end = findEnd(lines, i, {".MACRO"}, ".ENDM");
            if (end < 0) {
                error(at, QStringLiteral(".MACRO without .ENDM, expected .ENDM to end it"));
                i = lines.size();
                return Flow::Normal;
            }
            define(lines, i, end, raw);
            i = end;
            return Flow::Normal;
        }

        const auto code = substituteVariables(at, rawCode);
        if (!code)
            return Flow::Normal;
        const Fields f = splitFields(*code);

        if (f.op == u".AIF") {
            qsizetype middle = -1;
            const qsizetype end = findEnd(lines, i, {".AIF"}, ".AENDI", ".AELSE", &middle);
            if (end < 0) {
                error(at, QStringLiteral(".AIF without .AENDI, expected .AENDI to end it"));
                i = lines.size();
                return Flow::Normal;
            }
            const auto holds = condition(at, f.operands);
            const qsizetype thenEnd = middle < 0 ? end : middle;
            const QList<SourceLine> part = !holds       ? QList<SourceLine>{}
                                           : *holds     ? lines.mid(i + 1, thenEnd - i - 1)
                                           : middle < 0 ? QList<SourceLine>{}
                                                        : lines.mid(middle + 1, end - middle - 1);
            i = end;
            return run(part);
        }
        if (f.op == u".AREPEAT" || f.op == u".AWHILE") {
            const bool repeat = f.op == u".AREPEAT";
            const QString closer = repeat ? ".AENDR" : ".AENDW";
            const qsizetype end = findEnd(lines, i, {f.op}, closer);
            if (end < 0) {
                error(at, QStringLiteral("%1 without %2, expected %2 to end it").arg(f.op, closer));
                i = lines.size();
                return Flow::Normal;
            }
            // Kept unsubstituted: each pass reads the variables the previous one changed.
            const QList<SourceLine> body = lines.mid(i + 1, end - i - 1);
            i = end;
            qint64 count = kMaxIterations;
            if (repeat) {
                QString why;
                const auto n = Expression(f.operands).evaluate(&why);
                if (!n) {
                    error(at, why);
                    return Flow::Normal;
                }
                if (*n < 0 || *n > kMaxIterations) {
                    error(at, QStringLiteral(".AREPEAT count %1, expected 0 to %2")
                                  .arg(*n)
                                  .arg(kMaxIterations));
                    return Flow::Normal;
                }
                count = *n;
            }
            for (qint64 k = 0; repeat ? k < count : true; ++k) {
                if (!repeat) {
                    // The condition is re-read each time: the body changes its variables.
                    const auto again = substituteVariables(at, rawCode);
                    const auto holds =
                        again ? condition(at, splitFields(*again).operands) : std::nullopt;
                    if (!holds || !*holds)
                        return Flow::Normal;
                    if (k == kMaxIterations) {
                        error(at, QStringLiteral(".AWHILE repeated %1 times, expected its "
                                                 "condition to become false")
                                      .arg(kMaxIterations));
                        return Flow::Normal;
                    }
                }
                if (run(body) == Flow::Exit)
                    return Flow::Exit;
            }
            return Flow::Normal;
        }
        if (f.op == u".ASSIGNA" || f.op == u".ASSIGNC") {
            assign(at, f);
            return Flow::Normal;
        }
        if (f.op == u".EXITM") {
            if (m_depth == 0) {
                error(at, QStringLiteral(
                              ".EXITM outside a macro, expected it inside .MACRO ... .ENDM"));
                return Flow::Normal;
            }
            return Flow::Exit;
        }
        static const QHash<QString, QString> kStray{{".ENDM", ".MACRO"},
                                                    {".AELSE", ".AIF"},
                                                    {".AENDI", ".AIF"},
                                                    {".AENDR", ".AREPEAT"},
                                                    {".AENDW", ".AWHILE"}};
        if (kStray.contains(f.op)) {
            error(at,
                  QStringLiteral("%1 without %2, expected %2 before it").arg(f.op, kStray[f.op]));
            return Flow::Normal;
        }
        const auto macro = m_macros.constFind(f.op);
        if (macro != m_macros.cend())
            return call(at, f, *macro);

        produce(SourceLine{*code + at.text.mid(cut), at.file, at.line});
        return Flow::Normal;
    }
};

} // namespace

Expansion expandMacros(const QList<SourceLine> &input)
{
    Expander e;
    (void)e.run(input); // .EXITM at top level is reported where it stands
    return std::move(e.result);
}

} // namespace vesk::classic
