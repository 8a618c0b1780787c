// Command lines of the toolchain programs and the layout l38h derives from them.
#include "commands.h"
#include "support/rowname.h"
#include "toolsupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QtEndian>

using namespace vesk::toolchain;

namespace {

struct LinkRow
{
    const char *name;
    QStringList args;
    bool ok;
    QStringList objects;
    std::optional<quint32> start;
    QString output;
    QString map;
    QStringList libraries;
    std::optional<quint32> dataStart = std::nullopt;
    bool dataAfterProgram = false;
};

class LinkArguments : public ::testing::TestWithParam<LinkRow>
{
};

TEST_P(LinkArguments, ParseAsWritten)
{
    const LinkRow &row = GetParam();
    QString error;
    const auto args = parseLinkArgs(row.args, &error);
    ASSERT_EQ(args.has_value(), row.ok) << qPrintable(error);
    if (!row.ok) {
        EXPECT_FALSE(error.isEmpty());
        return;
    }
    EXPECT_EQ(args->objects, row.objects);
    EXPECT_EQ(args->programStart, row.start);
    EXPECT_EQ(args->output, row.output);
    EXPECT_EQ(args->map, row.map);
    EXPECT_EQ(args->libraries, row.libraries);
    EXPECT_EQ(args->dataStart, row.dataStart);
    EXPECT_EQ(args->dataAfterProgram, row.dataAfterProgram);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LinkArguments,
    ::testing::Values(
        LinkRow{"CBuildLine",
                {"C:\\WORK\\resetv.obj,main.obj", "-start=P(0FFDF50)", "-output=main",
                 "-print=main", "-library=c38hab"},
                true,
                {"C:\\WORK\\resetv.obj", "main.obj"},
                0xFFDF50,
                "main.abs",
                "main.map",
                {"c38hab"}},
        LinkRow{"RomStartWithLeadingZero",
                {"a.obj", "-start=P(0200)"},
                true,
                {"a.obj"},
                0x200,
                "a.abs",
                "",
                {}},
        LinkRow{"AssemblyBuildDefaultsToFirstObject",
                {"TEST.obj"},
                true,
                {"TEST.obj"},
                std::nullopt,
                "TEST.abs",
                "",
                {}},
        LinkRow{"OptionsInAnyCaseAndPrintAlone",
                {"x", "-OUTPUT=Prog", "-PRINT"},
                true,
                {"x.obj"},
                std::nullopt,
                "Prog.abs",
                "Prog.map",
                {}},
        // The classic list: an address places the names written since the
        // previous one.
        LinkRow{"ClassicListCodeInRomDataInRam",
                {"a.obj", "-start=P,C(400),D,B(FFEF10)"},
                true,
                {"a.obj"},
                0x400,
                "a.abs",
                "",
                {},
                0xFFEF10},
        LinkRow{"ClassicListAllInRam",
                {"a.obj", "-start=p,c,d,b(0FFDF50)"},
                true,
                {"a.obj"},
                0xFFDF50,
                "a.abs",
                "",
                {},
                std::nullopt,
                true},
        // l38h refuses this for a program outside RAM, whose data must be in RAM.
        LinkRow{"ClassicListDataAtTheCodesAddress",
                {"a.obj", "-start=P,C,D,B(400)"},
                true,
                {"a.obj"},
                0x400,
                "a.abs",
                "",
                {},
                std::nullopt,
                true},
        LinkRow{"ClassicListDataAfterTheLastAddressKeepsItsPlace",
                {"a.obj", "-start=P(400),D,B"},
                true,
                {"a.obj"},
                0x400,
                "a.abs",
                "",
                {}},
        LinkRow{"ClassicListNameAfterTheLastAddress",
                {"a.obj", "-start=P,C(200),D(FFEF10),B"},
                true,
                {"a.obj"},
                0x200,
                "a.abs",
                "",
                {},
                0xFFEF10},
        LinkRow{"ClassicListOutOfOrder", {"a.obj", "-start=C,P(400)"}, false},
        LinkRow{"ClassicListWithoutAddress", {"a.obj", "-start=P,C,D,B"}, false},
        LinkRow{"ClassicListOtherName", {"a.obj", "-start=P,X(400)"}, false},
        LinkRow{"ClassicListCApart", {"a.obj", "-start=P(200),C(400)"}, false},
        LinkRow{"ClassicListBApart", {"a.obj", "-start=P(200),D(FFEF10),B(FFF000)"}, false},
        LinkRow{"StartWithoutSectionName", {"a.obj", "-start=0200"}, false},
        LinkRow{"StartBeyond24Bits", {"a.obj", "-start=P(01000000)"}, false},
        LinkRow{"NoObject", {"-output=x"}, false}),
    vesk::test::RowName());

struct DasmRow
{
    const char *name;
    QStringList args;
    bool ok;
    QString image;
    quint32 load;
    std::optional<quint32> from;
    std::optional<quint32> to;
};

class DasmArguments : public ::testing::TestWithParam<DasmRow>
{
};

TEST_P(DasmArguments, ParseAsTheBatchFilePassesThem)
{
    const DasmRow &row = GetParam();
    QString error;
    const auto args = parseDasmArgs(row.args, &error);
    ASSERT_EQ(args.has_value(), row.ok) << qPrintable(error);
    if (!row.ok)
        return;
    EXPECT_EQ(args->image, row.image);
    EXPECT_EQ(args->load, row.load);
    EXPECT_EQ(args->from, row.from);
    EXPECT_EQ(args->to, row.to);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DasmArguments,
    ::testing::Values(
        DasmRow{"RamBuild",
                {"-offdf10", "main.bin", "ffdf10,ffffff"},
                true,
                "main.bin",
                0xFFDF10,
                0xFFDF10,
                0xFFFFFF},
        DasmRow{"RomBuild", {"-o0", "main.bin", "0,1000"}, true, "main.bin", 0, 0, 0x1000},
        DasmRow{"DisassemblyModeWithoutAddresses",
                {"-o", "PROG.bin", ","},
                true,
                "PROG.bin",
                0,
                std::nullopt,
                std::nullopt},
        DasmRow{"RangeBackwards", {"-o0", "a.bin", "100,10"}, false},
        DasmRow{"RangeNotHexadecimal", {"-o0", "a.bin", "0,10g"}, false},
        DasmRow{"NoImage", {"-o0", "0,10"}, false}),
    vesk::test::RowName());

struct PragmaRow
{
    const char *name;
    QByteArray source;
    QByteArray handed; // empty: the source goes to gcc as it is
};

class InterruptPragmas : public ::testing::TestWithParam<PragmaRow>
{
};

TEST_P(InterruptPragmas, BecomeDeclarationsOnTopWithTheLinesKept)
{
    const PragmaRow &row = GetParam();
    EXPECT_EQ(withInterruptHandlers(row.source, "/w/a \\\"b\".c").toStdString(),
              row.handed.toStdString());
}

const QByteArray kAttr = " __attribute__((interrupt_handler));\n";
const QByteArray kLine = "#line 1 \"/w/a \\\\\\\"b\\\".c\"\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, InterruptPragmas,
    ::testing::Values(
        PragmaRow{"NoPragma", "int main(void) { return 0; }\n", ""},
        PragmaRow{"GccsOwnFormIsLeft", "#pragma interrupt\nvoid f(void) {}\n", ""},
        PragmaRow{"NotANameIsLeft", "#pragma interrupt(f g)\n", ""},
        PragmaRow{"AfterTheDefinition", "void f(void) {}\n#pragma interrupt(f)\nint x;\n",
                  "void f(void)" + kAttr + kLine + "void f(void) {}\n\nint x;\n"},
        PragmaRow{"SeveralNamesOnceEach",
                  "  #  pragma  interrupt ( f , g )\r\n#pragma interrupt(g)\r\nvoid f(void) {}\r\n",
                  "void f(void)" + kAttr + "void g(void)" + kAttr + kLine +
                      "\r\n\r\nvoid f(void) {}\r\n"}),
    vesk::test::RowName());

