#pragma once

// The classic syntax's preprocessor: macros and conditional assembly, expanded before the
// lines are translated.

#include "classic/sourceline.h"

#include <QStringList>

namespace vesk::classic {

struct Expansion
{
    QList<SourceLine> lines; // each keeps the file and line it was written on
    QStringList errors;      // located()
};

// Accepts `.MACRO NAME P[=DEFAULT],...` (or `NAME .MACRO P,...`) ... `.ENDM`, calls by NAME with
// positional arguments (a comma inside "..." or (...) does not separate; arguments are passed
// as written), `\P` in the body, `.EXITM`; `.AIF`/`.AELSE`/`.AENDI`, `.AREPEAT n`/`.AENDR`,
// `.AWHILE cond`/`.AENDW`; `.ASSIGNA`/`.ASSIGNC` with the name in the label field or first
// operand, referenced as `\&NAME`. A body line keeps the file and line of its definition, where
// the fault is fixed; preprocessor errors inside an expansion add the call's place. A label on
// a call line becomes a line of its own at the call's place. Other lines pass through with
// their variables replaced (comments untouched).
Expansion expandMacros(const QList<SourceLine> &input);

} // namespace vesk::classic
