// cc38h -abs16 -CPU=300HA -INCLUDE=DIR SOURCE: compiles a C source for the H8/300H into
// BASE.obj in the current directory. Every message goes to standard output, where the
// build's batch file collects it in err.txt.
#include "commands.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace vesk;
using namespace vesk::toolchain;

namespace {

constexpr char kTool[] = "cc38h";

void say(const QString &message)
{
    report(kTool, message, true);
}

int compile(const CompileArgs &args)
{
    const DosFs fs = toolFs();
    if (!fs.isOrdinaryFile(args.source)) {
        say(QStringLiteral("cannot find source %1").arg(args.source));
        return 1;
    }
    const QString sourceHost = fs.toHost(args.source);
    const QString objName = baseName(args.source) + QStringLiteral(".obj");

    Staging staging(fs.hostCurrentDir());
    if (!staging.isValid()) {
        say(QStringLiteral("cannot write in %1").arg(fs.currentDir()));
        return 1;
    }
    // int stays 16 bits wide (gcc's default for -mh): the runtime library is built so, and
    // it is the natural width of the board's registers and bus.
    QStringList gcc = {QStringLiteral("-mh"), QStringLiteral("-O2"), QStringLiteral("-c")};
    QString gccSource = sourceHost;
    PathNames names = {{sourceHost, args.source}};
    QByteArray text;
    if (fs.readAll(args.source, text)) {
        say(QStringLiteral("cannot read source %1").arg(args.source));
        return 1;
    }
    if (const QByteArray handed = withInterruptHandlers(text, sourceHost.toUtf8());
        !handed.isEmpty()) {
        gccSource = staging.path(QStringLiteral("source.c"));
        QFile staged(gccSource);
        if (!staged.open(QIODevice::WriteOnly) || staged.write(handed) < 0) {
            say(QStringLiteral("cannot write in %1").arg(fs.currentDir()));
            return 1;
        }
        staged.close();
        names.append({gccSource, args.source});
        // The staged copy lies elsewhere: its "..." includes are looked for in the
        // source's directory first all the same.
        gcc << QStringLiteral("-I") << QFileInfo(sourceHost).absolutePath();
    }
    for (const QString &dir : args.includeDirs)
        gcc << QStringLiteral("-I") << fs.toHost(dir);
    gcc << QStringLiteral("-I") << toolHostDir() + QStringLiteral("/include");
    // gcc picks the language by extension and would take "main.C" for C++.
    gcc << QStringLiteral("-o") << staging.path(objName) << QStringLiteral("-x")
        << QStringLiteral("c") << fileArgument(gccSource);

    const RunResult run = runGnuTool(QStringLiteral("gcc"), gcc, fs.hostCurrentDir());
    std::fputs(withCrLf(mapPaths(run.output, names, &fs)).constData(), stdout);
    std::fflush(stdout);
    if (!run.ok())
        return 1;
    QString reason;
    if (!staging.commit(objName, fs.toHost(objName), &reason)) {
        say(QStringLiteral("cannot write %1: %2").arg(objName, reason));
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
    const auto args = parseCompileArgs(app.arguments().mid(1), &error);
    if (!args) {
        // A mistaken command line is the caller's to see, not part of the compile's messages.
        report(kTool, error);
        report(kTool, QStringLiteral("usage: cc38h -abs16 -CPU=300HA -INCLUDE=DIR SOURCE"));
        return 2;
    }
    return compile(*args);
}
