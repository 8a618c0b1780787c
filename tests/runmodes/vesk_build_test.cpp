// Runs vesk-build from the build tree in a workspace of its own, with the bundled toolchain,
// and checks what it prints and how it exits for each run mode.
#include "runmodes/toolrun.h"
#include "support/rowname.h"
#include "support/tempdrive.h"
#include "support/toolchain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::copyTree;

namespace {

// What the test puts into the workspace before the run, at a path below it.
struct Placed
{
    enum Kind { File, Folder, Removed };
    const char *path;
    Kind kind;
    QByteArray bytes = {};
};

struct Case
{
    const char *name;
    // "/WS" stands for the workspace's host path.
    std::vector<const char *> args;
    std::vector<Placed> placed;
    int exitCode;
    // The log's stage lines on standard output, in order, each ended by LF alone; the tools'
    // messages that the log also holds are not counted.
    std::vector<const char *> stages;
    // The lines of vesk-build's own on standard error (the first line of each message).
    std::vector<const char *> messages;
    // For a success, a file the mode leaves behind and a pattern its text matches.
    const char *made = nullptr;
    const char *madePattern = "";
    // Text that standard output holds besides the stages.
    const char *printed = nullptr;
};

const char *const kBlinkStages[] = {"blink:RESETV ＯＫ", "blink:コンパイルＯＫ", "blink:リンクＯＫ",
                                    "blink:ＭＯＴコンバートＯＫ", "blink:ＢＩＮコンバートＯＫ"};
const std::vector<const char *> kBlink(std::begin(kBlinkStages), std::end(kBlinkStages));
// A flat image of "mov.w #0x1234,r0" and "rts".
const QByteArray kProgram("\x79\x00\x12\x34\x54\x70", 6);
const QByteArray kTinyMot("S107000001020304EE\r\nS9030000FC\r\n");

const Case kCases[] = {
    {"CompileForRamFromARelativePath",
     {"compile", "src/blink.c"},
     {},
     0,
     kBlink,
     {},
     "src/blink.map",
     R"(0x0+ffdf50 +main)"},
    {"CompileForRomLinksAtTheRomOffset",
     {"compile", "C:\\SRC\\BLINK.C", "--rom"},
     {},
     0,
     kBlink,
     {},
     "src/blink.map",
     R"(0x0+200 +main)"},
    {"CompileAtAnOffsetOfItsOwn",
     {"compile", "src/blink.c", "--offset", "ffe100"},
     {},
     0,
     kBlink,
     {},
     "src/blink.map",
     R"(0x0+ffe100 +main)"},
    {"CompileErrorPrintsTheCompilersMessages",
     {"compile", "src/bad.c"},
     {{"src/bad.c", Placed::File, "int main(void) { return x; }\n"}},
     1,
     {"bad:RESETV ＯＫ"},
     {"vesk-build: コンパイル　エラー"},
     nullptr,
     "",
     "`x' undeclared"},
    {"CompilePrintsTheLinkersWarningAfterItsOkLine",
     {"compile", "src/stk.c"},
     {{"src/stk.c", Placed::File,
       "char big[7900];\nint main(void) { big[1] = 1; return big[0]; }\n"}},
     0,
     {"stk:RESETV ＯＫ", "stk:コンパイルＯＫ", "stk:リンクＯＫ", "stk:ＭＯＴコンバートＯＫ",
      "stk:ＢＩＮコンバートＯＫ"},
     {},
     "src/stk.bin",
     "",
     "stk:リンクＯＫ\nl38h: warning: only "},
    {"AssembleThroughToTheImage",
     {"assemble", "src/sample.mar"},
     {},
     0,
     {"sample:アセンブルＯＫ", "sample:リンクＯＫ", "sample:ＭＯＴコンバートＯＫ",
      "sample:ＢＩＮコンバートＯＫ"},
     {},
     "src/sample.bin"},
    // A name that starts with '-' reaches each tool as a file, never as an option.
    {"SourceNamedLikeAnOption",
     {"assemble", "--", "-a.mar"},
     {{"-a.mar", Placed::File, "\t.text\n\tnop\n\tsleep\n"}},
     0,
     {"-a:アセンブルＯＫ", "-a:リンクＯＫ", "-a:ＭＯＴコンバートＯＫ", "-a:ＢＩＮコンバートＯＫ"},
     {},
     "-a.bin"},
    {"CSourceNamedLikeAnOption",
     {"compile", "--", "-c.c"},
     {{"-c.c", Placed::File, "int main(void) { return 0; }\n"}},
     0,
     {"-c:RESETV ＯＫ", "-c:コンパイルＯＫ", "-c:リンクＯＫ", "-c:ＭＯＴコンバートＯＫ",
      "-c:ＢＩＮコンバートＯＫ"},
     {},
     "-c.bin"},
    {"AssemblerErrorEndsTheBuild",
     {"assemble", "src/bad.mar"},
     {{"src/bad.mar", Placed::File, "\tfrob r9\n"}},
     1,
     {},
     {"vesk-build: アセンブル　エラー"},
     nullptr,
     "",
     "bad.mar:1: Error: unknown opcode"},
    {"MotMakesTheImage",
     {"mot", "/WS/src/tiny.mot"},
     {{"src/tiny.mot", Placed::File, kTinyMot}},
     0,
     {},
     {},
     "src/tiny.bin",
     "^\x01\x02\x03\x04$",
     "tiny:ＢＩＮコンバートＯＫ（tiny.BIN 4 バイト）"},
    {"MotFailsWhereTheImageCannotBeWritten",
     {"mot", "src/tiny.mot"},
     {{"src/tiny.mot", Placed::File, kTinyMot}, {"src/tiny.bin", Placed::Folder}},
     1,
     {},
     {"vesk-build: ファイルを作成できません。"}},
    {"DasmWaitsForTheListing",
     {"dasm", "src/prog.bin"},
     {{"src/prog.bin", Placed::File, kProgram}},
     0,
     {},
     {},
     "src/out.txt",
     R"(mov.w\s+#0x1234,r0(.|\n)*rts)",
     "C:\\src\\out.txt に逆アセンブルしました"},
    {"DasmWithoutTheDisassemblerFails",
     {"dasm", "src/prog.bin"},
     {{"src/prog.bin", Placed::File, kProgram}, {"tools/dasmh83.exe", Placed::Removed}},
     1,
     {},
     {"vesk-build: 逆アセンブル　エラー"}},
    {"BadOffsetIsAUsageError",
     {"compile", "src/blink.c", "--offset", "12G"},
     {},
     2,
     {},
     {"vesk-build: bad offset 12G (hexadecimal, at most FFFFFF)"}},
    {"FileOfAnotherModeIsAUsageError",
     {"compile", "src/sample.mar"},
     {},
     2,
     {},
     {"vesk-build: compile takes a *.c file"}},
};

void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

// The lines of a program's output that `keep` selects, one per line.
template <typename Keep> std::string linesWhere(const QByteArray &output, Keep keep)
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(output).split(u'\n')) {
        if (keep(line))
            lines << line;
    }
    return lines.join(u'\n').toStdString();
}

