// vesk-board: a virtual board on a pseudo-terminal. It reads frames as the board's loader
// does and reports each one, so transfers can be tried without hardware. With --run it also
// runs what it receives on the simulated chip, in real time, with the program's serial
// channel 1 on the terminal and its ports as LEDs, in the terminal or in a window.

#include "board/framereport.h"
#include "board/ledlines.h"
#include "board/virtualboard.h"
#include "boardwindow.h"
#include "platform/commandline.h"
#include "serial/framereceiver.h"
#include "state/board.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

// "\xNN", "\n", "\r", "\t" and "\\" in --echo, so the board can answer with any bytes.
QByteArray unescape(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'x' && i + 2 < text.size() && std::isxdigit(uchar(text[i + 1])) &&
            std::isxdigit(uchar(text[i + 2]))) {
            out += char(text.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else if (c == 'n') {
            out += '\n';
        } else if (c == 'r') {
            out += '\r';
        } else if (c == 't') {
            out += '\t';
        } else {
            out += c;
        }
    }
    return out;
}

void fail(const QString &text)
{
    std::fprintf(stderr, "vesk-board: %s\n", qPrintable(text));
    std::exit(1);
}

QString sysError(const char *what)
{
    return QString("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

// Raw 9600 8N1 on the slave side, so that a sender that does not set the line itself (cat,
// a shell redirection) gets no newline translation or echo.
void makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        fail(sysError("tcgetattr"));
    cfmakeraw(&t);
    static_assert(vesk::board::kLineBaud == 9600, "the termios speed below is the loader's");
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (tcsetattr(fd, TCSANOW, &t) != 0)
        fail(sysError("tcsetattr"));
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // The sender's receive queue is full; give it a second to read.
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 1000) <= 0)
            return false;
    }
    return true;
}

// What the program sends goes to whoever has the terminal open; with nobody reading, the
// terminal's queue fills and the rest is lost, as on a line nobody listens to.
void writeSome(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return;
    }
}

vesk::FrameReceiver::Time now()
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

