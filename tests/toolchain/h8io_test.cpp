// The register headers as the cross tools see them: every name of h8io.h is compiled by the C
// compiler and every name of h8io.inc assembled, each into a table in .data, and the tables
// compared with each other and with addresses from the chip's manual.
#include "support/rowname.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace {

struct Headers
{
    QString error;
    QStringList cNames;
    QStringList asmNames;
    std::map<QString, quint32> cValue;
    std::map<QString, quint32> cSize; // 0 for a value that is not a register
    std::map<QString, quint32> asmValue;
};

QString includeDir()
{
    return qEnvironmentVariable("VESK_SOURCE_DIR") + "/toolchain/include";
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll());
}

bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toLatin1()) == text.size();
}

QString run(const QString &program, const QStringList &args, const QString &dir)
{
    QProcess process;
    process.setWorkingDirectory(dir);
    process.start(program, args);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return program + " " + args.join(' ') + ": " +
               QString::fromLocal8Bit(process.readAllStandardError());
    return {};
}

// The .data section of an object as big-endian longs.
QList<quint32> dataLongs(const QString &object, const QString &dir, QString *error)
{
    const QString bin = object + ".bin";
    *error = run("h8300-hms-objcopy", {"-O", "binary", "-j", ".data", object, bin}, dir);
    QFile file(dir + "/" + bin);
    if (!error->isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QList<quint32> longs;
    for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4)
        longs << (quint32(quint8(bytes[i])) << 24 | quint32(quint8(bytes[i + 1])) << 16 |
                  quint32(quint8(bytes[i + 2])) << 8 | quint32(quint8(bytes[i + 3])));
    return longs;
}

Headers build()
{
    Headers h;
    const QString header = readText(includeDir() + "/h8io.h");
    const QString inc = readText(includeDir() + "/h8io.inc");
    if (header.isEmpty() || inc.isEmpty())
        return {.error = "cannot read the headers in " + includeDir()};

    // The macros taking arguments and the include guard have no value after the name.
    const QRegularExpression define("^#define[ \\t]+(\\w+)[ \\t]+(\\S+)",
                                    QRegularExpression::MultilineOption);
    QSet<QString> registers;
    for (const auto &m : define.globalMatch(header)) {
        h.cNames << m.captured(1);
        if (m.captured(2).startsWith("H8_REG"))
            registers.insert(m.captured(1));
    }
    const QRegularExpression equ("^\\s*\\.equ\\s+(\\w+)\\s*,", QRegularExpression::MultilineOption);
    for (const auto &m : equ.globalMatch(inc))
        h.asmNames << m.captured(1);

    QString c = "#include \"h8io.h\"\nunsigned long v[] = {\n";
    for (const QString &name : h.cNames)
        c += registers.contains(name) ? QString("(unsigned long)&%1, sizeof(%1),\n").arg(name)
                                      : QString("(unsigned long)(%1), 0,\n").arg(name);
    c += "};\n";
    QString s = "\t.h8300h\n\t.include \"h8io.inc\"\n\t.data\n";
    for (const QString &name : h.asmNames)
        s += "\t.long\t" + name + "\n";

    QTemporaryDir dir;
    if (!dir.isValid() || !writeText(dir.filePath("names.c"), c) ||
        !writeText(dir.filePath("names.s"), s))
        return {.error = "cannot write the probe sources"};
    // -Werror: a header that warns in a student's program is a fault too.
    h.error = run("h8300-hms-gcc",
                  {"-mh", "-Wall", "-Werror", "-I", includeDir(), "-c", "names.c", "-o", "c.o"},
                  dir.path());
    if (h.error.isEmpty())
        h.error = run("h8300-hms-as", {"-I", includeDir(), "names.s", "-o", "s.o"}, dir.path());
    if (!h.error.isEmpty())
        return h;
    const QList<quint32> cLongs = dataLongs("c.o", dir.path(), &h.error);
    if (!h.error.isEmpty())
        return h;
    const QList<quint32> asmLongs = dataLongs("s.o", dir.path(), &h.error);
    if (!h.error.isEmpty())
        return h;
    if (cLongs.size() != 2 * h.cNames.size() || asmLongs.size() != h.asmNames.size())
        return {.error = "the probe objects do not hold one entry per name"};
    for (qsizetype i = 0; i < h.cNames.size(); ++i) {
        h.cValue[h.cNames[i]] = cLongs[2 * i];
        h.cSize[h.cNames[i]] = cLongs[2 * i + 1];
    }
    for (qsizetype i = 0; i < h.asmNames.size(); ++i)
        h.asmValue[h.asmNames[i]] = asmLongs[i];
    return h;
}

