#include "classic/translate.h"

#include "support/rowname.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vesk::classic {
namespace {

QList<SourceLine> source(const QString &text)
{
    QList<SourceLine> lines;
    int number = 0;
    for (const QString &line : text.split(u'\n'))
        lines << SourceLine{line, QStringLiteral("A.MAR"), ++number};
    return lines;
}

struct LineRow
{
    const char *name;
    const char *classic;
    const char *gnu; // the translation, lines joined by "|"
};

class ClassicLine : public testing::TestWithParam<LineRow>
{
};

TEST_P(ClassicLine, TranslatesTo)
{
    const Translation t = translate(source(QString::fromUtf8(GetParam().classic)));
    EXPECT_TRUE(t.errors.isEmpty()) << t.errors.join(u'\n').toStdString();
    QString gnu = t.gnu;
    gnu.chop(1);
    gnu.replace(u'\n', u'|');
    EXPECT_EQ(gnu.toStdString(), GetParam().gnu);
}

INSTANTIATE_TEST_SUITE_P(
    Translate, ClassicLine,
    testing::Values(
        LineRow{"HexAbsoluteShort", "\tMOV.B\tR0L,@H'FFFFD6:8", "\tmov.b\tr0l,@0xFFFFD6:8"},
        LineRow{"SizedImmediate", "\tMOV.L\t#H'10:32,ER0", "\tmov.l\t#0x10:32,er0"},
        LineRow{"LocationCounter", "\tBRA\t$", "\tbra\t."},
        LineRow{"LabelWithoutColon", "LOOP\tBRA\tLOOP", "LOOP:\tbra\tLOOP"},
        LineRow{"LabelWithColonAlone", "Start:", "Start:"},
        LineRow{"SymbolCaseKept", "\tJSR\t@SubRoutine:24", "\tjsr\t@SubRoutine:24"},
        LineRow{"Displacement", "\tMOV.W\t@(D'4:16,ER6),R1", "\tmov.w\t@(4:16,er6),r1"},
        LineRow{"PreDecrementPostIncrement", "\tMOV.L\tER0,@-SP\n\tMOV.L\t@ER7+,ER0",
                "\tmov.l\ter0,@-sp|\tmov.l\t@er7+,er0"},
        LineRow{"StartOfAndSizeOf",
                "\t.SECTION\tB,STACK\n\t.SECTION\tP,CODE\n\tMOV.L\t#STARTOF B,ER0\n"
                "\tMOV.L\t#SIZEOF (B),ER1",
                "\t.bss|\t.text|\tmov.l\t#___startof.bss,er0|\tmov.l\t#___sizeof.bss,er1"},
        LineRow{"UsualSectionNeedsNoDeclaration", "\t.DATA.L\tSTARTOF D+SIZEOF D",
                "\t.long\t___startof.data+___sizeof.data"},
        LineRow{"LocatedSectionStart", "\t.SECTION\tV,DATA,LOCATE=H'100\n\t.DATA.L\tSTARTOF V",
                "\t.section\t.0100,\"d\"|\t.long\t___startof.0100"},
        LineRow{"DummyLayout", "\t.SECTION\tREC,DUMMY\nNEXT\t.RES.L\t1\nVAL\t.RES.W\t1",
                "\t.struct\t0|NEXT:\t.space\t(1)*4|VAL:\t.space\t(1)*2|\t.set\t___dummy.REC, .|"
                "\t.equ\t___recsize.REC, ___dummy.REC"},
        LineRow{"StartOfAndSizeOfARecord",
                "\t.SECTION\tS,DUMMY\nX\t.RES.W\t3\n\t.SECTION\tP,CODE\n"
                "\t.DATA.L\tSTARTOF S,SIZEOF S",
                "\t.struct\t0|X:\t.space\t(3)*2|\t.set\t___dummy.S, .|\t.text|"
                "\t.long\t0, ___recsize.S|\t.equ\t___recsize.S, ___dummy.S"},
        LineRow{"Bases", "\t.DATA.B\tB'0101,O'17,D'10,'A'", "\t.byte\t0x5, 0xF, 10, 65"},
        LineRow{"ClassicPrecedence", "\t.DATA.W\t1+2<<3", "\t.word\t(1+2)<<3"},
        LineRow{"BinaryTildeIsXor", "\t.DATA.B\t6~3", "\t.byte\t6^3"},
        LineRow{"HighLow", "\tMOV.B\t#HIGH X,R0H", "\tmov.b\t#(X>>8)&0xff,r0h"},
        LineRow{"BracketedAbsoluteKeepsAt", "\tMOV.B\t@(A+1)*2:16,R0L",
                "\tmov.b\t@0+((A+1)*2):16,r0l"},
        LineRow{"CommentsDropped", "* whole line\n\tRTS\t; back", "\trts"},
        LineRow{"SemicolonInString", "\t.SDATA\t\"a;b\"", "\t.ascii\t\"a;b\""},
        LineRow{"DoubledQuote", "\t.SDATAZ\t\"say \"\"hi\"\"\"", "\t.asciz\t\"say \\\"hi\\\"\""},
        LineRow{"CountedString", "\t.SDATAC\t\"abc\"", "\t.byte\t3|\t.ascii\t\"abc\""},
        LineRow{"ReserveWords", "BUF\t.RES.W\t10", "BUF:\t.space\t(10)*2"},
        LineRow{"DataBlock", "\t.DATAB.W\t3,H'FF", "\t.fill\t3, 2, 0xFF"},
        LineRow{"Equ", "PBDR:\t.EQU\tH'FFFFD6", "\t.equ\tPBDR, 0xFFFFD6"},
        LineRow{"Assign", "N\t.ASSIGN\tN+1", "\t.set\tN, N+1"},
        LineRow{"ExportImport", "\t.EXPORT\t_main,_x\n\t.IMPORT\t_y", "\t.global\t_main, _x"},
        LineRow{"Cpu", "\t.CPU\t300HA", "\t.h8300h"},
        LineRow{"CodeSection", "\t.SECTION\tP,CODE,ALIGN=2", "\t.text|\t.balign\t2"},
        LineRow{"SectionReentered",
                "\t.SECTION\tD,DATA\n\t.DATA.B\t1\n\t.SECTION\tP,CODE\n\t.SECTION\tD",
                "\t.data|\t.byte\t1|\t.text|\t.data"},
        LineRow{"SectionsOfAKindShareTheirBounds",
                "\t.SECTION\tD,DATA\n\t.DATA.B\t1\n\t.SECTION\tE,DATA\n\t.DATA.B\t2\n"
                "\t.DATA.L\tSIZEOF E",
                "\t.data|\t.byte\t1|\t.data|\t.byte\t2|\t.long\t___sizeof.data"},
        LineRow{"EmptyDataSectionsByTheirUsualNames",
                "\t.SECTION\tD,DATA\n\t.SECTION\tB,DATA\n\t.SECTION\tP,CODE\n"
                "\t.DATA.L\tSTARTOF D,STARTOF B",
                "\t.data|\t.bss|\t.text|\t.long\t___startof.data, ___startof.bss"},
        LineRow{"DataOfReservationsOnlyIsZeroed", "\t.SECTION\tB,DATA\nW\t.RES.W\t2",
                "\t.bss|W:\t.space\t(2)*2"},
        LineRow{"ConstantsSectionC", "\t.SECTION\tC,DATA\n\t.DATA.B\t1",
                "\t.section\t.rodata|\t.byte\t1"},
        LineRow{"StartOfBeforeTheDeclaration",
                "\t.DATA.L\tSTARTOF B\n\t.SECTION\tB,DATA\n\t.DATA.B\t1",
                "\t.long\t___startof.data|\t.data|\t.byte\t1"},
        LineRow{"DummyReopenedGoesOn",
                "\t.SECTION\tR,DUMMY\nA\t.RES.W\t1\n\t.SECTION\tP,CODE\n\t.SECTION\tR\n"
                "B\t.RES.W\t1",
                "\t.struct\t0|A:\t.space\t(1)*2|\t.set\t___dummy.R, .|\t.text|"
                "\t.struct\t___dummy.R|B:\t.space\t(1)*2|\t.set\t___dummy.R, .|"
                "\t.equ\t___recsize.R, ___dummy.R"},
        LineRow{"CharConstantsWithPunctuation",
                "\tMOV.B\t#',',R0L\n\tCMP.B\t#'\"',R1L ; a quote\n\t.DATA.B\t'(',')',';'",
                "\tmov.b\t#44,r0l|\tcmp.b\t#34,r1l|\t.byte\t40, 41, 59"},
        LineRow{"BranchSize", "\tBRA\tL:16", "\tbra\tL:16"},
        LineRow{"LabelColonWithoutSpace", "L:NOP", "L:\tnop"},
        LineRow{"LocatedSection", "\t.SECTION\tV,DATA,LOCATE=H'0", "\t.section\t.00,\"d\""},
        LineRow{"OrgInLocatedSection", "\t.SECTION\tR,CODE,LOCATE=H'100\n\t.ORG\tH'110",
                "\t.section\t.0100,\"x\"|\t.org\t(0x110)-0x100"},
        LineRow{"EndStops", "\tNOP\n\t.END\tSTART\n\tNOP", "\tnop"},
        LineRow{"ListingIgnored", "\t.LIST\tON\n\t.PAGE\n\t.HEADING\t\"x\"", ""}),
    vesk::test::RowName());

struct ErrorRow
{
    const char *name;
    const char *classic;
    const char *message;
};

class ClassicError : public testing::TestWithParam<ErrorRow>
{
};

TEST_P(ClassicError, IsReportedAtItsLine)
{
    const Translation t = translate(source(QString::fromUtf8(GetParam().classic)));
    ASSERT_EQ(t.errors.size(), 1) << t.errors.join(u'\n').toStdString();
    EXPECT_EQ(t.errors[0].toStdString(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Translate, ClassicError,
    testing::Values(
        ErrorRow{"NormalMode", "\n\t.CPU\t300HN",
                 "A.MAR:2: the normal mode (300HN) is not supported; .CPU 300HA expected"},
        ErrorRow{"OtherCpu", "\t.CPU\t300", "A.MAR:1: .CPU 300HA expected, not 300"},
        ErrorRow{"BadHex", "\t.DATA.B\tH'1G", "A.MAR:1: a number expected, not \"1G\""},
        ErrorRow{"UnclosedBracket", "\t.DATA.B\t(1+2", "A.MAR:1: \")\" expected"},
        ErrorRow{"SizeOfUndeclared", "\t.DATA.L\tSIZEOF X",
                 "A.MAR:1: a section declared by .SECTION expected after SIZEOF, not \"X\""},
        ErrorRow{"StartOfUnknownInBrackets", "\t.DATA.L\t(STARTOF X+1)",
                 "A.MAR:1: a section declared by .SECTION expected after STARTOF, not \"X\""},
        ErrorRow{"BadSize", "\t.DATA.Q\t1", "A.MAR:1: a size .B, .W or .L expected after .DATA"},
        ErrorRow{"UnknownDirective", "\t.FOO", "A.MAR:1: a directive expected, not .FOO"},
        ErrorRow{"EquWithoutName", "\t.EQU\t1", "A.MAR:1: a name in column 1 expected before .EQU"},
        ErrorRow{"LocateNotConstant", "\t.SECTION\tX,CODE,LOCATE=FOO",
                 "A.MAR:1: a constant address below H'1000000 expected after LOCATE="}),
    vesk::test::RowName());

TEST(ClassicTranslate, EachOutputLineNamesItsSourceLine)
{
    const Translation t =
        translate(source(QStringLiteral("* x\nL1\tNOP\n\t.SDATAC\t\"a\"\nL2\t.ALIGN\t2")));
    ASSERT_EQ(t.origins.size(), 5);
    EXPECT_EQ(t.origins[0].line, 2); // L1: nop
    EXPECT_EQ(t.origins[1].line, 3); // the count byte
    EXPECT_EQ(t.origins[2].line, 3);
    EXPECT_EQ(t.origins[3].line, 4); // L2: alone, then the alignment
    EXPECT_EQ(t.origins[4].line, 4);
    EXPECT_EQ(t.origins[2].file.toStdString(), "A.MAR");
}

struct LooksRow
{
    const char *name;
    const char *text;
    bool classic;
};

class LooksClassic : public testing::TestWithParam<LooksRow>
{
};

TEST_P(LooksClassic, Decides)
{
    EXPECT_EQ(looksClassic(QString::fromUtf8(GetParam().text)), GetParam().classic);
}

INSTANTIATE_TEST_SUITE_P(
    Translate, LooksClassic,
    testing::Values(LooksRow{"Cpu", "\t.cpu 300ha\n", true},
                    LooksRow{"CodeSection", "\t.SECTION P,CODE,ALIGN=2", true},
                    LooksRow{"HexConstant", "\tMOV.B #H'FF,R0L", true},
                    LooksRow{"DataWithSize", "\t.DATA.W 1", true},
                    LooksRow{"Export", "\t.EXPORT _main", true},
                    LooksRow{"GnuPlacedSection", "\t.section .0100,\"x\"\n\t.data\n", false},
                    LooksRow{"HexInComment", "\tnop ; H'FF\n", false},
                    LooksRow{"HexInString", "\t.ascii \"H'FF\"\n", false},
                    LooksRow{"StarLinesOfAGnuBlockComment", "/* a banner\n** H'FF\n*/\n\tnop\n",
                             false},
                    LooksRow{"NameEndingInH", "\tmov.b #'A,r0l\n\tmov.l #PATH'\n", false}),
    vesk::test::RowName());

// The GNU sources shipped with the toolchain must stay GNU.
TEST(ClassicTranslate, ShippedGnuSourcesDoNotLookClassic)
{
    const QString root = qEnvironmentVariable("VESK_SOURCE_DIR");
    if (root.isEmpty())
        GTEST_SKIP() << "VESK_SOURCE_DIR is not set";
    for (const char *path : {"toolchain/samples/sample.mar", "toolchain/templates/RESETV_RAM.MAR",
                             "toolchain/templates/RESETV_ROM.MAR"}) {
        QFile file(root + u'/' + QString::fromLatin1(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path;
        EXPECT_FALSE(looksClassic(QString::fromUtf8(file.readAll()))) << path;
    }
    QFile classic(root + QStringLiteral("/toolchain/samples/sample_classic.mar"));
    ASSERT_TRUE(classic.open(QIODevice::ReadOnly));
    EXPECT_TRUE(looksClassic(QString::fromUtf8(classic.readAll())));
}

// The strongest check: the translation and a hand-written GNU equivalent give the GNU
// assembler the same bytes and relocations.
struct PairRow
{
    const char *name;
    const char *classic;
    const char *gnu;
};

class ClassicAssembles : public testing::TestWithParam<PairRow>
{
protected:
    // objdump's contents and relocations of `text` assembled in H8/300H mode, or why not.
    static std::string assemble(const QString &text, bool *ok)
    {
        *ok = false;
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("a.s")));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write((QStringLiteral("\t.h8300h\n") + text).toUtf8()) < 0)
            return "cannot write a.s";
        file.close();
        QProcess as;
        as.setWorkingDirectory(dir.path());
        as.setProcessChannelMode(QProcess::MergedChannels);
        as.start(QStringLiteral("h8300-hms-as"),
                 {QStringLiteral("-o"), QStringLiteral("a.o"), QStringLiteral("a.s")});
        as.waitForFinished(-1);
        if (as.exitCode() != 0)
            return as.readAll().toStdString();
        QProcess dump;
        dump.setWorkingDirectory(dir.path());
        dump.start(QStringLiteral("h8300-hms-objdump"),
                   {QStringLiteral("-s"), QStringLiteral("-r"), QStringLiteral("a.o")});
        dump.waitForFinished(-1);
        *ok = dump.exitCode() == 0;
        return dump.readAllStandardOutput().toStdString();
    }
};

TEST_P(ClassicAssembles, LikeItsGnuEquivalent)
{
    if (QStandardPaths::findExecutable(QStringLiteral("h8300-hms-as")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("h8300-hms-objdump")).isEmpty())
        GTEST_SKIP() << "the cross tools are not installed";
    const Translation t = translate(source(QString::fromUtf8(GetParam().classic)));
    ASSERT_TRUE(t.errors.isEmpty()) << t.errors.join(u'\n').toStdString();
    bool classicOk = false;
    bool gnuOk = false;
    const std::string fromClassic = assemble(t.gnu, &classicOk);
    const std::string fromGnu = assemble(QString::fromUtf8(GetParam().gnu), &gnuOk);
    ASSERT_TRUE(gnuOk) << fromGnu;
    ASSERT_TRUE(classicOk) << fromClassic << "\n" << t.gnu.toStdString();
    EXPECT_EQ(fromClassic, fromGnu) << t.gnu.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Translate, ClassicAssembles,
    testing::Values(
        PairRow{"Program",
                "\t.CPU\t300HA\n\t.SECTION\tP,CODE,ALIGN=2\n\t.EXPORT\t_start\n"
                "_start\tMOV.L\t#H'FFFF10,ER7\n\tMOV.B\t#B'11110000,R0L\n"
                "\tMOV.B\tR0L,@H'FFFFD4:8\nLOOP:\tMOV.W\t@(D'4,ER6),R1\n"
                "\tMOV.B\t@TABLE:24,R0H\n\tBRA\tLOOP\n"
                "\t.SECTION\tD,DATA,ALIGN=2\nTABLE\t.DATA.B\t1,2,'A'\n",
                "\t.text\n\t.balign 2\n\t.global _start\n_start: mov.l #0xFFFF10,er7\n"
                "\tmov.b #240,r0l\n\tmov.b r0l,@0xFFFFD4:8\nLOOP: mov.w @(4,er6),r1\n"
                "\tmov.b @TABLE:24,r0h\n\tbra LOOP\n\t.data\n\t.balign 2\n"
                "TABLE: .byte 1,2,65\n"},
        PairRow{"BranchSizesAndCharConstants",
                "START:\tBRA\tNEXT:16\n\tBEQ\tNEXT:8\n\tBSR\tNEXT:16\nNEXT\tMOV.B\t#',',R0L\n"
                "\tCMP.B\t#'\"',R1L\n",
                "START: bra NEXT:16\n\tbeq NEXT:8\n\tbsr NEXT:16\nNEXT: mov.b #44,r0l\n"
                "\tcmp.b #34,r1l\n"},
        PairRow{"SizedAddressing",
                "X\t.EQU\tH'FF00\n\tMOV.B\t@H'FFFFD6:8,R0L\n\tMOV.W\t@X:16,R0\n"
                "\tJSR\t@SUB:24\n\tMOV.L\t@(H'10:16,ER1),ER2\n\tMOV.L\t@(D'16:24,ER1),ER2\n"
                "SUB\tRTS\n",
                "\t.equ X,0xff00\n\tmov.b @0xffffd6:8,r0l\n\tmov.w @X:16,r0\n\tjsr @SUB:24\n"
                "\tmov.l @(0x10:16,er1),er2\n\tmov.l @(16:24,er1),er2\nSUB: rts\n"},
        PairRow{"RegistersInAnyCase",
                "\tmov.b\tr0l,r1h\n\tADD.L\tEr1,eR2\n\tSTC\tCCR,R0L\n\tLDC\t#H'80,CCR\n"
                "\tANDC\t#H'7F,ccr\n\tMOV.L\tER0,@-SP\n\tMOV.L\t@SP+,ER0\n",
                "\tmov.b r0l,r1h\n\tadd.l er1,er2\n\tstc ccr,r0l\n\tldc #0x80,ccr\n"
                "\tandc #0x7f,ccr\n\tmov.l er0,@-sp\n\tmov.l @sp+,er0\n"},
        PairRow{"CommentsAndLabels", "* a comment line\nL1: NOP ; a comment\nL2\tNOP\n\tBRA\tL1\n",
                "L1: nop\nL2: nop\n\tbra L1\n"},
        PairRow{"DummyRecord",
                "\t.SECTION\tR,DUMMY\nA\t.RES.W\t1\nB\t.RES.L\t1\n\t.SECTION\tP,CODE\n"
                "\tMOV.W\t@(B,ER0),R1\n\tMOV.W\t#A,R2\n",
                "\t.text\n\tmov.w @(2,er0),r1\n\tmov.w #0,r2\n"},
        PairRow{"StartOfAndSizeOfAreLinkSymbols",
                "\t.SECTION\tB,STACK\nBUF\t.RES.B\t4\n\t.SECTION\tP,CODE\n"
                "\tMOV.L\t#STARTOF B,ER0\n\tMOV.L\t#SIZEOF B,ER1\n",
                "\t.bss\nBUF: .space 4\n\t.text\n\tmov.l #___startof.bss,er0\n"
                "\tmov.l #___sizeof.bss,er1\n"},
        PairRow{"OrgAndAssign",
                "X\t.ASSIGN\t1\n\t.DATA.B\tX\nX\t.ASSIGN\t2\n\t.ORG\tH'10\n\t.DATA.B\tX\n"
                "\t.SECTION\tV,DATA,LOCATE=H'100\n\t.ORG\tH'104\n\t.DATA.W\t1\n",
                "\t.set X,1\n\t.byte X\n\t.set X,2\n\t.org 0x10\n\t.byte X\n"
                "\t.section .0100,\"d\"\n\t.org 4\n\t.word 1\n"},
        PairRow{"Expressions",
                "N\t.EQU\tH'1234\n\t.DATA.W\tHIGH N,LOW N,LWORD H'12345678\n"
                "\t.DATA.L\tHWORD H'12345678,(1+2)*3,1+2<<3,-1,~0,12/5,6~3,H'F0|H'0F&H'3C\n",
                "\t.word 0x12, 0x34, 0x5678\n"
                "\t.long 0x1234, 9, 24, -1, 0xffffffff, 2, 5, 0xfc\n"},
        PairRow{"DataDirectives",
                "\t.SDATA\t\"ab\"\n\t.SDATAZ\t\"c\"\n\t.SDATAC\t\"de\"\n\t.ALIGN\t4\n"
                "\t.SDATAC\t\"x\"<H'0D><H'0A>,\"\"\"y\"\n\t.SDATAZ\t\"z\"<1>\n"
                "\t.DATAB.W\t2,H'1234\n\t.RES.L\t2\n\t.DATA\t5\n\t.DATA.W\t6\n",
                "\t.ascii \"ab\"\n\t.asciz \"c\"\n\t.byte 2\n\t.ascii \"de\"\n\t.balign 4\n"
                "\t.byte 3\n\t.ascii \"x\\r\\n\"\n\t.byte 2\n\t.ascii \"\\\"y\"\n"
                "\t.ascii \"z\\001\\000\"\n"
                "\t.word 0x1234,0x1234\n\t.long 0,0\n\t.long 5\n\t.word 6\n"},
        PairRow{"BracketedAbsoluteAddress",
                "A\t.EQU\tH'FFFF00\n\tMOV.B\t@(A+1)*1:16,R0L\n\tMOV.B\t@A+H'D6:8,R1L\n",
                "\tmov.b @0xFFFF01:16,r0l\n\tmov.b @0xFFFFD6:8,r1l\n"},
        PairRow{"PlacedSections",
                "\t.SECTION\tVECT,DATA,LOCATE=H'0\n\t.DATA.L\tSTART\n"
                "\t.SECTION\tR,CODE,LOCATE=H'100\n\t.ORG\tH'104\nSTART\tRTS\n",
                "\t.section .00,\"d\"\n\t.long START\n\t.section .0100,\"x\"\n\t.org 4\n"
                "START: rts\n"}),
    vesk::test::RowName());

} // namespace
} // namespace vesk::classic
