// vesk-send: sends one binary image to the board in the frame that Transfer uses, with the
// same checks, and exits once the port has sent it.

#include "platform/dosfs.h"
#include "platform/eventwait.h"
#include "serial/mscomm.h"
#include "serial/receive.h"
#include "serial/transfer.h"
#include "state/notifier.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

// What the window would show in a box goes to standard error instead.
class ConsoleNotifier : public vesk::Notifier
{
public:
    void message(const QString &text) override
    {
        std::fprintf(stderr, "vesk-send: %s\n",
                     qPrintable(QString(text).replace('\n', "\n           ")));
    }
    void beep() override {}
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vesk-send");

    QCommandLineParser cli;
    cli.setApplicationDescription(
        "Sends a binary image to the board over the serial port (9600 baud, 8N1) and exits "
        "when the port has sent it. The port is dosdevices/com1 of the drive map, else the "
        "first of /dev/ttyUSB0, /dev/ttyACM0, /dev/ttyS0.");
    cli.addHelpOption();
    cli.addPositionalArgument("IMAGE", "The binary image (an even number of bytes, at most "
                                       "65535).");
    const QCommandLineOption portOpt("port", "The serial device to use.", "DEVICE");
    cli.addOption(portOpt);
    cli.process(app);
    if (cli.positionalArguments().size() != 1)
        cli.showHelp(2);

    const vesk::DosFs fs = vesk::DosFs::forTool();
    const vesk::DriveMap &map = fs.driveMap();
    // An explicit --port is that device; otherwise com1 of the drive map, read as Vesk does.
    const bool explicitPort = cli.isSet(portOpt);
    vesk::MSComm port(explicitPort ? cli.value(portOpt) : map.deviceEntry("com1"), !explicitPort);
    vesk::connectReceive(port);
    ConsoleNotifier notifier;
    vesk::HostEventPump events;
    vesk::ImageSender sender(port, notifier, events);

    // As Transfer: the port first, then the image.
    if (!sender.openPort())
        return 1;
    // A host path, or a DOS path of the drive map ("C:\samples\blink.bin", any letter case).
    const QString arg = cli.positionalArguments().first();
    const QString path = fs.hostPathOfArgument(arg);
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        notifier.message(vesk::makeError(vesk::Error::Kind::NotFound,
                                         QString::fromUtf8(vesk::kImageNotFound), arg)
                             .message());
        return 1;
    }
    const QByteArray image = file.readAll();
    file.close();
    return sender.send(image, path) ? 0 : 1;
}
