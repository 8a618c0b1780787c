#include "sim/memory.h"

#include <algorithm>
#include <cstring>

namespace vesk::sim {

uint16_t Device::read16(uint32_t offset)
{
    const uint16_t high = read8(offset);
    return static_cast<uint16_t>(high << 8 | read8(offset + 1));
}

void Device::write16(uint32_t offset, uint16_t value)
{
    write8(offset, static_cast<uint8_t>(value >> 8));
    write8(offset + 1, static_cast<uint8_t>(value));
}

std::string_view faultKindText(FaultKind kind)
{
    switch (kind) {
    case FaultKind::None:
        return "no fault";
    case FaultKind::Unmapped:
        return "access outside ROM, RAM and the I/O registers";
    case FaultKind::OddAddress:
        return "word or longword access at an odd address";
    case FaultKind::PoisonedRead:
        return "read of RAM that was never written";
    case FaultKind::RomWrite:
        return "write to ROM";
    }
    return "unknown fault";
}

Memory::Memory() : Memory(Options{}) {}

Memory::Memory(Options options)
    : m_options(options), m_rom(new uint8_t[kRomSize]), m_ram(new uint8_t[kRamSize])
{
    std::memset(m_rom.get(), kErasedRom, kRomSize);
    std::memset(m_ram.get(), m_options.poison ? kPoisonFill : 0, kRamSize);
    m_topPage.fill(-1);
}

bool Memory::plug(Device &device, uint32_t first, uint32_t last)
{
    if (first > last || last > kAddressMask)
        return false;
    const bool touchesRam = first <= kRamFirst + kRamSize - 1 && last >= kRamFirst;
    const bool touchesRom = first < kRomFirst + kRomSize;
    if (touchesRam || touchesRom)
        return false;
    for (const Plug &p : m_plugs) {
        if (first <= p.last && last >= p.first)
            return false;
    }
    m_plugs.push_back({&device, first, last});
    const auto index = static_cast<int16_t>(m_plugs.size() - 1);
    for (uint32_t a = std::max(first, uint32_t{0xffff00}); a <= last; ++a)
        m_topPage[a & 0xff] = index;
    return true;
}

bool Memory::load(uint32_t address, std::span<const uint8_t> bytes)
{
    const uint64_t first = address;
    const uint64_t end = first + bytes.size();
    if (first >= kRamFirst && end <= uint64_t{kRamFirst} + kRamSize) {
        std::copy(bytes.begin(), bytes.end(), m_ram.get() + (address - kRamFirst));
        markWritten(address - kRamFirst, static_cast<uint32_t>(bytes.size()));
        for (uint64_t o = first - kRamFirst; o < end - kRamFirst; o += 1u << kBlockShift)
            countWrite(static_cast<uint32_t>(o), 1);
        if (!bytes.empty())
            countWrite(static_cast<uint32_t>(end - 1 - kRamFirst), 1);
        return true;
    }
    if (end <= uint64_t{kRomFirst} + kRomSize) {
        std::copy(bytes.begin(), bytes.end(), m_rom.get() + address);
        ++m_romLoads;
        return true;
    }
    return false;
}

uint8_t Memory::peek8(uint32_t address) const
{
    const uint32_t a = address & kAddressMask;
    if (inRam(a, 1))
        return m_ram[a - kRamFirst];
    if (inRom(a, 1))
        return m_rom[a];
    return 0;
}

void Memory::markWritten(uint32_t offset, uint32_t size)
{
    for (uint32_t o = offset; o < offset + size; ++o)
        m_written[o / 64] |= uint64_t{1} << (o % 64);
}

void Memory::checkPoison(uint32_t offset, uint32_t size)
{
    for (uint32_t o = offset; o < offset + size; ++o) {
        if (!ramWritten(o)) {
            report(FaultKind::PoisonedRead, kRamFirst + o, false, static_cast<uint8_t>(size));
            return;
        }
    }
}

void Memory::report(FaultKind kind, uint32_t address, bool write, uint8_t size)
{
    // The first fault of an instruction is the one that explains the stop.
    if (m_fault.kind == FaultKind::None)
        m_fault = {kind, address, write, size};
}

uint32_t Memory::oddAccess(uint32_t address, bool write, uint8_t size)
{
    if (m_options.strict)
        report(FaultKind::OddAddress, address, write, size);
    // The chip drops the lowest address bit of a word or longword access.
    return address & ~uint32_t{1};
}

const Memory::Plug *Memory::findPlug(uint32_t address) const
{
    if (address >= 0xffff00) {
        const int16_t index = m_topPage[address & 0xff];
        return index < 0 ? nullptr : &m_plugs[static_cast<size_t>(index)];
    }
    for (const Plug &p : m_plugs) {
        if (address >= p.first && address <= p.last)
            return &p;
    }
    return nullptr;
}

uint8_t Memory::slowRead8(uint32_t address)
{
    if (const Plug *p = findPlug(address)) {
        ++m_deviceAccesses;
        return p->device->read8(address - p->first);
    }
    report(FaultKind::Unmapped, address, false, 1);
    return 0;
}

void Memory::slowWrite8(uint32_t address, uint8_t value)
{
    if (inRom(address, 1)) {
        if (m_options.strict)
            report(FaultKind::RomWrite, address, true, 1);
        return;
    }
    if (const Plug *p = findPlug(address)) {
        ++m_deviceAccesses;
        p->device->write8(address - p->first, value);
        return;
    }
    report(FaultKind::Unmapped, address, true, 1);
}

// Reached with an even address for a word that is not wholly in RAM or ROM: a device's
// register, or one half of a longword that straddles the end of a region.
uint16_t Memory::slowRead16(uint32_t address)
{
    if (inRam(address, 2) || inRom(address, 2))
        return read16(address);
    const Plug *p = findPlug(address);
    if (p != nullptr && address + 1 <= p->last) {
        ++m_deviceAccesses;
        return p->device->read16(address - p->first);
    }
    if (p == nullptr && findPlug(address + 1) == nullptr) {
        report(FaultKind::Unmapped, address, false, 2);
        return 0;
    }
    const uint16_t high = read8(address);
    return static_cast<uint16_t>(high << 8 | read8(address + 1));
}

void Memory::slowWrite16(uint32_t address, uint16_t value)
{
    if (inRam(address, 2)) {
        write16(address, value);
        return;
    }
    if (inRom(address, 2)) {
        if (m_options.strict)
            report(FaultKind::RomWrite, address, true, 2);
        return;
    }
    const Plug *p = findPlug(address);
    if (p != nullptr && address + 1 <= p->last) {
        ++m_deviceAccesses;
        p->device->write16(address - p->first, value);
        return;
    }
    if (p == nullptr && findPlug(address + 1) == nullptr) {
        report(FaultKind::Unmapped, address, true, 2);
        return;
    }
    write8(address, static_cast<uint8_t>(value >> 8));
    write8(address + 1, static_cast<uint8_t>(value));
}

} // namespace vesk::sim
