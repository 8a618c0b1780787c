// vesk-build MODE FILE: runs one of the window's four run modes on FILE without a window. It
// starts up as the window does in the current directory (its H8C.ini and drive map), prints
// the log as it grows (a failed tool's messages are in it, as in the window), and prints what
// the window would show in a box on standard error.

#include "platform/commandline.h"
#include "platform/dosfs.h"
#include "platform/eventwait.h"
#include "platform/fileio.h"
#include "platform/process.h"
#include "runmodes/builddriver.h"
#include "state/buildview.h"
#include "state/mainstate.h"
#include "state/notifier.h"
#include "state/settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <optional>

using namespace vesk;

namespace {

constexpr int kUsageError = 2;
// The stage lines of a C build that got through to its image.
constexpr int kCompileStages = 5;

// The modes in the order of the window's Option1, with the files each one lists.
enum ModeIndex { kAssemble, kMot, kCompile, kDasm };
struct Mode
{
    const char *word;
    ModeIndex index;
    const char *pattern;
};
constexpr Mode kModes[] = {
    {"compile", kCompile, "*.c"},
    {"assemble", kAssemble, "*.mar"},
    {"mot", kMot, "*.mot"},
    {"dasm", kDasm, "*.bin"},
};

const Mode *modeNamed(const QString &word)
{
    for (const Mode &mode : kModes) {
        if (word == QLatin1String(mode.word))
            return &mode;
    }
    return nullptr;
}

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    // The log (with the tools' messages the build keeps) and the messages of this tool share a
    // terminal; keep the order they came in.
    std::fflush(stream);
}

class ConsoleView : public BuildView
{
public:
    ConsoleView(const QString &file, const QString &dir, int mode, bool rom)
        : m_file(file), m_dir(dir), m_mode(mode), m_rom(rom)
    {
    }

    QString log() const override { return m_log; }
    void setLog(const QString &text) override
    {
        // The driver only clears the log or appends to it: whatever is new gets printed.
        QString added = text.startsWith(m_log) ? text.mid(m_log.size()) : text;
        m_log = text;
        added.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        added.replace(u'\r', u'\n');
        print(stdout, added);
    }
    QString label1() const override { return m_label1; }
    void setLabel1(const QString &text) override { m_label1 = text; }
    bool transferEnabled() const override { return m_transferEnabled; }
    void setTransferEnabled(bool enabled) override { m_transferEnabled = enabled; }
    QString selectedFile() const override { return m_file; }
    QString fileListDir() const override { return m_dir; }
    int selectedMode() const override { return m_mode; }
    bool romChecked() const override { return m_rom; }

private:
    QString m_log;
    QString m_label1;
    bool m_transferEnabled = false;
    QString m_file;
    QString m_dir;
    int m_mode;
    bool m_rom;
};

// What a finished run left behind, for the verdict below.
struct Outcome
{
    int messages = 0;
    bool transferEnabled = false;
    int logLines = 0;
    bool outTxtGrew = false;
};

// The driver tells the user of every failure, but shows success only as the window does:
// Command2, enabled after the last stage of a build that can be transferred. A ROM build
// never enables it, and MOT and disassembly have nothing to enable.
bool succeeded(ModeIndex mode, bool rom, const Outcome &o)
{
    switch (mode) {
    case kAssemble:
        return o.transferEnabled;
    case kCompile:
        return rom ? o.messages == 0 && o.logLines == kCompileStages : o.transferEnabled;
    case kMot:
        return o.messages == 0;
    case kDasm:
        // The disassembler appends to out.txt and says nothing there when it fails.
        return o.messages == 0 && o.outTxtGrew;
    }
    return false;
}

// The H8/300H addresses 16 MB: at most six hexadecimal digits.
std::optional<qint32> parseOffset(const QString &text)
{
    if (text.isEmpty() || text.size() > 6)
        return std::nullopt;
    bool ok = true;
    for (QChar c : text)
        ok = ok && ((c >= u'0' && c <= u'9') || (c.toUpper() >= u'A' && c.toUpper() <= u'F'));
    if (!ok)
        return std::nullopt;
    return qint32(text.toUInt(nullptr, 16));
}

// Start-up as the window's: the defaults, then H8C.ini of the start-up directory when there
// is one. A file that ends early leaves the defaults; the window would rewrite it, but this
// tool writes nothing there.
Error startUp(const DosFs &fs, MainState &state, Notifier &notifier)
{
    if (!fs.isValid())
        return makeError(Error::Kind::NotFound,
                         QStringLiteral("起動フォルダがどのドライブにもありません。"),
                         fs.hostCurrentDir());
    state.StartDir = fs.currentDir();
    state.BinDir = state.StartDir;
    state.MainOfs = kDefaultRamOfs;
    state.RamOfs = kDefaultRamOfs;
    state.RomOfs = kDefaultRomOfs;

    std::optional<Settings> settings;
    if (Error error = readSettingsFile(fs, settingsPath(state.StartDir), settings)) {
        if (error.kind != Error::Kind::Refused)
            return error;
        notifier.message(error.message());
    }
    if (settings) {
        state.MainOfs = settings->MainOfs;
        state.BinDir = settings->BinDir;
        state.RamOfs = settings->RamOfs;
        state.RomOfs = settings->RomOfs;
    }
    state.BinDir = DosFs::withBackslash(state.BinDir);
    return {};
}

