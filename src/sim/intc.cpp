#include "sim/intc.h"

namespace vesk::sim {

namespace {

constexpr uint8_t kIrqBits = 0x3f;
constexpr uint8_t kCcrI = 0x80;
constexpr uint8_t kCcrUi = 0x40;

} // namespace

Intc::Intc(InterruptLines &lines) : m_lines(lines) {}

int Intc::level(int vector) const
{
    // Which IPR bit covers which vectors: one bit per IRQ0 and IRQ1, one per pair IRQ2/3 and
    // IRQ4/5, then one per group of four vectors (WDT/refresh, each ITU channel, DMAC, each
    // SCI channel) and one for the A/D converter.
    int bit = -1;
    bool b = false;
    if (vector == 12)
        bit = 7;
    else if (vector == 13)
        bit = 6;
    else if (vector == 14 || vector == 15)
        bit = 5;
    else if (vector == 16 || vector == 17)
        bit = 4;
    else if (vector >= 20 && vector <= 35)
        bit = 3 - (vector - 20) / 4; // WDT/refresh 3, ITU0 2, ITU1 1, ITU2 0
    else if (vector >= 36 && vector <= 47) {
        b = true;
        bit = 7 - (vector - 36) / 4; // ITU3 7, ITU4 6, DMAC 5
    } else if (vector >= 52 && vector <= 60) {
        b = true;
        bit = 3 - (vector - 52) / 4; // SCI0 3, SCI1 2, A/D 1
    }
    if (bit < 0)
        return 0;
    return ((b ? m_iprb : m_ipra) >> bit) & 1;
}

int Intc::highest(int minLevel) const
{
    if (m_lines.raised(kNmiVector))
        return kNmiVector;
    int best = -1;
    int bestLevel = -1;
    // Ascending, so the first line found at a level is that level's default choice.
    for (int v = kIrq0Vector; v < InterruptLines::kVectors; ++v) {
        if (!m_lines.raised(v))
            continue;
        const int l = level(v);
        if (l >= minLevel && l > bestLevel) {
            best = v;
            bestLevel = l;
        }
    }
    return best;
}

int Intc::acceptedVector(uint8_t ccr) const
{
    // highest(0) puts level 1 first, so when it is masked nothing else can be let in either.
    const int vector = highest(0);
    return vector >= 0 && accepts(vector, ccr) ? vector : -1;
}

int Intc::pendingVector()
{
    return highest(0);
}

bool Intc::accepts(int vector, uint8_t ccr) const
{
    if (vector == kNmiVector || (ccr & kCcrI) == 0)
        return true;
    return !m_ue && (ccr & kCcrUi) == 0 && level(vector) == 1;
}

uint8_t Intc::exceptionMask() const
{
    return m_ue ? kCcrI : static_cast<uint8_t>(kCcrI | kCcrUi);
}

void Intc::acknowledge(int vector)
{
    if (vector == kNmiVector) {
        m_lines.set(kNmiVector, false);
        return;
    }
    const int n = vector - kIrq0Vector;
    if (n < 0 || n >= kIrqPins)
        return;
    const uint8_t bit = static_cast<uint8_t>(1u << n);
    // A level-sensed request stays while the pin is still low.
    if ((m_iscr & bit) != 0 || (m_pins & bit) != 0)
        m_isr &= static_cast<uint8_t>(~bit);
    updateIrqs();
}

bool Intc::mayInterrupt() const
{
    if (m_lines.any())
        return true;
    for (const Timed *source : m_sources) {
        if (source->mayRaise())
            return true;
    }
    return m_pinsLive && (m_ier & kIrqBits) != 0;
}

bool Intc::mayInterruptWith(uint8_t ccr) const
{
    if ((ccr & kCcrI) == 0)
        return mayInterrupt();
    // Past I only a level-1 interrupt gets in, so some source must have been given level 1.
    // Which source raises what is not known ahead, so this may wait for one that never comes.
    if (!m_ue && (ccr & kCcrUi) == 0 && (m_ipra | m_iprb) != 0)
        return mayInterrupt();
    return m_lines.raised(kNmiVector);
}

void Intc::setIrqPin(int n, bool high)
{
    if (n < 0 || n >= kIrqPins)
        return;
    const uint8_t bit = static_cast<uint8_t>(1u << n);
    const bool wasHigh = (m_pins & bit) != 0;
    m_pins = high ? (m_pins | bit) : static_cast<uint8_t>(m_pins & ~bit);
    if ((m_iscr & bit) != 0 && wasHigh && !high)
        m_isr |= bit;
    updateIrqs();
}

void Intc::updateIrqs()
{
    m_isr |= static_cast<uint8_t>(~m_iscr & ~m_pins & kIrqBits);
    for (int n = 0; n < kIrqPins; ++n)
        m_lines.set(kIrq0Vector + n, (m_isr & m_ier & (1u << n)) != 0);
}

uint8_t Intc::read8(uint32_t offset)
{
    switch (offset) {
    case ISCR:
        return m_iscr;
    case IER:
        return m_ier;
    case ISR:
        m_isrReadOnes = m_isr;
        return m_isr;
    case IPRA:
        return m_ipra;
    case IPRB:
        return m_iprb;
    }
    return 0xff;
}

void Intc::write8(uint32_t offset, uint8_t value)
{
    switch (offset) {
    case ISCR:
        m_iscr = value;
        break;
    case IER:
        m_ier = value;
        break;
    case ISR: {
        const uint8_t cleared = static_cast<uint8_t>(~value & m_isrReadOnes & kIrqBits);
        m_isr &= static_cast<uint8_t>(~cleared);
        m_isrReadOnes &= static_cast<uint8_t>(~cleared);
        break;
    }
    case IPRA:
        m_ipra = value;
        break;
    case IPRB:
        m_iprb = value;
        break;
    }
    updateIrqs();
}

} // namespace vesk::sim
