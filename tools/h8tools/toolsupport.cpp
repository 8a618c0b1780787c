#include "toolsupport.h"

#include "platform/commandline.h"
#include "platform/fileio.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>

namespace vesk::toolchain {

namespace {
// Far beyond any build of a board program; a wedged tool must not hang the build forever.
constexpr int kGnuToolTimeoutMs = 60000;
} // namespace

DosFs toolFs()
{
    return DosFs::forTool();
}

QString toolHostDir()
{
    // In the build tree and in a workspace's tools/ the headers and library are beside the
    // program; installed, the program is under lib/ and they are in share/'s toolchain folder.
    const QString own = QCoreApplication::applicationDirPath();
    if (!QFileInfo(own + QStringLiteral("/include")).isDir()) {
        const QFileInfo data(own + QStringLiteral("/" VESK_TOOLCHAIN_DATA_REL));
        if (data.isDir())
            return data.canonicalFilePath();
    }
    return own;
}

QString baseName(const QString &dosPath)
{
    const QString name = DosFs::fileName(dosPath);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

QString withDefaultExtension(const QString &dosPath, const QString &ext)
{
    return DosFs::fileName(dosPath).contains(u'.') ? dosPath : dosPath + ext;
}

QString gnuTool(const QString &name)
{
    return QStandardPaths::findExecutable(QStringLiteral("h8300-hms-") + name);
}

QString fileArgument(const QString &hostPath)
{
    return hostPath.startsWith(u'-') ? QStringLiteral("./") + hostPath : hostPath;
}

RunResult runGnuTool(const QString &name, const QStringList &arguments, const QString &hostWorkDir)
{
    RunResult result;
    const QString program = gnuTool(name);
    if (program.isEmpty()) {
        result.output = QStringLiteral("h8300-hms-%1 is not installed (package %2)\n")
                            .arg(name, name == u"gcc" ? QStringLiteral("gcc-h8300-hms")
                                                      : QStringLiteral("binutils-h8300-hms"))
                            .toUtf8();
        return result;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(hostWorkDir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Plain ASCII diagnostics whatever the user's locale.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        result.output =
            QStringLiteral("cannot start %1: %2\n").arg(program, process.errorString()).toUtf8();
        return result;
    }
    result.started = true;
    if (!process.waitForFinished(kGnuToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.output = process.readAll() + QByteArrayLiteral("tool did not finish in time\n");
        return result;
    }
    result.output = process.readAll();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QByteArray mapPaths(QByteArray text, const PathNames &names, const DosFs *fs)
{
    // Longest host names first, so a directory never shadows a file inside it.
    PathNames sorted = names;
    std::sort(sorted.begin(), sorted.end(),
              [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
    for (const auto &[host, dos] : sorted) {
        if (!host.isEmpty())
            text.replace(host.toUtf8(), dos.toUtf8());
    }
    if (!fs)
        return text;
    // Only names of existing files are taken, so a "/" in a quoted expression stays put.
    static const QRegularExpression hostPath(QStringLiteral("(?<![^\\s'\"`(])/[^\\s:'\"`,()]+"));
    QString out = QString::fromUtf8(text);
    qsizetype shift = 0;
    for (const auto &m : hostPath.globalMatch(QString::fromUtf8(text))) {
        if (!QFileInfo(m.captured()).isFile())
            continue;
        const QString dos = fs->toDos(m.captured());
        if (dos.isEmpty())
            continue;
        out.replace(m.capturedStart() + shift, m.capturedLength(), dos);
        shift += dos.size() - m.capturedLength();
    }
    return out.toUtf8();
}

QByteArray plainMessages(const QByteArray &text)
{
    // The installed names differ by maker ("h8300-hms-ld" runs as "h8300-hitachi-coff-ld").
    static const QRegularExpression self(QStringLiteral("^(\\S*/)?h8300-[^\\s/:]*: "));
    QList<QByteArray> seen;
    QByteArray out;
    for (const QByteArray &raw : text.split('\n')) {
        QByteArray line = raw;
        const QRegularExpressionMatch m = self.match(QString::fromUtf8(line));
        if (m.hasMatch())
            line = line.mid(m.captured().toUtf8().size());
        // ld checks the layout's assertions in more than one pass and repeats the failure.
        if (line.isEmpty() || seen.contains(line))
            continue;
        seen << line;
        out += line + '\n';
    }
    return out;
}

QByteArray withCrLf(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

Staging::Staging(const QString &hostDir)
    : m_dir(std::make_unique<QTemporaryDir>(hostDir + QStringLiteral("/.vesk-tool-XXXXXX")))
{
}

QString Staging::path(const QString &fileName) const
{
    return hostDir() + u'/' + fileName;
}

bool Staging::commit(const QString &fileName, const QString &finalHostPath, QString *reason)
{
    const QString from = path(fileName);
    if (!QFileInfo(from).isFile()) {
        if (reason)
            *reason = QStringLiteral("no output was written");
        return false;
    }
    return renameOver(from, finalHostPath, reason);
}

void report(const char *tool, const QString &message, bool toStdout)
{
    const QByteArray line = QByteArray(tool) + ": " + message.toUtf8();
    if (toStdout) {
        std::fputs(withCrLf(line + '\n').constData(), stdout);
        std::fflush(stdout);
    } else {
        std::fputs((line + '\n').constData(), stderr);
    }
}

namespace {

// What every program of the toolchain says of itself: its command line is the one Vesk's
// builds and batch files start it with, file names being DOS paths of the drive map.
constexpr char kPaths[] =
    "File names are DOS paths (C:\\WORK\\main.c) resolved through Vesk's drive map,\n"
    "letter case ignored; outputs go to the current directory.";

constexpr cli::Option kL38hOptions[] = {
    {"-start=P(0ADDR)", "", "start the program section at ADDR (hexadecimal)"},
    {"-start=P,C(ADDR),D,B(ADDR)", "", "P, C, D, B in order, each group at the ADDR after it"},
    {"-output=B", "", "write B.abs (default: named after the first object)"},
    {"-print[=B]", "", "also write the map B.map (default: named after B.abs)"},
    {"-library=LIB[,LIB...]", "", "link the libraries LIB.lib, such as c38hab"},
};
constexpr cli::Option kCc38hOptions[] = {
    {"-abs16", "", "accepted; the compiler picks short addresses itself"},
    {"-CPU=300HA", "", "H8/300H advanced mode, the only CPU there is"},
    {"-INCLUDE=DIR[,DIR...]", "", "look for headers in DIR before the toolchain's"},
};
constexpr cli::Option kDasmh83Options[] = {
    {"-oLOAD", "", "the address the image is loaded at (hexadecimal; empty: 0)"},
};

const cli::Program kPrograms[] = {
    {.name = "a38h",
     .synopsis = "SOURCE",
     .description = "Assembles the H8/300H source SOURCE (GNU or classic H8 syntax, detected per\n"
                    "file) into BASE.obj and the listing BASE.lis, BASE being SOURCE's name\n"
                    "without its extension.",
     .options = {}},
    {.name = "l38h",
     .synopsis = "[OPTION]... OBJ[,OBJ...]",
     .description = "Links the H8/300H objects in the order given (OBJ.obj when OBJ has no\n"
                    "extension) into B.abs and, with -print, the map B.map. A section the\n"
                    "toolchain's memory layout does not place is refused, named with its object.",
     .options = kL38hOptions},
    {.name = "c38h",
     .synopsis = "B.abs",
     .description =
         "Writes the linked program B.abs as Motorola S-records, B.mot: S1 records with\n"
         "an S9 end record when every address fits in 16 bits, else S2 with S8.",
     .options = {}},
    {.name = "cc38h",
     .synopsis = "-abs16 -CPU=300HA -INCLUDE=DIR SOURCE",
     .description = "Compiles the C file SOURCE (whatever its extension) for the H8/300H into\n"
                    "BASE.obj, with 16-bit int. Messages go to standard output, where the build\n"
                    "collects them.",
     .options = kCc38hOptions},
    {.name = "dasmh83",
     .synopsis = "-oLOAD IMAGE FROM,TO",
     .description = "Disassembles the flat image IMAGE as loaded at LOAD, from FROM to TO\n"
                    "(inclusive, hexadecimal), on standard output. \"dasmh83 -o IMAGE ,\" lists\n"
                    "all of it from address 0.",
     .options = kDasmh83Options},
};

} // namespace

std::optional<int> answerHelpOrVersion(int argc, char **argv, const char *tool)
{
    for (const cli::Program &program : kPrograms) {
        if (program.name != tool)
            continue;
        cli::Program withPaths = program;
        const std::string description = std::string(program.description) + "\n" + kPaths;
        withPaths.description = description;
        return cli::answerHelpOrVersion(argc, argv, withPaths);
    }
    return std::nullopt;
}

} // namespace vesk::toolchain
