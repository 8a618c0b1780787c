// vesk-cmd FILE.bat ARGS...: the batch runner through which Vesk starts batch files.
#include "batch.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs("usage: vesk-cmd FILE.bat [ARGS...]\n", stderr);
        return 2;
    }
    // Started by Vesk, VESK_DOSDEVICES names the drive map in force; by hand, the map is
    // looked up from the current directory as Vesk would.
    vesk::DosFs fs = vesk::DosFs::forTool();
    if (!fs.isValid()) {
        std::fprintf(
            stderr, "%s\n",
            qUtf8Printable(QStringLiteral("カレントフォルダがどのドライブにもありません。\n") +
                           QDir::currentPath()));
        return 1;
    }
    vesk::batch::Runner runner(std::move(fs), QCoreApplication::applicationFilePath(),
                               qEnvironmentVariableIntValue("VESK_CMD_DEPTH"));
    // Vesk keeps what its tools print for the log, where the lines that ran them do not belong.
    // A batch file started from another inherits the setting, as within one interpreter.
    if (qEnvironmentVariable("VESK_CMD_ECHO").compare(u"off", Qt::CaseInsensitive) == 0)
        runner.setEcho(false);
    return runner.runFile(args.first(), args.mid(1)) & 0xFF;
}
