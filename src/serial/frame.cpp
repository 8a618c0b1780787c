#include "serial/frame.h"

namespace vesk {

QByteArray makeFrame(const QByteArray &image)
{
    const qsizetype n = image.size();
    QByteArray frame(kFrameLeadZeros, '\0');
    frame.reserve(n + kFrameOverhead);
    frame.append(kFrameStartMark);
    frame.append(char((n >> 8) & 0xFF));
    frame.append(char(n & 0xFF));
    frame.append(image);
    frame.append(kFrameTrailZeros, '\0');
    return frame;
}

QList<FrameParser::Frame> FrameParser::feed(const QByteArray &bytes)
{
    QList<Frame> done;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        switch (m_state) {
        case State::Idle:
            if (b == 0x00)
                ++m_frame.leadZeros;
            else if (b == 0xFF)
                m_state = State::LengthHigh;
            else
                ++m_frame.strayBytes;
            ++i;
            break;
        case State::LengthHigh:
            m_length = b << 8;
            m_state = State::LengthLow;
            ++i;
            break;
        case State::LengthLow:
            m_length |= b;
            m_state = m_length > 0 ? State::Image : State::Trail;
            m_frame.image.reserve(m_length);
            m_trailSeen = 0;
            ++i;
            break;
        case State::Image: {
            // Take as much of the image as this chunk holds in one go.
            const qsizetype take =
                std::min<qsizetype>(m_length - m_frame.image.size(), bytes.size() - i);
            m_frame.image.append(bytes.constData() + i, take);
            i += take;
            if (m_frame.image.size() == m_length)
                m_state = State::Trail;
            break;
        }
        case State::Trail:
            if (b != 0x00)
                ++m_frame.trailNonZero;
            ++i;
            if (++m_trailSeen == kFrameTrailZeros) {
                done.append(std::move(m_frame));
                m_frame = Frame{};
                m_state = State::Idle;
            }
            break;
        }
    }
    return done;
}

} // namespace vesk
