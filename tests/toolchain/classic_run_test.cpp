// Classic-syntax sources of the kind the course books print, built by vesk-build in a
// workspace of their own and run in vesk-sim; and their faults, named at the user's lines.
#include "support/rowname.h"
#include "support/toolchain.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Files = std::vector<std::pair<const char *, const char *>>;

struct ProgramRow
{
    const char *name;
    Files files;        // written into samples/; the first is built
    const char *mode;   // vesk-build's mode
    const char *ports;  // the port changes vesk-sim --ports prints, "PORT VALUE" lines
    const char *serial; // what the program sends
    bool rom = false;   // built and run for ROM
};

class ClassicWorkspace : public vesk::test::WorkspaceTest
{
protected:
    void write(const QString &path, const char *text)
    {
        QFile f(m_dir.filePath(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(text);
    }

    // Writes `files` into samples/; the first is the one to build.
    QString writeSamples(const Files &files)
    {
        for (const auto &[name, text] : files)
            write(QStringLiteral("samples/") + name, text);
        return QString::fromLatin1(files.front().first);
    }

    // vesk-build's exit code and log for samples/NAME.
    std::pair<int, std::string> build(const char *mode, const QString &name, bool rom = false)
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        QStringList args = {mode, "samples/" + name};
        if (rom)
            args << "--rom";
        p.start(m_build + "/bin/vesk-build", args);
        EXPECT_TRUE(p.waitForFinished(120000));
        return {p.exitCode(), (p.readAllStandardOutput() + p.readAllStandardError()).toStdString()};
    }
};

class ClassicProgram : public ClassicWorkspace, public testing::WithParamInterface<ProgramRow>
{
};

TEST_P(ClassicProgram, BuildsUnchangedAndRuns)
{
    const ProgramRow &row = GetParam();
    const QString source = writeSamples(row.files);
    const auto [code, log] = build(row.mode, source, row.rom);
    ASSERT_EQ(code, 0) << log;

    QProcess sim;
    // Assemble mode names the image .BIN, compile mode .bin.
    QString image = m_dir.filePath("samples/" + source.section(u'.', 0, 0) + ".bin");
    if (!QFile::exists(image))
        image.replace(image.size() - 3, 3, QStringLiteral("BIN"));
    QStringList simArgs = {"--ports", "--max-states", "2000000", image};
    if (row.rom)
        simArgs << "--rom";
    sim.start(m_build + "/bin/vesk-sim", simArgs);
    ASSERT_TRUE(sim.waitForFinished(60000));
    const std::string err = "stderr: " + sim.readAllStandardError().toStdString();
    EXPECT_EQ(sim.exitCode(), 0) << err; // stopped at its SLEEP or idle loop
    std::string ports;
    std::string serial;
    for (const QByteArray &line : sim.readAllStandardOutput().split('\n')) {
        // "STATES PORT VALUE" lines; the rest is what the program sent.
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 3 && words[1].startsWith('P') && words[0].toULongLong() > 0)
            ports += (words[1] + ' ' + words[2] + '\n').toStdString();
        else
            serial += line.toStdString() + (line.isEmpty() ? "" : "\n");
    }
    EXPECT_EQ(ports, row.ports) << err;
    EXPECT_EQ(serial, row.serial) << err;
}

constexpr char kLeds[] = R"(*       LED pattern on port B: a table, a delay subroutine
        .CPU    300HA
PBDDR   .EQU    H'FFFFD4
PBDR    .EQU    H'FFFFD6
        .SECTION P,CODE,ALIGN=2
START:  MOV.L   #H'FFFF00,ER7     ; stack
        MOV.B   #H'FF,R0L
        MOV.B   R0L,@PBDDR:8
        MOV.L   #TABLE,ER1
        MOV.W   #4,R2
LOOP    MOV.B   @ER1+,R0L
        MOV.B   R0L,@PBDR:8
        BSR     DELAY
        DEC.W   #1,R2
        BNE     LOOP
        SLEEP