class H8io : public testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("h8300-hms-gcc").isEmpty())
            GTEST_SKIP() << "the cross compiler h8300-hms-gcc is not installed";
        static const Headers built = build();
        ASSERT_TRUE(built.error.isEmpty()) << built.error.toStdString();
        h = &built;
    }

    const Headers *h = nullptr;
};

TEST_F(H8io, BothHeadersDefineTheSameNames)
{
    const QSet<QString> c(h->cNames.begin(), h->cNames.end());
    const QSet<QString> asmNames(h->asmNames.begin(), h->asmNames.end());
    EXPECT_EQ(c.size(), h->cNames.size()) << "h8io.h defines a name twice";
    EXPECT_EQ(asmNames.size(), h->asmNames.size()) << "h8io.inc defines a name twice";
    EXPECT_TRUE((c - asmNames).isEmpty())
        << "only in h8io.h: " << QStringList((c - asmNames).values()).join(' ').toStdString();
    EXPECT_TRUE((asmNames - c).isEmpty())
        << "only in h8io.inc: " << QStringList((asmNames - c).values()).join(' ').toStdString();
}

TEST_F(H8io, BothHeadersGiveTheSameValues)
{
    for (const auto &[name, value] : h->asmValue) {
        const auto c = h->cValue.find(name);
        if (c != h->cValue.end())
            EXPECT_EQ(c->second, value) << name.toStdString() << std::hex << ": 0x" << c->second
                                        << " in C, 0x" << value << " in assembler";
    }
}

// Bytes of the register space each register covers may belong to one register only, except
// where the manual puts two at one address: the watchdog's word-wide write addresses lie over
// its byte-wide read addresses.
TEST_F(H8io, NoTwoRegistersShareAnAddress)
{
    const std::set<std::pair<QString, QString>> shared = {
        {"WDT_TCSR", "WDT_TCSRW"}, {"WDT_TCNT", "WDT_TCSRW"}, {"WDT_RSTCSR", "WDT_RSTCSRW"}};
    std::map<quint32, QString> owner;
    for (const auto &[name, size] : h->cSize) {
        for (quint32 byte = h->cValue.at(name); byte < h->cValue.at(name) + size; ++byte) {
            const auto [it, added] = owner.emplace(byte, name);
            if (!added) {
                const auto pair = std::minmax(it->second, name);
                EXPECT_TRUE(shared.count({pair.first, pair.second}))
                    << name.toStdString() << " and " << it->second.toStdString() << " share 0x"
                    << std::hex << byte;
            }
        }
    }
}

TEST_F(H8io, WideRegistersStartAtEvenAddresses)
{
    for (const auto &[name, size] : h->cSize)
        if (size > 1)
            EXPECT_EQ(h->cValue.at(name) % 2, 0u) << name.toStdString();
}

struct ManualRow
{
    const char *name;
    const char *symbol;
    quint32 value; // address of a register, else the value
    quint32 size;  // bytes of a register, 0 for a bit mask or other value
};

void PrintTo(const ManualRow &row, std::ostream *os)
{
    *os << row.symbol;
}

class H8ioManual : public H8io, public testing::WithParamInterface<ManualRow>
{
};

