#include "board/hostline.h"

#include <algorithm>
#include <utility>

namespace vesk::board {

HostLine::HostLine(std::function<void(const QByteArray &)> toProgram,
                   std::function<void(FrameReceiver::Frame)> frameDone)
    : m_toProgram(std::move(toProgram)), m_frameDone(std::move(frameDone))
{
}

void HostLine::toLoader(const QByteArray &bytes, Time now)
{
    for (auto &frame : m_receiver.feed(bytes, now))
        m_frameDone(std::move(frame));
}

void HostLine::releaseHeld()
{
    if (m_heldZeros == 0)
        return;
    m_toProgram(QByteArray(std::exchange(m_heldZeros, 0), '\0'));
}

void HostLine::startFrame()
{
    m_state = State::Frame;
    m_lengthBytes = 0;
    m_length = 0;
    m_frameLeft = 0;
}

void HostLine::feed(const QByteArray &bytes, Time now)
{
    if (bytes.isEmpty())
        return;
    // What the quiet time before these bytes settled comes first.
    idle(now);
    m_lastByte = now;

    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (m_state == State::Frame) {
            if (m_lengthBytes < 2) {
                m_length = m_length << 8 | b;
                if (++m_lengthBytes == 2)
                    m_frameLeft = m_length + kFrameTrailZeros;
                toLoader(bytes.mid(i, 1), now);
                ++i;
                continue;
            }
            const qsizetype take = std::min(m_frameLeft, n - i);
            m_frameLeft -= take;
            // Back to hunting before the frame is reported, so that the program it starts
            // gets what follows.
            if (m_frameLeft == 0)
                m_state = State::Hunting;
            toLoader(bytes.mid(i, take), now);
            i += take;
            continue;
        }
        if (!m_programRunning) {
            const qsizetype mark = bytes.indexOf(kFrameStartMark, i);
            const qsizetype end = mark < 0 ? n : mark + 1;
            if (mark >= 0)
                startFrame();
            toLoader(bytes.mid(i, end - i), now);
            i = end;
            continue;
        }
        if (b == 0x00) {
            ++m_heldZeros;
            ++i;
            continue;
        }
        if (b == 0xFF && m_heldZeros >= kFrameLeadZeros) {
            QByteArray lead(std::exchange(m_heldZeros, 0), '\0');
            lead += kFrameStartMark;
            startFrame();
            toLoader(lead, now);
            ++i;
            continue;
        }
        releaseHeld();
        qsizetype end = i;
        while (end < n && bytes[end] != '\0')
            ++end;
        m_toProgram(bytes.mid(i, end - i));
        i = end;
    }
}

void HostLine::idle(Time now)
{
    if (m_state == State::Frame) {
        if (auto frame = m_receiver.idle(now)) {
            m_state = State::Hunting;
            m_frameDone(std::move(*frame));
        }
    } else if (m_heldZeros > 0 && now >= m_lastByte + kLeadInHold) {
        releaseHeld();
    }
}

void HostLine::finish()
{
    m_heldZeros = 0;
    if (m_state != State::Frame)
        return;
    m_state = State::Hunting;
    if (auto frame = m_receiver.finish())
        m_frameDone(std::move(*frame));
}

std::optional<HostLine::Time> HostLine::deadline() const
{
    if (m_state == State::Frame)
        return m_receiver.deadline();
    if (m_heldZeros > 0)
        return m_lastByte + kLeadInHold;
    return std::nullopt;
}

void HostLine::setProgramRunning(bool running)
{
    if (!running && m_heldZeros > 0)
        toLoader(QByteArray(std::exchange(m_heldZeros, 0), '\0'), m_lastByte);
    m_programRunning = running;
}

} // namespace vesk::board
