#include "platform/commandline.h"
#include "platform/dosfs.h"
#include "ui/form1.h"
#include "ui/signalcloser.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

// Vesk has no options of its own beyond --help and --version; these are Qt's, which
// QApplication takes with one dash or two.
constexpr vesk::cli::Option kOptions[] = {
    {"-platform", "NAME", "the Qt platform plugin: xcb, wayland, offscreen, ..."},
    {"-platformpluginpath", "PATH", "a further folder of Qt platform plugins"},
    {"-platformtheme", "NAME", "the Qt platform theme"},
    {"-plugin", "NAME", "load a further Qt plugin (an input device's)"},
    {"-display", "DISPLAY", "the X display to use (xcb)"},
    {"-geometry", "GEOMETRY", "the main window's geometry (xcb)"},
    {"-qwindowgeometry", "GEOMETRY", "the main window's geometry, such as 800x600+0+0"},
    {"-qwindowicon", "ICON", "the windows' icon"},
    {"-qwindowtitle", "TITLE", "the main window's title"},
    {"-session", "ID", "restore the application from an earlier session"},
    {"-style", "STYLE", "the widget style: fusion, windows, ..."},
    {"-stylesheet", "FILE", "a Qt style sheet to apply"},
    {"-reverse", "", "lay the widgets out right to left"},
    {"-widgetcount", "", "print the number of widgets left at the end"},
    {"-name", "NAME", "the application's name for the window system (xcb)"},
    {"-title", "TITLE", "the main window's title (xcb)"},
    {"-visual", "VISUAL", "the X visual to use, such as TrueColor (xcb)"},
    {"-sync", "", "run X synchronously, for debugging (xcb)"},
    {"-nograb", "", "never grab the mouse or keyboard"},
    {"-dograb", "", "grab even under a debugger"},
};

constexpr vesk::cli::Program kProgram = {
    .name = "vesk",
    .synopsis = "[OPTION]...",
    .description =
        "The window for building programs for the H8/300H board and sending them to its\n"
        "loader: browse to a source, press Run to assemble or compile it into an S-record\n"
        "file and a binary image, press Transfer to send the image over the serial port.\n"
        "The folder it starts in is its workspace: H8C.ini, the reset-vector templates\n"
        "and the drive map dosdevices/ (make one with vesk-workspace DIR). It needs a\n"
        "display.",
    .options = kOptions,
    .dashesAlike = true,
};

// Without a display Qt aborts with a message about plugins; say plainly what to do.
bool displayAvailable(int argc, char **argv)
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Answered without a display, so that a terminal (or help2man) gets them anywhere.
    if (const auto answered = vesk::cli::answerHelpOrVersion(argc, argv, kProgram))
        return *answered;
    if (const auto parsed = vesk::cli::splitArguments(argc, argv, kProgram);
        !parsed.problem.empty())
        return vesk::cli::usageError(kProgram, parsed.problem);
    if (!displayAvailable(argc, argv)) {
        std::fputs("vesk: no display: run it under xvfb-run, or set DISPLAY\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesk"));

    vesk::DosFs fs = vesk::DosFs::forProcess();
    vesk::Form1 form(fs);
    if (!form.startUp())
        return 1;

    vesk::SignalCloser signalCloser;
    QObject::connect(&signalCloser, &vesk::SignalCloser::received, &form,
                     [&form] { vesk::closeFromSignal(&form); });

    form.show();
    return QApplication::exec();
}
