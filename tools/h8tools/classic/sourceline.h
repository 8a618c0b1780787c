#pragma once

// A line of a classic-syntax assembler source with where it came from, so that every message
// about it, after macro expansion and translation, names the user's own file and line.

#include <QList>
#include <QString>

namespace vesk::classic {

struct SourceLine
{
    QString text;      // without its line end
    QString file;      // as the user named it (a DOS path in messages)
    int line = 0;      // 1-based
    QString expansion; // " (in macro M called at F:L)" for a line a macro call produced
    QString callFile;  // and the outermost call that produced it, where a listing shows it
    int callLine = 0;
    int callId = 0; // which call: the same line may call twice (a file included twice)
};

// Whether a character constant 'C' starts at `i` (H'1F has a letter before its quote), so
// that a ',' '(' ')' '"' or ';' inside it is only a character.
inline bool isCharConstantAt(const QString &text, qsizetype i)
{
    return text[i] == u'\'' && i + 2 < text.size() && text[i + 2] == u'\'' &&
           (i == 0 || !text[i - 1].isLetterOrNumber());
}

// A character of a name: a label, symbol, mnemonic or directive.
inline bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'$';
}

// Where the comment (";" outside strings and character constants) begins, or the length.
inline qsizetype commentStart(const QString &text)
{
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!quoted && isCharConstantAt(text, i))
            i += 2;
        else if (text[i] == u'"')
            quoted = !quoted;
        else if (text[i] == u';' && !quoted)
            return i;
    }
    return text.size();
}

// "FILE:LINE: message", the form every classic-syntax message takes.
inline QString located(const SourceLine &at, const QString &message)
{
    return QStringLiteral("%1:%2: %3%4").arg(at.file).arg(at.line).arg(message, at.expansion);
}

} // namespace vesk::classic
