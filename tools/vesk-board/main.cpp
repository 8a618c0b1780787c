// vesk-board: a virtual board on a pseudo-terminal. It reads frames as the board's loader
// does and reports each one, so transfers can be tried without hardware.

#include "serial/framereceiver.h"
#include "state/board.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

// CRC-32 as zlib and IEEE 802.3 compute it (reflected polynomial EDB88320), so
// `crc32` from other tools gives the same value for a kept image.
quint32 crc32(const QByteArray &bytes)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char b : bytes)
        crc = table[(crc ^ quint8(b)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

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

QString describe(int number, const vesk::FrameReceiver::Frame &frame)
{
    QString line = QString("frame %1: %2 bytes, crc32 %3, ")
                       .arg(number)
                       .arg(frame.image.size())
                       .arg(crc32(frame.image), 8, 16, QChar('0'));
    if (frame.wellFormed())
        return line + "well formed";
    QStringList faults;
    if (frame.leadZeros < vesk::kFrameLeadZeros)
        faults << QString("%1 leading zeros, %2 expected")
                      .arg(frame.leadZeros)
                      .arg(vesk::kFrameLeadZeros);
    if (frame.strayBytes > 0)
        faults << QString("%1 stray bytes before the start mark").arg(frame.strayBytes);
    if (frame.oddLength())
        faults << QString("odd length %1").arg(frame.length);
    if (frame.trailNonZero > 0)
        faults << QString("%1 non-zero trailing bytes").arg(frame.trailNonZero);
    if (frame.cutOff) {
        if (frame.length < 0)
            faults << "cut off before the length";
        else if (frame.image.size() < frame.length)
            faults << QString("cut off after %1 of %2 image bytes")
                          .arg(frame.image.size())
                          .arg(frame.length);
        else
            faults << QString("cut off after %1 of %2 trailing bytes")
                          .arg(frame.trailSeen)
                          .arg(vesk::kFrameTrailZeros);
    }
    return line + "malformed (" + faults.join("; ") + ")";
}

vesk::FrameReceiver::Time now()
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vesk-board");

    QCommandLineParser cli;
    cli.setApplicationDescription(
        "A virtual board on a pseudo-terminal: prints the slave device, then one line per "
        "frame received (image length, CRC-32 of the image, whether the frame was well "
        "formed).");
    cli.addHelpOption();
    const QCommandLineOption linkOpt("link",
                                     "Make DIR/dosdevices/com1 a link to the device (replacing "
                                     "only a link to an earlier pseudo-terminal).",
                                     "DIR");
    const QCommandLineOption keepOpt("keep", "Keep each complete image as DIR/image-001.bin, ...",
                                     "DIR");
    const QCommandLineOption echoOpt(
        "echo", "Answer each frame with TEXT (\\xNN, \\n, \\r, \\t, \\\\ allowed).", "TEXT");
    const QCommandLineOption countOpt("count", "Exit after N frames.", "N");
    cli.addOptions({linkOpt, keepOpt, echoOpt, countOpt});
    cli.process(app);

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

    // Signals arrive through a descriptor, beside the terminal, in the one poll loop.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    const int sigFd = signalfd(-1, &mask, SFD_CLOEXEC);
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

    int frames = 0;
    bool countReached = false;
    const auto report = [&](vesk::FrameReceiver::Frame frame) {
        ++frames;
        std::printf("%s\n", qPrintable(describe(frames, frame)));
        std::fflush(stdout);
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
    };

    vesk::FrameReceiver receiver;
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
            for (auto &frame :
                 receiver.feed(QByteArray::fromRawData(chunk.constData(), n), now())) {
                report(std::move(frame));
                if (countReached)
                    break;
            }
        }
        return true;
    };

    int status = 0;
    while (!countReached) {
        // Sleep until a byte, a signal, or the moment a frame in progress counts as cut off.
        int timeoutMs = -1;
        if (const auto due = receiver.deadline()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - now());
            timeoutMs = int(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60000));
        }
        pollfd fds[2] = {{master, POLLIN, 0}, {sigFd, POLLIN, 0}};
        if (::poll(fds, 2, timeoutMs) < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "vesk-board: %s\n", qPrintable(sysError("poll")));
            status = 1;
            break;
        }
        // What the sender wrote before the signal is still read and reported.
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) || (fds[1].revents & POLLIN)) {
            if (!readAvailable()) {
                status = 1;
                break;
            }
        }
        if (fds[1].revents & POLLIN)
            break;
        if (auto frame = receiver.idle(now()))
            report(std::move(*frame));
    }
    // A frame the board was still reading when it ends is reported as far as it came, unless
    // the board has already seen all the frames it was told to wait for.
    if (!countReached) {
        if (auto frame = receiver.finish())
            report(std::move(*frame));
    }

    // Leave no link to a terminal that is about to go away.
    if (!linkPath.isEmpty() && QFileInfo(linkPath).symLinkTarget() == slavePath)
        QFile::remove(linkPath);
    ::close(slave);
    ::close(master);
    return status;
}