TEST_P(H8ioManual, MatchesTheManual)
{
    const ManualRow &row = GetParam();
    ASSERT_TRUE(h->cValue.count(row.symbol)) << row.symbol << " is not in h8io.h";
    EXPECT_EQ(h->cValue.at(row.symbol), row.value) << std::hex << "0x" << h->cValue.at(row.symbol);
    EXPECT_EQ(h->cSize.at(row.symbol), row.size);
}

// One register or bit per unit, from the manual's list of registers in address order.
INSTANTIATE_TEST_SUITE_P(Registers, H8ioManual,
                         testing::Values(ManualRow{"PortBData", "PBDR", 0xFFFFD6, 1},
                                         ManualRow{"PortADirection", "PADDR", 0xFFFFD1, 1},
                                         ManualRow{"Port5PullUp", "P5PCR", 0xFFFFDB, 1},
                                         ManualRow{"Serial1Receive", "SCI1_RDR", 0xFFFFBD, 1},
                                         ManualRow{"Serial0SmartCard", "SCI0_SCMR", 0xFFFFB6, 1},
                                         ManualRow{"SerialTransmitEnable", "SCR_TE", 0x20, 0},
                                         ManualRow{"SerialTransmitEmpty", "SSR_TDRE", 0x80, 0},
                                         ManualRow{"TimerStart", "TSTR", 0xFFFF60, 1},
                                         ManualRow{"Timer4GeneralB", "GRB4", 0xFFFF9A, 2},
                                         ManualRow{"TimerStartChannel4", "TSTR_STR4", 0x10, 0},
                                         ManualRow{"TimerClearOnA", "TCR_CCLR0", 0x20, 0},
                                         ManualRow{"TimerOverflowEnable", "TIER_OVIE", 0x04, 0},
                                         ManualRow{"TimerMatchFlagB", "TSR_IMFB", 0x02, 0},
                                         ManualRow{"PatternNextDataA", "NDRA", 0xFFFFA5, 1},
                                         ManualRow{"WatchdogCounterRead", "WDT_TCNT", 0xFFFFA9, 1},
                                         ManualRow{"WatchdogWrite", "WDT_TCSRW", 0xFFFFA8, 2},
                                         ManualRow{"WatchdogCounterKey", "WDT_TCNT_KEY", 0x5A00, 0},
                                         ManualRow{"RefreshConstant", "RTCOR", 0xFFFFAF, 1},
                                         ManualRow{"DmaMemoryAddress1B", "MAR1B", 0xFFFF38, 4},
                                         ManualRow{"DmaTransferCount0B", "ETCR0B", 0xFFFF2C, 2},
                                         ManualRow{"DmaControl1A", "DTCR1A", 0xFFFF37, 1},
                                         ManualRow{"AdResultD", "ADDRD", 0xFFFFE6, 2},
                                         ManualRow{"AdControl", "ADCR", 0xFFFFE9, 1},
                                         ManualRow{"AdEndFlag", "ADCSR_ADF", 0x80, 0},
                                         ManualRow{"DaData1", "DADR1", 0xFFFFDD, 1},
                                         ManualRow{"DaControl", "DACR", 0xFFFFDE, 1},
                                         ManualRow{"FlashEraseBlocks2", "EBR2", 0xFFFF43, 1},
                                         ManualRow{"BusWidth", "ABWCR", 0xFFFFEC, 1},
                                         ManualRow{"ChipSelects", "CSCR", 0xFFFF5F, 1},
                                         ManualRow{"BusRelease", "BRCR", 0xFFFFF3, 1},
                                         ManualRow{"ModeControl", "MDCR", 0xFFFFF1, 1},
                                         ManualRow{"UserBitEnable", "SYSCR_UE", 0x08, 0},
                                         ManualRow{"IrqSense", "ISCR", 0xFFFFF4, 1},
                                         ManualRow{"PrioritySerial0", "IPRB_SCI0", 0x08, 0},
                                         ManualRow{"Irq5Flag", "ISR_IRQ5F", 0x20, 0}),
                         vesk::test::RowName());

} // namespace
