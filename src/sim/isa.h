#pragma once

// The H8/300H instruction set as one table of opcode patterns. The decoder, the disassembler
// and the execution-state counts all read that table (isa.cpp), so they cannot disagree.
//
// decode() turns the bytes at an instruction's address into a Decoded: the operation, its size,
// up to two operands (source first, as the assembler writes them), the length in bytes and the
// states it takes from on-chip memory in advanced mode. An executor switches on `op` and reads
// the operands; it never looks at the bytes again.
//
// Only the H8/300H's own encodings decode; the later family members' additions (the short
// immediates, EXR, MAC, memory-to-memory forms and so on) are Undefined, as on the chip.
// Where the manual leaves a bit open and the cross tools ignore it (bit 3 of some ERn fields,
// bits 7-6 of TRAPA's vector byte), decoding ignores it too.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vesk::sim {

enum class Op : uint8_t {
    Undefined, // not an H8/300H instruction (or the bytes ran out)
    MOV,
    MOVFPE,
    MOVTPE,
    ADD,
    ADDX,
    ADDS,
    INC,
    DAA,
    SUB,
    SUBX,
    SUBS,
    DEC,
    DAS,
    NEG,
    CMP,
    MULXU,
    MULXS,
    DIVXU,
    DIVXS,
    EXTU,
    EXTS,
    AND,
    OR,
    XOR,
    NOT,
    SHAL,
    SHAR,
    SHLL,
    SHLR,
    ROTL,
    ROTR,
    ROTXL,
    ROTXR,
    BSET,
    BCLR,
    BNOT,
    BTST,
    BLD,
    BILD,
    BST,
    BIST,
    BAND,
    BIAND,
    BOR,
    BIOR,
    BXOR,
    BIXOR,
    Bcc, // Decoded::cond says which
    BSR,
    JMP,
    JSR,
    RTS,
    TRAPA,
    RTE,
    SLEEP,
    LDC,
    STC,
    ANDC,
    ORC,
    XORC,
    NOP,
    EEPMOV_B,
    EEPMOV_W,
};

enum class Size : uint8_t { None, B, W, L };

// Branch conditions in encoding order (the low nibble of 4x and the high nibble of 58 x0).
enum class Cond : uint8_t { RA, RN, HI, LS, CC, CS, NE, EQ, VC, VS, PL, MI, GE, LT, GT, LE };

enum class Mode : uint8_t {
    None,
    Reg8,    // reg 0-7 = R0H-R7H, 8-15 = R0L-R7L
    Reg16,   // reg 0-7 = R0-R7, 8-15 = E0-E7
    Reg32,   // reg 0-7 = ER0-ER7
    Imm,     // value; also the bit number of the bit instructions and the TRAPA vector
    Ind,     // @ERn
    Disp16,  // @(d:16,ERn): value is the displacement, sign-extended to 32 bits
    Disp24,  // @(d:24,ERn), written in a 32-bit field: value is the whole field
    PostInc, // @ERn+
    PreDec,  // @-ERn
    Abs8,    // @aa:8: value is the low byte; the address is 0xFFFF00 | value
    Abs16,   // @aa:16: value is sign-extended to 32 bits (the top of memory for 8000-FFFF)
    Abs24,   // @aa:24 of JMP and JSR, a 3-byte field
    Abs32,   // @aa:24 of the data instructions, written in a 32-bit field: value is the field
    Pc8,     // @(d:8,PC): value is the target minus the instruction's own address
    Pc16,    // @(d:16,PC): likewise (length + displacement, so a branch to itself is 0)
    MemInd8, // @@aa:8: value is the table address 0-255
    Ccr,
};

struct Operand
{
    Mode mode = Mode::None;
    uint8_t reg = 0;
    uint32_t value = 0;
};

struct Decoded
{
    Op op = Op::Undefined;
    Size size = Size::None;
    Cond cond = Cond::RA; // for Op::Bcc
    Operand src, dst;     // a one-operand instruction has only dst
    uint8_t length = 2;   // bytes
    // States from on-chip memory in advanced mode, as the manual's execution-state table gives
    // them; 0 where the manual gives none (MOVFPE/MOVTPE wait for the E clock). EEPMOV adds 4
    // per byte moved on top of this.
    uint8_t states = 0;
    uint16_t pattern = 0; // row of the opcode table, for reports; 0 when undefined
    const char *mnemonic = nullptr;

    bool valid() const { return op != Op::Undefined; }
};

// Decodes the instruction at bytes[0]. Fewer bytes than the instruction needs give Undefined.
// Never allocates.
Decoded decode(const uint8_t *bytes, size_t available);

// The instruction as the cross tools' objdump writes it, for an instruction at `address`
// (which PC-relative targets need): "mov.w\t#0x1234,r0", "bsr\t.+12 (0x10a)".
std::string disassemble(const Decoded &insn, uint32_t address);

// The table, for tests that walk it.
size_t patternCount();
// "mov.l @(d:16,ERs),ERd"-style name of a row, for reports.
std::string patternName(size_t row);

} // namespace vesk::sim
