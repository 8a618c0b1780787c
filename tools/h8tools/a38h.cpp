// a38h SOURCE: assembles an H8/300H source into BASE.obj and the listing BASE.lis in the
// current directory.
#include "toolsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace vesk;
using namespace vesk::toolchain;

namespace {

constexpr char kTool[] = "a38h";
// gas knows no command-line switch for the CPU, so a one-line source ahead of the user's
// sets H8/300H mode; its listing line carries this mark and is dropped.
constexpr char kModeMark[] = ";a38h-cpu-mode";

QByteArray cleanListing(const QByteArray &listing, const PathNames &names)
{
    QList<QByteArray> lines = listing.split('\n');
    lines.removeIf([](const QByteArray &line) { return line.contains(kModeMark); });
    // Each page header names gas's maker; the listing is the toolchain's own.
    for (QByteArray &line : lines) {
        const qsizetype gas = line.indexOf(" H8/300 GAS ");
        if (gas >= 0 && !line.startsWith(' '))
            line = "H8/300H assembler" + line.mid(gas + 11);
    }
    return mapPaths(lines.join('\n'), names);
}

int assemble(const QString &source)
{
    const DosFs fs = toolFs();
    const QString sourceHost = fs.toHost(source);
    if (!fs.isOrdinaryFile(source)) {
        report(kTool, QStringLiteral("cannot find source %1").arg(source));
        return 1;
    }
    const QString base = baseName(source);
    const QString objName = base + QStringLiteral(".obj");
    const QString lisName = base + QStringLiteral(".lis");

    Staging staging(fs.hostCurrentDir());
    if (!staging.isValid()) {
        report(kTool, QStringLiteral("cannot write in %1").arg(fs.currentDir()));
        return 1;
    }
    QFile mode(staging.path(QStringLiteral("cpu.s")));
    if (!mode.open(QIODevice::WriteOnly) ||
        mode.write(QByteArray("\t.h8300h\t") + kModeMark + '\n') < 0) {
        report(kTool, QStringLiteral("cannot write in %1").arg(fs.currentDir()));
        return 1;
    }
    mode.close();

    const QString rawListing = staging.path(QStringLiteral("raw.lis"));
    const QStringList args = {
        QStringLiteral("-ahls=") + rawListing,
        QStringLiteral("-I"),
        QFileInfo(sourceHost).absolutePath(),
        QStringLiteral("-I"),
        toolHostDir() + QStringLiteral("/include"),
        QStringLiteral("-o"),
        staging.path(objName),
        fileArgument(mode.fileName()),
        fileArgument(sourceHost),
    };
    const RunResult run = runGnuTool(QStringLiteral("as"), args, fs.hostCurrentDir());
    const PathNames names = {{sourceHost, source}};
    std::fputs(mapPaths(run.output, names).constData(), stderr);
    if (!run.ok())
        return 1;

    QFile raw(rawListing);
    QFile listing(staging.path(lisName));
    if (!raw.open(QIODevice::ReadOnly) || !listing.open(QIODevice::WriteOnly) ||
        listing.write(cleanListing(raw.readAll(), names)) < 0) {
        report(kTool, QStringLiteral("cannot write the listing %1").arg(lisName));
        return 1;
    }
    listing.close();

    // The listing goes first: a build that sees the object may look for the listing at once.
    QString reason;
    for (const QString &name : {lisName, objName}) {
        if (!staging.commit(name, fs.toHost(name), &reason)) {
            report(kTool, QStringLiteral("cannot write %1: %2").arg(name, reason));
            // The write's failure is what is reported; the listing goes with the object.
            (void)fs.remove(lisName);
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1 || args.first().startsWith(u'-')) {
        report(kTool, QStringLiteral("usage: a38h SOURCE"));
        return 2;
    }
    return assemble(args.first());
}