// The reset module's table and l38h's defaults name the same vectors.
TEST(VectorNames, TemplateNamesEachVectorAsTheLinkDefaultsIt)
{
    QFile file(qEnvironmentVariable("VESK_SOURCE_DIR") + "/toolchain/templates/RESETV_ROM.MAR");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QList<QByteArray> table;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith("\t.long\t"))
            table << line.mid(7).split('\t').first().trimmed();
    ASSERT_EQ(table.size(), kVectorCount);
    EXPECT_EQ(table[0], "_start");
    const QByteArray script = linkerScript({{".00", 0}}, 0x200).text;
    for (int vector = 1; vector < kVectorCount; ++vector) {
        EXPECT_EQ(table[vector], "_" + vectorName(vector)) << vector;
        EXPECT_TRUE(script.contains("PROVIDE(" + table[vector] +
                                    " = DEFINED(_unexpected) ? _unexpected : 0);"))
            << vector;
    }
    EXPECT_EQ(vectorName(24), "int_imia0");
    EXPECT_EQ(vectorName(57), "int_rxi1");
    EXPECT_EQ(vectorName(18), "int_vec18");
}

struct LayoutRow
{
    const char *name;
    QList<PlacedSection> placed;
    std::optional<quint32> start;
    bool inRam;
    quint32 entry;
    const char *textAt; // how the script places .text
};

