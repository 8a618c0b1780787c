#pragma once

#include <QList>
#include <QString>

#include <chrono>
#include <optional>

namespace vesk::board {

// The terminal's LED lines: one line per change of a port's data register, "PB ●○○○○○○●"
// (bit 7 first, ● for a 1), at most kLinesPerSecond of them. A port that changes faster is
// coalesced: its latest value is printed at the next moment a line is allowed, so the last
// line of a port always shows what its LEDs show now. Time is passed in.
class LedLines
{
public:
    using Time = std::chrono::nanoseconds;
    static constexpr int kLinesPerSecond = 30;
    static constexpr Time kGap{(1'000'000'000 + kLinesPerSecond - 1) / kLinesPerSecond};

    static QString line(int port, quint8 value);

    // A port's data register became `value`.
    void change(int port, quint8 value);
    // The lines to print at `now`.
    QList<QString> take(Time now);
    // When take() has a line to give; none while nothing waits.
    std::optional<Time> deadline() const;

private:
    static constexpr int kPorts = 11;
    struct Pending
    {
        int port;
        quint8 value;
    };
    QList<Pending> m_pending; // in the order the ports first changed
    std::optional<quint8> m_shown[kPorts];
    std::optional<Time> m_lastLine;
};

} // namespace vesk::board
