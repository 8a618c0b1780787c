#include "board/ledlines.h"

#include "sim/ports.h"

#include <algorithm>

namespace vesk::board {

QString LedLines::line(int port, quint8 value)
{
    QString text = QString::fromLatin1(sim::Ports::name(port).data(),
                                       qsizetype(sim::Ports::name(port).size())) +
                   ' ';
    for (int bit = 7; bit >= 0; --bit)
        text += (value >> bit) & 1 ? QChar(0x25CF) : QChar(0x25CB);
    return text;
}

void LedLines::change(int port, quint8 value)
{
    const auto pending = std::find_if(m_pending.begin(), m_pending.end(),
                                      [port](const Pending &p) { return p.port == port; });
    if (pending != m_pending.end())
        pending->value = value;
    else
        m_pending.append({port, value});
}

QList<QString> LedLines::take(Time now)
{
    QList<QString> lines;
    while (!m_pending.isEmpty() && (!m_lastLine || now >= *m_lastLine + kGap)) {
        const Pending p = m_pending.takeFirst();
        // Back where it was last shown: nothing new to see, and no line spent.
        if (m_shown[p.port] == p.value)
            continue;
        m_shown[p.port] = p.value;
        m_lastLine = now;
        lines.append(line(p.port, p.value));
    }
    return lines;
}

std::optional<LedLines::Time> LedLines::deadline() const
{
    if (m_pending.isEmpty())
        return std::nullopt;
    return m_lastLine ? *m_lastLine + kGap : Time{0};
}

} // namespace vesk::board
