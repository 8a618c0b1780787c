// Command lines of the toolchain programs and the layout l38h derives from them.
#include "commands.h"
#include "support/rowname.h"
#include "toolsupport.h"

#include <gtest/gtest.h>

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
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LinkArguments,
    ::testing::Values(LinkRow{"CBuildLine",
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