class Layouts : public ::testing::TestWithParam<LayoutRow>
{
};

TEST_P(Layouts, PlaceProgramAndData)
{
    const LayoutRow &row = GetParam();
    const LinkScript script = linkerScript(row.placed, row.start);
    EXPECT_EQ(script.programInRam, row.inRam);
    EXPECT_EQ(script.entry, row.entry);
    EXPECT_TRUE(script.text.contains(row.textAt)) << script.text.constData();
    for (const PlacedSection &s : row.placed)
        EXPECT_TRUE(script.text.contains("*(" + s.name + ")")) << s.name.constData();
    // Initialised data of a ROM program must be stored in ROM and addressed in RAM.
    EXPECT_EQ(script.text.contains("AT(___data_load)"), !row.inRam);
    // l38h cuts ld's file padding back to these.
    for (const QByteArray &name : script.sections)
        EXPECT_TRUE(script.text.contains(sectionEndSymbol(name) + " = .; }")) << name.constData();
}

// The classic -start list may put a ROM program's data elsewhere in RAM; STARTOF and SIZEOF
// of the classic syntax name every section's bounds.
TEST(Layout, DataWhereTheStartListPutsItAndEverySectionsBounds)
{
    const QByteArray script = linkerScript({{".0100", 0x100}}, 0x400, 0xFFEF10).text;
    EXPECT_TRUE(script.contains(".data 0xFFEF10 : AT(___data_load)")) << script.constData();
    for (const char *bound :
         {"___startof.0100 = ADDR(.0100);", "___sizeof.0100 = ___end.0100 - ADDR(.0100);",
          "___startof.text = ADDR(.text);", "___sizeof.data = ___data_end - ___data_start;",
          "___startof.bss = ___bss_start;", "___sizeof.bss = ___bss_end - ___bss_start;"})
        EXPECT_TRUE(script.contains(bound)) << bound << "\n" << script.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Layouts,
    ::testing::Values(
        LayoutRow{
            "RamBuild", {{".0FFDF10", 0xFFDF10}}, 0xFFDF50, true, 0xFFDF10, ".text 0xFFDF50 :"},
        LayoutRow{"RomBuild", {{".00", 0}, {".0100", 0x100}}, 0x200, false, 0, ".text 0x200 :"},
        LayoutRow{"AssemblyWithoutPlacement", {}, std::nullopt, true, 0xFFDF10, ".text 0xFFDF10 :"},
        LayoutRow{"AssemblyFollowsItsRamSection",
                  {{".0FFE000", 0xFFE000}},
                  std::nullopt,
                  true,
                  0xFFE000,
                  ".text :"},
        LayoutRow{"AssemblyWithVectorsOnly", {{".00", 0}}, std::nullopt, false, 0, ".text :"}),
    vesk::test::RowName());

} // namespace

