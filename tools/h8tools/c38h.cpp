// c38h B.abs: writes the loadable sections of a linked program as Motorola S-records,
// B.mot in the current directory.
#include "commands.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

using namespace vesk;
using namespace vesk::toolchain;

namespace {

constexpr char kTool[] = "c38h";

// objcopy sorts the records by address and takes the narrowest record type that holds every
// address (S1 with S9 up to FFFF, else S2 with S8), which is what the image conversion reads.
// Verified here rather than trusted: an S3 file would convert to an empty image.
bool recordsAreReadable(const QByteArray &records)
{
    for (const QByteArray &line : records.split('\n')) {
        if (line.startsWith("S3") || line.startsWith("S7"))
            return false;
    }
    return true;
}

int convert(const QString &given)
{
    const QString input = withDefaultExtension(given, QStringLiteral(".abs"));
    const DosFs fs = toolFs();
    if (!fs.isOrdinaryFile(input)) {
        report(kTool, QStringLiteral("cannot find %1").arg(input));
        return 1;
    }
    const QString inputHost = fs.toHost(input);
    const QString motName = baseName(input) + QStringLiteral(".mot");

    Staging staging(fs.hostCurrentDir());
    if (!staging.isValid()) {
        report(kTool, QStringLiteral("cannot write in %1").arg(fs.currentDir()));
        return 1;
    }
    QStringList args = {QStringLiteral("-O"), QStringLiteral("srec")};
    // objcopy leaves out a section without stored bytes, and with it the bss of a program in
    // RAM, which would then start with whatever the RAM held. Input that is not an H8/300H
    // program goes to objcopy as it is, which says what it makes of it.
    QByteArray program;
    QString ignored;
    const auto sections =
        fs.readAll(input, program) ? std::nullopt : coffSections(program, &ignored);
    for (const QByteArray &name : loadedWithoutBytes(sections.value_or(QList<CoffSection>()))) {
        args << QStringLiteral("--set-section-flags")
             << QString::fromLatin1(name) + QStringLiteral("=alloc,load,contents");
    }
    // Run in the staging directory with the bare name: objcopy writes it into the S0 header.
    args << fileArgument(inputHost) << fileArgument(motName);
    const RunResult run = runGnuTool(QStringLiteral("objcopy"), args, staging.hostDir());
    std::fputs(mapPaths(run.output, {{inputHost, input}}, &fs).constData(), stderr);
    if (!run.ok())
        return 1;

    QFile staged(staging.path(motName));
    QByteArray records;
    if (staged.open(QIODevice::ReadOnly))
        records = staged.readAll();
    staged.close();
    if (!recordsAreReadable(records)) {
        report(kTool, QStringLiteral("%1 has addresses beyond 24 bits").arg(input));
        return 1;
    }
    if (!staged.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        staged.write(withCrLf(records)) < 0) {
        report(kTool, QStringLiteral("cannot write %1").arg(motName));
        return 1;
    }
    staged.close();
    QString reason;
    if (!staging.commit(motName, fs.toHost(motName), &reason)) {
        report(kTool, QStringLiteral("cannot write %1: %2").arg(motName, reason));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (const auto answered = answerHelpOrVersion(argc, argv, kTool))
        return *answered;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1 || args.first().startsWith(u'-')) {
        for (const QString &arg : args) {
            if (arg.startsWith(u'-')) {
                report(kTool, QStringLiteral("unknown option %1").arg(arg));
                break;
            }
        }
        report(kTool, QStringLiteral("usage: c38h B.abs"));
        return 2;
    }
    return convert(args.first());
}
