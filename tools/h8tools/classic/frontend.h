#pragma once

// What a38h does around the translation of a classic-syntax source: reading it with the files
// it includes, and giving the GNU assembler's messages and listing back in the user's lines.

#include "classic/sourceline.h"

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <optional>

namespace vesk::classic {

// A source file's lines, its bytes kept one character each (comments in any 8-bit encoding
// survive, and strings keep their bytes); line ends CR LF or LF, a DOS end-of-file mark dropped.
QList<SourceLine> sourceLines(const QByteArray &bytes, const QString &file);
QByteArray sourceBytes(const QString &text);

// Finds the file `name` that `from` includes: its contents and the name messages give it,
// or nothing with `error` set.
using IncludeReader = std::function<std::optional<QByteArray>(
    const QString &name, const SourceLine &from, QString *shownName, QString *error)>;

struct Reading
{
    QList<SourceLine> lines; // the included files' lines follow each .INCLUDE line
    QStringList errors;      // located()
    // The .END line's index in `lines`: what follows it is listed but not assembled, and
    // its .INCLUDE lines are not read.
    qsizetype end = -1;
};

// The source with every ".INCLUDE "file"" read after its line, as the same syntax. The
// directive's line stays for the listing; the preprocessor is given the lines without it.
Reading withIncludes(const QList<SourceLine> &source, const IncludeReader &read);

// Whether a line is an .INCLUDE directive.
bool isIncludeLine(const QString &text);

// The GNU assembler's messages with each "TRANSLATED:N:" replaced by the user's file and line.
QByteArray userMessages(const QByteArray &messages, const QString &translated,
                        const QList<SourceLine> &origins);

// The GNU assembler's listing of the translated text turned into one of the user's lines, in
// reading order: every line of `reading` once, with the addresses and bytes of what it became;
// lines a macro produced follow the call, marked '+'; a change of file is noted.
QByteArray userListing(const QByteArray &listing, const QString &translated,
                       const QList<SourceLine> &reading, const QList<SourceLine> &origins);

} // namespace vesk::classic