bool hasArgument(int argc, char **argv, const char *name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

constexpr vesk::cli::Option kOptions[] = {
    {"--link", "DIR", "make DIR/dosdevices/com1 a link to the board's terminal"},
    {"--keep", "DIR", "keep each image received as DIR/image-001.bin, ..."},
    {"--echo", "TEXT", "answer each frame with TEXT (\\xNN, \\n, \\r, \\t, \\\\ allowed)"},
    {"--count", "N", "exit after N frames"},
    {"--run", "", "run each good image on the simulated chip, as the loader does"},
    {"--rom", "IMAGE", "boot IMAGE from its reset vector at start and each reset (--run)"},
    {"--clock", "HZ", "run at HZ states a second (--run; default 20000000)"},
    {"--fast", "", "run as fast as this machine can, not in real time (--run)"},
    {"--window", "", "show the board in a window instead of LED rows (--run)"},
};

constexpr vesk::cli::Program kProgram = {
    .name = "vesk-board",
    .synopsis = "[OPTION]...",
    .description =
        "A virtual board on a pseudo-terminal: prints the terminal's device, then one\n"
        "line per frame received (image length, CRC-32 of the image, whether the frame\n"
        "was well formed, and why not). With --run it also runs each well-formed image\n"
        "as the board's loader does (loaded and started at FFDF10, serial channel 1 set\n"
        "up) in real time. Bytes written to the terminal go to the program's serial\n"
        "channel 1, except a frame (21 or more zero bytes, then FF), which resets the\n"
        "board and loads its image; zero bytes reach the program once it is clear they\n"
        "start no frame. What the program sends comes back on the terminal and is\n"
        "printed; each change of a port's data register prints a row of LEDs, bit 7\n"
        "first (\"PB \u25CF\u25CB\u25CB\u25CB\u25CB\u25CB\u25CB\u25CF\"), at most 30 lines "
        "a second, a port that\n"
        "changes faster showing its latest value. A program that stops is reported once\n"
        "and the board waits for the next frame. With --rom, a frame received meanwhile\n"
        "replaces the ROM program like a RAM load, until the next reset. With --window,\n"
        "the window shows the LEDs, the switches of port 7, the program's text and a\n"
        "reset button; closing it ends the board. With --link, only a link to an earlier\n"
        "pseudo-terminal is replaced.",
    .options = kOptions,
};

QByteArray readImageFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QString("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

} // namespace

int main(int argc, char **argv)
{
    if (const auto answered = vesk::cli::answerHelpOrVersion(argc, argv, kProgram))
        return *answered;
    // The window needs a QApplication, which needs a display; the terminal board needs neither.
    const bool windowed = hasArgument(argc, argv, "--window");
    // A window's board also takes Qt's own options, which QApplication takes out of argv.
    if (const auto parsed = vesk::cli::splitArguments(argc, argv, kProgram);
        !windowed && !parsed.problem.empty())
        return vesk::cli::usageError(kProgram, parsed.problem);
    const std::unique_ptr<QCoreApplication> app(windowed ? new QApplication(argc, argv)
                                                         : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName("vesk-board");

    QCommandLineParser cli;
    const QCommandLineOption linkOpt("link", "", "DIR");
    const QCommandLineOption keepOpt("keep", "", "DIR");
    const QCommandLineOption echoOpt("echo", "", "TEXT");
    const QCommandLineOption countOpt("count", "", "N");
    const QCommandLineOption runOpt("run", "");
    const QCommandLineOption romOpt("rom", "", "IMAGE");
    const QCommandLineOption clockOpt("clock", "", "HZ");
    const QCommandLineOption fastOpt("fast", "");
    const QCommandLineOption windowOpt("window", "");
    cli.addOptions(
        {linkOpt, keepOpt, echoOpt, countOpt, runOpt, romOpt, clockOpt, fastOpt, windowOpt});
    if (!cli.parse(QCoreApplication::arguments()))
        return vesk::cli::usageError(kProgram, cli.errorText().toStdString());
    if (!cli.positionalArguments().isEmpty())
        return vesk::cli::usageError(kProgram, "unexpected argument " +
                                                   cli.positionalArguments().first().toStdString());

    int count = 0;
    if (cli.isSet(countOpt)) {
        bool ok = false;
        count = cli.value(countOpt).toInt(&ok);
        if (!ok || count < 1)
            fail("--count wants a positive number");
    }
    const QByteArray echo = unescape(cli.value(echoOpt).toLocal8Bit());
    const QString keepDir = cli.value(keepOpt);
    if (!keepDir.isEmpty() && !QDir().mkpath(keepDir))
        fail("cannot create " + keepDir);

    const bool run = cli.isSet(runOpt) || cli.isSet(romOpt) || cli.isSet(clockOpt) ||
                     cli.isSet(fastOpt) || windowed;
    vesk::board::VirtualBoard::Options runOptions;
    runOptions.fast = cli.isSet(fastOpt);
    if (cli.isSet(clockOpt)) {
        bool ok = false;
        runOptions.clockHz = cli.value(clockOpt).toULongLong(&ok);
        if (!ok || runOptions.clockHz < 1000 || runOptions.clockHz > 1'000'000'000)
            fail("--clock wants a frequency in Hz, from 1000 to 1000000000");
    }
    QByteArray rom;
    if (cli.isSet(romOpt))
        rom = readImageFile(cli.value(romOpt));

    // Signals arrive through a descriptor, beside the terminal, in the one event loop.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    const int sigFd = signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
    if (sigFd < 0)
        fail(sysError("signalfd"));

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        fail(sysError("posix_openpt"));
    const QString slavePath = QString::fromLocal8Bit(ptsname(master));
    // Holding the slave open keeps the terminal and its settings alive between senders, and
    // keeps the master from reporting a hang-up whenever a sender closes it.
    const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0)
        fail(sysError("open slave"));
    makeRaw(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    QString linkPath;
    if (cli.isSet(linkOpt)) {
        const QString devices = cli.value(linkOpt) + "/dosdevices";
        if (!QDir().mkpath(devices))
            fail("cannot create " + devices);
        linkPath = devices + "/com1";
        // Only a link to a pseudo-terminal is an earlier board's leftover. Anything else is the
        // user's: a link to a real port stays even while its adapter is unplugged and the link
        // dangles.
        const QFileInfo old(linkPath);
        if (old.isSymLink() ? !old.symLinkTarget().startsWith("/dev/pts/") : old.exists())
            fail(linkPath + " already names " +
                 (old.isSymLink() ? old.symLinkTarget() : QStringLiteral("a file")) +
                 ", which this board leaves alone. To try the board without that port, make "
                 "another workspace and link the board there: vesk-workspace DIR, then "
                 "vesk-board --link DIR");
        if (old.isSymLink() && !QFile::remove(linkPath))
            fail("cannot replace " + linkPath);
        if (!QFile::link(slavePath, linkPath))
            fail("cannot link " + linkPath);
    }

    std::printf("%s\n", qPrintable(slavePath));
    std::fflush(stdout);

    // Kept images are numbered on from those of earlier runs, never overwritten.
    int kept = 0;
    if (!keepDir.isEmpty()) {
        const auto names = QDir(keepDir).entryList({"image-*.bin"}, QDir::Files);
        for (const QString &name : names)
            kept = std::max(kept, name.mid(6, name.size() - 10).toInt());
    }

    std::unique_ptr<BoardWindow> window;
    if (windowed) {
        window = std::make_unique<BoardWindow>();
        window->setDevice(slavePath);
    }

    // The program's text shares standard output with the board's own lines, which start on a
    // line of their own.
    bool atLineStart = true;
    const auto print = [&](const QString &line) {
        if (!atLineStart)
            std::putchar('\n');
        atLineStart = true;
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    };
    vesk::board::LedLines leds;
    // The board's own lines follow the LED lines that are due, so they keep their order.
    const auto say = [&](const QString &line) {
        for (const QString &ledLine : leds.take(now()))
            print(ledLine);
        print(line);
        if (window)
            window->showStatus(line);
    };

    int frames = 0;
    bool countReached = false;
    const auto report = [&](const vesk::FrameReceiver::Frame &frame) {
        // Frames after the last one waited for go unreported, even in the same read.
        if (countReached)
            return;
        ++frames;
        say(vesk::board::describeFrame(frames, frame));
        // The loader neither keeps nor answers a frame it never finished.
        if (!frame.cutOff) {
            if (!keepDir.isEmpty()) {
                QFile file(QString("%1/image-%2.bin").arg(keepDir).arg(++kept, 3, 10, QChar('0')));
                if (!file.open(QIODevice::WriteOnly) ||
                    file.write(frame.image) != frame.image.size())
                    std::fprintf(stderr, "vesk-board: cannot write %s\n",
                                 qPrintable(file.fileName()));
            }
            if (!echo.isEmpty() && !writeAll(master, echo))
                std::fprintf(stderr, "vesk-board: the answer to frame %d was not taken\n", frames);
        }
        countReached = count > 0 && frames >= count;
        if (countReached)
            QCoreApplication::quit();
    };

    // Without --run the frames are all there is: the receiver alone reads the line.
    vesk::FrameReceiver receiver;
    std::unique_ptr<vesk::board::VirtualBoard> board;
    if (run) {
        board = std::make_unique<vesk::board::VirtualBoard>(now, runOptions);
        QObject::connect(board.get(), &vesk::board::VirtualBoard::frameReceived, report);
        QObject::connect(board.get(), &vesk::board::VirtualBoard::programStopped, say);
        QObject::connect(board.get(), &vesk::board::VirtualBoard::serialOutput,
                         [&](const QByteArray &bytes) {
                             writeSome(master, bytes);
                             std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
                             std::fflush(stdout);
                             atLineStart = bytes.endsWith('\n');
                             if (window)
                                 window->appendText(bytes);
                         });
        if (window) {
            QObject::connect(
                board.get(), &vesk::board::VirtualBoard::portChanged, window.get(),
                [&](int port, quint8 value, quint64) { window->showPort(port, value); });
            QObject::connect(window.get(), &BoardWindow::switchesChanged, board.get(),
                             &vesk::board::VirtualBoard::setSwitches);
            QObject::connect(window.get(), &BoardWindow::resetRequested, board.get(),
                             &vesk::board::VirtualBoard::reset);
        } else {
            QObject::connect(board.get(), &vesk::board::VirtualBoard::portChanged,
                             [&](int port, quint8 value, quint64) { leds.change(port, value); });
        }
        if (cli.isSet(romOpt)) {
            const QString error = board->bootRom(rom);
            if (!error.isEmpty())
                fail(cli.value(romOpt) + ": " + error);
        }
    }

    int status = 0;
    QByteArray chunk(65536, Qt::Uninitialized);
    // Reads what the terminal holds now; false when the terminal failed.
    const auto readAvailable = [&] {
        while (!countReached) {
            const ssize_t n = ::read(master, chunk.data(), size_t(chunk.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                return true;
            if (n <= 0) {
                std::fprintf(stderr, "vesk-board: %s\n", qPrintable(sysError("read")));
                return false;
            }
            const QByteArray bytes = QByteArray::fromRawData(chunk.constData(), n);
            if (board) {
                board->feed(bytes);
            } else {
                for (const auto &frame : receiver.feed(bytes, now()))
                    report(frame);
            }
        }
        return true;
    };

    // One timer wakes the board for whatever is due first: the next run slice, a frame that
    // went quiet, held zero bytes, the next LED line.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    const auto schedule = [&] {
        std::optional<vesk::FrameReceiver::Time> due;
        const auto sooner = [&due](std::optional<vesk::FrameReceiver::Time> t) {
            if (t && (!due || *t < *due))
                due = t;
        };
        if (board) {
            sooner(board->deadline());
            sooner(leds.deadline());
            if (board->running())
                sooner(now() + (runOptions.fast ? std::chrono::milliseconds(0)
                                                : vesk::board::VirtualBoard::kSlice));
        } else {
            sooner(receiver.deadline());
        }
        if (!due) {
            wake.stop();
            return;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - now());
        const int ms = int(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60000));
        // A host that writes more often than a slice must not keep putting the slice off.
        if (wake.isActive() && wake.remainingTime() <= ms)
            return;
        wake.start(ms);
    };
    QObject::connect(&wake, &QTimer::timeout, [&] {
        if (board) {
            board->tick();
            for (const QString &line : leds.take(now()))
                print(line);
        } else if (auto frame = receiver.idle(now())) {
            report(*frame);
        }
        schedule();
    });

    QSocketNotifier fromHost(master, QSocketNotifier::Read);
    QObject::connect(&fromHost, &QSocketNotifier::activated, [&] {
        if (!readAvailable()) {
            status = 1;
            QCoreApplication::quit();
            return;
        }
        schedule();
    });
    QSocketNotifier fromSignals(sigFd, QSocketNotifier::Read);
    QObject::connect(&fromSignals, &QSocketNotifier::activated, [&] {
        // What the sender wrote before the signal is still read and reported.
        if (!readAvailable())
            status = 1;
        QCoreApplication::quit();
    });

    if (window)
        window->show();
    schedule();
    // The count may have been reached before the loop ran; quit() is then already asked for.
    if (!countReached)
        app->exec();

    // A frame the board was still reading when it ends is reported as far as it came, unless
    // the board has already seen all the frames it was told to wait for.
    if (!countReached) {
        if (board)
            board->finish();
        else if (auto frame = receiver.finish())
            report(*frame);
    }

    // Leave no link to a terminal that is about to go away.
    if (!linkPath.isEmpty() && QFileInfo(linkPath).symLinkTarget() == slavePath)
        QFile::remove(linkPath);
    window.reset();
    board.reset();
    ::close(slave);
    ::close(master);
    return status;
}
