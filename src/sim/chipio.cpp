#include "sim/chipio.h"

#include <array>

namespace vesk::sim {

namespace {

// Together with the serial channels (FFFFB0..FFFFBF) and the ports (FFFFC0..FFFFD7) these
// cover the I/O area FFFF1C..FFFFFF without a gap.
constexpr std::array<IoRange, 8> kNotModelled{{
    {0xffff1c, 0xffff5f, "DMA controller, flash memory control"},
    {0xffff60, 0xffff9f, "16-bit integrated timer unit"},
    {0xffffa0, 0xffffa7, "programmable timing pattern controller"},
    {0xffffa8, 0xffffab, "watchdog timer"},
    {0xffffac, 0xffffaf, "refresh controller"},
    {0xffffd8, 0xffffdf, "port pull-up control, D/A converter"},
    {0xffffe0, 0xffffeb, "A/D converter"},
    {0xffffec, 0xffffff, "bus controller, system control, interrupt controller"},
}};

} // namespace

std::span<const IoRange> notModelledRanges()
{
    return kNotModelled;
}

bool ChipIo::plugInto(Memory &memory)
{
    bool ok = memory.plug(ports, Ports::kFirst, Ports::kLast) &&
              memory.plug(sci0, Sci::kFirst0, Sci::kFirst0 + Sci::kSize - 1) &&
              memory.plug(sci1, Sci::kFirst1, Sci::kFirst1 + Sci::kSize - 1);
    for (const IoRange &range : kNotModelled)
        ok = ok && memory.plug(m_notModelled, range.first, range.last);
    return ok;
}

} // namespace vesk::sim
