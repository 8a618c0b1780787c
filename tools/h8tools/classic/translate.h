#pragma once

// The classic H8 assembler syntax translated to what the GNU assembler reads, line by line,
// with a map from each output line back to the user's line.

#include "classic/sourceline.h"

#include <QStringList>

namespace vesk::classic {

// Whether a source is written in the classic syntax (a classic directive such as .CPU,
// ".SECTION name,CODE", .EXPORT, or an H' constant).
bool looksClassic(const QString &text);

struct Translation
{
    QString gnu;               // the text for the GNU assembler
    QList<SourceLine> origins; // for each line of `gnu`, the user's line it came from
    QStringList errors;        // located()
};

// Mnemonics, registers and directives are read in any case and written in lower case; symbol
// names keep their case (both assemblers tell NAME from name). Sections: CODE becomes .text,
// a section named C .rodata, DATA .data, STACK and a DATA section that only reserves .bss,
// and LOCATE=addr the placed section .0ADDR that l38h puts there;
// .ORG in a placed section names an address. .IMPORT and the listing directives produce
// nothing, .INCLUDE (which a38h reads before, see frontend.h) is handed on, and nothing after
// .END is read. DUMMY becomes an absolute layout from zero (labels are offsets), and STARTOF and
// SIZEOF name the symbols l38h defines for the linked section (___startof.text, ___sizeof.bss,
// ...).
Translation translate(const QList<SourceLine> &lines);

} // namespace vesk::classic
