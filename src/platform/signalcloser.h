#pragma once

#include <QObject>

class QSocketNotifier;

namespace vesk {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the event loop (a self-pipe), so the
// window can close as its close box does and the settings are written. One at a time: a
// second one, while the first lives, stays inactive.
class SignalCloser : public QObject
{
    Q_OBJECT
public:
    explicit SignalCloser(QObject *parent = nullptr);
    ~SignalCloser() override;

    bool isActive() const { return m_notifier != nullptr; }

signals:
    void received(int signal);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vesk
