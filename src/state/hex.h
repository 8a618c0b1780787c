#pragma once

#include <QString>
#include <QStringView>

namespace vesk {

// Upper-case digits, no prefix, no leading zeros; a negative value as its eight-digit
// two's complement (-1 is FFFFFFFF). Used by the offset label, the dialog, H8C.ini and the
// link start address.
QString hexText(qint32 value);

// The settings file's lenient reader: blanks and tabs anywhere are ignored, digits of
// either case are read up to the first other character, and no digit gives 0. The value is
// the low 32 bits of what the digits denote.
qint32 readHexLenient(QStringView field);

} // namespace vesk
