// l38h OBJ[,OBJ...] [-start=P(0ADDR)] [-output=B] [-print=B] [-library=c38hab]: links the
// objects in the order given into B.abs (and the map B.map) in the current directory.
#include "commands.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace vesk;
using namespace vesk::toolchain;

namespace {

constexpr char kTool[] = "l38h";

// A library named on the command line: as written (with ".lib" when it has no extension)
// in the current directory, else beside the linker, where the toolchain keeps c38hab.lib.
QString findLibrary(const DosFs &fs, const QString &name)
{
    const QString dosName = withDefaultExtension(name, QStringLiteral(".lib"));
    if (fs.isOrdinaryFile(dosName))
        return fs.toHost(dosName);
    const QString own = toolHostDir() + u'/' + DosFs::fileName(dosName);
    if (QFileInfo(own).isFile())
        return own;
    // Installed names are lower case; the command line may not be.
    const QString lower = toolHostDir() + u'/' + DosFs::fileName(dosName).toLower();
    return QFileInfo(lower).isFile() ? lower : QString();
}

QString unplacedMessage(const QByteArray &section)
{
    return QStringLiteral("section %1 is not placed (a program takes .text, .rodata, .data "
                          "and .bss, and sections named .0<address>)")
        .arg(QString::fromLatin1(section));
}

// Every section of the linked program is one the layout declares, or empty.
bool allSectionsPlaced(const QString &hostAbs, const LinkScript &script)
{
    QFile file(hostAbs);
    QString error;
    const auto sections =
        file.open(QIODevice::ReadOnly) ? coffSections(file.readAll(), &error) : std::nullopt;
    if (!sections) {
        report(kTool, QStringLiteral("cannot read the linked program: %1")
                          .arg(error.isEmpty() ? file.errorString() : error));
        return false;
    }
    bool ok = true;
    for (const CoffSection &section : *sections) {
        if (section.size > 0 && !script.sections.contains(section.name)) {
            report(kTool, QStringLiteral("a library: ") + unplacedMessage(section.name));
            ok = false;
        }
    }
    return ok;
}

int link(const LinkArgs &args)
{
    const DosFs fs = toolFs();
    PathNames names;
    QStringList objectHosts;
    QList<PlacedSection> placed;
    QStringList unplaced;
    for (const QString &object : args.objects) {
        QByteArray bytes;
        if (!fs.isOrdinaryFile(object) || fs.readAll(object, bytes)) {
            report(kTool, QStringLiteral("cannot read object %1").arg(object));
            return 1;
        }
        QString error;
        const auto sections = coffSections(bytes, &error);
        if (!sections) {
            report(kTool, QStringLiteral("%1: %2").arg(object, error));
            return 1;
        }
        for (const CoffSection &section : *sections) {
            if (const auto address = placedAddress(section.name))
                placed << PlacedSection{section.name, *address};
            else if (!isLaidOut(section.name) && section.size > 0)
                unplaced << QStringLiteral("%1: %2").arg(object, unplacedMessage(section.name));
        }
        objectHosts << fileArgument(fs.toHost(object));
        names.append({objectHosts.last(), object});
    }
    // ld would put such a section wherever it finds room, often far from the program, and
    // the image would then span the gap.
    if (!unplaced.isEmpty()) {
        for (const QString &line : unplaced)
            report(kTool, line);
        return 1;
    }
    QStringList libraryHosts;
    for (const QString &library : args.libraries) {
        const QString host = findLibrary(fs, library);
        if (host.isEmpty()) {
            report(kTool, QStringLiteral("cannot find library %1").arg(library));
            return 1;
        }
        libraryHosts << fileArgument(host);
        names.append({host, fs.toDos(host)});
    }

    Staging staging(fs.hostCurrentDir());
    if (!staging.isValid()) {
        report(kTool, QStringLiteral("cannot write in %1").arg(fs.currentDir()));
        return 1;
    }
    const LinkScript script = linkerScript(placed, args.programStart);
    QFile scriptFile(staging.path(QStringLiteral("link.x")));
    if (!scriptFile.open(QIODevice::WriteOnly) || scriptFile.write(script.text) < 0) {
        report(kTool, QStringLiteral("cannot write in %1").arg(fs.currentDir()));
        return 1;
    }
    scriptFile.close();
    names.append({scriptFile.fileName(), QStringLiteral("(l38h layout)")});

    const QString absName = DosFs::fileName(args.output);
    const QString mapName = DosFs::fileName(args.map);
    QStringList ld = {
        QStringLiteral("-m"), QStringLiteral("h8300h"),
        QStringLiteral("-T"), scriptFile.fileName(),
        QStringLiteral("-e"), QStringLiteral("0x") + QString::number(script.entry, 16),
        QStringLiteral("-o"), staging.path(absName)};
    if (!args.map.isEmpty())
        ld << QStringLiteral("-Map") << staging.path(mapName);
    ld << objectHosts << libraryHosts;
    const RunResult run = runGnuTool(QStringLiteral("ld"), ld, fs.hostCurrentDir());
    std::fputs(mapPaths(plainMessages(run.output), names, &fs).constData(), stderr);
    if (!run.ok())
        return 1;
    // The objects were checked above; a library member is seen only now.
    if (!allSectionsPlaced(staging.path(absName), script))
        return 1;

    if (!args.map.isEmpty()) {
        QFile map(staging.path(mapName));
        QByteArray text;
        if (map.open(QIODevice::ReadOnly))
            text = map.readAll();
        map.close();
        if (!map.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            map.write(withCrLf(mapPaths(text, names, &fs))) < 0) {
            report(kTool, QStringLiteral("cannot write the map %1").arg(args.map));
            return 1;
        }
    }
    // The map goes first: the build copies it as soon as it sees the absolute file.
    QString reason;
    if (!args.map.isEmpty() && !staging.commit(mapName, fs.toHost(args.map), &reason)) {
        report(kTool, QStringLiteral("cannot write %1: %2").arg(args.map, reason));
        return 1;
    }
    if (!staging.commit(absName, fs.toHost(args.output), &reason)) {
        report(kTool, QStringLiteral("cannot write %1: %2").arg(args.output, reason));
        // The write's failure is what is reported; the map goes with the image.
        if (!args.map.isEmpty())
            (void)fs.remove(args.map);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString error;
    const auto args = parseLinkArgs(app.arguments().mid(1), &error);
    if (!args) {
        report(kTool, error);
        report(kTool, QStringLiteral("usage: l38h OBJ[,OBJ...] [-start=P(0ADDR)] [-output=B] "
                                     "[-print=B] [-library=c38hab]"));
        return 2;
    }
    return link(*args);
}