DELAY:  MOV.W   #D'100,R3
DL1     DEC.W   #1,R3
        BNE     DL1
        RTS
TABLE   .DATA.B H'01,H'02,H'04,B'10000000
        .END    START
)";

constexpr char kSerial[] = R"(; A string out of serial channel 1, which the loader leaves set up
        .INCLUDE "h8io.inc"
        .CPU    300HA
        .SECTION P,CODE
MAIN    MOV.L   #MSG,ER1
NEXT    MOV.B   @ER1+,R0L
        BEQ     DONE
        BSR     PUTC
        BRA     NEXT
DONE    SLEEP
PUTC    BTST    #7,@SCI1_SSR:8    ; wait for TDRE
        BEQ     PUTC
        MOV.B   R0L,@SCI1_TDR:8
        BCLR    #7,@SCI1_SSR:8
        RTS
MSG     .SDATAZ "HELLO, ""H8"""<H'0D><H'0A>
        .END
)";

constexpr char kMacroTable[] = R"(        .CPU    300HA
SQUARE  .MACRO  N,BIAS=0
        .DATA.B \N*\N+\BIAS
        .ENDM
        .SECTION P,CODE
        MOV.B   #H'FF,R0L
        MOV.B   R0L,@H'FFFFD4:8
        MOV.L   #TABLE,ER1
        MOV.W   #COUNT,R2
LOOP    MOV.B   @ER1+,R0L
        MOV.B   R0L,@H'FFFFD6:8
        DEC.W   #1,R2
        BNE     LOOP
        SLEEP
TABLE
I       .ASSIGNA 1
        .AWHILE \&I LE 4
        SQUARE  \&I
I       .ASSIGNA \&I+1
        .AENDW
        SQUARE  3,H'80
COUNT   .EQU    $-TABLE
)";

constexpr char kConditional[] = R"(        .CPU    300HA
LEDS    .ASSIGNA 2              ; how many LEDs this board has on port B
        .SECTION P,CODE
        MOV.B   #H'FF,R0L
        MOV.B   R0L,@H'FFFFD4:8
        .AIF    \&LEDS GT 4
        MOV.B   #H'F0,R0L
        .AELSE
        .AREPEAT 2
        SHLL.B  R0L
        .AENDR
        .AENDI
        MOV.B   R0L,@H'FFFFD6:8
        SLEEP
)";

constexpr char kSections[] = R"(        .INCLUDE "ports.inc"
        .CPU    300HA
        .SECTION REC,DUMMY      ; a record: offsets, no bytes
R_LEN   .RES.B  1
R_VAL   .RES.B  1
        .SECTION B,STACK
BUF     .RES.B  6
        .SECTION P,CODE
        MOV.B   #H'FF,R0L
        MOV.B   R0L,@PBDDR:8
        MOV.L   #STARTOF B,ER0
        MOV.L   #SIZEOF B,ER1
        MOV.B   R1L,@PBDR:8     ; 6
        MOV.L   #BUF,ER2
        SUB.L   ER0,ER2
        MOV.B   R2L,@PBDR:8     ; 0: BUF starts B
        MOV.B   #H'5A,R3L
        MOV.B   R3L,@(R_VAL,ER0)
        MOV.B   @(BUF+1):24,R0L
        MOV.B   R0L,@PBDR:8
        MOV.W   #SIZEOF REC,R0  ; 2: the record's length
        MOV.B   R0L,@PBDR:8
        SLEEP
)";

// Zeroed data declared DATA, as the manuals do, beside initialised data: clearing it by
// STARTOF and SIZEOF must leave the initialised byte alone.
constexpr char kZeroedAsData[] = R"(        .CPU     300HA
PBDDR   .EQU     H'FFFFD4
PBDR    .EQU     H'FFFFD6
        .SECTION D,DATA,ALIGN=2
INIT    .DATA.B  H'5A
        .SECTION B,DATA,ALIGN=2
WORK    .RES.W   4
        .SECTION P,CODE,ALIGN=2
