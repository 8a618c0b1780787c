// vesk-mot2bin BASE: converts BASE.MOT into the flat image BASE.BIN, as Vesk's builds do.
// BASE is a host path ("/tmp/x/prog", "prog") or a DOS path ("C:\WORK\PROG", "sub\prog")
// resolved through the same drive map as Vesk's tools.

#include "image/convert.h"
#include "platform/commandline.h"
#include "platform/dosfs.h"
#include "platform/fileio.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

using namespace vesk;

namespace {

constexpr cli::Program kProgram = {
    .name = "vesk-mot2bin",
    .synopsis = "[OPTION]... BASE",
    .description =
        "Converts BASE.MOT (any letter case; BASE.mot is taken as BASE) into the\n"
        "image BASE.BIN, as Vesk's MOT mode does. An existing image of that name in any\n"
        "letter case is replaced under its own name. BASE is a host path or a DOS path\n"
        "of the drive map (C:\\WORK\\PROG); a BASE that starts with '-' follows \"--\".",
    .options = {},
};

void complain(const QString &text)
{
    std::fprintf(stderr, "vesk-mot2bin: %s\n", qPrintable(text));
}

} // namespace

int main(int argc, char **argv)
{
    if (const auto answered = cli::answerHelpOrVersion(argc, argv, kProgram))
        return *answered;
    const cli::Arguments parsed = cli::splitArguments(argc, argv, kProgram);
    if (!parsed.problem.empty())
        return cli::usageError(kProgram, parsed.problem);
    if (parsed.operands.size() != 1 || parsed.operands.front().empty())
        return cli::usageError(kProgram,
                               parsed.operands.empty() ? "no BASE given" : "expected one BASE");
    removeTemporariesOnSignals();
    QCoreApplication app(argc, argv);
    QString arg = QString::fromLocal8Bit(parsed.operands.front().c_str());
    // A shell's completion gives "prog.mot"; the base is what precedes the extension.
    if (arg.endsWith(QStringLiteral(".mot"), Qt::CaseInsensitive))
        arg.chop(4);
    DosFs fs = DosFs::forTool();
    QString base = arg;
    if (!DosFs::isDosArgument(arg)) {
        // A host path gets a drive of its own, so it works wherever the drive map points.
        const QFileInfo info(fs.hostPathOfArgument(arg));
        DriveMap own;
        own.setDrive(u'c', info.absolutePath());
        fs = DosFs(own, info.absolutePath());
        base = info.fileName();
    }

    if (const Error error = Convert(fs, base)) {
        // Name the file as the user knows it: the host path.
        const QString host = fs.toHost(error.path);
        QString text = error.what + u' ' + (host.isEmpty() ? error.path : host);
        if (!error.reason.isEmpty())
            text += QStringLiteral(" (") + error.reason + u')';
        complain(text);
        return 1;
    }
    return 0;
}
