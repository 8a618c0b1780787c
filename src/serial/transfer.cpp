#include "serial/transfer.h"

#include "serial/frame.h"

#include <QScopeGuard>
#include <algorithm>

namespace vesk {

namespace {

// The lead, the start mark and the length field go out before the image's first byte.
constexpr qint64 kFrameHeader = kFrameLeadZeros + 3;

// The log names a failure by the first sentence of its description; the box has the rest.
QString failureLine(const QString &name, const Error &error)
{
    QString reason = error.what.section(u'。', 0, 0);
    if (reason.isEmpty())
        reason = QStringLiteral("Error");
    const QString line = QStringLiteral("転送失敗：") + reason + QStringLiteral("\r\n");
    return name.isEmpty() ? line : name + u' ' + line;
}

} // namespace

QString transferProgressText(const TransferProgress &progress)
{
    return QStringLiteral("転送中 %1/%2 バイト、残り %3 秒")
        .arg(progress.sent)
        .arg(progress.total)
        .arg(progress.secondsLeft);
}

ImageSender::ImageSender(MSComm &port, Notifier &notifier, EventPump &events, MonotonicClock clock)
    : m_port(port), m_notifier(notifier), m_events(events), m_clock(std::move(clock))
{
}

bool ImageSender::fail(Error error, const QString &shown)
{
    m_failure = std::move(error);
    m_notifier.message(shown);
    return false;
}

bool ImageSender::openPort()
{
    m_failure = {};
    if (m_port.PortOpen())
        return true;
    if (Error error = m_port.setPortOpen(true)) {
        const QString shown = error.message();
        return fail(std::move(error), shown);
    }
    return true;
}

bool ImageSender::send(const QByteArray &image, const QString &name)
{
    m_failure = {};
    if (image.size() % 2 != 0)
        return fail(imageSizeError(image.size(), name), QStringLiteral("Error"));
    if (image.size() > kMaxImageSize) {
        Error error = makeError(Error::Kind::Refused,
                                QStringLiteral("イメージが大きすぎます（%1 バイト、上限 %2 "
                                               "バイト）。")
                                    .arg(image.size())
                                    .arg(kMaxImageSize),
                                name);
        const QString shown = error.message();
        return fail(std::move(error), shown);
    }
    const QByteArray frame = makeFrame(image);
    (void)m_port.takeError(); // a failure from before this transfer is not this transfer's
    if (!m_port.Output(frame)) {
        Error error = m_port.takeError();
        if (!error)
            error = makeError(Error::Kind::Failed,
                              QStringLiteral("シリアルポートへの送信に失敗しました。"),
                              m_port.device());
        const QString shown = error.message();
        return fail(std::move(error), shown);
    }
    return waitSent(frame.size());
}

bool ImageSender::waitSent(qint64 frameBytes)
{
    const std::chrono::nanoseconds start = m_clock();
    const std::chrono::milliseconds limit(timeLimitMs(frameBytes));
    const qint64 imageBytes = frameBytes - kFrameOverhead;
    bool shown = false;
    std::chrono::nanoseconds lastShown{};
    // The title is the window's own again before a box tells how the transfer ended.
    const auto endProgress = [&] {
        if (shown)
            m_view->endTransferProgress();
        shown = false;
    };
    for (;;) {
        m_events.processEvents(kPollMs);
        if (Error error = m_port.takeError()) {
            m_port.clearOutput();
            endProgress();
            const QString text = error.message();
            return fail(std::move(error), text);
        }
        const qint64 left = m_port.OutBufferCount();
        if (left == 0) {
            endProgress();
            return true;
        }
        const std::chrono::nanoseconds now = m_clock();
        if (now - start > limit) {
            m_port.clearOutput();
            endProgress();
            Error error = makeError(Error::Kind::Failed,
                                    QStringLiteral("シリアルポートの送信が時間内に終わりません"
                                                   "でした。送られなかった %1 バイトを"
                                                   "捨てました。")
                                        .arg(left),
                                    m_port.device());
            const QString text = error.message();
            return fail(std::move(error), text);
        }
        if (m_view && now - start > std::chrono::milliseconds(kProgressAfterMs) &&
            (!shown || now - lastShown >= std::chrono::milliseconds(kProgressEveryMs))) {
            TransferProgress progress;
            progress.total = imageBytes;
            progress.sent = std::clamp(frameBytes - left - kFrameHeader, qint64(0), imageBytes);
            // What is still queued, trailer included, at the line's speed, rounded up.
            progress.secondsLeft =
                (left * board::kBitsPerByte + board::kLineBaud - 1) / board::kLineBaud;
            m_view->showTransferProgress(progress);
            shown = true;
            lastShown = now;
        }
    }
}

Transfer::Transfer(MSComm &port, const DosFs &fs, const MainState &state, Notifier &notifier,
                   EventPump &events, TransferView &view, MonotonicClock clock)
    : m_sender(port, notifier, events, std::move(clock)), m_fs(fs), m_state(state),
      m_notifier(notifier), m_view(view)
{
    m_sender.setView(&m_view);
}

void Transfer::click()
{
    // The wait yields to the event loop, where this button stays live; a second transfer
    // inside the first would interleave two frames on the line.
    if (m_busy) {
        m_notifier.beep();
        return;
    }
    m_busy = true;
    const auto done = qScopeGuard([this] { m_busy = false; });
    send();
}

void Transfer::send()
{
    // A copy: a build started during the wait below may name a new image.
    const QString path = m_state.transferImage;
    const QString name = DosFs::fileName(path);

    // The port is opened before the image is looked at, even if there turns out to be none.
    if (!m_sender.openPort()) {
        m_view.logTransfer(failureLine(name, m_sender.failure()));
        return;
    }
    QByteArray image;
    if (path.isEmpty() || !m_fs.isOrdinaryFile(path) || m_fs.readAll(path, image)) {
        m_notifier.beep();
        m_notifier.message(QString::fromUtf8(kImageNotFound));
        m_view.logTransfer(failureLine(name, makeError(kFileNotFound, path)));
        return;
    }
    if (!m_sender.send(image, path)) {
        m_view.logTransfer(failureLine(name, m_sender.failure()));
        return;
    }
    m_view.logTransfer(QStringLiteral("%1 %2 バイト転送完了\r\n").arg(name).arg(image.size()));
}

} // namespace vesk