START:  MOV.L    #STARTOF B,ER1
        MOV.L    #SIZEOF B,ER2
        BEQ      CLEARED
CLEAR   MOV.B    #0,R0L
        MOV.B    R0L,@ER1
        ADDS     #1,ER1
        DEC.L    #1,ER2
        BNE      CLEAR
CLEARED MOV.B    #H'FF,R0L
        MOV.B    R0L,@PBDDR:8
        MOV.B    @INIT,R0L
        MOV.B    R0L,@PBDR:8
        MOV.W    #SIZEOF B,R0
        MOV.B    R0L,@PBDR:8
STOP    BRA      STOP
        .END
)";

constexpr char kPorts[] = R"(* port B, for the record program
PBDDR   .EQU    H'FFFFD4
PBDR    .EQU    H'FFFFD6
)";

// The C build with the workspace's reset module rewritten in the classic syntax.
constexpr char kClassicReset[] = R"(* RESETV_RAM.MAR in the classic syntax
        .CPU    300HA
        .IMPORT _main
        .EXPORT _start
        .SECTION RESET,CODE,LOCATE=H'FFDF10
_start  MOV.L   #H'FFFF10,ER7
        JSR     @_main:24
STOP    BRA     STOP
        .END
)";

// The ROM reset module in the classic syntax: the reset vector, the data copied to RAM and
// the zeroed data cleared by the bounds the link gives STARTOF and SIZEOF.
constexpr char kClassicRomReset[] = R"(* RESETV_ROM.MAR in the classic syntax
        .CPU    300HA
        .IMPORT _main,___data_load
        .SECTION VECT,DATA,LOCATE=0
        .DATA.L _start
        .SECTION RESET,CODE,LOCATE=H'100
_start  MOV.L   #H'FFFF10,ER7
        MOV.L   #___data_load,ER5
        MOV.L   #STARTOF D,ER6
        MOV.W   #SIZEOF D,R4
        EEPMOV.W
        MOV.L   #STARTOF B,ER1
        MOV.L   #SIZEOF B,ER2
        BEQ     CLEARED
CLEAR   MOV.B   #0,R0L
        MOV.B   R0L,@ER1
        ADDS    #1,ER1
        DEC.L   #1,ER2
        BNE     CLEAR
CLEARED JSR     @_main:24
STOP    BRA     STOP
        .END
)";

// The same module naming the sections it copies and clears, as reset modules do.
const std::string kClassicRomResetDeclaring = [] {
    std::string text = kClassicRomReset;
    text.insert(text.find("        .SECTION VECT"),
                "        .SECTION D,DATA,ALIGN=2\n        .SECTION B,DATA,ALIGN=2\n");
    return text;
}();

constexpr char kCWithData[] = R"(#include "h8io.h"
static volatile unsigned char pattern = 0x3c;
static volatile unsigned char zeroed;
int main(void)
{
    PBDDR = 0xff;
    PBDR = pattern + zeroed;
    return 0;
}
)";

constexpr char kCProgram[] = R"(#include "h8io.h"
int main(void)
{
    PBDDR = 0xff;
    PBDR = 0x5a;
    return 0;
}
)";

