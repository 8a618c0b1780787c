// Real builds with the ready toolchain directory, copied to C:\TC of a temporary drive and
// started with the command lines the builds write.
#include "support/rowname.h"
#include "support/tempdrive.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include <optional>

using vesk::DosFs;
using vesk::test::copyTree;
using vesk::test::TempDrive;

namespace {

const QString kBatchLine = "cc38h.exe -abs16 -CPU=300HA -INCLUDE=%1 %2 >> err.txt\r\n";

QString binaryDir()
{
    return qEnvironmentVariable("VESK_BINARY_DIR");
}

struct Record
{
    char type;
    quint32 address;
    QByteArray data;
};

QList<Record> parseRecords(const QByteArray &mot)
{
    QList<Record> records;
    for (QByteArray line : mot.split('\n')) {
        line = line.trimmed();
        if (line.size() < 4 || line[0] != 'S')
            continue;
        const QByteArray bytes = QByteArray::fromHex(line.mid(2));
        const int width = line[1] == '2' || line[1] == '8'   ? 3
                          : line[1] == '3' || line[1] == '7' ? 4
                                                             : 2;
        quint32 address = 0;
        for (int i = 0; i < width; ++i)
            address = address << 8 | quint8(bytes[1 + i]);
        records.append({line[1], address, bytes.mid(1 + width, bytes.size() - 2 - width)});
    }
    return records;
}

QList<Record> dataRecords(const QList<Record> &all)
{
    QList<Record> data;
    for (const Record &r : all)
        if (r.type >= '1' && r.type <= '3')
            data << r;
    return data;
}

// The flat image the board receives: data records in order, forward gaps zero-filled.
QByteArray flatImage(const QList<Record> &data)
{
    QByteArray image;
    if (data.isEmpty())
        return image;
    const quint32 base = data.first().address;
    for (const Record &r : data) {
        image.resize(qMax<qsizetype>(image.size(), r.address - base), '\0');
        image += r.data;
    }
    return image;
}

// "address: bytes mnemonic" lines of an objdump listing in [from, to), symbol notes dropped.
QStringList instructions(const QByteArray &listing, quint32 from, quint32 to)
{
    static const QRegularExpression line(R"(^\s*([0-9a-f]+):\t(.*)$)");
    static const QRegularExpression note(R"(\s*<[^>]*>)");
    QStringList out;
    for (const QByteArray &raw : listing.split('\n')) {
        const auto m = line.match(QString::fromUtf8(raw).remove(u'\r'));
        if (!m.hasMatch())
            continue;
        const quint32 address = m.captured(1).toUInt(nullptr, 16);
        if (address >= from && address < to)
            out << m.captured(1) + ": " + m.captured(2).remove(note).simplified();
    }
    return out;
}

struct Result
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

class ToolchainBuild : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(binaryDir() + "/toolchain/l38h.exe").isExecutable());
        copyTree(binaryDir() + "/toolchain", drive.host("TC"));
        drive.mkdir("WORK");
    }

    QString hostDir(const QString &dosDir) const { return drive.fs().toHost(dosDir); }

    // A command line as a build writes it: words at blanks, the program a DOS path (".exe"
    // tried when the name has no extension), run in the DOS directory `dosCwd`.
    Result run(const QString &dosCwd, const QString &commandLine) const
    {
        QStringList words = commandLine.split(u' ', Qt::SkipEmptyParts);
        const DosFs fs(drive.map(), hostDir(dosCwd));
        QString program = fs.toHost(words.takeFirst());
        if (!QFileInfo(program).isFile())
            program = fs.toHost(fs.toDos(program) + ".exe");
        return start(program, words, hostDir(dosCwd));
    }

    Result start(const QString &program, const QStringList &args, const QString &hostCwd) const
    {
        QProcess p;
        p.setWorkingDirectory(hostCwd);
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("VESK_DOSDEVICES", drive.dosDevices());
        p.setProcessEnvironment(env);
        p.start(program, args);
        Result r;
        if (!p.waitForFinished(60000))
            return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    // Compiles through "C38.bat" with the tool directory current, as the C build does, once
    // the batch runner is built; else starts the compiler and appends its output itself.
    void compile(const QString &source)
    {
        drive.write("TC/C38.bat", kBatchLine.toLatin1());
        const QString runner = binaryDir() + "/bin/vesk-cmd";
        if (QFileInfo(runner).isExecutable()) {
            start(runner, {"c38.bat", "C:\\TC\\", source}, hostDir("C:\\TC"));
            return;
        }
        const Result r = run("C:\\TC", "cc38h.exe -abs16 -CPU=300HA -INCLUDE=C:\\TC\\ " + source);
        QFile err(drive.host("TC/err.txt"));
        ASSERT_TRUE(err.open(QIODevice::Append));
        err.write(r.out);
    }

    // Files and folders of a directory, hidden ones included.
    QStringList entries(const QString &relative) const
    {
        return QDir(drive.host(relative))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    TempDrive drive;
};

struct CBuildRow
{
    const char *name;
    const char *templateName;
    const char *start; // the -start option's address text
    quint32 mainOffset;
    quint32 firstAddress;
    char dataType;
    char endType;
    const char *dasmArgs; // as the C build passes them through "dasm.bat"
};

class CBuild : public ToolchainBuild, public ::testing::WithParamInterface<CBuildRow>
{
};

TEST_P(CBuild, SampleLinksAtTheOffsetAndDisassemblesAsObjdumpShowsIt)
{
    const CBuildRow &row = GetParam();
    drive.write("WORK/main.c", drive.read("TC/samples/blink.c"));
    drive.write("WORK/RESETV.MAR", drive.read(QString("TC/") + row.templateName));

    const Result asmResult = run("C:\\WORK", "C:\\TC\\a38h RESETV.MAR");
    ASSERT_EQ(asmResult.exitCode, 0) << asmResult.err.constData();
    EXPECT_TRUE(drive.exists("WORK/RESETV.obj"));
    EXPECT_TRUE(drive.exists("WORK/RESETV.lis"));

    // The source is named with ".C" although the file is "main.c".
    compile("C:\\WORK\\main.C");
    ASSERT_TRUE(drive.exists("TC/main.obj")) << drive.read("TC/err.txt").constData();

    // "resetv.obj" names the file the assembler wrote as "RESETV.obj".
    const Result link = run("C:\\TC", QString("l38h.exe C:\\WORK\\resetv.obj,main.obj "
                                              "-start=P(0%1) -output=main -print=main "
                                              "-library=c38hab")
                                          .arg(row.start));
    ASSERT_EQ(link.exitCode, 0) << link.err.constData();
    ASSERT_TRUE(drive.exists("TC/main.abs"));
    const QByteArray map = drive.read("TC/main.map");
    for (const char *helper : {"__mulsi3", "__udivsi3", "__divsi3", "__modsi3"})
        EXPECT_TRUE(map.contains(helper)) << helper;

    const Result srec = run("C:\\TC", "c38h main.abs");
    ASSERT_EQ(srec.exitCode, 0) << srec.err.constData();
    const QList<Record> all = parseRecords(drive.read("TC/main.mot"));
    ASSERT_GE(all.size(), 3);
    EXPECT_EQ(all.first().type, '0');
    EXPECT_EQ(all.last().type, row.endType);
    const QList<Record> data = dataRecords(all);
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(data.first().address, row.firstAddress);
    for (qsizetype i = 0; i < data.size(); ++i) {
        EXPECT_EQ(data[i].type, row.dataType) << i;
        if (i > 0)
            EXPECT_GE(data[i].address, data[i - 1].address + data[i - 1].data.size()) << i;
    }
    const QByteArray image = flatImage(data);
    EXPECT_EQ(image.size() % 2, 0) << "the loader takes even lengths only";
    drive.write("TC/main.bin", image);

    const Result dasm = run("C:\\TC", QString("dasmh83 ") + row.dasmArgs);
    ASSERT_EQ(dasm.exitCode, 0) << dasm.err.constData();
    QProcess objdump;
    objdump.start(QStandardPaths::findExecutable("h8300-hms-objdump"),
                  {"-d", QString("--start-address=0x%1").arg(row.mainOffset, 0, 16),
                   QString("--stop-address=0x%1").arg(row.mainOffset + 0x40, 0, 16),
                   drive.host("TC/main.abs")});
    ASSERT_TRUE(objdump.waitForFinished());
    const QStringList expected =
        instructions(objdump.readAllStandardOutput(), row.mainOffset, row.mainOffset + 0x20);
    ASSERT_GE(expected.size(), 4);
    EXPECT_EQ(instructions(dasm.out, row.mainOffset, row.mainOffset + 0x20), expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, CBuild,
                         ::testing::Values(CBuildRow{"Ram", "RESETV_RAM.MAR", "FFDF50", 0xFFDF50,
                                                     0xFFDF10, '2', '8',
                                                     "-offdf10 main.bin ffdf10,ffffff"},
                                           CBuildRow{"Rom", "RESETV_ROM.MAR", "200", 0x200, 0, '1',
                                                     '9', "-o0 main.bin 0,1000"}),
                         vesk::test::RowName());

TEST_F(ToolchainBuild, RomImageStartsWithTheResetVectorAndStoresDataAfterTheCode)
{
    drive.write("WORK/main.c", "long counter = 0x12345678;\nint main(void) { return 0; }\n");
    drive.write("WORK/RESETV.MAR", drive.read("TC/RESETV_ROM.MAR"));
    ASSERT_EQ(run("C:\\WORK", "C:\\TC\\a38h RESETV.MAR").exitCode, 0);
    compile("C:\\WORK\\main.C");
    ASSERT_EQ(run("C:\\TC", "l38h.exe C:\\WORK\\resetv.obj,main.obj -start=P(0200) "
                            "-output=main -library=c38hab")
                  .exitCode,
              0);
    ASSERT_EQ(run("C:\\TC", "c38h main.abs").exitCode, 0);
    const QByteArray image = flatImage(dataRecords(parseRecords(drive.read("TC/main.mot"))));
    ASSERT_GT(image.size(), 0x200);
    EXPECT_EQ(image.left(4), QByteArray::fromHex("00000100")); // reset -> start-up at 100
    // The initialised long sits in ROM behind the code, for the start-up code to copy.
    EXPECT_GT(image.indexOf(QByteArray::fromHex("12345678"), 0x200), 0x200);
}

// The address a map gives a symbol the layout defines ("0x...ffdf6c   ___bss_end = .").
std::optional<quint32> mapSymbol(const QByteArray &map, const QString &symbol)
{
    const QRegularExpression line("0x([0-9a-f]+)\\s+" + symbol + " = \\.");
    const auto m = line.match(QString::fromLatin1(map));
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toUInt(nullptr, 16);
}

struct RamDataRow
{
    const char *name;
    const char *source;
};

class RamData : public ToolchainBuild, public ::testing::WithParamInterface<RamDataRow>
{
};

TEST_P(RamData, ImageReachesTheEndOfTheBssAndHoldsItAsZeros)
{
    drive.write("WORK/main.c", GetParam().source);
    drive.write("WORK/RESETV.MAR", drive.read("TC/RESETV_RAM.MAR"));
    ASSERT_EQ(run("C:\\WORK", "C:\\TC\\a38h RESETV.MAR").exitCode, 0);
    compile("C:\\WORK\\main.C");
    const Result link = run("C:\\TC", "l38h.exe C:\\WORK\\resetv.obj,main.obj -start=P(0FFDF50) "
                                      "-output=main -print=main -library=c38hab");
    ASSERT_EQ(link.exitCode, 0) << link.err.constData();
    const Result srec = run("C:\\TC", "c38h main.abs");
    ASSERT_EQ(srec.exitCode, 0) << srec.err.constData();

    const QByteArray map = drive.read("TC/main.map");
    const auto bssStart = mapSymbol(map, "___bss_start");
    const auto bssEnd = mapSymbol(map, "___bss_end");
    ASSERT_TRUE(bssStart && bssEnd) << map.constData();
    ASSERT_GT(*bssEnd, *bssStart) << "the program has bss";
    const QList<Record> data = dataRecords(parseRecords(drive.read("TC/main.mot")));
    ASSERT_FALSE(data.isEmpty());
    ASSERT_EQ(data.first().address, 0xFFDF10u);
    const QByteArray image = flatImage(data);
    // The reset module clears nothing: the loaded image is all the RAM holds at the start.
    ASSERT_EQ(0xFFDF10u + quint32(image.size()), *bssEnd);
    EXPECT_EQ(image.mid(*bssStart - 0xFFDF10), QByteArray(*bssEnd - *bssStart, '\0'));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RamData,
    ::testing::Values(
        RamDataRow{"OnlyAnUninitialisedInt", "int count;\nint main(void) { return count++; }\n"},
        RamDataRow{"StaticBssWithoutData",
                   "static int ticks[3];\nint main(void) { return ++ticks[2]; }\n"},
        RamDataRow{"BssAfterInitialisedData",
                   "int count;\nint step = 3;\nint main(void) { return count += step; }\n"}),
    vesk::test::RowName());

// The address of a symbol of the program in a map ("0x...ffdf70      mark"; the map gives C
// names without their leading underscore).
std::optional<quint32> mapAddress(const QByteArray &map, const QString &symbol)
{
    const QRegularExpression line("^\\s+0x([0-9a-f]+)\\s+" + symbol + "\\s*$",
                                  QRegularExpression::MultilineOption);
    const auto m = line.match(QString::fromLatin1(map));
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toUInt(nullptr, 16);
}

struct StackRow
{
    const char *name;
    const char *resetModule;
    const char *start;
    const char *source;
    bool warns;
};

class StackRoom : public ToolchainBuild, public ::testing::WithParamInterface<StackRow>
{
};

// The link still succeeds; the warning counts the bytes between the end of the data (the map's
// ___bss_end) and the stack's top at FFFF10.
TEST_P(StackRoom, LinkWarnsWhenLessThan256BytesAreLeft)
{
    const StackRow &row = GetParam();
    drive.write("WORK/main.c", row.source);
    drive.write("WORK/RESETV.MAR", drive.read(QString("TC/") + row.resetModule));
    ASSERT_EQ(run("C:\\WORK", "C:\\TC\\a38h RESETV.MAR").exitCode, 0);
    compile("C:\\WORK\\main.C");
    const Result link = run("C:\\TC", QString("l38h.exe C:\\WORK\\resetv.obj,main.obj -start=P(0") +
                                          row.start + ") -output=main -print=main -library=c38hab");
    ASSERT_EQ(link.exitCode, 0) << link.err.constData();
    const auto bssEnd = mapSymbol(drive.read("TC/main.map"), "___bss_end");
    ASSERT_TRUE(bssEnd);
    const quint32 left = 0xFFFF10 - *bssEnd;
    EXPECT_EQ(left < 256, row.warns) << left;
    const QByteArray expected =
        row.warns ? "l38h: warning: only " + QByteArray::number(left) +
                        " bytes of RAM are left for the stack (256 or more advised)\n"
                  : QByteArray();
    EXPECT_EQ(link.err.toStdString(), expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StackRoom,
    ::testing::Values(
        StackRow{"RomBssLeaves192", "RESETV_ROM.MAR", "200",
                 "char big[8000];\nint main(void) { big[1] = 1; return big[0]; }\n", true},
        StackRow{"RomSmallData", "RESETV_ROM.MAR", "200",
                 "char small[7680];\nint main(void) { small[1] = 1; return small[0]; }\n", false},
        // A RAM program's code and data come before the bss in the same RAM.
        StackRow{"RamImageAndBss", "RESETV_RAM.MAR", "FFDF50",
                 "char big[7900];\nint main(void) { big[1] = 1; return big[0]; }\n", true},
        StackRow{"RamBlinkSized", "RESETV_RAM.MAR", "FFDF50",
                 "char led;\nint main(void) { led = 1; return 0; }\n", false}),
    vesk::test::RowName());

struct PaddedRow
{
    const char *name;
    const char *file; // below C:\WORK: "main.c", linked behind a reset module, or "main.mar"
    const char *source;
    bool rom;
    const char *symbol; // initialised data after the common, as the map names it
    const char *bytes;  // its value, in hexadecimal
};

class CommonBeforeData : public ToolchainBuild, public ::testing::WithParamInterface<PaddedRow>
{
};

// A common symbol of 16 bytes aligns the data section to 16; ld then pads the section before
// it in the file and counts the padding in that section's size.
TEST_P(CommonBeforeData, ImageHoldsEveryByteOnceAtItsAddress)
{
    const PaddedRow &row = GetParam();
    drive.write(QString("WORK/") + row.file, row.source);
    if (QString(row.file).endsWith(".c")) {
        drive.write("WORK/RESETV.MAR",
                    drive.read(row.rom ? "TC/RESETV_ROM.MAR" : "TC/RESETV_RAM.MAR"));
        ASSERT_EQ(run("C:\\WORK", "C:\\TC\\a38h RESETV.MAR").exitCode, 0);
        compile("C:\\WORK\\main.C");
        ASSERT_TRUE(drive.exists("TC/main.obj")) << drive.read("TC/err.txt").constData();
        drive.write("WORK/main.obj", drive.read("TC/main.obj"));
        const Result link =
            run("C:\\WORK", QString("C:\\TC\\l38h resetv.obj,main.obj "
                                    "-start=P(%1) -output=main -print -library=c38hab")
                                .arg(row.rom ? "0200" : "0FFDF50"));
        ASSERT_EQ(link.exitCode, 0) << link.err.constData();
    } else {
        ASSERT_EQ(run("C:\\WORK", "C:\\TC\\a38h main.mar").exitCode, 0);
        const Result link = run("C:\\WORK", "C:\\TC\\l38h main.obj -print");
        ASSERT_EQ(link.exitCode, 0) << link.err.constData();
    }
    const Result srec = run("C:\\WORK", "C:\\TC\\c38h main.abs");
    ASSERT_EQ(srec.exitCode, 0) << srec.err.constData();

    const QList<Record> data = dataRecords(parseRecords(drive.read("WORK/main.mot")));
    ASSERT_FALSE(data.isEmpty());
    QSet<quint32> written;
    for (const Record &r : data) {
        for (quint32 i = 0; i < quint32(r.data.size()); ++i) {
            ASSERT_FALSE(written.contains(r.address + i))
                << "two records write " << std::hex << r.address + i;
            written.insert(r.address + i);
        }
    }

    const QByteArray map = drive.read("WORK/main.map");
    const auto symbol = mapAddress(map, row.symbol);
    ASSERT_TRUE(symbol) << map.constData();
    quint32 load = *symbol;
    if (row.rom) {
        // The start-up code copies it from behind the code in ROM.
        const auto dataStart = mapSymbol(map, "___data_start");
        const auto dataLoad = mapSymbol(map, "___data_load");
        ASSERT_TRUE(dataStart && dataLoad) << map.constData();
        load = *symbol - *dataStart + *dataLoad;
    }
    const QByteArray value = QByteArray::fromHex(row.bytes);
    // The flat image is what the board receives.
    const QByteArray image = flatImage(data);
    EXPECT_EQ(image.mid(load - data.first().address, value.size()).toHex(), value.toHex())
        << "at " << std::hex << load;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CommonBeforeData,
    ::testing::Values(PaddedRow{"CInRam", "main.c",
                                "unsigned char big[16];\nvolatile unsigned short mark = 0x1234;\n"
                                "int main(void) { big[0] = 1; return mark; }\n",
                                false, "mark", "1234"},
                      PaddedRow{"CInRom", "main.c",
                                "unsigned char big[16];\nvolatile unsigned short mark = 0x1234;\n"
                                "int main(void) { big[0] = 1; return mark; }\n",
                                true, "mark", "1234"},
                      PaddedRow{
                          "AssemblerInRam", "main.mar",
                          "\t.h8300h\n\t.text\n\tmov.w @_x,r0\n\tmov.b r0l,@_buf\n1:\tbra 1b\n"
                          "\t.comm _buf,16\n\t.data\n\t.byte 1\n\t.align 4\n\t.global _x\n"
                          "_x:\t.word 0x5678\n",
                          false, "x", "5678"}),
    vesk::test::RowName());

TEST_F(ToolchainBuild, AssemblyBuildCommandLinesProduceTheirFiles)
{
    drive.write("WORK/TEST.mar", drive.read("TC/samples/sample.mar"));
    drive.write("WORK/test.OBJ", "stale"); // same file, other letter case

    const Result a = run("C:\\WORK", "C:\\TC\\a38h TEST.mar");
    ASSERT_EQ(a.exitCode, 0) << a.err.constData();
    EXPECT_TRUE(drive.exists("WORK/TEST.lis"));
    EXPECT_TRUE(drive.read("WORK/test.OBJ").startsWith("\x83\x01")) << "replaced, not doubled";
    EXPECT_FALSE(drive.exists("WORK/TEST.obj"));

    const Result l = run("C:\\WORK", "C:\\TC\\l38h TEST.obj");
    ASSERT_EQ(l.exitCode, 0) << l.err.constData();
    const Result c = run("C:\\WORK", "C:\\TC\\c38h TEST.abs");
    ASSERT_EQ(c.exitCode, 0) << c.err.constData();

    const QList<Record> data = dataRecords(parseRecords(drive.read("WORK/TEST.mot")));
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(data.first().address, 0xFFDF10u) << "no -start: the loader's address";
    const QByteArray image = flatImage(data);
    EXPECT_TRUE(image.startsWith(QByteArray::fromHex("7a0700ffff10"))); // mov.l #FFFF10,er7
    EXPECT_EQ(image.size() % 2, 0) << "the loader takes even lengths only";
    EXPECT_EQ(entries("WORK"),
              QStringList({"TEST.abs", "TEST.lis", "TEST.mar", "TEST.mot", "test.OBJ"}));
}

TEST_F(ToolchainBuild, CompileErrorLeavesNoObjectAndItsMessageInErrTxt)
{
    drive.write("WORK/bad.c", "int main(void)\n{\n    int x = ;\n    return x;\n}\n");
    compile("C:\\WORK\\bad.C");
    EXPECT_FALSE(drive.exists("TC/bad.obj"));
    const QByteArray messages = drive.read("TC/err.txt");
    EXPECT_TRUE(messages.contains("C:\\WORK\\bad.C:3: error")) << messages.constData();
    EXPECT_TRUE(messages.endsWith("\r\n"));

    const Result direct =
        run("C:\\TC", "cc38h.exe -abs16 -CPU=300HA -INCLUDE=C:\\TC\\ C:\\WORK\\bad.C");
    EXPECT_NE(direct.exitCode, 0);
    EXPECT_TRUE(direct.err.isEmpty()) << "every message goes to standard output";
}

// cc38h hands gcc a rewritten copy of a source with "#pragma interrupt": its messages still
// name the user's file and lines, and "..." includes are still found beside it.
TEST_F(ToolchainBuild, MessagesOfASourceWithInterruptPragmasNameItsLines)
{
    drive.write("WORK/mine.h", "extern int ticks;\n");
    drive.write("WORK/bad.c", "#include \"mine.h\"\n#pragma interrupt(int_imia0)\n"
                              "void int_imia0(void) { ticks++; }\n"
                              "int main(void)\n{\n    int x = ;\n    return x;\n}\n");
    compile("C:\\WORK\\bad.C");
    EXPECT_FALSE(drive.exists("TC/bad.obj"));
    const QByteArray messages = drive.read("TC/err.txt");
    EXPECT_TRUE(messages.contains("C:\\WORK\\bad.C:6: error")) << messages.constData();
    EXPECT_FALSE(messages.contains("mine.h")) << messages.constData();
}

struct FailureRow
{
    const char *name;
    QList<QPair<QString, QByteArray>> files; // below C:\WORK
    QStringList setup;                       // command lines that must succeed first
    QString command;
    QStringList absent;         // outputs that must not exist afterwards
    const char *says = nullptr; // part of the message, where it matters
};

class ToolFailure : public ToolchainBuild, public ::testing::WithParamInterface<FailureRow>
{
};

TEST_P(ToolFailure, ExitsNonZeroAndLeavesNoOutput)
{
    const FailureRow &row = GetParam();
    for (const auto &[name, bytes] : row.files)
        drive.write("WORK/" + name, bytes);
    for (const QString &line : row.setup)
        ASSERT_EQ(run("C:\\WORK", line).exitCode, 0) << qPrintable(line);

    const Result r = run("C:\\WORK", row.command);
    EXPECT_GT(r.exitCode, 0);
    EXPECT_FALSE(r.err.isEmpty()) << "a failure says why";
    if (row.says)
        EXPECT_TRUE(r.err.contains(row.says)) << r.err.constData();
    for (const QString &name : row.absent)
        EXPECT_FALSE(drive.exists("WORK/" + name)) << qPrintable(name);
    for (const QString &name : entries("WORK"))
        EXPECT_FALSE(name.startsWith(u'.')) << "staging left behind: " << qPrintable(name);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToolFailure,
    ::testing::Values(
        FailureRow{"AssemblerError",
                   {{"bad.mar", "\tfoo r1\n"}},
                   {},
                   "C:\\TC\\a38h bad.mar",
                   {"bad.obj", "bad.lis"}},
        FailureRow{"UndefinedSymbol",
                   {{"x.mar", "\tjsr @_missing\n"}},
                   {"C:\\TC\\a38h x.mar"},
                   "C:\\TC\\l38h x.obj -print=x",
                   {"x.abs", "x.map"}},
        FailureRow{"StartOverlapsAPlacedSection",
                   {{"y.mar", "\t.section .0FFDF10,\"x\"\n\tnop\n\tnop\n\t.text\n\tnop\n"}},
                   {"C:\\TC\\a38h y.mar"},
                   "C:\\TC\\l38h y.obj -start=P(0FFDF12) -print",
                   {"y.abs", "y.map"}},
        FailureRow{"DataBeyondTheEndOfRam",
                   {{"z.mar", "\t.data\n\t.space 0x2010\n"}},
                   {"C:\\TC\\a38h z.mar"},
                   "C:\\TC\\l38h z.obj",
                   {"z.abs"}},
        FailureRow{"CSectionTheLayoutDoesNotPlace",
                   {{"font.c", "__attribute__((section(\".font\"))) const char glyph[2] = {1, 2};\n"
                               "int main(void) { return glyph[1]; }\n"}},
                   {"C:\\TC\\cc38h -abs16 -CPU=300HA -INCLUDE=C:\\TC\\ font.c"},
                   "C:\\TC\\l38h font.obj -print",
                   {"font.abs", "font.map"},
                   "l38h: font.obj: section .font is not placed"},
        FailureRow{"AssemblerSectionTheLayoutDoesNotPlace",
                   {{"v.mar", "\t.text\n\tnop\n\t.section .vec\n\t.long 0\n"}},
                   {"C:\\TC\\a38h v.mar"},
                   "C:\\TC\\l38h v.obj",
                   {"v.abs"},
                   "section .vec is not placed"},
        FailureRow{"LinkingSomethingElse",
                   {{"junk.obj", "hello"}},
                   {},
                   "C:\\TC\\l38h junk.obj",
                   {"junk.abs"}},
        FailureRow{"ConvertingSomethingElse",
                   {{"junk.abs", "hello"}},
                   {},
                   "C:\\TC\\c38h junk.abs",
                   {"junk.mot"}},
        FailureRow{"DisassemblingAMissingImage", {}, {}, "C:\\TC\\dasmh83 -o0 none.bin 0,10", {}}),
    vesk::test::RowName());

TEST_F(ToolchainBuild, LibraryMemberWithASectionTheLayoutDoesNotPlaceIsRefused)
{
    drive.write("WORK/font.mar", "\t.section .font\n\t.global _glyph\n_glyph:\t.byte 1, 2\n");
    drive.write("WORK/main.mar", "\t.text\n\tmov.l #_glyph,er0\n");
    ASSERT_EQ(run("C:\\WORK", "C:\\TC\\a38h font.mar").exitCode, 0);
    ASSERT_EQ(run("C:\\WORK", "C:\\TC\\a38h main.mar").exitCode, 0);
    QProcess ar;
    ar.setWorkingDirectory(hostDir("C:\\WORK"));
    ar.start(QStandardPaths::findExecutable("h8300-hms-ar"), {"rcs", "fonts.lib", "font.obj"});
    ASSERT_TRUE(ar.waitForFinished());
    ASSERT_EQ(ar.exitCode(), 0);

    const Result r = run("C:\\WORK", "C:\\TC\\l38h main.obj -library=fonts -print");
    EXPECT_GT(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("section .font is not placed")) << r.err.constData();
    EXPECT_FALSE(drive.exists("WORK/main.abs"));
    EXPECT_FALSE(drive.exists("WORK/main.map"));
}

struct OptionNameRow
{
    const char *name;
    const char *base; // a file name that reads as an option of the GNU tools
};

class OptionLikeNames : public ToolchainBuild, public ::testing::WithParamInterface<OptionNameRow>
{
};

TEST_P(OptionLikeNames, ReachTheToolsAsFiles)
{
    const QString base = GetParam().base;
    const QString dos = "C:\\WORK\\" + base;
    drive.write("WORK/" + base + ".mar", drive.read("TC/samples/sample.mar"));
    for (const QString &line : {"C:\\TC\\a38h " + dos + ".mar", "C:\\TC\\l38h " + dos + ".obj",
                                "C:\\TC\\c38h " + dos + ".abs"}) {
        const Result r = run("C:\\WORK", line);
        ASSERT_EQ(r.exitCode, 0) << qPrintable(line) << "\n" << r.err.constData();
    }
    const QList<Record> data = dataRecords(parseRecords(drive.read("WORK/" + base + ".mot")));
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(data.first().address, 0xFFDF10u);

    // The image under the bare name, which objdump would take for its option.
    drive.write("WORK/" + base, flatImage(data));
    const Result dasm = run("C:\\WORK", "C:\\TC\\dasmh83 -offdf10 " + dos + " ,");
    ASSERT_EQ(dasm.exitCode, 0) << dasm.err.constData();
    EXPECT_FALSE(dasm.out.contains("Usage")) << dasm.out.constData();
    EXPECT_FALSE(dasm.out.contains("GNU objdump")) << dasm.out.constData();
    EXPECT_TRUE(instructions(dasm.out, 0xFFDF10, 0xFFDF20).first().startsWith("ffdf10: 7a 07"))
        << dasm.out.constData();
}

INSTANTIATE_TEST_SUITE_P(Rows, OptionLikeNames,
                         ::testing::Values(OptionNameRow{"Version", "-V"},
                                           OptionNameRow{"Help", "--help"}),
                         vesk::test::RowName());

} // namespace
