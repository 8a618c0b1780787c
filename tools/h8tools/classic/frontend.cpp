#include "classic/frontend.h"

#include <QHash>
#include <QRegularExpression>

namespace vesk::classic {

namespace {

constexpr int kMaxIncludeDepth = 16;

// The operation field of a line and what follows it, the label and comment left out.
std::pair<QString, QString> operation(const QString &whole)
{
    if (whole.startsWith(u'*'))
        return {};
    const QString text = whole.left(commentStart(whole));
    qsizetype i = 0;
    if (!text.isEmpty() && !text[0].isSpace()) {
        while (i < text.size() && !text[i].isSpace())
            ++i;
    }
    const QString rest = text.mid(i).trimmed();
    const qsizetype end = rest.indexOf(QRegularExpression(QStringLiteral("\\s")));
    return {end < 0 ? rest : rest.left(end), end < 0 ? QString() : rest.mid(end).trimmed()};
}

// The file an .INCLUDE names: "name" (a ; inside the quotes is part of it) or a bare name.
QString includedName(const QString &operands)
{
    if (operands.startsWith(u'"')) {
        const qsizetype close = operands.indexOf(u'"', 1);
        return close < 0 ? QString() : operands.mid(1, close - 1);
    }
    const qsizetype comment = operands.indexOf(u';');
    return (comment < 0 ? operands : operands.left(comment)).trimmed();
}

struct Includer
{
    const IncludeReader &read;
    Reading result;

    int macroDepth = 0; // an .END in a macro's body acts where the macro is called

    void add(const QList<SourceLine> &lines, QStringList chain)
    {
        for (const SourceLine &line : lines) {
            result.lines << line;
            const QString op = operation(line.text).first.toUpper();
            macroDepth += op == u".MACRO" ? 1 : op == u".ENDM" && macroDepth > 0 ? -1 : 0;
            if (result.end < 0 && macroDepth == 0 && op == u".END")
                result.end = result.lines.size() - 1;
            if (result.end >= 0 || !isIncludeLine(line.text))
                continue;
            const QString name = includedName(operation(line.text).second);
            if (name.isEmpty()) {
                result.errors << located(line, QStringLiteral(".INCLUDE \"file\" expected"));
                continue;
            }
            if (chain.size() >= kMaxIncludeDepth) {
                result.errors << located(line, QStringLiteral("includes nested more than %1 "
                                                              "deep; expected a file that does "
                                                              "not include itself")
                                                   .arg(kMaxIncludeDepth));
                continue;
            }
            QString shown;
            QString error;
            const std::optional<QByteArray> bytes = read(name, line, &shown, &error);
            if (!bytes) {
                result.errors << located(line, error);
                continue;
            }
            add(sourceLines(*bytes, shown), chain << shown);
            chain.removeLast();
        }
    }
};

struct ListedLine
{
    int number = 0; // the translated text's line
    QString middle; // address and bytes as the assembler printed them
    QString source; // empty on a continuation line
    bool continuation = false;
};

QString key(const QString &file, int line)
{
    return file + u'\n' + QString::number(line);
}

QString key(const SourceLine &line)
{
    return key(line.file, line.line);
}

QString userPlace(const QList<SourceLine> &origins, int number)
{
    if (number < 1 || number > origins.size())
        return {};
    const SourceLine &at = origins[number - 1];
    return QStringLiteral("%1:%2").arg(at.file).arg(at.line);
}

} // namespace

QList<SourceLine> sourceLines(const QByteArray &bytes, const QString &file)
{
    QByteArray text = bytes;
    if (text.startsWith("\xEF\xBB\xBF")) // an editor's UTF-8 mark
        text.remove(0, 3);
    const qsizetype eof = text.indexOf('\x1a');
    if (eof >= 0)
        text.truncate(eof);
    QList<QByteArray> raw = text.split('\n');
    if (!raw.isEmpty() && raw.last().isEmpty())
        raw.removeLast();
    QList<SourceLine> lines;
    int number = 0;
    for (QByteArray &line : raw) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines << SourceLine{QString::fromLatin1(line), file, ++number};
    }
    return lines;
}

QByteArray sourceBytes(const QString &text)
{
    return text.toLatin1();
}

bool isIncludeLine(const QString &text)
{
    return operation(text).first.compare(u".INCLUDE", Qt::CaseInsensitive) == 0;
}

Reading withIncludes(const QList<SourceLine> &source, const IncludeReader &read)
{
    Includer includer{read, {}};
    includer.add(source, {source.isEmpty() ? QString() : source.first().file});
    return includer.result;
}

QByteArray userMessages(const QByteArray &messages, const QString &translated,
                        const QList<SourceLine> &origins)
{
    const QString mainFile = origins.isEmpty() ? QString() : origins.first().file;
    const QRegularExpression place(u'^' + QRegularExpression::escape(translated) +
                                   QStringLiteral(":(\\d+): (.*)$"));
    QStringList out;
    for (const QString &line : QString::fromLatin1(messages).split(u'\n')) {
        const QRegularExpressionMatch m = place.match(line);
        const int number = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (number >= 1 && number <= origins.size())
            out << located(origins[number - 1], m.captured(2));
        else
            out << QString(line).replace(translated, mainFile);
    }
    return sourceBytes(out.join(u'\n'));
}

