#include "state/hex.h"

namespace vesk {

QString hexText(qint32 value)
{
    return QString::number(static_cast<quint32>(value), 16).toUpper();
}

qint32 readHexLenient(QStringView field)
{
    quint32 value = 0;
    for (QChar c : field) {
        if (c == u' ' || c == u'\t')
            continue;
        const int digit = c.isDigit() && c.unicode() < 128             ? c.unicode() - '0'
                          : (c.unicode() >= 'a' && c.unicode() <= 'f') ? c.unicode() - 'a' + 10
                          : (c.unicode() >= 'A' && c.unicode() <= 'F') ? c.unicode() - 'A' + 10
                                                                       : -1;
        if (digit < 0)
            break;
        value = (value << 4) | static_cast<quint32>(digit);
    }
    return static_cast<qint32>(value);
}

} // namespace vesk
