#include "platform/dosfs.h"
#include "ui/form1.h"
#include "ui/signalcloser.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

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
