#pragma once

// One serial channel of the H8/3048 series in asynchronous mode: SMR, BRR, SCR, TDR, SSR and
// RDR with their reset values, the bit clock from BRR and SMR.CKS, the frame format from SMR,
// double-buffered transmission, reception with overrun, and ERI, RXI, TXI and TEI (vectors
// 52 + 4 × channel + ERI/RXI/TXI/TEI).
//
// Timing follows the hardware manual's SCI chapter:
// - BRR's asynchronous formula N = φ / (64 × 2^(2n−1) × B) × 10^6 − 1 makes one bit
//   64 × 2^(2n−1) × (N + 1) = 32 × 4^n × (N + 1) states (n = CKS);
// - a frame is a start bit, 7 or 8 data bits (CHR), a parity bit (PE) or, in multiprocessor
//   format (MP), the multiprocessor bit instead, and 1 or 2 stop bits (STOP);
// - transmission: with TDRE cleared and the shift register free, TDR moves to it at once,
//   TDRE sets again (TXI) and the frame starts. The channel looks at TDRE when it starts the
//   stop bit: a byte waiting in TDR moves then (TDRE sets, TXI) and its frame follows this one
//   without a gap; with none, TEND sets (TEI). The outside world gets a byte when its last stop
//   bit ends;
// - reception: a byte the outside world has ready starts arriving at the first catch-up that
//   finds the receiver idle (the next one right after the previous frame) and lands in RDR one
//   frame later, setting RDRF (RXI). If RDRF is still set then, ORER sets and the byte is lost
//   (ERI); while ORER, FER or PER is set the receiver takes nothing (the chip stops receiving);
// - SSR's flags are cleared by writing 0 after reading them as 1; a flag that set after the
//   read survives the write. Writing 0 to TDRE also clears TEND.
//
// Leniency kept from the polling-only channel, which vesk-sim users rely on: the transmitter
// runs whether or not SCR.TE is set, so a program that never turns it on still prints (and
// clearing TE neither stops a byte nor sets TDRE and TEND). The receiver does need RE.
//
// Not modelled: clocked synchronous mode (C/A = 1 runs as asynchronous), the external clock
// (CKE1 = 1 still uses BRR), parity and framing errors (the virtual line has none: FER and PER
// only ever clear), the smart card register, and the start bit's wait for the bit clock (a
// frame starts in the state TDR moves).

#include "sim/memory.h"
#include "sim/timing.h"

#include <cstdint>
#include <functional>

namespace vesk::sim {

class Sci final : public Device, public Timed
{
public:
    // Channel 0 at FFFFB0..FFFFB7, channel 1 at FFFFB8..FFFFBF.
    static constexpr uint32_t kFirst0 = 0xffffb0;
    static constexpr uint32_t kFirst1 = 0xffffb8;
    static constexpr uint32_t kSize = 8;

    enum Register : uint32_t { SMR, BRR, SCR, TDR, SSR, RDR };
    enum SmrBit : uint8_t {
        CA = 0x80,
        CHR = 0x40,
        PE = 0x20,
        OE = 0x10,
        STOP = 0x08,
        MP = 0x04,
        CKS = 0x03,
    };
    enum ScrBit : uint8_t {
        TIE = 0x80,
        RIE = 0x40,
        TE = 0x20,
        RE = 0x10,
        MPIE = 0x08,
        TEIE = 0x04,
        CKE = 0x03,
    };
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

    enum Event { ReceiveError = 0, ReceiveFull = 1, TransmitEmpty = 2, TransmitEnd = 3 };
    static constexpr int vector(int channel, Event event) { return 52 + 4 * channel + event; }

    // What the receive function returns besides a byte.
    static constexpr int kNothingYet = -1; // no byte now; ask again later
    static constexpr int kInputEnded = -2; // no byte ever again
    // Or'd into a byte: its frame carries a multiprocessor bit of 1.
    static constexpr int kMultiprocessorBit = 0x100;

    Sci(int channel, TimeSource &time, InterruptLines &lines);

    // `transmit` takes each byte at the end of its frame. `receive` gives the next byte the
    // outside world has put on the line, or kNothingYet / kInputEnded; it must not block.
    void setTransmit(std::function<void(uint8_t)> transmit) { m_transmit = std::move(transmit); }
    void setReceive(std::function<int()> receive) { m_receive = std::move(receive); }

    uint8_t read8(uint32_t offset) override;
    void write8(uint32_t offset, uint8_t value) override;

    void advanceTo(uint64_t state) override;
    bool mayRaise() const override;

    // Under the current SMR and BRR.
    uint64_t bitStates() const;
    uint64_t frameStates() const;
    // The state by which every byte handed to the transmitter will have been delivered.
    uint64_t sentBy() const;

private:
    void catchUp(uint64_t state);
    // Interrupt lines from the flags, and the next event to the time source.
    void update();
    uint64_t nextTransmitEvent() const;
    void transmitEvent(uint64_t at);
    void startFrame(uint64_t at, uint8_t byte);
    void receiveEvent(uint64_t at);
    // Asks the outside world for a byte if the receiver is on and idle.
    void listen(uint64_t at);
    bool listening() const;

    const int m_channel;
    TimeSource &m_time;
    InterruptLines &m_lines;
    std::function<void(uint8_t)> m_transmit;
    std::function<int()> m_receive;

    uint8_t m_smr = 0x00;
    uint8_t m_brr = 0xff;
    uint8_t m_scr = 0x00;
    uint8_t m_tdr = 0xff;
    uint8_t m_ssr = TDRE | TEND;
    uint8_t m_rdr = 0x00;
    uint8_t m_readOnes = 0; // flags last read as 1, which a write of 0 may clear
    uint64_t m_syncedAt = 0;

    // The transmit shift register: its frame, and whether the stop bit's look at TDRE is done.
    bool m_sending = false;
    bool m_stopBitSeen = false;
    uint8_t m_sendingByte = 0;
    uint64_t m_stopBitAt = 0;
    uint64_t m_sentAt = 0;
    // A byte taken from TDR at the stop bit, whose frame starts when this one ends.
    bool m_haveNext = false;
    uint8_t m_nextByte = 0;

    bool m_receiving = false;
    int m_arriving = 0;
    uint64_t m_arrivesAt = 0;
    bool m_inputEnded = false;
};

} // namespace vesk::sim
