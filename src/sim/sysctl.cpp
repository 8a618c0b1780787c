#include "sim/sysctl.h"

namespace vesk::sim {

Syscr::Syscr(Intc &intc) : m_intc(intc)
{
    m_intc.setUserBitEnable((m_value & kUe) != 0);
}

uint8_t Syscr::read8(uint32_t offset)
{
    (void)offset; // one register
    return m_value;
}

void Syscr::write8(uint32_t offset, uint8_t value)
{
    (void)offset;
    m_value = value | kReserved;
    m_intc.setUserBitEnable((m_value & kUe) != 0);
}

} // namespace vesk::sim
