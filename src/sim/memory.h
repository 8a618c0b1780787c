#pragma once

// The address space of the board's chip in advanced single-chip mode: on-chip ROM and RAM as
// plain arrays read inline, the on-chip I/O registers handed to devices plugged by address
// range, and nothing anywhere else. Accesses never throw: the first fault is kept in a
// record that the executor checks after each instruction and turns into a stop.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace vesk::sim {

// A peripheral's registers. Offsets count from the first address it was plugged at. A word
// access that falls wholly inside the device comes as one read16/write16, so that a 16-bit
// counter is read in one piece; a longword comes as two words.
class Device
{
public:
    virtual ~Device() = default;
    virtual uint8_t read8(uint32_t offset) = 0;
    virtual void write8(uint32_t offset, uint8_t value) = 0;
    virtual uint16_t read16(uint32_t offset);
    virtual void write16(uint32_t offset, uint16_t value);
};

// The registers nobody models: they read as zero and take writes silently. The board plugs
// it at each range it lists, so that an access outside every list still stops the run.
class NotModelled final : public Device
{
public:
    uint8_t read8(uint32_t) override { return 0; }
    void write8(uint32_t, uint8_t) override {}
};

enum class FaultKind : uint8_t {
    None,
    Unmapped,     // no memory and no device at the address
    OddAddress,   // a word or longword at an odd address, in strict mode
    PoisonedRead, // a RAM byte read before anything wrote it, with poison on
    RomWrite,     // a write to the on-chip ROM, in strict mode (the chip ignores it)
};

struct Fault
{
    FaultKind kind = FaultKind::None;
    uint32_t address = 0; // 24 bits
    bool write = false;
    uint8_t size = 0; // 1, 2 or 4 bytes
};

std::string_view faultKindText(FaultKind kind);

class Memory
{
public:
    static constexpr uint32_t kAddressMask = 0xffffff;
    static constexpr uint32_t kRomFirst = 0x000000;
    static constexpr uint32_t kRomSize = 0x80000;
    static constexpr uint32_t kRamFirst = 0xffdf10;
    static constexpr uint32_t kRamSize = 0x2000;
    // The on-chip I/O registers of this family sit in FFFF1C..FFFFFF; FFFF10..FFFF1B is
    // external space, which single-chip mode does not have.
    static constexpr uint32_t kIoFirst = 0xffff1c;
    static constexpr uint32_t kIoLast = 0xffffff;
    // Recognisable in a dump, and neither zero nor an erased-ROM FF that code might expect.
    static constexpr uint8_t kPoisonFill = 0xa5;
    static constexpr uint8_t kErasedRom = 0xff;

    struct Options
    {
        bool strict = false; // odd word/longword addresses and ROM writes fault
        bool poison = false; // RAM starts filled, a read before a write faults
    };

    Memory();
    explicit Memory(Options options);
    Memory(const Memory &) = delete;
    Memory &operator=(const Memory &) = delete;

    // Plugs a device at first..last (inclusive), outside ROM and RAM. Refused (false) for a
    // range that is empty, touches ROM or RAM, or overlaps a device already plugged.
    [[nodiscard]] bool plug(Device &device, uint32_t first, uint32_t last);

    // Copies an image into ROM or RAM; it counts as written. Refused (false) unless it lies
    // wholly in one of them.
    [[nodiscard]] bool load(uint32_t address, std::span<const uint8_t> bytes);

    uint8_t read8(uint32_t address);
    uint16_t read16(uint32_t address);
    uint32_t read32(uint32_t address);
    void write8(uint32_t address, uint8_t value);
    void write16(uint32_t address, uint16_t value);
    void write32(uint32_t address, uint32_t value);

    // For traces and debuggers: ROM and RAM only, no device touched, no fault, no poison.
    uint8_t peek8(uint32_t address) const;

    // For the executor's cache of decoded instructions: a number that grows whenever one of
    // the `length` bytes (at most 16) at `address`, in ROM or RAM, may have changed. A cached
    // instruction is good while its stamp is unchanged, which costs two loads an instruction
    // instead of comparing its bytes.
    uint64_t codeStamp(uint32_t address, uint32_t length) const;

    // Reads and writes that reached a device so far: the executor asks the interrupt source
    // again only when this has moved (see InterruptSource::changesOnlyOnAccess).
    uint64_t deviceAccesses() const { return m_deviceAccesses; }

    bool hasFault() const { return m_fault.kind != FaultKind::None; }
    const Fault &fault() const { return m_fault; }
    void clearFault() { m_fault = {}; }

    const Options &options() const { return m_options; }

private:
    struct Plug
    {
        Device *device;
        uint32_t first;
        uint32_t last;
    };

    static bool inRam(uint32_t a, uint32_t size) { return a - kRamFirst <= kRamSize - size; }
    static bool inRom(uint32_t a, uint32_t size) { return a <= kRomSize - size; }

    bool ramWritten(uint32_t offset) const
    {
        return (m_written[offset / 64] >> (offset % 64) & 1u) != 0;
    }
    void markWritten(uint32_t offset, uint32_t size);
    // Counts a write of 1, 2 or 4 bytes at an even offset (a byte anywhere) for codeStamp.
    void countWrite(uint32_t offset, uint32_t size)
    {
        ++m_ramWrites[offset >> kBlockShift];
        if (size == 4)
            ++m_ramWrites[(offset + 3) >> kBlockShift];
    }
    void checkPoison(uint32_t offset, uint32_t size);
    void report(FaultKind kind, uint32_t address, bool write, uint8_t size);
    uint32_t oddAccess(uint32_t address, bool write, uint8_t size);

