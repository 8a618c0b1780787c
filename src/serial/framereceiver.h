#pragma once

#include "serial/frame.h"

#include <QByteArray>
#include <QList>

#include <chrono>
#include <optional>

namespace vesk {

// Reads frames from the byte stream as the board's loader does: skips zero bytes up to the
// start mark, takes two length bytes and that many image bytes, then the trailing zeros.
// Bytes may arrive in chunks of any size. Unlike the loader, it notices a frame that stops
// arriving: a sender writes its frame in one go, so a frame in progress on a line that stays
// quiet for kIdleGap was cut off. It is reported as such, and the receiver looks for the
// next run of zeros and start mark instead of taking the next frame as the rest of the image.
// Time is passed in (any monotonic clock), so the receiver itself never waits.
class FrameReceiver
{
public:
    using Time = std::chrono::nanoseconds;
    // Far longer than a byte's time at 9600 baud (about 1 ms), far shorter than a person's
    // pause between two transfers.
    static constexpr std::chrono::milliseconds kIdleGap{1000};

    struct Frame
    {
        QByteArray image;     // the image bytes received
        int length = -1;      // the length field; -1 when the frame was cut off before it
        int leadZeros = 0;    // zero bytes seen since the previous frame (or the start)
        int strayBytes = 0;   // other bytes skipped before the start mark
        int trailSeen = 0;    // trailing bytes received
        int trailNonZero = 0; // non-zero bytes among the trailing ones
        bool cutOff = false;  // the line went quiet (or ended) inside the frame

        // The loader takes images of an even length only.
        bool oddLength() const { return length > 0 && length % 2 != 0; }
        bool wellFormed() const
        {
            return !cutOff && leadZeros >= kFrameLeadZeros && strayBytes == 0 &&
                   trailNonZero == 0 && !oddLength();
        }
    };

    // Bytes that arrived at `now`; returns the frames they complete, in order, after the
    // frame in progress if the line was quiet for kIdleGap before them.
    QList<Frame> feed(const QByteArray &bytes, Time now);
    // The frame in progress, cut off, once the line has been quiet for kIdleGap at `now`.
    std::optional<Frame> idle(Time now);
    // The line ends (the board exits): the frame in progress, cut off.
    std::optional<Frame> finish();
    // When idle() reports the frame in progress if nothing arrives; none while no frame is in
    // progress.
    std::optional<Time> deadline() const;

private:
    enum class State { Hunt, LengthHigh, LengthLow, Image, Trail };
    Frame cutOff();

    State m_state = State::Hunt;
    Frame m_frame;
    Time m_lastByte{0};
};

} // namespace vesk
