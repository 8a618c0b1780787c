#include "sim/ports.h"

namespace vesk::sim {

namespace {

enum class Kind : uint8_t { Reserved, Ddr, Dr };

struct Slot
{
    Kind kind;
    int8_t port; // 0 = P1 .. 10 = PB
};

// FFFFC0..FFFFD7 in address order; the ports pair their registers two by two.
constexpr std::array<Slot, 24> kSlots{{
    {Kind::Ddr, 0},       {Kind::Ddr, 1},       {Kind::Dr, 0},  {Kind::Dr, 1},
    {Kind::Ddr, 2},       {Kind::Ddr, 3},       {Kind::Dr, 2},  {Kind::Dr, 3},
    {Kind::Ddr, 4},       {Kind::Ddr, 5},       {Kind::Dr, 4},  {Kind::Dr, 5},
    {Kind::Reserved, -1}, {Kind::Ddr, 7},       {Kind::Dr, 6},  {Kind::Dr, 7},
    {Kind::Ddr, 8},       {Kind::Ddr, 9},       {Kind::Dr, 8},  {Kind::Dr, 9},
    {Kind::Ddr, 10},      {Kind::Reserved, -1}, {Kind::Dr, 10}, {Kind::Reserved, -1},
}};

// Bits with no pin behind them (ports 5, 6, 8 and 9 are narrower than a byte): they read
// as 1 and ignore writes.
constexpr std::array<uint8_t, Ports::kCount> kAbsent{0x00, 0x00, 0x00, 0x00, 0xf0, 0x80,
                                                     0x00, 0xe0, 0xc0, 0x00, 0x00};
constexpr int kPort7 = 6; // input only: no data direction register, writes to P7DR ignored

} // namespace

Ports::Ports()
{
    m_dr = kAbsent;
    m_ddr = kAbsent;
}

std::string_view Ports::name(int port)
{
    static constexpr std::array<std::string_view, kCount> kNames{"P1", "P2", "P3", "P4", "P5", "P6",
                                                                 "P7", "P8", "P9", "PA", "PB"};
    return port >= 0 && port < kCount ? kNames[static_cast<size_t>(port)] : "P?";
}

uint8_t Ports::read8(uint32_t offset)
{
    if (offset >= kSlots.size())
        return 0xff;
    const Slot slot = kSlots[offset];
    const auto p = static_cast<size_t>(slot.port);
    switch (slot.kind) {
    case Kind::Reserved:
        return 0xff;
    case Kind::Ddr:
        // Write-only on the chip; h8io.h warns programs not to read them.
        return 0xff;
    case Kind::Dr:
        // An output pin reads back its latch, an input pin the level outside.
        if (slot.port == kPort7)
            return m_pins[p];
        return static_cast<uint8_t>((m_dr[p] & m_ddr[p]) | (m_pins[p] & ~m_ddr[p]) | kAbsent[p]);
    }
    return 0xff;
}

void Ports::write8(uint32_t offset, uint8_t value)
{
    if (offset >= kSlots.size())
        return;
    const Slot slot = kSlots[offset];
    const auto p = static_cast<size_t>(slot.port);
    switch (slot.kind) {
    case Kind::Reserved:
        return;
    case Kind::Ddr:
        m_ddr[p] = value | kAbsent[p];
        return;
    case Kind::Dr: {
        if (slot.port == kPort7)
            return;
        const auto next = static_cast<uint8_t>(value | kAbsent[p]);
        if (next == m_dr[p])
            return;
        m_dr[p] = next;
        if (m_changed)
            m_changed(slot.port, next);
        return;
    }
    }
}

} // namespace vesk::sim