QByteArray userListing(const QByteArray &listing, const QString &translated,
                       const QList<SourceLine> &reading, const QList<SourceLine> &origins)
{
    // "%4d ADDR BYTES\tSOURCE" for a line, "%4d      BYTES" for more of its bytes.
    static const QRegularExpression listed(QStringLiteral("^ *(\\d+) ([^\\t]*)(\\t(.*))?$"));
    const QRegularExpression symbolPlace(QRegularExpression::escape(translated) +
                                         QStringLiteral(":(\\d+)"));
    // Where each user line stands in reading order: a file included twice stands twice.
    QHash<QString, QList<qsizetype>> positions;
    for (qsizetype i = 0; i < reading.size(); ++i)
        positions[key(reading[i])] << i;

    const QString mainFile = reading.isEmpty() ? QString() : reading.first().file;
    QStringList out = {QStringLiteral("H8/300H assembler  ") + mainFile, QString()};
    qsizetype next = 0; // the first line of `reading` not yet listed
    QString shownFile = mainFile;
    const SourceLine *previous = nullptr;
    int listedCall = 0; // the macro call whose lines are being listed
    auto fileChange = [&](const QString &file) {
        if (file != shownFile)
            out << QStringLiteral("                 ; %1").arg(file);
        shownFile = file;
    };
    auto plain = [&](const SourceLine &line) {
        fileChange(line.file);
        out << QStringLiteral("%1  %2\t%3").arg(line.line, 4).arg(QString(14, u' '), line.text);
    };
    auto flushTo = [&](qsizetype end) {
        for (; next < end; ++next)
            plain(reading[next]);
    };
    // The place of a line not yet listed, else of the last one listed.
    auto positionOf = [&](const QString &line) -> qsizetype {
        const QList<qsizetype> found = positions.value(line);
        for (const qsizetype p : found)
            if (p >= next)
                return p;
        return found.isEmpty() ? -1 : found.last();
    };

    for (const QString &line : QString::fromLatin1(listing).split(u'\n')) {
        const QRegularExpressionMatch m = listed.match(line);
        const int number = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (number < 1 || number > origins.size()) {
            // The symbol table: places given as the user's.
            QString text = line;
            QRegularExpressionMatch s = symbolPlace.match(text);
            while (s.hasMatch()) {
                const QString user = userPlace(origins, s.captured(1).toInt());
                text.replace(s.capturedStart(), s.capturedLength(), user);
                s = symbolPlace.match(text, s.capturedStart() + user.size());
            }
            out << text.replace(translated, mainFile);
            continue;
        }
        const SourceLine &origin = origins[number - 1];
        const bool expanded = !origin.expansion.isEmpty();
        if (!m.hasCaptured(3)) { // more bytes of the line above
            out << QStringLiteral("%1%2 %3")
                       .arg(QString(4, u' '))
                       .arg(QChar(expanded ? u'+' : u' '))
                       .arg(m.captured(2));
            continue;
        }
        const bool sameAsBefore = previous && previous->file == origin.file &&
                                  previous->line == origin.line &&
                                  previous->expansion == origin.expansion;
        previous = &origin;
        if (sameAsBefore && m.captured(2).trimmed().isEmpty())
            continue; // a second line of the same source line that made nothing
        if (expanded && origin.callId != listedCall) { // the call goes first
            listedCall = origin.callId;
            const qsizetype call = positionOf(key(origin.callFile, origin.callLine));
            if (call >= next) {
                flushTo(call);
                plain(reading[next++]);
            }
        }
        const qsizetype at = expanded ? -1 : positionOf(key(origin));
        if (!expanded && at >= next)
            flushTo(at);
        fileChange(origin.file);
        const bool listedHere = !expanded && at >= 0 && at == next;
        if (listedHere)
            ++next;
        const QString text = sameAsBefore ? QString()
                             : expanded   ? origin.text
                             : at >= 0    ? reading[at].text
                                          : origin.text;
        out << QStringLiteral("%1%2 %3\t%4")
                   .arg(origin.line, 4)
                   .arg(QChar(expanded ? u'+' : u' '))
                   .arg(m.captured(2), text);
    }
    // Lines after the last that made anything (and after .END) are the user's all the same;
    // they go before the symbol table's page.
    QStringList tail;
    std::swap(tail, out);
    qsizetype symbols = tail.indexOf(QRegularExpression(QStringLiteral("^(NO )?DEFINED SYMBOLS")));
    while (symbols > 0 && tail[symbols - 1].isEmpty())
        --symbols;
    out = symbols < 0 ? tail : tail.mid(0, symbols);
    flushTo(reading.size());
    if (symbols >= 0)
        out += tail.mid(symbols);
    return sourceBytes(out.join(u'\n'));
}

} // namespace vesk::classic
