// dasmh83 -oLOAD IMAGE FROM,TO: prints the disassembly of a flat image that the board holds
// at LOAD, from FROM to TO inclusive, on standard output. "dasmh83 -o IMAGE ," lists the
// whole image from address 0.
#include "commands.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

using namespace vesk;
using namespace vesk::toolchain;

namespace {

constexpr char kTool[] = "dasmh83";

QString hex(quint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16);
}

int disassemble(const DasmArgs &args)
{
    const DosFs fs = toolFs();
    if (!fs.isOrdinaryFile(args.image)) {
        report(kTool, QStringLiteral("cannot find image %1").arg(args.image));
        return 1;
    }
    const QFileInfo image(fs.toHost(args.image));
    const quint64 imageEnd = args.load + quint64(image.size());
    const quint64 from = std::max<quint64>(args.from.value_or(args.load), args.load);
    const quint64 to = std::min<quint64>(args.to ? *args.to + 1ull : imageEnd, imageEnd);

    QStringList objdump = {
        QStringLiteral("-D"),     QStringLiteral("-b"),
        QStringLiteral("binary"), QStringLiteral("-m"),
        QStringLiteral("h8300h"), QStringLiteral("--adjust-vma=") + hex(args.load)};
    if (from < to) {
        objdump << QStringLiteral("--start-address=") + hex(from)
                << QStringLiteral("--stop-address=") + hex(to);
    } else if (image.size() > 0) {
        report(kTool, QStringLiteral("the range lies outside the image, which covers %1 to %2")
                          .arg(hex(args.load), hex(imageEnd - 1)));
        return 1;
    }
    // Started in the image's directory with its bare name, which objdump repeats in its
    // header line.
    objdump << fileArgument(image.fileName());
    const RunResult run = runGnuTool(QStringLiteral("objdump"), objdump, image.absolutePath());
    if (!run.ok()) {
        std::fputs(mapPaths(run.output, {}, &fs).constData(), stderr);
        return 1;
    }
    std::fputs(withCrLf(run.output).constData(), stdout);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (const auto answered = answerHelpOrVersion(argc, argv, kTool))
        return *answered;
    QCoreApplication app(argc, argv);
    QString error;
    const auto args = parseDasmArgs(app.arguments().mid(1), &error);
    if (!args) {
        report(kTool, error);
        report(kTool, QStringLiteral("usage: dasmh83 -oLOAD IMAGE FROM,TO"));
        return 2;
    }
    return disassemble(*args);
}