std::string joined(const std::vector<const char *> &lines)
{
    std::string out;
    for (const char *line : lines)
        out += (out.empty() ? "" : "\n") + std::string(line);
    return out;
}

class VeskBuild : public testing::TestWithParam<Case>
{
protected:
    void SetUp() override
    {
        const QString build = qEnvironmentVariable("VESK_BINARY_DIR");
        if (const QString why = vesk::test::toolchainMissing(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        // As vesk-workspace lays one out: C: is the workspace, sources in src, tools in tools.
        const QString ws = m_dir.path();
        copyTree(build + "/toolchain", ws + "/tools");
        copyTree(build + "/templates", ws);
        copyTree(build + "/toolchain/samples", ws + "/src");
        QDir(ws).mkpath("dosdevices");
        QFile::link(ws, ws + "/dosdevices/c:");
        writeFile("H8C.ini", "C:\\src\\\r\nFFDF50\r\nC:\\tools\\\r\nFFDF50\r\n200\r\n");
        // The C build writes the batch files; here no C build runs before a disassembly.
        ASSERT_FALSE(MakeBat(DosFs(DriveMap::fromFolder(ws + "/dosdevices"), ws + "/tools")));
    }

    void writeFile(const QString &relative, const QByteArray &bytes)
    {
        QFile f(m_dir.filePath(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    // The text of a file the mode made, whatever letter case it was given.
    QByteArray made(const QString &relative)
    {
        const QFileInfo info(m_dir.filePath(relative));
        const QStringList found = info.dir().entryList({info.fileName()}, QDir::Files);
        QFile f(info.dir().filePath(found.value(0)));
        return !found.isEmpty() && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

TEST_P(VeskBuild, ExitsAndPrintsAsTheModeEnded)
{
    const Case &c = GetParam();
    for (const Placed &p : c.placed) {
        if (p.kind == Placed::File)
            writeFile(p.path, p.bytes);
        else if (p.kind == Placed::Folder)
            QDir(m_dir.path()).mkpath(p.path);
        else
            QFile::remove(m_dir.filePath(p.path));
    }
    QStringList args;
    for (const char *arg : c.args)
        args << QString::fromUtf8(arg).replace("/WS", m_dir.path());

    QProcess tool;
    tool.setWorkingDirectory(m_dir.path());
    tool.start(qEnvironmentVariable("VESK_BINARY_DIR") + "/bin/vesk-build", args);
    ASSERT_TRUE(tool.waitForFinished(60000));
    const QByteArray out = tool.readAllStandardOutput();
    const QByteArray err = tool.readAllStandardError();
    const std::string context = "stdout:\n" + out.toStdString() + "\nstderr:\n" + err.toStdString();
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), c.exitCode) << context;

    EXPECT_EQ(linesWhere(out, [](const QString &line) { return line.endsWith("ＯＫ"); }),
              joined(c.stages))
        << context;
    if (c.printed)
        EXPECT_TRUE(out.contains(c.printed)) << context;
    EXPECT_EQ(linesWhere(err, [](const QString &line) { return line.startsWith("vesk-build: "); }),
              joined(c.messages))
        << context;

    if (c.made) {
        const QString text = QString::fromLatin1(made(c.made));
        EXPECT_TRUE(text.contains(QRegularExpression(QString::fromLatin1(c.madePattern))))
            << c.made << ":\n"
            << text.toStdString();
    }
    EXPECT_EQ(made("H8C.ini"), "C:\\src\\\r\nFFDF50\r\nC:\\tools\\\r\nFFDF50\r\n200\r\n")
        << "the settings file is the window's to write";
}

INSTANTIATE_TEST_SUITE_P(Modes, VeskBuild, testing::ValuesIn(kCases), vesk::test::RowName());

} // namespace