// FILE as the DOS path of the file on disk, taken as the other tools take a path argument;
// empty when no drive covers it.
QString dosPathOf(const DosFs &fs, const QString &arg)
{
    const QString dos =
        DosFs::isDosArgument(arg) ? fs.absolute(arg) : fs.toDos(fs.hostPathOfArgument(arg));
    return dos.isEmpty() ? dos : fs.actualPath(dos);
}

qint64 sizeOf(const DosFs &fs, const QString &dosPath)
{
    const QFileInfo info(fs.toHost(dosPath));
    // The batch file's redirection creates out.txt before the disassembler runs, if it runs.
    return info.isFile() ? info.size() : 0;
}

constexpr cli::Option kOptions[] = {
    {"--rom", "", "build a C program for ROM, at the ROM offset"},
    {"--offset", "HEX", "start a C build at HEX instead of the RAM or ROM offset"},
};

constexpr cli::Program kProgram = {
    .name = "vesk-build",
    .synopsis = "[OPTION]... compile|assemble|mot|dasm FILE",
    .description =
        "Runs one of Vesk's run modes on FILE, as the window's Run button does, with\n"
        "the settings (H8C.ini, never written) and drive map of the current directory:\n"
        "compile (*.c), assemble (*.mar), mot (*.mot) or dasm (*.bin). FILE is a host\n"
        "path or a DOS path of the drive map (C:\\samples\\blink.c). Prints the log as it\n"
        "grows, with a failed tool's messages; what the window shows in a box goes to\n"
        "standard error.",
    .options = kOptions,
    .epilogue = "Exit status: 0 when the mode succeeded, 1 when it failed, 2 on a usage error.",
};

int usageError(const QString &text)
{
    print(stderr, QStringLiteral("vesk-build: ") + text +
                      QStringLiteral("\nusage: vesk-build compile|assemble|mot|dasm FILE [--rom] "
                                     "[--offset HEX]; see --help\n"));
    return kUsageError;
}

} // namespace

int main(int argc, char **argv)
{
    if (const auto answered = cli::answerHelpOrVersion(argc, argv, kProgram))
        return *answered;
    if (const auto parsed = cli::splitArguments(argc, argv, kProgram); !parsed.problem.empty())
        return usageError(QString::fromStdString(parsed.problem));
    QCoreApplication app(argc, argv);
    // A build interrupted mid-conversion leaves no hidden image behind.
    removeTemporariesOnSignals();
    QCoreApplication::setApplicationName("vesk-build");

    QCommandLineParser cli;
    const QCommandLineOption romOpt("rom", "");
    const QCommandLineOption offsetOpt("offset", "", "HEX");
    cli.addOption(romOpt);
    cli.addOption(offsetOpt);
    if (!cli.parse(app.arguments()))
        return usageError(cli.errorText());

    const QStringList args = cli.positionalArguments();
    if (args.size() != 2)
        return usageError(QStringLiteral("expected MODE and FILE"));
    const Mode *mode = modeNamed(args[0]);
    if (!mode)
        return usageError(QStringLiteral("unknown mode %1").arg(args[0]));
    const QString arg = args[1];
    // The window lists only the mode's files, and the driver cuts the extension by length.
    if (!matchesPatternList(DosFs::fileName(arg), QLatin1String(mode->pattern)))
        return usageError(QStringLiteral("%1 takes a %2 file").arg(args[0], mode->pattern));
    std::optional<qint32> offset;
    if (cli.isSet(offsetOpt) && !(offset = parseOffset(cli.value(offsetOpt))))
        return usageError(QStringLiteral("bad offset %1 (hexadecimal, at most FFFFFF)")
                              .arg(cli.value(offsetOpt)));
    const bool rom = cli.isSet(romOpt);

    // The window's drive map: this tool stands in for the window, not for one of its tools.
    DosFs fs = DosFs::forProcess();
    ConsoleNotifier notifier(QStringLiteral("vesk-build"));
    MainState state;
    if (const Error error = startUp(fs, state, notifier)) {
        notifier.message(error.message());
        return 1;
    }
    // Check1's handler, with --offset in place of the offset dialog.
    state.MainOfs = offset ? *offset : rom ? state.RomOfs : state.RamOfs;

    const QString file = dosPathOf(fs, arg);
    if (file.isEmpty()) {
        notifier.message(makeError(kDriveNotFound, arg).message());
        return 1;
    }
    if (!fs.isOrdinaryFile(file)) {
        notifier.message(makeError(kFileNotFound, file).message());
        return 1;
    }
    const QString dir = DosFs::dirPart(file);
    const QString outTxt = DosFs::withBackslash(dir) + QStringLiteral("out.txt");
    const qint64 outTxtBefore = sizeOf(fs, outTxt);

    ConsoleView view(DosFs::fileName(file), dir, mode->index, rom);
    HostEventPump pump;
    BuildDriver driver(state, fs, view, notifier, pump);
    const int messagesBefore = notifier.count();
    driver.Run();

    Outcome outcome;
    outcome.messages = notifier.count() - messagesBefore;
    outcome.transferEnabled = view.transferEnabled();
    outcome.logLines = int(view.log().count(QStringLiteral("\r\n")));
    if (mode->index == kDasm && outcome.messages == 0) {
        // The disassembly runs on by itself after Run; exiting now would cut it short.
        while (runningPrograms() > 0)
            pump.processEvents(100);
        outcome.outTxtGrew = sizeOf(fs, outTxt) > outTxtBefore;
        if (!outcome.outTxtGrew)
            notifier.message(QStringLiteral("逆アセンブル　エラー"));
    }
    return succeeded(mode->index, rom, outcome) ? 0 : 1;
}
