#include "sim/sci.h"

namespace vesk::sim {

uint8_t Sci::read8(uint32_t offset)
{
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
        if ((m_scr & RE) && !(m_ssr & RDRF) && m_receive) {
            const int byte = m_receive();
            if (byte >= 0) {
                m_rdr = static_cast<uint8_t>(byte);
                m_ssr |= RDRF;
            }
        }
        return m_ssr;
    case RDR:
        return m_rdr;
    default:
        // The smart card register and the hole after it: nothing a polling program uses.
        return 0xff;
    }
}

void Sci::write8(uint32_t offset, uint8_t value)
{
    switch (offset) {
    case SMR:
        m_smr = value;
        return;
    case BRR:
        m_brr = value;
        return;
    case SCR:
        m_scr = value;
        return;
    case TDR:
        m_tdr = value;
        return;
    case SSR: {
        // The flags only clear (writing 1 leaves them), TEND and MPB are read-only, and
        // MPBT takes what is written.
        constexpr uint8_t kClearable = TDRE | RDRF | ORER | FER | PER;
        const bool sending = (m_ssr & TDRE) && !(value & TDRE);
        m_ssr = static_cast<uint8_t>((m_ssr & ~kClearable & ~MPBT) | (m_ssr & value & kClearable) |
                                     (value & MPBT));
        if (sending) {
            // The line takes no time here: the byte is gone and the transmitter empty again.
            if (m_transmit)
                m_transmit(m_tdr);
            m_ssr |= TDRE | TEND;
        }
        return;
    }
    default:
        return;
    }
}

} // namespace vesk::sim
