// vesk-cmd FILE.bat ARGS...: the batch runner through which Vesk starts batch files.
#include "batch.h"
#include "platform/commandline.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {

constexpr vesk::cli::Program kProgram = {
    .name = "vesk-cmd",
    .synopsis = "[OPTION] FILE.bat [ARGS]...",
    .description =
        "Runs a batch file with its arguments, as Vesk runs C38.bat and dasm.bat. Paths\n"
        "are DOS paths of the drive map: the one Vesk hands down (VESK_DOSDEVICES), else\n"
        "the one found from the current directory. Only the first argument can be an\n"
        "option: everything after FILE.bat, options or not, belongs to the batch file.\n"
        "A FILE.bat that starts with '-' follows \"--\".",
    .options = {},
    .epilogue = "Environment: VESK_CMD_ECHO=off leaves the command lines unechoed, as Vesk\n"
                "starts it. The exit status is that of the batch file's last command.",
    .firstArgumentOnly = true,
};

} // namespace

int main(int argc, char **argv)
{
    if (const auto answered = vesk::cli::answerHelpOrVersion(argc, argv, kProgram))
        return *answered;
    const vesk::cli::Arguments parsed = vesk::cli::splitArguments(argc, argv, kProgram);
    if (!parsed.problem.empty())
        return vesk::cli::usageError(kProgram, parsed.problem);
    if (parsed.operands.empty())
        return vesk::cli::usageError(kProgram, "no batch file given");
    QCoreApplication app(argc, argv);
    // The batch file and its arguments, without a "--" that came before the file.
    QStringList args;
    for (const std::string &arg : parsed.operands)
        args << QString::fromLocal8Bit(arg.c_str());
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
