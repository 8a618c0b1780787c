// a38h SOURCE: assembles an H8/300H source into BASE.obj and the listing BASE.lis in the
// current directory. A source in the classic H8 syntax (a .CPU, a ".SECTION name,CODE", an
// .EXPORT or an H'1F tells) is read with its includes, expanded, and translated for the GNU
// assembler; its messages and listing name the user's own lines.
#include "classic/frontend.h"
#include "classic/macros.h"
#include "classic/translate.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

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

// The file a classic source includes: beside the including file, else by the name as
// written from the current directory, else in the toolchain's headers.
std::optional<QByteArray> readIncluded(const DosFs &fs, const QString &name,
                                       const classic::SourceLine &from, QString *shown,
                                       QString *error)
{
    QStringList tried;
    const qsizetype slash = std::max(from.file.lastIndexOf(u'\\'), from.file.lastIndexOf(u'/'));
    const bool rooted =
        name.startsWith(u'\\') || name.startsWith(u'/') || (name.size() > 1 && name[1] == u':');
    if (!rooted && slash >= 0)
        tried << from.file.left(slash + 1) + name;
    tried << name;
    for (const QString &dos : tried) {
        QByteArray bytes;
        if (fs.isOrdinaryFile(dos) && !fs.readAll(dos, bytes)) {
            *shown = dos;
            return bytes;
        }
    }
    // The toolchain's headers come in both syntaxes: h8io.inc has the twin h8io-classic.inc.
    const QString own = toolHostDir() + QStringLiteral("/include/");
    const QFileInfo named(name.toLower());
    const QString twin = named.completeBaseName() + QStringLiteral("-classic.") + named.suffix();
    for (const QString &host : {own + twin, own + name, own + name.toLower()}) {
        QFile file(host);
        if (!rooted && file.open(QIODevice::ReadOnly)) {
            *shown = name;
            return file.readAll();
        }
    }
    *error = QStringLiteral("cannot find the include file %1 (looked for %2 and in the "
                            "toolchain's include folder)")
                 .arg(name, tried.join(QStringLiteral(", ")));
    return std::nullopt;
}

// The GNU text of a classic source, with the user's line behind each of its lines, or
// nothing after the source's errors are reported.
struct ClassicSource
{
    classic::Reading reading;
    classic::Translation translation;
};

std::optional<ClassicSource> translateClassic(const DosFs &fs, const QString &source,
                                              const QByteArray &bytes)
{
    ClassicSource out;
    out.reading = classic::withIncludes(
        classic::sourceLines(bytes, source),
        [&fs](const QString &name, const classic::SourceLine &from, QString *shown,
              QString *error) { return readIncluded(fs, name, from, shown, error); });
    QList<classic::SourceLine> lines =
        out.reading.end < 0 ? out.reading.lines : out.reading.lines.mid(0, out.reading.end + 1);
    lines.removeIf([](const classic::SourceLine &l) { return classic::isIncludeLine(l.text); });
    QStringList warnings;
    if (out.reading.end >= 0 && lines.last().file != source)
        warnings << classic::located(
            lines.last(),
            QStringLiteral("warning: .END in an included file ends the whole source"));
    const classic::Expansion expansion = classic::expandMacros(lines);
    out.translation = classic::translate(expansion.lines);
    const QStringList errors = out.reading.errors + expansion.errors + out.translation.errors;
    for (const QString &message : warnings + errors)
        std::fprintf(stderr, "%s\n", classic::sourceBytes(message).constData());
    if (!errors.isEmpty())
        return std::nullopt;
    return out;
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

    // A classic source goes to the assembler as its translation.
    QByteArray bytes;
    if (fs.readAll(source, bytes)) {
        report(kTool, QStringLiteral("cannot read source %1").arg(source));
        return 1;
    }
    std::optional<ClassicSource> classicSource;
    QString input = sourceHost;
    if (classic::looksClassic(QString::fromLatin1(bytes))) {
        classicSource = translateClassic(fs, source, bytes);
        if (!classicSource)
            return 1;
        input = staging.path(QStringLiteral("classic.s"));
        QFile translated(input);
        if (!translated.open(QIODevice::WriteOnly) ||
            translated.write(classic::sourceBytes(classicSource->translation.gnu)) < 0) {
            report(kTool, QStringLiteral("cannot write in %1").arg(fs.currentDir()));
            return 1;
        }
    }

    const QString rawListing = staging.path(QStringLiteral("raw.lis"));
    const QStringList args = {
        // A classic listing is rebuilt from the user's lines, so without gas's pages.
        (classicSource ? QStringLiteral("-ahlsn=") : QStringLiteral("-ahls=")) + rawListing,
        QStringLiteral("-I"),
        QFileInfo(sourceHost).absolutePath(),
        QStringLiteral("-I"),
        toolHostDir() + QStringLiteral("/include"),
        QStringLiteral("-o"),
        staging.path(objName),
        fileArgument(mode.fileName()),
        fileArgument(input),
    };
    const RunResult run = runGnuTool(QStringLiteral("as"), args, fs.hostCurrentDir());
    const PathNames names = {{sourceHost, source}};
    const QString translated = fileArgument(input);
    if (classicSource)
        std::fputs(classic::userMessages(run.output, translated, classicSource->translation.origins)
                       .constData(),
                   stderr);
    else
        std::fputs(mapPaths(run.output, names).constData(), stderr);
    if (!run.ok())
        return 1;

    QFile raw(rawListing);
    QFile listing(staging.path(lisName));
    if (!raw.open(QIODevice::ReadOnly)) {
        report(kTool, QStringLiteral("cannot write the listing %1").arg(lisName));
        return 1;
    }
    QByteArray listed = cleanListing(raw.readAll(), names);
    if (classicSource)
        listed = classic::userListing(listed, translated, classicSource->reading.lines,
                                      classicSource->translation.origins);
    if (!listing.open(QIODevice::WriteOnly) || listing.write(listed) < 0) {
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
    if (const auto answered = answerHelpOrVersion(argc, argv, kTool))
        return *answered;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1 || args.first().startsWith(u'-')) {
        report(kTool, QStringLiteral("usage: a38h SOURCE"));
        return 2;
    }
    return assemble(args.first());
}
