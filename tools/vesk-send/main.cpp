// vesk-send: sends one binary image to the board in the frame that Transfer uses, with the
// same checks, and exits once the port has sent it.

#include "platform/dosfs.h"
#include "platform/eventwait.h"
#include "serial/frame.h"
#include "serial/mscomm.h"
#include "serial/receive.h"
#include "serial/transfer.h"
#include "state/notifier.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

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
    const QCommandLineOption portOpt(
        "port", "The serial device to use; a name such as ttyUSB0 is looked for under /dev/.",
        "DEVICE");
    cli.addOption(portOpt);
    cli.process(app);
    if (cli.positionalArguments().size() != 1)
        cli.showHelp(2);

    // An empty --port would stand for "no device" and quietly fall back to the default one.
    const bool explicitPort = cli.isSet(portOpt);
    if (explicitPort && cli.value(portOpt).isEmpty()) {
        std::fprintf(stderr, "vesk-send: --port wants a device, such as /dev/ttyUSB0\n");
        return 2;
    }

    const vesk::DosFs fs = vesk::DosFs::forTool();
    const vesk::DriveMap &map = fs.driveMap();
    // An explicit --port is that device; otherwise com1 of the drive map, read as Vesk does.
    vesk::MSComm port(explicitPort ? cli.value(portOpt) : map.deviceEntry("com1"), !explicitPort);
    vesk::connectReceive(port);
    // What the window would show in a box goes to standard error instead.
    vesk::ConsoleNotifier notifier(QStringLiteral("vesk-send"));
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
    // The size is checked before reading, so a huge file is refused without being loaded; the
    // read stops just past the limit in case the file grows meanwhile.
    if (const vesk::Error error = vesk::imageSizeError(file.size(), path)) {
        notifier.message(error.message());
        return 1;
    }
    const QByteArray image = file.read(vesk::kMaxImageSize + 1);
    file.close();
    // The window's box says only "Error" to an odd image; here the reason is given, and checked
    // again on what was read.
    if (const vesk::Error error = vesk::imageSizeError(image.size(), path)) {
        notifier.message(error.message());
        return 1;
    }
    return sender.send(image, path) ? 0 : 1;
}
