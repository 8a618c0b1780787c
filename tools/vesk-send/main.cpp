// vesk-send: sends one binary image to the board in the frame that Transfer uses, with the
// same checks, and exits once the port has sent it.

#include "platform/commandline.h"
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

namespace {

constexpr vesk::cli::Option kOptions[] = {
    {"--port", "DEVICE", "the serial device; a bare name such as ttyUSB0 is under /dev/"},
};

constexpr vesk::cli::Program kProgram = {
    .name = "vesk-send",
    .synopsis = "[OPTION]... IMAGE",
    .description =
        "Sends a binary image to the board over the serial port (9600 baud, 8N1) in the\n"
        "frame that Vesk's Transfer uses, and exits when the port has sent it. IMAGE is a\n"
        "host path or a DOS path of the drive map; it must have an even length of fewer\n"
        "than 65,536 bytes. The port is dosdevices/com1 of the drive map, else the first\n"
        "of /dev/ttyUSB0, /dev/ttyACM0, /dev/ttyS0.",
    .options = kOptions,
};

} // namespace

int main(int argc, char **argv)
{
    if (const auto answered = vesk::cli::answerHelpOrVersion(argc, argv, kProgram))
        return *answered;
    // Problems named alike in every program, before Qt's parser reads the values.
    if (const auto parsed = vesk::cli::splitArguments(argc, argv, kProgram);
        !parsed.problem.empty())
        return vesk::cli::usageError(kProgram, parsed.problem);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vesk-send");

    QCommandLineParser cli;
    const QCommandLineOption portOpt("port", "", "DEVICE");
    cli.addOption(portOpt);
    if (!cli.parse(QCoreApplication::arguments()))
        return vesk::cli::usageError(kProgram, cli.errorText().toStdString());
    if (cli.positionalArguments().size() != 1)
        return vesk::cli::usageError(kProgram, cli.positionalArguments().isEmpty()
                                                   ? "no IMAGE given"
                                                   : "expected one IMAGE");

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
