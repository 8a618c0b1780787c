#pragma once

#include "platform/dosfs.h"
#include "platform/eventwait.h"
#include "serial/mscomm.h"
#include "state/board.h"
#include "state/mainstate.h"
#include "state/notifier.h"

#include <QByteArray>
#include <QString>

namespace vesk {

// Where a long transfer stands: image bytes sent of the image's length (the frame's own 31
// bytes are not counted, as the log line counts the image), and the line time still to go.
struct TransferProgress
{
    qint64 sent = 0;
    qint64 total = 0;
    qint64 secondsLeft = 0;
};

// "転送中 1200/6000 バイト、残り 5 秒".
QString transferProgressText(const TransferProgress &progress);

// What the window shows of a transfer besides its boxes: the progress of one that lasts, and
// one log line when it ends. Form1 uses its title and its log, so no control moves.
class TransferView
{
public:
    virtual ~TransferView() = default;

    // Repeated while the wait lasts, from kProgressAfterMs on.
    virtual void showTransferProgress(const TransferProgress &progress) = 0;
    // Once after the last progress report, before any box about the outcome.
    virtual void endTransferProgress() = 0;
    // A whole line with its CR LF: "blink.bin 604 バイト転送完了" or the failure.
    virtual void logTransfer(const QString &line) = 0;
};

// Opens the port, sends one framed image in one write and waits, yielding to the event loop,
// until the port has sent it. Every failure is told through the notifier. Shared by Transfer
// and vesk-send.
class ImageSender
{
public:
    // How long each pass of the wait may sleep for an event.
    static constexpr int kPollMs = 10;
    // The wait gives up this long after the frame's time on the line.
    static constexpr qint64 kGraceMs = 5000;
    // A shorter wait shows no progress; a longer one shows it this often.
    static constexpr qint64 kProgressAfterMs = 500;
    static constexpr qint64 kProgressEveryMs = 250;

    ImageSender(MSComm &port, Notifier &notifier, EventPump &events,
                MonotonicClock clock = steadyClock());

    // Progress of the wait goes there; without one (vesk-send) it is not shown.
    void setView(TransferView *view) { m_view = view; }
    // Why the last openPort or send failed, whatever the box said ("Error" for an odd image).
    const Error &failure() const { return m_failure; }

    bool openPort();
    // Refuses an odd image ("Error") and one too long for the length field; `name` names the
    // image in messages. True once the port has sent the whole frame.
    bool send(const QByteArray &image, const QString &name);

    // The wait's limit for a frame of `bytes` bytes: its time on the line, plus grace.
    static qint64 timeLimitMs(qint64 bytes)
    {
        return bytes * board::kBitsPerByte * 1000 / board::kLineBaud + kGraceMs;
    }

private:
    bool waitSent(qint64 frameBytes);
    // Keeps `error` as the failure and shows `shown` in a box.
    bool fail(Error error, const QString &shown);

    MSComm &m_port;
    Notifier &m_notifier;
    EventPump &m_events;
    MonotonicClock m_clock;
    TransferView *m_view = nullptr;
    Error m_failure;
};

// The Transfer button Command2: sends the image that Label1 names (MainState::transferImage),
// wherever later modes have moved fname and the current directory. Every click but a refused
// one ends with a line in the log: the image sent, or why not.
class Transfer
{
public:
    Transfer(MSComm &port, const DosFs &fs, const MainState &state, Notifier &notifier,
             EventPump &events, TransferView &view, MonotonicClock clock = steadyClock());

    // The click handler. A click while an earlier one still waits is refused with a beep.
    void click();
    bool busy() const { return m_busy; }

private:
    void send();

    ImageSender m_sender;
    const DosFs &m_fs;
    const MainState &m_state;
    Notifier &m_notifier;
    TransferView &m_view;
    bool m_busy = false;
};

inline constexpr char kImageNotFound[] = "テキスト送信 - 指定ファイルが見つかりません。";

} // namespace vesk
