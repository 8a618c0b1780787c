#pragma once

// What vesk-sim plugs into the chip's I/O area: the ports, serial channels 0 and 1, and every
// other register block as NotModelled, so that an access to any of the chip's registers
// goes on and only an address with no register stops the run.

#include "sim/memory.h"
#include "sim/ports.h"
#include "sim/sci.h"

#include <span>

namespace vesk::sim {

struct IoRange
{
    uint32_t first;
    uint32_t last;
    const char *what;
};

// The register blocks of the I/O area that nothing models yet.
std::span<const IoRange> notModelledRanges();

class ChipIo
{
public:
    // Plugs everything into `memory`; false if a range is refused (a bug in the map).
    [[nodiscard]] bool plugInto(Memory &memory);

    Ports ports;
    Sci sci0;
    Sci sci1;

private:
    NotModelled m_notModelled;
};

} // namespace vesk::sim
