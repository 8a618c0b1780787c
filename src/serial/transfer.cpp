#include "serial/transfer.h"

#include "serial/frame.h"

#include <QScopeGuard>

namespace vesk {

ImageSender::ImageSender(MSComm &port, Notifier &notifier, EventPump &events, MonotonicClock clock)
    : m_port(port), m_notifier(notifier), m_events(events), m_clock(std::move(clock))
{
}

bool ImageSender::openPort()
{
    if (m_port.PortOpen())
        return true;
    if (const Error error = m_port.setPortOpen(true)) {
        m_notifier.message(error.message());
        return false;
    }
    return true;
}

bool ImageSender::send(const QByteArray &image, const QString &name)
{
    if (image.size() % 2 != 0) {
        m_notifier.message(QStringLiteral("Error"));
        return false;
    }
    if (image.size() > kMaxImageSize) {
        m_notifier.message(makeError(Error::Kind::Refused,
                                     QStringLiteral("イメージが大きすぎます（%1 バイト、上限 %2 "
                                                    "バイト）。")
                                         .arg(image.size())
                                         .arg(kMaxImageSize),
                                     name)
                               .message());
        return false;
    }
    const QByteArray frame = makeFrame(image);
    (void)m_port.takeError(); // a failure from before this transfer is not this transfer's
    if (!m_port.Output(frame)) {
        Error error = m_port.takeError();
        if (!error)
            error = makeError(Error::Kind::Failed,
                              QStringLiteral("シリアルポートへの送信に失敗しました。"),
                              m_port.device());
        m_notifier.message(error.message());
        return false;
    }
    return waitSent(frame.size());
}

bool ImageSender::waitSent(qint64 frameBytes)
{
    const std::chrono::nanoseconds start = m_clock();
    const std::chrono::milliseconds limit(timeLimitMs(frameBytes));
    for (;;) {
        m_events.processEvents(kPollMs);
        if (const Error error = m_port.takeError()) {
            m_port.clearOutput();
            m_notifier.message(error.message());
            return false;
        }
        const qint64 left = m_port.OutBufferCount();
        if (left == 0)
            return true;
        if (m_clock() - start > limit) {
            m_port.clearOutput();
            m_notifier.message(makeError(Error::Kind::Failed,
                                         QStringLiteral("シリアルポートの送信が時間内に終わりません"
                                                        "でした。送られなかった %1 バイトを"
                                                        "捨てました。")
                                             .arg(left),
                                         m_port.device())
                                   .message());
            return false;
        }
    }
}

Transfer::Transfer(MSComm &port, const DosFs &fs, const MainState &state, Notifier &notifier,
                   EventPump &events, MonotonicClock clock)
    : m_sender(port, notifier, events, std::move(clock)), m_fs(fs), m_state(state),
      m_notifier(notifier)
{
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

    // The port is opened before the image is looked at, even if there turns out to be none.
    if (!m_sender.openPort())
        return;
    // A copy: a build started during the wait below may name a new image.
    const QString name = m_state.transferImage;
    QByteArray image;
    if (name.isEmpty() || !m_fs.isOrdinaryFile(name) || m_fs.readAll(name, image)) {
        m_notifier.beep();
        m_notifier.message(QString::fromUtf8(kImageNotFound));
        return;
    }
    m_sender.send(image, name);
}

} // namespace vesk