namespace {

struct MessagesRow
{
    const char *name;
    QByteArray raw;
    QByteArray plain;
};

class PlainMessages : public ::testing::TestWithParam<MessagesRow>
{
};

TEST_P(PlainMessages, DropTheCrossToolsNameAndRepeats)
{
    EXPECT_EQ(plainMessages(GetParam().raw), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlainMessages,
    ::testing::Values(
        MessagesRow{"HostPathOfTheToolGoes", "/usr/bin/h8300-hitachi-coff-ld: cannot find -lc\n",
                    "cannot find -lc\n"},
        MessagesRow{"BareToolNameGoes", "h8300-hms-ld: warning: x\n", "warning: x\n"},
        MessagesRow{"RepeatedLineOnce",
                    "/usr/bin/h8300-hitachi-coff-ld: does not fit\n"
                    "/usr/bin/h8300-hitachi-coff-ld: does not fit\n",
                    "does not fit\n"},
        MessagesRow{"UserFilesStayAndKeepTheirOrder",
                    "main.obj: In function `_main':\nmain.c:(.text+0x6): undefined reference "
                    "to `_f'\nmain.c:(.text+0xa): undefined reference to `_g'\n",
                    "main.obj: In function `_main':\nmain.c:(.text+0x6): undefined reference "
                    "to `_f'\nmain.c:(.text+0xa): undefined reference to `_g'\n"},
        MessagesRow{"ANameInsideALineStays", "see h8300-hms-ld: here\nx: h8300-hms-ld: y\n",
                    "see h8300-hms-ld: here\nx: h8300-hms-ld: y\n"}),
    vesk::test::RowName());

} // namespace

namespace {

constexpr quint32 kText = 0x20, kData = 0x40, kBss = 0x80, kNoLoad = 0x02;

struct FakeSection
{
    QByteArray name;
    quint32 address;
    quint32 loadAddress;
    QByteArray bytes; // stored one after the other behind the headers, as ld stores them
    quint32 flags = kText;
};

template <typename T> void putBig(QByteArray &out, T value)
{
    const qsizetype at = out.size();
    out.resize(at + qsizetype(sizeof(T)));
    qToBigEndian(value, out.data() + at);
}

// A linked H8/300H COFF program as ld writes one, reduced to what l38h reads: headers, the
// sections' bytes, then the symbol table (names longer than eight characters in the string
// table).
QByteArray coffProgram(const QList<FakeSection> &sections,
                       const QList<QPair<QByteArray, quint32>> &symbols)
{
    QByteArray body, strings;
    QByteArray out;
    putBig<quint16>(out, 0x8301);
    putBig<quint16>(out, quint16(sections.size()));
    putBig<quint32>(out, 0);
    const quint32 first = 20 + 40 * quint32(sections.size());
    quint32 symbolTable = first;
    for (const FakeSection &s : sections)
        symbolTable += quint32(s.bytes.size());
    putBig<quint32>(out, symbolTable);
    putBig<quint32>(out, quint32(symbols.size()));
    putBig<quint16>(out, 0); // no optional header
    putBig<quint16>(out, 0);
    for (const FakeSection &s : sections) {
        out += s.name.leftJustified(8, '\0', true);
        putBig<quint32>(out, s.loadAddress);
        putBig<quint32>(out, s.address);
        putBig<quint32>(out, quint32(s.bytes.size()));
        putBig<quint32>(out, s.bytes.isEmpty() ? 0 : first + quint32(body.size()));
        out += QByteArray(12, '\0'); // relocations and line numbers
        putBig<quint32>(out, s.flags);
        body += s.bytes;
    }
    out += body;
    for (const auto &[name, value] : symbols) {
        if (name.size() <= 8) {
            out += name.leftJustified(8, '\0');
        } else {
            putBig<quint32>(out, 0);
            putBig<quint32>(out, quint32(4 + strings.size()));
            strings += name + '\0';
        }
        putBig<quint32>(out, value);
        putBig<quint16>(out, 1);
        putBig<quint16>(out, 0);
        out += QByteArray("\x02\x00", 2); // external, no auxiliary entries
    }
    putBig<quint32>(out, quint32(4 + strings.size()));
    return out + strings;
}

QByteArray code(int size)
{
    return QByteArray(size, '\x5a');
}

struct PaddingRow
{
    const char *name;
    QList<FakeSection> sections;
    QList<QPair<QByteArray, quint32>> symbols;
    QList<quint32> sizes;       // after the cut; empty when refused
    const char *says = nullptr; // part of the refusal
};

class FilePadding : public ::testing::TestWithParam<PaddingRow>
{
};

TEST_P(FilePadding, IsCutBackToTheSectionsEnd)
{
    const PaddingRow &row = GetParam();
    const QByteArray program = coffProgram(row.sections, row.symbols);
    QString error;
    const auto cut = withoutFilePadding(program, &error);
    if (row.sizes.isEmpty()) {
        ASSERT_FALSE(cut);
        EXPECT_TRUE(error.contains(row.says)) << qPrintable(error);
        return;
    }
    ASSERT_TRUE(cut) << qPrintable(error);
    ASSERT_EQ(cut->size(), program.size()) << "only header fields change";
    const auto sections = coffSections(*cut, &error);
    ASSERT_TRUE(sections);
    QList<quint32> sizes;
    for (const CoffSection &s : *sections)
        sizes << s.size;
    EXPECT_EQ(sizes, row.sizes);
    // Addresses, file offsets and bytes stay where ld put them.
    for (qsizetype i = 0; i < sections->size(); ++i) {
        EXPECT_EQ(sections->at(i).address, row.sections[i].address);
        EXPECT_EQ(sections->at(i).loadAddress, row.sections[i].loadAddress);
    }
}

const QByteArray kPaddedText = code(0x1a) + QByteArray(10, '\0');

INSTANTIATE_TEST_SUITE_P(
    Rows, FilePadding,
    ::testing::Values(
        // The case that put a RAM program's data 4 bytes too high: .text, 1A bytes at FFDF50,
        // counted as 24 to bring .data's bytes to a file offset of a multiple of 16.
        PaddingRow{"RamTextPaddedIntoData",
                   {{".text", 0xFFDF50, 0xFFDF50, kPaddedText},
                    {".data", 0xFFDF70, 0xFFDF70, QByteArray::fromHex("1234"), kData}},
                   {{"___end.text", 0xFFDF6A}, {"___end.data", 0xFFDF72}, {"_main", 0xFFDF50}},
                   {0x1a, 2}},
        PaddingRow{"RomTextPaddedOverTheStoredData",
                   {{".text", 0x200, 0x200, kPaddedText},
                    {".data", 0xFFDF10, 0x21a, QByteArray::fromHex("1234"), kData}},
                   {{"___end.text", 0x21a}, {"___end.data", 0xFFDF12}},
                   {0x1a, 2}},
        PaddingRow{"PlacedSectionPaddedBeforeTheProgram",
                   {{".0FFDF10", 0xFFDF10, 0xFFDF10, code(12) + QByteArray(4, '\0')},
                    {".text", 0xFFDF50, 0xFFDF50, code(4)}},
                   {{"___end.0FFDF10", 0xFFDF1C}, {"___end.text", 0xFFDF54}},
                   {12, 4}},
        PaddingRow{
            "DataWithoutStoredBytesIsLeft",
            {{".text", 0xFFDF50, 0xFFDF50, code(0x20)}, {".data", 0xFFDF70, 0xFFDF70, {}, kData}},
            {{"___end.text", 0xFFDF70}, {"___end.data", 0xFFDF72}},
            {0x20, 0}},
        PaddingRow{"SectionWithoutEndSymbolIsLeft",
                   {{".text", 0xFFDF50, 0xFFDF50, kPaddedText},
                    {".data", 0xFFDF70, 0xFFDF70, QByteArray::fromHex("1234"), kData}},
                   {{"_main", 0xFFDF50}},
                   {0x24, 2}},
        PaddingRow{"BytesPastTheEndThatAreNotZerosAreRefused",
                   {{".text", 0xFFDF50, 0xFFDF50, code(0x24)},
                    {".data", 0xFFDF70, 0xFFDF70, QByteArray::fromHex("1234"), kData}},
                   {{"___end.text", 0xFFDF6A}},
                   {},
                   "section .text stores 10 bytes past its end at FFDF6A"},
        PaddingRow{"LastSectionLongerThanItsEndIsRefused",
                   {{".text", 0xFFDF50, 0xFFDF50, code(4)},
                    {".data", 0xFFDF60, 0xFFDF60, QByteArray(4, '\0'), kData}},
                   {{"___end.data", 0xFFDF62}},
                   {},
                   "section .data stores 2 bytes past its end at FFDF62"}),
    vesk::test::RowName());

struct OverlapRow
{
    const char *name;
    QList<CoffSection> sections;
    QList<QPair<QByteArray, QByteArray>> overlaps; // lower, upper
};

class SectionOverlaps : public ::testing::TestWithParam<OverlapRow>
{
};

TEST_P(SectionOverlaps, AreFoundByLoadAddress)
{
    QList<QPair<QByteArray, QByteArray>> found;
    for (const auto &[lower, upper] : overlappingSections(GetParam().sections))
        found.append({lower.name, upper.name});
    EXPECT_EQ(found, GetParam().overlaps);
}

CoffSection section(const char *name, quint32 load, quint32 size, quint32 flags,
                    quint32 dataOffset = 0xd0)
{
    CoffSection s;
    s.name = name;
    s.loadAddress = load;
    s.address = load;
    s.size = size;
    s.flags = flags;
    s.dataOffset = dataOffset;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SectionOverlaps,
    ::testing::Values(
        OverlapRow{"AdjacentSectionsDoNot",
                   {section(".text", 0xFFDF50, 0x20, kText), section(".data", 0xFFDF70, 2, kData)},
                   {}},
        OverlapRow{"PaddedTextReachesIntoData",
                   {section(".text", 0xFFDF50, 0x24, kText), section(".data", 0xFFDF70, 2, kData)},
                   {{".text", ".data"}}},
        OverlapRow{
            "FoundWhateverTheirOrderInTheFile",
            {section(".text", 0xFFDF50, 0x10, kText), section(".0FFDF10", 0xFFDF10, 0x42, kText)},
            {{".0FFDF10", ".text"}}},
        // In RAM the image carries the bss as zeros, stored bytes or not.
        OverlapRow{
            "DataOfZerosCounts",
            {section(".data", 0xFFDF60, 0x20, kData, 0), section(".0FFDF70", 0xFFDF70, 2, kText)},
            {{".data", ".0FFDF70"}}},
        OverlapRow{"BssThatIsNotLoadedDoesNot",
                   {section(".0FFDF70", 0xFFDF70, 2, kText),
                    section(".bss", 0xFFDF60, 0x20, kBss | kNoLoad, 0)},
                   {}},
        OverlapRow{"RomDataByItsLoadAddress",
                   [] {
                       CoffSection data = section(".data", 0x21a, 2, kData);
                       data.address = 0xFFDF10;
                       return QList<CoffSection>{section(".text", 0x200, 0x1c, kText), data};
                   }(),
                   {{".text", ".data"}}}),
    vesk::test::RowName());

} // namespace

namespace {

TEST(MapSizes, FollowTheProgramsSectionTable)
{
    const QByteArray map = ".text           0x0000000000ffdf50      0x124\n"
                           " .text          0x0000000000ffdf50      0x11a main.obj\n\n"
                           ".data           0x0000000000ffdf70       0x20\n";
    CoffSection text = section(".text", 0xFFDF50, 0x11a, kText);
    CoffSection data = section(".data", 0xFFDF70, 0x20, kData);
    EXPECT_EQ(withSectionSizes(map, {text, data}),
              ".text           0x0000000000ffdf50      0x11a\n"
              " .text          0x0000000000ffdf50      0x11a main.obj\n\n"
              ".data           0x0000000000ffdf70       0x20\n");
    text.size = 0xfa; // a shorter number keeps the column
    EXPECT_TRUE(withSectionSizes(map, {text})
                    .startsWith(".text           0x0000000000ffdf50       0xfa\n"));
}

} // namespace
