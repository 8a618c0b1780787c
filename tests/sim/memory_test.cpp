#include "sim/memory.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>

using vesk::sim::Device;
using vesk::sim::Fault;
using vesk::sim::FaultKind;
using vesk::sim::Memory;
using vesk::sim::NotModelled;

namespace {

// Logs what reaches it, so that a row can show a word arriving as one read16.
class LoggingDevice final : public Device
{
public:
    std::string log;

    uint8_t read8(uint32_t offset) override
    {
        log += "r8 " + std::to_string(offset) + ";";
        return static_cast<uint8_t>(0x80 | offset);
    }
    void write8(uint32_t offset, uint8_t value) override
    {
        log += "w8 " + std::to_string(offset) + "=" + std::to_string(value) + ";";
    }
    uint16_t read16(uint32_t offset) override
    {
        log += "r16 " + std::to_string(offset) + ";";
        return static_cast<uint16_t>(0x1200 | offset);
    }
    void write16(uint32_t offset, uint16_t value) override
    {
        log += "w16 " + std::to_string(offset) + "=" + std::to_string(value) + ";";
    }
};

constexpr uint32_t kDeviceFirst = 0xffffb0;
constexpr uint32_t kDeviceLast = 0xffffb7;
constexpr uint32_t kRam = 0xffe000;

constexpr Memory::Options kNormal{};
constexpr Memory::Options kStrict{true, false};
constexpr Memory::Options kPoison{false, true};

constexpr Fault kNoFault{};
constexpr Fault fault(FaultKind kind, uint32_t address, bool write, uint8_t size)
{
    return {kind, address, write, size};
}

bool loadBytes(Memory &m, uint32_t address)
{
    const std::array<uint8_t, 4> bytes{1, 2, 3, 4};
    return m.load(address, bytes);
}

struct AccessRow
{
    const char *name;
    Memory::Options options;
    uint64_t (*access)(Memory &);
    uint64_t value;
    Fault fault;
    const char *deviceLog = "";
};

void PrintTo(const AccessRow &row, std::ostream *os)
{
    *os << row.name;
}

class Accesses : public testing::TestWithParam<AccessRow>
{
};

TEST_P(Accesses, GiveTheValueOrTheFault)
{
    const AccessRow &row = GetParam();
    Memory memory(row.options);
    LoggingDevice device;
    NotModelled notModelled;
    ASSERT_TRUE(memory.plug(device, kDeviceFirst, kDeviceLast));
    ASSERT_TRUE(memory.plug(notModelled, 0xffff1c, 0xffff3f));

    EXPECT_EQ(row.access(memory), row.value);
    const Fault &got = memory.fault();
    EXPECT_EQ(vesk::sim::faultKindText(got.kind), vesk::sim::faultKindText(row.fault.kind));
    EXPECT_EQ(got.address, row.fault.address);
    EXPECT_EQ(got.write, row.fault.write);
    EXPECT_EQ(int{got.size}, int{row.fault.size});
    EXPECT_EQ(device.log, row.deviceLog);
}

INSTANTIATE_TEST_SUITE_P(Memory, Accesses,
                         testing::
                             Values(
                                 AccessRow{"ram_byte_reads_back", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               m.write8(0xffdf10, 0x5a);
                                               return m.read8(0xffdf10);
                                           },
                                           0x5a, kNoFault},
                                 AccessRow{"ram_longword_is_big_endian", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               m.write32(kRam, 0x12345678);
                                               return uint64_t{m.read8(kRam)} << 16 |
                                                      m.read16(kRam + 2);
                                           },
                                           0x125678, kNoFault},
                                 AccessRow{"last_ram_word", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               m.write16(0xffff0e, 0xbeef);
                                               return m.read16(0xffff0e);
                                           },
                                           0xbeef, kNoFault},
                                 AccessRow{"top_address_byte_is_ignored", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               m.write16(0x12000000 | kRam, 0xbeef);
                                               return m.read16(kRam);
                                           },
                                           0xbeef, kNoFault},
                                 AccessRow{"rom_reads_the_loaded_image", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               (void)loadBytes(
                                                   m, 0x100); // checked by the value read back
                                               return m.read32(0x100);
                                           },
                                           0x01020304, kNoFault},
                                 AccessRow{"rom_not_loaded_reads_erased", kNormal,
                                           [](Memory &m) -> uint64_t { return m.read16(0x7fffe); },
                                           0xffff, kNoFault},
                                 AccessRow{"rom_write_is_ignored", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               (void)loadBytes(
                                                   m, 0x100); // checked by the value read back
                                               m.write8(0x100, 9);
                                               return m.read8(0x100);
                                           },
                                           1, kNoFault},
                                 AccessRow{"rom_write_faults_in_strict_mode", kStrict,
                                           [](Memory &m) -> uint64_t {
                                               m.write16(0x200, 9);
                                               return m.read16(0x200);
                                           },
                                           0xffff, fault(FaultKind::RomWrite, 0x200, true, 2)},
                                 AccessRow{"past_rom_is_unmapped", kNormal,
                                           [](Memory &m) -> uint64_t { return m.read8(0x80000); },
                                           0, fault(FaultKind::Unmapped, 0x80000, false, 1)},
                                 AccessRow{"below_ram_is_unmapped", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               m.write16(0xffdf0e, 1);
                                               return 0;
                                           },
                                           0, fault(FaultKind::Unmapped, 0xffdf0e, true, 2)},
                                 AccessRow{"gap_between_ram_and_registers_is_unmapped", kNormal,
                                           [](Memory &m) -> uint64_t { return m.read8(0xffff10); },
                                           0, fault(FaultKind::Unmapped, 0xffff10, false, 1)},
                                 AccessRow{
                                     "longword_across_the_end_of_ram_faults_at_the_gap", kNormal,
                                     [](Memory &m) -> uint64_t {
                                         m.write16(0xffff0e, 0xbeef);
                                         return m.read32(0xffff0e);
                                     },
                                     0xbeef0000, fault(FaultKind::Unmapped, 0xffff10, false, 2)},
                                 AccessRow{"first_fault_is_kept", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               (void)m.read8(0x80000); // only the fault matters
                                               return m.read8(0x900000);
                                           },
                                           0, fault(FaultKind::Unmapped, 0x80000, false, 1)},
                                 AccessRow{"register_bytes_go_to_the_device", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               m.write8(0xffffb3, 0x41);
                                               return m.read8(0xffffb4);
                                           },
                                           0x84, kNoFault, "w8 3=65;r8 4;"},
                                 AccessRow{"register_word_reaches_the_device_whole", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               m.write16(0xffffb6, 0x1234);
                                               return m.read16(0xffffb2);
                                           },
                                           0x1202, kNoFault, "w16 6=4660;r16 2;"},
                                 AccessRow{"register_longword_is_two_words", kNormal,
                                           [](Memory &m) -> uint64_t { return m.read32(0xffffb0); },
                                           0x12001202, kNoFault, "r16 0;r16 2;"},
                                 AccessRow{"not_modelled_reads_zero_and_takes_writes", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               m.write8(0xffff20, 0x55);
                                               return m.read16(0xffff20);
                                           },
                                           0, kNoFault},
                                 AccessRow{"odd_word_drops_the_low_bit", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               m.write16(kRam, 0xabcd);
                                               return m.read16(kRam + 1);
                                           },
                                           0xabcd, kNoFault},
                                 AccessRow{"odd_word_faults_in_strict_mode", kStrict,
                                           [](Memory &m) -> uint64_t {
                                               m.write16(kRam, 0xabcd);
                                               return m.read16(kRam + 1);
                                           },
                                           0xabcd,
                                           fault(FaultKind::OddAddress, kRam + 1, false, 2)},
                                 AccessRow{"odd_longword_write_drops_the_low_bit", kNormal,
                                           [](Memory &m) -> uint64_t {
                                               m.write32(kRam + 3, 0x11223344);
                                               return m.read32(kRam + 2);
                                           },
                                           0x11223344, kNoFault},
                                 AccessRow{"odd_longword_write_faults_in_strict_mode", kStrict,
                                           [](Memory &m) -> uint64_t {
                                               m.write32(kRam + 3, 0x11223344);
                                               return 0;
                                           },
                                           0, fault(FaultKind::OddAddress, kRam + 3, true, 4)},
                                 AccessRow{"odd_byte_is_fine_in_strict_mode", kStrict,
                                           [](Memory &m) -> uint64_t {
                                               m.write8(kRam + 1, 7);
                                               return m.read8(kRam + 1);
                                           },
                                           7, kNoFault},
                                 AccessRow{"ram_reads_zero_without_poison", kNormal,
                                           [](Memory &m) -> uint64_t { return m.read8(kRam); }, 0,
                                           kNoFault},
                                 AccessRow{"poisoned_byte_faults_on_first_read", kPoison,
                                           [](Memory &m) -> uint64_t { return m.read8(kRam); },
                                           Memory::kPoisonFill,
                                           fault(FaultKind::PoisonedRead, kRam, false, 1)},
                                 AccessRow{"poisoned_byte_reads_fine_after_a_write", kPoison,
                                           [](Memory &m) -> uint64_t {
                                               m.write8(kRam, 3);
                                               return m.read8(kRam);
                                           },
                                           3, kNoFault},
                                 AccessRow{"poisoned_half_of_a_word_faults", kPoison,
                                           [](Memory &m) -> uint64_t {
                                               m.write8(kRam + 0x41, 3);
                                               return m.read16(kRam + 0x40);
                                           },
                                           0xa503,
                                           fault(FaultKind::PoisonedRead, kRam + 0x40, false, 2)},
                                 AccessRow{"poisoned_last_byte_of_a_longword_faults", kPoison,
                                           [](Memory &m) -> uint64_t {
                                               m.write16(kRam + 0x3c, 0x0102);
                                               m.write8(kRam + 0x3e, 3);
                                               return m.read32(kRam + 0x3c);
                                           },
                                           0x010203a5,
                                           fault(FaultKind::PoisonedRead, kRam + 0x3f, false, 4)},
                                 AccessRow{"loaded_ram_counts_as_written", kPoison,
                                           [](Memory &m) -> uint64_t {
                                               (void)loadBytes(
                                                   m, 0xffdf10); // checked by the value read back
                                               return m.read32(0xffdf10);
                                           },
                                           0x01020304, kNoFault}),
                         vesk::test::RowName());