INSTANTIATE_TEST_SUITE_P(
    Rows, ClassicProgram,
    testing::Values(
        ProgramRow{"LedPatternFromATable",
                   {{"leds.mar", kLeds}},
                   "assemble",
                   "PB 01\nPB 02\nPB 04\nPB 80\n",
                   ""},
        ProgramRow{"SerialOutputWithTheRegisterNames",
                   {{"hello.mar", kSerial}},
                   "assemble",
                   "",
                   "HELLO, \"H8\"\r\n"},
        ProgramRow{"MacroGeneratedTable",
                   {{"squares.mar", kMacroTable}},
                   "assemble",
                   "PB 01\nPB 04\nPB 09\nPB 10\nPB 89\n",
                   ""},
        ProgramRow{"ConditionalAssembly", {{"cond.mar", kConditional}}, "assemble", "PB FC\n", ""},
        ProgramRow{"SectionsRecordsAndAnInclude",
                   {{"record.mar", kSections}, {"ports.inc", kPorts}},
                   "assemble",
                   "PB 06\nPB 00\nPB 5A\nPB 02\n",
                   ""},
        ProgramRow{"EditorsMarkCrLfAndEndOfFile",
                   {{"dos.mar", "\xEF\xBB\xBF\t.CPU\t300HA\r\n\t.SECTION\tP,CODE\r\n"
                                "\tMOV.B\t#H'FF,R0L\r\n\tMOV.B\tR0L,@H'FFFFD4:8\r\n"
                                "\tMOV.B\t#H'42,R0L\r\n\tMOV.B\tR0L,@H'FFFFD6:8\r\n"
                                "\tSLEEP\r\n\x1a"}},
                   "assemble",
                   "PB 42\n",
                   ""},
        ProgramRow{"ZeroedDataDeclaredAsData",
                   {{"zeroed.mar", kZeroedAsData}},
                   "assemble",
                   "PB 5A\nPB 08\n",
                   ""},
        ProgramRow{"ClassicResetModuleInTheCBuild",
                   {{"main.c", kCProgram}, {"../RESETV_RAM.MAR", kClassicReset}},
                   "compile",
                   "PB 5A\n",
                   ""},
        ProgramRow{"ClassicRomResetModuleCopiesDataAndClearsZeroedData",
                   {{"data.c", kCWithData}, {"../RESETV_ROM.MAR", kClassicRomReset}},
                   "compile",
                   "PB 3C\n",
                   "",
                   true},
        ProgramRow{
            "ClassicRomResetModuleNamingItsSections",
            {{"data.c", kCWithData}, {"../RESETV_ROM.MAR", kClassicRomResetDeclaring.c_str()}},
            "compile",
            "PB 3C\n",
            "",
            true}),
    vesk::test::RowName());

struct FaultRow
{
    const char *name;
    Files files;
    const char *message; // a line of the log
};

class ClassicFault : public ClassicWorkspace, public testing::WithParamInterface<FaultRow>
{
};

TEST_P(ClassicFault, NamesTheUsersFileAndLine)
{
    const FaultRow &row = GetParam();
    const QString source = writeSamples(row.files);
    const auto [code, log] = build("assemble", source);
    EXPECT_NE(code, 0);
    EXPECT_NE(log.find(std::string(row.message) + '\n'), std::string::npos) << log;
    EXPECT_FALSE(QFile::exists(m_dir.filePath("samples/" + source.section(u'.', 0, 0) + ".obj")));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ClassicFault,
    testing::Values(
        FaultRow{"AssemblerErrorInAnIncludedFile",
                 {{"err.mar", "\t.CPU\t300HA\n\t.INCLUDE \"bad.inc\"\n"},
                  {"bad.inc", "* included\n\tFOO\tR0\n"}},
                 "bad.inc:2: Error: unknown opcode"},
        FaultRow{"TranslationErrorInAnIncludedFile",
                 {{"err.mar", "\t.CPU\t300HA\n\t.INCLUDE \"bad.inc\"\n"},
                  {"bad.inc", "\n\t.DATA.Q\t1\n"}},
                 "bad.inc:2: a size .B, .W or .L expected after .DATA"},
        FaultRow{"AssemblerErrorInAMacroExpansion",
                 {{"err.mar", "\t.CPU\t300HA\nM\t.MACRO\tX\n\tNOP\n\tMOV.B\t#\\X,R9\n\t.ENDM\n"
                              "\t.SECTION P,CODE\n\tM\t1\n"}},
                 "err.mar:4: Error: invalid operands (in macro M called at err.mar:7)"},
        FaultRow{"MissingIncludeFile",
                 {{"err.mar", "\t.CPU\t300HA\n\n\t.INCLUDE \"none.inc\"\n"}},
                 "err.mar:3: cannot find the include file none.inc (looked for none.inc and in "
                 "the toolchain's include folder)"}),
    vesk::test::RowName());

