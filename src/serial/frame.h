#pragma once

#include <QByteArray>
#include <QList>

namespace vesk {

// The frame the board's loader waits for: a run of zero bytes, the start mark FF, the image
// length big-endian (image bytes only), the image, and a few zero bytes.
inline constexpr int kFrameLeadZeros = 21;
inline constexpr char kFrameStartMark = char(0xFF);
inline constexpr int kFrameTrailZeros = 7;
inline constexpr int kFrameOverhead = kFrameLeadZeros + 3 + kFrameTrailZeros;
// The length field is 16 bits wide.
inline constexpr qsizetype kMaxImageSize = 0xFFFF;

// The whole frame, image length + 31 bytes. The caller checks the length against
// kMaxImageSize; a longer image would have its length field wrap.
QByteArray makeFrame(const QByteArray &image);

// Reads frames from the byte stream as the board's loader does: skips zero bytes up to the
// start mark, takes two length bytes and that many image bytes, then the trailing zeros.
// Bytes may arrive in chunks of any size.
class FrameParser
{
public:
    struct Frame
    {
        QByteArray image;
        int leadZeros = 0;    // zero bytes seen since the previous frame (or the start)
        int strayBytes = 0;   // other bytes skipped before the start mark
        int trailNonZero = 0; // non-zero bytes among the trailing ones
        bool wellFormed() const
        {
            return leadZeros >= kFrameLeadZeros && strayBytes == 0 && trailNonZero == 0;
        }
    };

    // Feeds bytes in; returns the frames completed by them, in order.
    QList<Frame> feed(const QByteArray &bytes);

private:
    enum class State { Idle, LengthHigh, LengthLow, Image, Trail };
    State m_state = State::Idle;
    Frame m_frame;
    int m_length = 0;
    int m_trailSeen = 0;
};

} // namespace vesk