struct RefusalRow
{
    const char *name;
    bool (*attempt)(Memory &, Device &);
};

void PrintTo(const RefusalRow &row, std::ostream *os)
{
    *os << row.name;
}

class Refusals : public testing::TestWithParam<RefusalRow>
{
};

// Each one is refused and leaves memory as it was.
TEST_P(Refusals, AreRefused)
{
    Memory memory;
    NotModelled first, second;
    ASSERT_TRUE(memory.plug(first, 0xffff1c, 0xffff3f));
    EXPECT_FALSE(GetParam().attempt(memory, second));
    EXPECT_EQ(memory.read8(0xffff1c), 0); // still the first device, no fault
    EXPECT_FALSE(memory.hasFault());
}

INSTANTIATE_TEST_SUITE_P(
    Memory, Refusals,
    testing::Values(RefusalRow{"plug_over_another_device",
                               [](Memory &m, Device &d) { return m.plug(d, 0xffff3f, 0xffff40); }},
                    RefusalRow{"plug_over_ram",
                               [](Memory &m, Device &d) { return m.plug(d, 0xffff00, 0xffff10); }},
                    RefusalRow{"plug_over_rom",
                               [](Memory &m, Device &d) { return m.plug(d, 0x7ffff, 0x80000); }},
                    RefusalRow{"plug_backwards",
                               [](Memory &m, Device &d) { return m.plug(d, 0xffff50, 0xffff4f); }},
                    RefusalRow{"load_across_the_end_of_rom",
                               [](Memory &m, Device &) { return loadBytes(m, 0x7fffe); }},
                    RefusalRow{"load_across_the_end_of_ram",
                               [](Memory &m, Device &) { return loadBytes(m, 0xffff0e); }},
                    RefusalRow{"load_into_the_registers",
                               [](Memory &m, Device &) { return loadBytes(m, 0xffff1c); }}),
    vesk::test::RowName());

} // namespace
