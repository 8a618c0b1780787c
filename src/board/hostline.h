#pragma once

#include "serial/framereceiver.h"

#include <QByteArray>

#include <chrono>
#include <functional>
#include <optional>

namespace vesk::board {

// Splits the bytes the host sends between the board's loader and the program running on it.
//
// With no program running every byte goes to the loader, which reports what it makes of
// them as the plain board always did (stray bytes and short lead-ins included).
//
// While a program runs, only a frame that the loader could never mistake is the loader's:
// 21 or more zero bytes followed by FF. Zero bytes are therefore held while they could
// still be such a lead-in, and given to the program
// - when a byte other than 0 or FF follows them, or FF after fewer than 21 of them, ahead of
//   that byte;
// - when the line stays quiet for kLeadInHold after the last of them, so a program that
//   reads zeros gets them late but gets them.
// Once FF follows 21 or more zeros, the frame's bytes are the loader's up to its last
// trailing zero (its length field says where that is), or until it is cut off; what follows
// is the program's again. Every other byte goes to the program as it arrives.
class HostLine
{
public:
    using Time = FrameReceiver::Time;
    // A sender writes its frame in one go: at the line's speed a zero takes about a
    // millisecond, so a lead-in never pauses this long, and a person typing does.
    static constexpr std::chrono::milliseconds kLeadInHold{100};

    HostLine(std::function<void(const QByteArray &)> toProgram,
             std::function<void(FrameReceiver::Frame)> frameDone);

    // Bytes that arrived at `now`. The callbacks run in the order of the bytes, so that bytes
    // after a frame reach the program that frame started.
    void feed(const QByteArray &bytes, Time now);
    // Releases held zeros and reports a cut-off frame once their time has come.
    void idle(Time now);
    // The line ends: the frame in progress, cut off.
    void finish();
    // When idle() has something to do; none while nothing is pending.
    std::optional<Time> deadline() const;

    // Whether a program runs, so that bytes outside frames are its own. Held zeros go to
    // the loader when the program stops, where they count towards the next lead-in.
    void setProgramRunning(bool running);
    bool programRunning() const { return m_programRunning; }

private:
    // Hunting: between frames. Frame: inside one, from its start mark on.
    enum class State { Hunting, Frame };
    void toLoader(const QByteArray &bytes, Time now);
    void releaseHeld();
    void startFrame();

    std::function<void(const QByteArray &)> m_toProgram;
    std::function<void(FrameReceiver::Frame)> m_frameDone;
    FrameReceiver m_receiver;
    bool m_programRunning = false;
    State m_state = State::Hunting;
    int m_heldZeros = 0;
    Time m_lastByte{0};
    // Inside a frame: length bytes still to come, then image and trailing bytes.
    int m_lengthBytes = 0;
    int m_length = 0;
    qsizetype m_frameLeft = 0;
};

} // namespace vesk::board
