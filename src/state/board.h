#pragma once

#include <cstdint>

// What the builds, the transfer and the tools know of the board: an H8/3048-series chip in
// advanced mode, whose loader takes an image over serial channel 1 and starts it at the
// start of on-chip RAM. Plain constants, so that every layer may use them.
namespace vesk::board {

// On-chip RAM: a RAM build's image loads at its start, and the stack grows down from its end.
inline constexpr std::uint32_t kRamStart = 0xFFDF10;
inline constexpr std::uint32_t kRamEnd = 0xFFFF10; // one past the last byte
inline constexpr std::uint32_t kStackTop = kRamEnd;
// The 24-bit address space.
inline constexpr std::uint32_t kAddressLimit = 0x1000000;

// Where the C build links the program: after the reset module in RAM, or after the vector
// table in ROM. The offset dialog steps no lower than the floors; an offset in force below
// the start of RAM makes the window start with its ROM box checked.
inline constexpr std::uint32_t kDefaultRamOffset = 0xFFDF50;
inline constexpr std::uint32_t kDefaultRomOffset = 0x200;
inline constexpr std::uint32_t kRamOffsetFloor = 0xFFDF30;
inline constexpr std::uint32_t kRomOffsetFloor = 0x180;

// The loader's line: 9600 baud, 8 data bits, no parity, 1 stop bit, 10 bits a byte.
inline constexpr std::int32_t kLineBaud = 9600;
inline constexpr int kBitsPerByte = 10;

} // namespace vesk::board