// The two samples are one program in the two syntaxes: the same light, step for step.
TEST_F(ClassicWorkspace, ClassicSampleRunsAsTheGnuSampleDoes)
{
    std::string runs[2];
    for (int i = 0; i < 2; ++i) {
        const QString name = i == 0 ? QStringLiteral("sample") : QStringLiteral("sample_classic");
        const auto [code, log] = build("assemble", name + ".mar");
        ASSERT_EQ(code, 0) << log;
        QProcess sim;
        sim.start(m_build + "/bin/vesk-sim", {"--ports", "--max-states", "20000000",
                                              m_dir.filePath("samples/" + name + ".BIN")});
        ASSERT_TRUE(sim.waitForFinished(60000));
        runs[i] = sim.readAllStandardOutput().toStdString();
    }
    EXPECT_NE(runs[0].find(" PB 80\n"), std::string::npos) << runs[0];
    EXPECT_EQ(runs[1], runs[0]);
}

// The listing shows the user's lines, each once, with the address and bytes it became.
TEST_F(ClassicWorkspace, ListingShowsTheUsersLinesWithTheirBytes)
{
    write("samples/leds.mar", kLeds);
    const auto [code, log] = build("assemble", "leds.mar");
    ASSERT_EQ(code, 0) << log;
    QFile listing(m_dir.filePath("samples/leds.lis"));
    ASSERT_TRUE(listing.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(listing.readAll());
    for (const char *line : {"   1                \t*       LED pattern on port B: a table, a "
                             "delay subroutine\n",
                             "   8  0008 38D4     \t        MOV.B   R0L,@PBDDR:8\n",
                             "  11  0014 6C18     \tLOOP    MOV.B   @ER1+,R0L\n",
                             "  21  002a 01020480 \tTABLE   .DATA.B H'01,H'02,H'04,B'10000000\n",
                             "  22                \t        .END    START\n"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(line))) << line << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(u"\tmov.")) << "translated lines leak into the listing";
}

// Lines a macro produced follow its call, and a file included twice is listed twice, each
// time with its own bytes.
TEST_F(ClassicWorkspace, ListingFollowsMacroCallsAndEachInclusion)
{
    write("samples/ml.mar", R"(        .CPU     300HA
        .MACRO   LD2 V
        MOV.B    #\V,R0L
        MOV.B    #\V,R1L
        .ENDM
        .SECTION P,CODE
START:  NOP
        LD2      1
        .INCLUDE "two.inc"
        MOV.B    R0L,R1L
        .INCLUDE "two.inc"
        BRA      START
        .END
)");
    write("samples/two.inc", "        LD2      3\n        .DATA.B  H'11\n        .DATA.B  H'22\n");
    const auto [code, log] = build("assemble", "ml.mar");
    ASSERT_EQ(code, 0) << log;
    QFile listing(m_dir.filePath("samples/ml.lis"));
    ASSERT_TRUE(listing.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(listing.readAll());
    qsizetype at = 0;
    for (const char *line :
         {"   8                \t        LD2      1\n", "   3+ 0002 F801     \t", "   4+ 0004 F901",
          "   9                \t        .INCLUDE \"two.inc\"\n", "; two.inc\n",
          "   1                \t        LD2      3\n", "   3+ 0006 F803", "   4+ 0008 F903",
          "   2  000a 11       \t", "   3  000b 22", "  10  000c 0C89",
          "  11                \t        .INCLUDE", "   1                \t        LD2      3\n",
          "   3+ 000e F803", "   4+ 0010 F903", "   2  0012 11", "   3  0013 22", "  12  0014 "}) {
        const qsizetype found = text.indexOf(QString::fromLatin1(line), at);
        ASSERT_GE(found, 0) << "missing in order: " << line << "\n" << text.toStdString();
        at = found + 1;
    }
}

} // namespace
