#pragma once

// One serial channel, enough of it for a program that polls: SMR, BRR, SCR, TDR, SSR and RDR.
// A byte goes out the moment the program clears TDRE with a byte in TDR, so the line takes no
// time; a byte comes in when the program looks at SSR with the receiver on and RDRF clear.
// No interrupts, no errors, no clocked timing: the board's full channels replace this.

#include "sim/memory.h"

#include <cstdint>
#include <functional>

namespace vesk::sim {

class Sci final : public Device
{
public:
    // Channel 0 at FFFFB0..FFFFB7, channel 1 at FFFFB8..FFFFBF.
    static constexpr uint32_t kFirst0 = 0xffffb0;
    static constexpr uint32_t kFirst1 = 0xffffb8;
    static constexpr uint32_t kSize = 8;

    enum Register : uint32_t { SMR, BRR, SCR, TDR, SSR, RDR };
    enum SsrBit : uint8_t {
        TDRE = 0x80,
        RDRF = 0x40,
        ORER = 0x20,
        FER = 0x10,
        PER = 0x08,
        TEND = 0x04,
        MPB = 0x02,
        MPBT = 0x01,
    };
    enum ScrBit : uint8_t { TE = 0x20, RE = 0x10 };

    // `transmit` takes each byte sent; `receive` gives the next byte that has arrived, or -1
    // when none has (it must not block).
    void setTransmit(std::function<void(uint8_t)> transmit) { m_transmit = std::move(transmit); }
    void setReceive(std::function<int()> receive) { m_receive = std::move(receive); }

    uint8_t read8(uint32_t offset) override;
    void write8(uint32_t offset, uint8_t value) override;

private:
    uint8_t m_smr = 0x00;
    uint8_t m_brr = 0xff;
    uint8_t m_scr = 0x00;
    uint8_t m_tdr = 0xff;
    uint8_t m_ssr = TDRE | TEND;
    uint8_t m_rdr = 0x00;
    std::function<void(uint8_t)> m_transmit;
    std::function<int()> m_receive;
};

} // namespace vesk::sim
