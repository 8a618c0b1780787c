#include "sim/sci.h"

#include <algorithm>

namespace vesk::sim {

namespace {

constexpr uint8_t kErrors = Sci::ORER | Sci::FER | Sci::PER;
constexpr uint8_t kClearable = Sci::TDRE | Sci::RDRF | kErrors;

} // namespace

Sci::Sci(int channel, TimeSource &time, InterruptLines &lines)
    : m_channel(channel), m_time(time), m_lines(lines)
{
}

uint64_t Sci::bitStates() const
{
    return (uint64_t{32} << (2 * (m_smr & CKS))) * (uint64_t{m_brr} + 1);
}

uint64_t Sci::frameStates() const
{
    const uint64_t data = (m_smr & CHR) ? 7 : 8;
    // In multiprocessor format the multiprocessor bit takes the parity bit's place.
    const uint64_t extra = (m_smr & (MP | PE)) ? 1 : 0;
    const uint64_t stops = (m_smr & STOP) ? 2 : 1;
    return (1 + data + extra + stops) * bitStates();
}

uint64_t Sci::sentBy() const
{
    if (!m_sending)
        return m_syncedAt;
    // Up to two more frames: one taken from TDR at the stop bit, and one written since.
    const uint64_t more = (m_haveNext ? 1 : 0) + ((m_ssr & TDRE) ? 0 : 1);
    return m_sentAt + more * frameStates();
}

bool Sci::listening() const
{
    return (m_scr & RE) && !m_receiving && !m_inputEnded && m_receive;
}

void Sci::listen(uint64_t at)
{
    if (!listening())
        return;
    const int value = m_receive();
    if (value == kInputEnded) {
        m_inputEnded = true;
    } else if (value >= 0) {
        m_receiving = true;
        m_arriving = value;
        m_arrivesAt = at + frameStates();
    }
}

void Sci::startFrame(uint64_t at, uint8_t byte)
{
    // The format is taken as the frame starts; the chip wants SMR and BRR left alone meanwhile.
    const uint64_t stops = (m_smr & STOP) ? 2 : 1;
    m_sending = true;
    m_stopBitSeen = false;
    m_sendingByte = byte;
    m_sentAt = at + frameStates();
    m_stopBitAt = m_sentAt - stops * bitStates();
}

uint64_t Sci::nextTransmitEvent() const
{
    if (!m_sending)
        return kNever;
    return m_stopBitSeen ? m_sentAt : m_stopBitAt;
}

void Sci::transmitEvent(uint64_t at)
{
    if (!m_stopBitSeen) {
        m_stopBitSeen = true;
        if (!(m_ssr & TDRE)) {
            m_haveNext = true;
            m_nextByte = m_tdr;
            m_ssr |= TDRE;
        } else {
            m_ssr |= TEND;
        }
        return;
    }
    m_sending = false;
    if (m_transmit)
        m_transmit(m_sendingByte);
    if (m_haveNext) {
        m_haveNext = false;
        startFrame(at, m_nextByte);
    } else if (!(m_ssr & TDRE)) {
        // Written after the stop bit's look: it goes as soon as the line is free.
        startFrame(at, m_tdr);
        m_ssr |= TDRE;
    }
}

void Sci::receiveEvent(uint64_t at)
{
    m_receiving = false;
    const bool mpBit = (m_arriving & kMultiprocessorBit) != 0;
    const bool multiprocessor = (m_smr & MP) != 0;
    if (m_ssr & kErrors) {
        // The chip receives nothing while an error flag is set: the byte goes by.
    } else if (multiprocessor && (m_scr & MPIE) && !mpBit) {
        // Data for another station: skipped until an ID frame arrives.
    } else if (m_ssr & RDRF) {
        m_ssr |= ORER;
    } else {
        m_rdr = static_cast<uint8_t>(m_arriving);
        m_ssr |= RDRF;
        if (multiprocessor) {
            m_ssr = static_cast<uint8_t>(mpBit ? (m_ssr | MPB) : (m_ssr & ~MPB));
            if (mpBit)
                m_scr &= static_cast<uint8_t>(~MPIE);
        }
    }
    listen(at);
}

void Sci::catchUp(uint64_t state)
{
    state = std::max(state, m_syncedAt);
    for (;;) {
        const uint64_t tx = nextTransmitEvent();
        const uint64_t rx = m_receiving ? m_arrivesAt : kNever;
        const uint64_t next = std::min(tx, rx);
        if (next > state)
            break;
        if (tx == next)
            transmitEvent(next);
        else
            receiveEvent(next);
    }
    m_syncedAt = state;
    listen(state);
}

void Sci::update()
{
    m_lines.set(vector(m_channel, ReceiveError), (m_scr & RIE) && (m_ssr & kErrors));
    m_lines.set(vector(m_channel, ReceiveFull), (m_scr & RIE) && (m_ssr & RDRF));
    m_lines.set(vector(m_channel, TransmitEmpty), (m_scr & TIE) && (m_ssr & TDRE));
    m_lines.set(vector(m_channel, TransmitEnd), (m_scr & TEIE) && (m_ssr & TEND));
    uint64_t next = std::min(nextTransmitEvent(), m_receiving ? m_arrivesAt : kNever);
    // An idle receiver looks at the line again a frame later, which is as soon as a byte
    // put there now could have arrived.
    if (listening())
        next = std::min(next, m_syncedAt + frameStates());
    if (next != kNever)
        m_time.wakeAt(next);
}

void Sci::advanceTo(uint64_t state)
{
    catchUp(state);
    update();
}

bool Sci::mayRaise() const
{
    // TDRE and TEND are set or will be, since the transmitter always finishes.
    if (m_scr & (TIE | TEIE))
        return true;
    if (!(m_scr & RIE))
        return false;
    // A receiver whose input has ended and that has nothing on the way raises nothing more:
    // an interrupt-driven echo then ends in its idle loop.
    return (m_ssr & (RDRF | kErrors)) || m_receiving || ((m_scr & RE) && !m_inputEnded);
}

uint8_t Sci::read8(uint32_t offset)
{
    advanceTo(m_time.now());
    switch (offset) {
    case SMR:
        return m_smr;
    case BRR:
        return m_brr;
    case SCR:
        return m_scr;
    case TDR:
        return m_tdr;
    case SSR:
        m_readOnes |= m_ssr & kClearable;
        return m_ssr;
    case RDR:
        return m_rdr;
    default:
        // The smart card register and the hole after it: nothing a program here uses.
        return 0xff;
    }
}

void Sci::write8(uint32_t offset, uint8_t value)
{
    // Never before what the channel has already been brought up to.
    const uint64_t now = std::max(m_time.now(), m_syncedAt);
    catchUp(now);
    switch (offset) {
    case SMR:
        m_smr = value;
        break;
    case BRR:
        m_brr = value;
        break;
    case SCR:
        m_scr = value;
        if (!(m_scr & RE))
            m_receiving = false; // the byte on the way is lost with the receiver
        listen(now);
        break;
    case TDR:
        m_tdr = value;
        break;
    case SSR: {
        // Only a flag read as 1 clears; TEND and MPB are read-only, MPBT takes what is written.
        const uint8_t cleared = m_ssr & m_readOnes & static_cast<uint8_t>(~value) & kClearable;
        m_ssr = static_cast<uint8_t>((m_ssr & ~cleared & ~MPBT) | (value & MPBT));
        m_readOnes &= static_cast<uint8_t>(~cleared);
        if (cleared & TDRE) {
            m_ssr &= static_cast<uint8_t>(~TEND);
            if (!m_sending) {
                startFrame(now, m_tdr);
                m_ssr |= TDRE;
            }
        }
        break;
    }
    default:
        break;
    }
    update();
}

} // namespace vesk::sim
