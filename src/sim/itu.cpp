#include "sim/itu.h"

#include <algorithm>

namespace vesk::sim {

Itu::Itu(TimeSource &time, InterruptLines &lines)
    : m_time(time), m_lines(lines), m_syncedAt(time.now())
{
}

Itu::Place Itu::place(uint32_t offset)
{
    for (int ch = kChannels - 1; ch >= 0; --ch) {
        const uint32_t first = kChannelOffset[static_cast<size_t>(ch)];
        // Channels 3 and 4 end with BRA and BRB; channel 4 runs to the end of the block.
        const uint32_t size = ch >= 3 ? 14 : 10;
        if (offset >= first && offset < first + size)
            return {ch, offset - first};
    }
    return {-1, offset};
}

uint16_t *Itu::word(Channel &c, uint32_t reg, bool buffers)
{
    switch (reg & ~1u) {
    case TCNT:
        return &c.tcnt;
    case GRA:
        return &c.gra;
    case GRB:
        return &c.grb;
    case BRA:
        return buffers ? &c.bra : nullptr;
    case BRB:
        return buffers ? &c.brb : nullptr;
    }
    return nullptr;
}

bool Itu::counting(int channel) const
{
    const Channel &c = m_channels[static_cast<size_t>(channel)];
    // TPSC2 selects an external clock pin, which nothing drives here.
    return (m_tstr >> channel & 1) != 0 && (c.tcr & 0x04) == 0;
}

uint64_t Itu::clocksUntil(const Channel &c, uint16_t from, uint16_t target)
{
    const uint8_t clear = c.tcr & CCLR;
    if (clear != ClearOnGra && clear != ClearOnGrb)
        return uint64_t{static_cast<uint16_t>(target - from)} + 1;
    // With a clear the counter runs from..top, then 0..top over and over; above top it first
    // runs on to FFFF and wraps.
    const uint16_t top = clear == ClearOnGra ? c.gra : c.grb;
    uint64_t steps;
    if (from <= top) {
        if (target >= from && target <= top)
            steps = target - from;
        else if (target < from)
            steps = uint64_t{top} - from + 1 + target;
        else
            return kNever;
    } else {
        if (target >= from)
            steps = target - from;
        else if (target <= top)
            steps = 0x10000u - from + target;
        else
            return kNever;
    }
    return steps + 1;
}

void Itu::countClocks(Channel &c, uint64_t clocks)
{
    const uint8_t clear = c.tcr & CCLR;
    while (clocks > 0) {
        // The clear value is GRA or GRB, so the nearest of these three is every clock on which
        // anything but a plain increment happens.
        const uint64_t next =
            std::min({clocksUntil(c, c.tcnt, c.gra), clocksUntil(c, c.tcnt, c.grb),
                      clocksUntil(c, c.tcnt, 0xffff)});
        if (clocks < next) {
            c.tcnt = static_cast<uint16_t>(c.tcnt + clocks);
            return;
        }
        c.tcnt = static_cast<uint16_t>(c.tcnt + next - 1);
        clocks -= next;
        const uint16_t at = c.tcnt;
        bool cleared = false;
        if (at == c.gra) {
            c.flags |= IMFA;
            cleared = clear == ClearOnGra;
        }
        if (at == c.grb) {
            c.flags |= IMFB;
            cleared = cleared || clear == ClearOnGrb;
        }
        if (at == 0xffff)
            c.flags |= OVF;
        c.tcnt = cleared ? 0 : static_cast<uint16_t>(at + 1);
        if (c.tcnt == 0) {
            // From 0 the counter repeats itself with this period and sets the same flags in
            // each round: a long idle stretch needs only one of them.
            const uint64_t period = clear == ClearOnGra   ? uint64_t{c.gra} + 1
                                    : clear == ClearOnGrb ? uint64_t{c.grb} + 1
                                                          : 0x10000;
            if (clocks >= 2 * period)
                clocks = period + clocks % period;
        }
    }
}

void Itu::catchUp(uint64_t state)
{
    if (state <= m_syncedAt)
        return;
    for (int ch = 0; ch < kChannels; ++ch) {
        if (!counting(ch))
            continue;
        Channel &c = m_channels[static_cast<size_t>(ch)];
        const uint64_t d = divisor(c);
        countClocks(c, state / d - m_syncedAt / d);
    }
    m_syncedAt = state;
}

uint64_t Itu::nextEvent() const
{
    uint64_t next = kNever;
    for (int ch = 0; ch < kChannels; ++ch) {
        if (!counting(ch))
            continue;
        const Channel &c = m_channels[static_cast<size_t>(ch)];
        const uint64_t d = divisor(c);
        const struct
        {
            uint8_t flag, enable;
            uint16_t target;
        } events[] = {{IMFA, IMIEA, c.gra}, {IMFB, IMIEB, c.grb}, {OVF, OVIE, 0xffff}};
        for (const auto &e : events) {
            // A flag already set has raised its line; clearing it reschedules.
            if ((c.tier & e.enable) == 0 || (c.flags & e.flag) != 0)
                continue;
            const uint64_t clocks = clocksUntil(c, c.tcnt, e.target);
            if (clocks != kNever)
                next = std::min(next, d * (m_syncedAt / d + clocks));
        }
    }
    return next;
}

void Itu::update()
{
    for (int ch = 0; ch < kChannels; ++ch) {
        const Channel &c = m_channels[static_cast<size_t>(ch)];
        const uint8_t raised = c.flags & c.tier;
        m_lines.set(vector(ch, CompareA), (raised & IMFA) != 0);
        m_lines.set(vector(ch, CompareB), (raised & IMFB) != 0);
        m_lines.set(vector(ch, Overflow), (raised & OVF) != 0);
    }
    const uint64_t next = nextEvent();
    if (next != kNever)
        m_time.wakeAt(next);
}

void Itu::advanceTo(uint64_t state)
{
    catchUp(state);
    update();
}

bool Itu::mayRaise() const
{
    for (int ch = 0; ch < kChannels; ++ch) {
        if (!counting(ch))
            continue;
        const Channel &c = m_channels[static_cast<size_t>(ch)];
        if (((c.tier & IMIEA) != 0 && clocksUntil(c, c.tcnt, c.gra) != kNever) ||
            ((c.tier & IMIEB) != 0 && clocksUntil(c, c.tcnt, c.grb) != kNever) ||
            ((c.tier & OVIE) != 0 && clocksUntil(c, c.tcnt, 0xffff) != kNever))
            return true;
    }
    return false;
}

uint8_t Itu::read8(uint32_t offset)
{
    advanceTo(m_time.now());
    const Place p = place(offset);
    if (p.channel < 0) {
        // Reserved bits read as 1.
        switch (p.reg) {
        case TSTR:
            return m_tstr;
        case TSNC:
            return m_tsnc;
        case TMDR:
            return m_tmdr;
        case TFCR:
            return m_tfcr;
        case TOER:
            return m_toer;
        case TOCR:
            return m_tocr;
        }
        return 0xff;
    }
    Channel &c = m_channels[static_cast<size_t>(p.channel)];
    switch (p.reg) {
    case TCR:
        return c.tcr;
    case TIOR:
        return c.tior;
    case TIER:
        return c.tier;
    case TSR:
        c.readOnes = c.flags;
        return static_cast<uint8_t>(0xf8 | c.flags);
    }
    const uint16_t *w = word(c, p.reg, p.channel >= 3);
    if (w == nullptr)
        return 0xff;
    return static_cast<uint8_t>((p.reg & 1) != 0 ? *w : *w >> 8);
}

void Itu::write8(uint32_t offset, uint8_t value)
{
    catchUp(m_time.now());
    const Place p = place(offset);
    if (p.channel < 0) {
        switch (p.reg) {
        case TSTR:
            m_tstr = value | 0xe0;
            break;
        case TSNC:
            m_tsnc = value | 0xe0;
            break;
        case TMDR:
            m_tmdr = value | 0x80;
            break;
        case TFCR:
            m_tfcr = value | 0xc0;
            break;
        case TOER:
            m_toer = value | 0xc0;
            break;
        case TOCR:
            m_tocr = value | 0xec;
            break;
        }
        update();
        return;
    }
    Channel &c = m_channels[static_cast<size_t>(p.channel)];
    switch (p.reg) {
    case TCR:
        c.tcr = value | 0x80;
        break;
    case TIOR:
        c.tior = value | 0x88;
        break;
    case TIER:
        c.tier = value | 0xf8;
        break;
    case TSR: {
        const uint8_t cleared = static_cast<uint8_t>(~value & c.readOnes & (IMFA | IMFB | OVF));
        c.flags &= static_cast<uint8_t>(~cleared);
        c.readOnes &= static_cast<uint8_t>(~cleared);
        break;
    }
    default:
        if (uint16_t *w = word(c, p.reg, p.channel >= 3)) {
            *w = (p.reg & 1) != 0 ? static_cast<uint16_t>((*w & 0xff00) | value)
                                  : static_cast<uint16_t>((*w & 0x00ff) | value << 8);
        }
        break;
    }
    update();
}

uint16_t Itu::read16(uint32_t offset)
{
    const Place p = place(offset);
    if (p.channel < 0 || p.reg < TCNT || (p.reg & 1) != 0)
        return Device::read16(offset);
    advanceTo(m_time.now());
    Channel &c = m_channels[static_cast<size_t>(p.channel)];
    const uint16_t *w = word(c, p.reg, p.channel >= 3);
    return w != nullptr ? *w : 0xffff;
}

void Itu::write16(uint32_t offset, uint16_t value)
{
    const Place p = place(offset);
    if (p.channel < 0 || p.reg < TCNT || (p.reg & 1) != 0) {
        Device::write16(offset, value);
        return;
    }
    catchUp(m_time.now());
    Channel &c = m_channels[static_cast<size_t>(p.channel)];
    if (uint16_t *w = word(c, p.reg, p.channel >= 3))
        *w = value;
    update();
}

} // namespace vesk::sim