    const Plug *findPlug(uint32_t address) const;
    uint8_t slowRead8(uint32_t address);
    uint16_t slowRead16(uint32_t address);
    void slowWrite8(uint32_t address, uint8_t value);
    void slowWrite16(uint32_t address, uint16_t value);

    Options m_options;
    Fault m_fault;
    std::unique_ptr<uint8_t[]> m_rom;
    std::unique_ptr<uint8_t[]> m_ram;
    std::array<uint64_t, kRamSize / 64> m_written{};
    // Writes so far to each 16-byte block of RAM, and loads into ROM (the only way it changes).
    // Small blocks keep the stack and data apart from most code. The spare block past the end
    // lets codeStamp look at the last byte of a span that runs out of RAM.
    static constexpr uint32_t kBlockShift = 4;
    std::array<uint64_t, (kRamSize >> kBlockShift) + 1> m_ramWrites{};
    uint64_t m_romLoads = 0;
    uint64_t m_deviceAccesses = 0;
    std::vector<Plug> m_plugs;
    // The top 256 bytes hold nearly every register; a table avoids searching m_plugs on
    // each poll of a status register.
    std::array<int16_t, 256> m_topPage{};
};

inline uint8_t Memory::read8(uint32_t address)
{
    const uint32_t a = address & kAddressMask;
    if (inRam(a, 1)) {
        if (m_options.poison) [[unlikely]]
            checkPoison(a - kRamFirst, 1);
        return m_ram[a - kRamFirst];
    }
    if (inRom(a, 1))
        return m_rom[a];
    return slowRead8(a);
}

inline uint16_t Memory::read16(uint32_t address)
{
    uint32_t a = address & kAddressMask;
    if (a & 1) [[unlikely]]
        a = oddAccess(a, false, 2);
    const uint8_t *p;
    if (inRam(a, 2)) {
        if (m_options.poison) [[unlikely]]
            checkPoison(a - kRamFirst, 2);
        p = &m_ram[a - kRamFirst];
    } else if (inRom(a, 2)) {
        p = &m_rom[a];
    } else {
        return slowRead16(a);
    }
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

inline uint32_t Memory::read32(uint32_t address)
{
    uint32_t a = address & kAddressMask;
    if (a & 1) [[unlikely]]
        a = oddAccess(a, false, 4);
    const uint8_t *p;
    if (inRam(a, 4)) {
        if (m_options.poison) [[unlikely]]
            checkPoison(a - kRamFirst, 4);
        p = &m_ram[a - kRamFirst];
    } else if (inRom(a, 4)) {
        p = &m_rom[a];
    } else {
        // Also a longword straddling the end of RAM or ROM: each half goes its own way.
        const uint32_t high = slowRead16(a);
        return high << 16 | slowRead16((a + 2) & kAddressMask);
    }
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

inline void Memory::write8(uint32_t address, uint8_t value)
{
    const uint32_t a = address & kAddressMask;
    if (inRam(a, 1)) {
        m_ram[a - kRamFirst] = value;
        countWrite(a - kRamFirst, 1);
        if (m_options.poison) [[unlikely]]
            markWritten(a - kRamFirst, 1);
        return;
    }
    slowWrite8(a, value);
}

inline void Memory::write16(uint32_t address, uint16_t value)
{
    uint32_t a = address & kAddressMask;
    if (a & 1) [[unlikely]]
        a = oddAccess(a, true, 2);
    if (inRam(a, 2)) {
        uint8_t *p = &m_ram[a - kRamFirst];
        p[0] = static_cast<uint8_t>(value >> 8);
        p[1] = static_cast<uint8_t>(value);
        countWrite(a - kRamFirst, 2);
        if (m_options.poison) [[unlikely]]
            markWritten(a - kRamFirst, 2);
        return;
    }
    slowWrite16(a, value);
}

inline void Memory::write32(uint32_t address, uint32_t value)
{
    uint32_t a = address & kAddressMask;
    if (a & 1) [[unlikely]]
        a = oddAccess(a, true, 4);
    if (inRam(a, 4)) {
        uint8_t *p = &m_ram[a - kRamFirst];
        p[0] = static_cast<uint8_t>(value >> 24);
        p[1] = static_cast<uint8_t>(value >> 16);
        p[2] = static_cast<uint8_t>(value >> 8);
        p[3] = static_cast<uint8_t>(value);
        countWrite(a - kRamFirst, 4);
        if (m_options.poison) [[unlikely]]
            markWritten(a - kRamFirst, 4);
        return;
    }
    slowWrite16(a, static_cast<uint16_t>(value >> 16));
    slowWrite16((a + 2) & kAddressMask, static_cast<uint16_t>(value));
}

inline uint64_t Memory::codeStamp(uint32_t address, uint32_t length) const
{
    const uint32_t offset = address - kRamFirst;
    if (offset < kRamSize) {
        // Two blocks at most; the sum grows when either count does.
        return m_ramWrites[offset >> kBlockShift] +
               m_ramWrites[(offset + length - 1) >> kBlockShift];
    }
    return m_romLoads;
}

} // namespace vesk::sim
