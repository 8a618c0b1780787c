#include "serial/framereceiver.h"

#include <algorithm>
#include <utility>

namespace vesk {

QList<FrameReceiver::Frame> FrameReceiver::feed(const QByteArray &bytes, Time now)
{
    QList<Frame> done;
    if (bytes.isEmpty())
        return done;
    // The gap is checked before the bytes, so that the next frame is never read as the rest of
    // the one that stopped, even when the caller did not ask idle() in between.
    if (auto stopped = idle(now))
        done.append(std::move(*stopped));
    m_lastByte = now;

    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        switch (m_state) {
        case State::Hunt:
            if (b == 0x00)
                ++m_frame.leadZeros;
            else if (b == 0xFF)
                m_state = State::LengthHigh;
            else
                ++m_frame.strayBytes;
            ++i;
            break;
        case State::LengthHigh:
            m_frame.length = b << 8;
            m_state = State::LengthLow;
            ++i;
            break;
        case State::LengthLow:
            m_frame.length |= b;
            m_state = m_frame.length > 0 ? State::Image : State::Trail;
            m_frame.image.reserve(m_frame.length);
            ++i;
            break;
        case State::Image: {
            // Take as much of the image as this chunk holds in one go.
            const qsizetype take =
                std::min<qsizetype>(m_frame.length - m_frame.image.size(), bytes.size() - i);
            m_frame.image.append(bytes.constData() + i, take);
            i += take;
            if (m_frame.image.size() == m_frame.length)
                m_state = State::Trail;
            break;
        }
        case State::Trail:
            if (b != 0x00)
                ++m_frame.trailNonZero;
            ++i;
            if (++m_frame.trailSeen == kFrameTrailZeros) {
                done.append(std::exchange(m_frame, Frame{}));
                m_state = State::Hunt;
            }
            break;
        }
    }
    return done;
}

std::optional<FrameReceiver::Frame> FrameReceiver::idle(Time now)
{
    const std::optional<Time> due = deadline();
    if (!due || now < *due)
        return std::nullopt;
    return cutOff();
}

std::optional<FrameReceiver::Frame> FrameReceiver::finish()
{
    if (m_state == State::Hunt)
        return std::nullopt;
    return cutOff();
}

std::optional<FrameReceiver::Time> FrameReceiver::deadline() const
{
    // Zeros and stray bytes without a start mark are not a frame yet; they stay counted for
    // the frame that follows them.
    if (m_state == State::Hunt)
        return std::nullopt;
    return m_lastByte + kIdleGap;
}

FrameReceiver::Frame FrameReceiver::cutOff()
{
    if (m_state == State::LengthLow)
        m_frame.length = -1; // half a length field is no length
    m_frame.cutOff = true;
    m_state = State::Hunt;
    return std::exchange(m_frame, Frame{});
}

} // namespace vesk
