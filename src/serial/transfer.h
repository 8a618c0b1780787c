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

    ImageSender(MSComm &port, Notifier &notifier, EventPump &events,
                MonotonicClock clock = steadyClock());

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

    MSComm &m_port;
    Notifier &m_notifier;
    EventPump &m_events;
    MonotonicClock m_clock;
};

// The Transfer button Command2: sends the image that Label1 names (MainState::transferImage),
// wherever later modes have moved fname and the current directory.
class Transfer
{
public:
    Transfer(MSComm &port, const DosFs &fs, const MainState &state, Notifier &notifier,
             EventPump &events, MonotonicClock clock = steadyClock());

    // The click handler. A click while an earlier one still waits is refused with a beep.
    void click();
    bool busy() const { return m_busy; }

private:
    ImageSender m_sender;
    const DosFs &m_fs;
    const MainState &m_state;
    Notifier &m_notifier;
    bool m_busy = false;
};

inline constexpr char kImageNotFound[] = "テキスト送信 - 指定ファイルが見つかりません。";

} // namespace vesk
