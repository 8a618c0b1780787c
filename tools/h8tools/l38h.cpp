// l38h OBJ[,OBJ...] [-start=P(0ADDR)] [-output=B] [-print=B] [-library=c38hab]: links the
// objects in the order given into B.abs (and the map B.map) in the current directory. -start
// also takes the classic list of sections, as in -start=P,C(400),D,B(FFEF10).
#include "commands.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
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
bool allSectionsPlaced(const QList<CoffSection> &sections, const LinkScript &script)
{
    bool ok = true;
    for (const CoffSection &section : sections) {
        if (section.size > 0 && !script.sections.contains(section.name)) {
            report(kTool, QStringLiteral("a library: ") + unplacedMessage(section.name));
            ok = false;
        }
    }
    return ok;
}

// The objects (DOS names) with sections that the layout puts into the output section.
QStringList sourcesOf(const QByteArray &output, const QMap<QByteArray, QStringList> &inputs,
                      const LinkScript &script)
{
    QList<QByteArray> names = {output};
    if (output == ".text")
        names += QList<QByteArray>{".rodata", ".strings"};
    else if (output == ".data" && script.programInRam)
        names << ".bss";
    QStringList objects;
    for (const QByteArray &name : names)
        for (const QString &object : inputs.value(name))
            if (!objects.contains(object))
                objects << object;
    return objects;
}

QString describe(const CoffSection &section, const QMap<QByteArray, QStringList> &inputs,
                 const LinkScript &script)
{
    const QStringList objects = sourcesOf(section.name, inputs, script);
    return QStringLiteral("%1 (%2-%3, from %4)")
        .arg(QString::fromLatin1(section.name), QString::number(section.loadAddress, 16).toUpper(),
             QString::number(section.loadAddress + section.size - 1, 16).toUpper(),
             objects.isEmpty() ? QStringLiteral("a library") : objects.join(QStringLiteral(", ")));
}

// Checks the program ld wrote and takes ld's file padding out of its section sizes, which
// c38h would otherwise write over the start of the next section. Gives the sections as the
// program has them then.
std::optional<QList<CoffSection>> finishProgram(const QString &hostAbs, const LinkScript &script,
                                                const QMap<QByteArray, QStringList> &inputs)
{
    QFile file(hostAbs);
    QString error;
    const QByteArray program = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const auto sections = file.isOpen() ? coffSections(program, &error) : std::nullopt;
    if (!sections) {
        report(kTool, QStringLiteral("cannot read the linked program: %1")
                          .arg(error.isEmpty() ? file.errorString() : error));
        return std::nullopt;
    }
    file.close();
    // The objects were checked before ld ran; a library member is seen only now.
    if (!allSectionsPlaced(*sections, script))
        return std::nullopt;
    const auto trimmed = withoutFilePadding(program, &error);
    const auto trimmedSections =
        trimmed ? coffSections(*trimmed, &error) : std::optional<QList<CoffSection>>();
    if (!trimmedSections) {
        report(kTool, QStringLiteral("the linked program: %1").arg(error));
        return std::nullopt;
    }
    // ld refuses overlapping sections itself; this catches what it lets through.
    const auto overlaps = overlappingSections(*trimmedSections);
    for (const auto &[lower, upper] : overlaps) {
        report(kTool, QStringLiteral("sections %1 and %2 overlap")
                          .arg(describe(lower, inputs, script), describe(upper, inputs, script)));
    }
    if (!overlaps.isEmpty())
        return std::nullopt;
    if (*trimmed != program &&
        (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(*trimmed) < 0)) {
        report(kTool,
               QStringLiteral("cannot write the linked program: %1").arg(file.errorString()));
        return std::nullopt;
    }
    return trimmedSections;
}

// The stack grows down from kStackTop into whatever RAM the program's data leaves; nothing
// stops it at the bss, so a program that leaves little room is told so.
void warnOfAShortStack(const QList<CoffSection> &sections)
{
    constexpr quint32 kAdvised = 256;
    quint32 dataEnd = kRamStart;
    for (const CoffSection &section : sections)
        if (section.size > 0 && section.address >= kRamStart && section.address < kRamEnd)
            dataEnd = std::max(dataEnd, section.address + section.size);
    const quint32 left = dataEnd < board::kStackTop ? board::kStackTop - dataEnd : 0;
    if (left < kAdvised)
        report(kTool, QStringLiteral("warning: only %1 bytes of RAM are left for the stack (%2 "
                                     "or more advised)")
                          .arg(left)
                          .arg(kAdvised));
}

int link(const LinkArgs &args)
{
    const DosFs fs = toolFs();
    PathNames names;
    QStringList objectHosts;
    QList<PlacedSection> placed;
    QStringList unplaced;
    QMap<QByteArray, QStringList> inputs; // the objects that hold each input section
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
            if (section.size > 0)
                inputs[section.name] << object;
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
    const LinkScript script = linkerScript(placed, args.programStart, args.dataStart);
    if (args.dataAfterProgram && !script.programInRam) {
        report(kTool, QStringLiteral("-start: a program outside RAM keeps D and B in RAM; give "
                                     "them an address, as in P,C(400),D,B(FFEF10)"));
        return 1;
    }
    if (args.dataStart &&
        (script.programInRam || *args.dataStart < kRamStart || *args.dataStart >= kRamEnd)) {
        report(kTool, script.programInRam
                          ? QStringLiteral("-start: in a program in RAM, D and B follow the "
                                           "code; write P,C,D,B(ADDRESS)")
                          : QStringLiteral("-start: D and B belong in RAM (%1-%2)")
                                .arg(QString::number(kRamStart, 16).toUpper(),
                                     QString::number(kRamEnd - 1, 16).toUpper()));
        return 1;
    }
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
    const auto sections = finishProgram(staging.path(absName), script, inputs);
    if (!sections)
        return 1;
    warnOfAShortStack(*sections);

    if (!args.map.isEmpty()) {
        QFile map(staging.path(mapName));
        QByteArray text;
        if (map.open(QIODevice::ReadOnly))
            text = map.readAll();
        map.close();
        if (!map.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            map.write(withCrLf(mapPaths(withSectionSizes(text, *sections), names, &fs))) < 0) {
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
    if (const auto answered = answerHelpOrVersion(argc, argv, kTool))
        return *answered;
    QCoreApplication app(argc, argv);
    QString error;
    const auto args = parseLinkArgs(app.arguments().mid(1), &error);
    if (!args) {
        report(kTool, error);
        report(kTool, QStringLiteral("usage: l38h OBJ[,OBJ...] [-start=P(0ADDR)|-start=P,C(ADDR),"
                                     "D,B(ADDR)] [-output=B] [-print=B] [-library=c38hab]"));
        return 2;
    }
    return link(*args);
}
