#pragma once

// The 16-bit integrated timer unit: channels 0 to 4 at FFFF60..FFFF9F, as a program uses them
// for periodic interrupts and time measurement. Each channel counts on the internal clock φ,
// φ/2, φ/4 or φ/8, compares with GRA and GRB, clears on either, and flags compare matches and
// overflow with their interrupts (vectors 24 + 4 × channel: IMIA, IMIB, OVI).
//
// Timing follows the hardware manual's ITU chapter:
// - the prescaler runs from reset and is shared by all channels, so a channel on φ/n counts at
//   every state that is a multiple of n, the first such state after it was started (the manual's
//   block diagram feeds every channel from one prescaler; TSTR does not reset it);
// - a compare match is signalled in the last state in which TCNT equals GR, i.e. at the count
//   clock that moves TCNT off the matching value; IMFA/IMFB set then, and a counter cleared by
//   that match goes to 0 on that same clock, so a clear on GRA gives a period of (GRA + 1)
//   counts ("Setting of status flags", "Timing of counter clear");
// - OVF sets at the count clock that takes TCNT from FFFF to 0000, also when that happens by a
//   clear on a GR holding FFFF;
// - a flag is cleared by writing 0 to it after reading it as 1; a flag that set after the read
//   survives the write (the chip's rule, modelled as such).
//
// Not modelled: external clocks TCLKA..TCLKD (TPSC2 = 1: the counter stands still), synchronous
// operation and synchronous clear (TSNC, CCLR = 11 counts as no clear), input capture (TIOR is
// stored, GR always compares), PWM, reset-synchronised and complementary PWM modes, phase
// counting and buffer operation (TMDR, TFCR, BRA/BRB are stored), output pins (TOER, TOCR are
// stored), and the write/compare contention of a single state.

#include "sim/memory.h"
#include "sim/timing.h"

#include <array>
#include <cstdint>

namespace vesk::sim {

class Itu final : public Device, public Timed
{
public:
    static constexpr uint32_t kFirst = 0xffff60;
    static constexpr uint32_t kLast = 0xffff9f;
    static constexpr int kChannels = 5;

    // Offsets from kFirst of the shared registers.
    enum Shared : uint32_t {
        TSTR = 0x00,
        TSNC = 0x01,
        TMDR = 0x02,
        TFCR = 0x03,
        TOER = 0x30,
        TOCR = 0x31
    };
    // Offsets within a channel's block; BRA and BRB exist in channels 3 and 4 only.
    enum ChannelRegister : uint32_t {
        TCR = 0,
        TIOR = 1,
        TIER = 2,
        TSR = 3,
        TCNT = 4,
        GRA = 6,
        GRB = 8,
        BRA = 10,
        BRB = 12,
    };
    static constexpr std::array<uint32_t, kChannels> kChannelOffset{0x04, 0x0e, 0x18, 0x22, 0x32};

    enum TsrBit : uint8_t { IMFA = 0x01, IMFB = 0x02, OVF = 0x04 };
    enum TierBit : uint8_t { IMIEA = 0x01, IMIEB = 0x02, OVIE = 0x04 };
    enum TcrBits : uint8_t { TPSC = 0x07, CCLR = 0x60 };
    enum Clear : uint8_t {
        ClearNone = 0x00,
        ClearOnGra = 0x20,
        ClearOnGrb = 0x40,
        ClearSync = 0x60
    };

    // IMIA, IMIB and OVI of a channel; the fourth vector of each group is reserved.
    enum Event { CompareA = 0, CompareB = 1, Overflow = 2 };
    static constexpr int vector(int channel, Event event) { return 24 + 4 * channel + event; }

    Itu(TimeSource &time, InterruptLines &lines);

    uint8_t read8(uint32_t offset) override;
    void write8(uint32_t offset, uint8_t value) override;
    uint16_t read16(uint32_t offset) override;
    void write16(uint32_t offset, uint16_t value) override;

    void advanceTo(uint64_t state) override;
    bool mayRaise() const override;

private:
    struct Channel
    {
        uint8_t tcr = 0x80;
        uint8_t tior = 0x88;
        uint8_t tier = 0xf8;
        uint8_t flags = 0;    // TSR's IMFA, IMFB, OVF
        uint8_t readOnes = 0; // flags last read as 1, which a write of 0 may clear
        uint16_t tcnt = 0;
        uint16_t gra = 0xffff;
        uint16_t grb = 0xffff;
        uint16_t bra = 0xffff;
        uint16_t brb = 0xffff;
    };

    // Where an offset falls: a channel and its register, or channel -1 for a shared one.
    struct Place
    {
        int channel;
        uint32_t reg;
    };
    static Place place(uint32_t offset);
    uint16_t *word(Channel &c, uint32_t reg, bool buffers);

    bool counting(int channel) const;
    static uint64_t divisor(const Channel &c) { return uint64_t{1} << (c.tcr & 0x03); }
    // Count clocks, after the one that brings TCNT to `from`, until the one that finds TCNT at
    // `target` and moves it on; kNever if TCNT cannot reach it under the channel's clear.
    static uint64_t clocksUntil(const Channel &c, uint16_t from, uint16_t target);
    static void countClocks(Channel &c, uint64_t clocks);
    void catchUp(uint64_t state);
    // The next state at which a running channel sets a flag whose interrupt is enabled.
    uint64_t nextEvent() const;
    void update();

    TimeSource &m_time;
    InterruptLines &m_lines;
    std::array<Channel, kChannels> m_channels;
    uint8_t m_tstr = 0xe0;
    uint8_t m_tsnc = 0xe0;
    uint8_t m_tmdr = 0x80;
    uint8_t m_tfcr = 0xc0;
    uint8_t m_toer = 0xff;
    uint8_t m_tocr = 0xff;
    uint64_t m_syncedAt = 0; // every count clock up to this state has been applied
};

} // namespace vesk::sim
