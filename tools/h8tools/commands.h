#pragma once

#include "state/board.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

// The command lines the toolchain programs accept, and the link layout l38h derives from
// them. Pure functions: text in, value or error out.
namespace vesk::toolchain {

using board::kAddressLimit;
using board::kRamEnd;
using board::kRamStart;

// Hexadecimal digits without prefix ("0FFDF50", "ffdf10", "0200"), up to 24 bits.
std::optional<quint32> parseAddress(const QString &text);

// cc38h -abs16 -CPU=300HA -INCLUDE=DIR[,DIR...] SOURCE
struct CompileArgs
{
    QStringList includeDirs; // DOS
    QString source;          // DOS
};
std::optional<CompileArgs> parseCompileArgs(const QStringList &args, QString *error);

// l38h OBJ[,OBJ...] [-start=P(0ADDR)] [-output=B] [-print[=B]] [-library=L[,L...]]. -start
// also takes the classic form, the sections P (code), C (constants), D (data) and B (zeroed
// data) in that order, each address placing the group of names written since the one before:
// "P,C(400),D,B(FFEF10)" puts code then constants at 400, data then zeroed data at FFEF10;
// names after the last address keep their usual place.
struct LinkArgs
{
    QStringList objects; // DOS, ".obj" added where the name has no extension
    std::optional<quint32> programStart;
    std::optional<quint32> dataStart; // where D and B start, when not after the program
    bool dataAfterProgram = false;    // the -start list puts D or B at the code's address
    QString output;                   // DOS, with ".abs"
    QString map;                      // DOS, with ".map"; empty without -print
    QStringList libraries;            // as written, without a default extension
};
std::optional<LinkArgs> parseLinkArgs(const QStringList &args, QString *error);

// dasmh83 -oLOAD IMAGE [FROM,TO]; every address optional ("-o", ",").
struct DasmArgs
{
    QString image; // DOS
    quint32 load = 0;
    std::optional<quint32> from;
    std::optional<quint32> to; // inclusive
};
std::optional<DasmArgs> parseDasmArgs(const QStringList &args, QString *error);

// A section that a source placed itself: its name is a dot, a zero and the address in
// hexadecimal (".0FFDF10", ".0200", ".0" for address 0). COFF keeps eight characters of a
// section name, so six address digits are the most there is room for.
std::optional<quint32> placedAddress(const QByteArray &sectionName);

// A section header of an H8/300H COFF object or linked program.
struct CoffSection
{
    QByteArray name;
    quint32 size = 0;
    quint32 flags = 0;       // STYP_*
    quint32 dataOffset = 0;  // where its bytes are in the file; 0 when none are stored
    quint32 loadAddress = 0; // where the image puts its bytes (ROM for a ROM program's data)
    quint32 address = 0;     // where the program finds them
};
std::optional<QList<CoffSection>> coffSections(const QByteArray &object, QString *error);

// The values of a linked program's symbols by name (for a name defined twice, the last).
std::optional<QMap<QByteArray, quint32>> coffSymbols(const QByteArray &program, QString *error);

// The symbol the link layout defines at the end of each output section it declares: the
// address just past the section's last byte.
QByteArray sectionEndSymbol(const QByteArray &section);

// ld's COFF writer aligns the bytes of each section in the file to the section's alignment
// (16 for a section holding a common symbol of 16 bytes or more) and counts the gap in the
// size of the section stored before it, which then reaches past its end into memory that
// belongs to another section. Returns the program with each size cut back to the section's
// end symbol, or an error when the bytes cut are not such a gap: not followed in the file by
// another section's bytes, or not zeros.
std::optional<QByteArray> withoutFilePadding(const QByteArray &program, QString *error);

// A map as ld writes it, with the size on each output section's line taken from `sections`
// (ld prints the sizes it padded).
QByteArray withSectionSizes(const QByteArray &map, const QList<CoffSection> &sections);

// Pairs of sections whose load address ranges meet, among those the image carries: with
// stored bytes or not (see loadedWithoutBytes), in ascending order of address.
QList<QPair<CoffSection, CoffSection>> overlappingSections(const QList<CoffSection> &sections);

// Whether the link layout puts an input section of this name somewhere: the program's and
// data sections, and every section placed by its name.
bool isLaidOut(const QByteArray &sectionName);

// Sections of a linked program that it loads but for which ld stored no bytes: in RAM the
// bss shares the loaded data section, and ld leaves that section empty in the file when no
// initialised data joins it. The board's image must carry them as zeros all the same.
QList<QByteArray> loadedWithoutBytes(const QList<CoffSection> &sections);

// The number of vectors in the chip's table (000000-0000FF).
inline constexpr int kVectorCount = 64;

// The name, as C spells it, that the ROM reset module puts at `vector` (1 to 63): "int_nmi",
// "int_trap0", "int_imia0", "int_rxi1", ..., "int_vec18" for a reserved vector. Empty for
// the reset vector (0) and outside the table.
QByteArray vectorName(int vector);

// The source as cc38h hands it to gcc, whose own "#pragma interrupt" takes no names: each
// "#pragma interrupt(name[, name...])" line emptied, and at the top a declaration giving each
// named function the interrupt_handler attribute (it saves what it uses and ends in RTE),
// then "#line 1" with `fileName` so that messages name the user's lines. Empty when the
// source holds no such pragma.
QByteArray withInterruptHandlers(const QByteArray &source, const QByteArray &fileName);

struct PlacedSection
{
    QByteArray name;
    quint32 address = 0;
};

struct LinkScript
{
    QByteArray text;
    quint32 entry = 0;
    bool programInRam = false;
    QList<QByteArray> sections; // the output sections it declares
};

// The linker script of one link. The program section (code, then constant data) starts at
// `programStart`, or without one right after the highest placed section, or at kRamStart
// when nothing is placed. A program in RAM carries its data and zeroed bss in the image; a
// program elsewhere keeps initialised data in ROM behind the code, for start-up code to copy
// to kRamStart. Every vector name that the program leaves undefined becomes the reset
// module's stopping loop, _unexpected.
// A program outside RAM may have its data start at `dataStart` instead. The script defines
// ___startofS and ___sizeofS for .text, .data, .bss and each placed section S (the classic
// syntax's STARTOF and SIZEOF).
LinkScript linkerScript(const QList<PlacedSection> &placed, std::optional<quint32> programStart,
                        std::optional<quint32> dataStart = std::nullopt);

} // namespace vesk::toolchain
