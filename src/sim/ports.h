#pragma once

// The data and data direction registers of the chip's I/O ports 1-9, A and B, at
// FFFFC0..FFFFD7. A change of a data register is reported, which is what --ports prints and
// what the board's LEDs will show.

#include "sim/memory.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace vesk::sim {

class Ports final : public Device
{
public:
    static constexpr uint32_t kFirst = 0xffffc0;
    static constexpr uint32_t kLast = 0xffffd7;
    // P1..P9, PA, PB.
    static constexpr int kCount = 11;

    Ports();

    // "P1".."P9", "PA", "PB".
    static std::string_view name(int port);

    // Called when a write gives a data register a new value (what reading it would return).
    void setChangeHandler(std::function<void(int port, uint8_t value)> handler)
    {
        m_changed = std::move(handler);
    }
    // The levels the outside world puts on the pins, read where a pin is an input.
    void setPins(int port, uint8_t levels) { m_pins[static_cast<size_t>(port)] = levels; }
    uint8_t data(int port) const { return m_dr[static_cast<size_t>(port)]; }
    uint8_t direction(int port) const { return m_ddr[static_cast<size_t>(port)]; }

    uint8_t read8(uint32_t offset) override;
    void write8(uint32_t offset, uint8_t value) override;

private:
    std::array<uint8_t, kCount> m_dr{};
    std::array<uint8_t, kCount> m_ddr{};
    std::array<uint8_t, kCount> m_pins{};
    std::function<void(int, uint8_t)> m_changed;
};

} // namespace vesk::sim
