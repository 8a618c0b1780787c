#pragma once

#include <QByteArray>

namespace vesk::test {

// Bytes from, from + 1, ... (wrapping at 256).
inline QByteArray seq(int from, int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out.append(char((from + i) & 0xFF));
    return out;
}

inline QByteArray zeros(int count)
{
    return QByteArray(count, '\0');
}

// A well-formed record line ("S1", "S2" or "S3") with its checksum and CR LF.
inline QByteArray record(const char *type, quint32 address, const QByteArray &data)
{
    const int width = type[1] == '1' ? 2 : type[1] == '2' ? 3 : 4;
    QByteArray body;
    body.append(char(width + data.size() + 1));
    for (int i = width - 1; i >= 0; --i)
        body.append(char((address >> (8 * i)) & 0xFF));
    body.append(data);
    quint8 sum = 0;
    for (char c : body)
        sum += quint8(c);
    body.append(char(~sum));
    return QByteArray(type) + body.toHex().toUpper() + "\r\n";
}

inline QByteArray s1(quint32 address, const QByteArray &data)
{
    return record("S1", address, data);
}

inline QByteArray s2(quint32 address, const QByteArray &data)
{
    return record("S2", address, data);
}

} // namespace vesk::test
