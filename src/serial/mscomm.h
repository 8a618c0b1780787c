#pragma once

#include "platform/error.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

namespace vesk {

// The serial control MSComm1: port 1 at 9600 baud, no parity, 8 data bits, 1 stop bit, no
// flow control. Closed until the first transfer opens it; the program never closes it, but a
// device that vanishes (USB adapter pulled) is closed here so that the next open finds it
// again.
class MSComm : public QObject
{
    Q_OBJECT

public:
    // `com1` names the device; a link (such as the drive map's "com1" entry) is read again
    // at every open, since a virtual board may come and go. With `fallback`, an empty or
    // absent `com1` stands for the first of defaultSerialDevices() that exists when the port
    // is opened; without it, only an empty one does.
    explicit MSComm(const QString &com1 = {}, bool fallback = false, QObject *parent = nullptr);
    ~MSComm() override;

    // The device the port uses or would use now; empty when there is none.
    QString device() const;

    bool PortOpen() const;
    // Opening can fail: no such device, no permission, held by another program.
    Error setPortOpen(bool open);

    // Queues the bytes and returns at once; false when the port is not open.
    bool Output(const QByteArray &bytes);
    // Bytes not yet sent: Qt's write queue plus the tty's output queue, so that 0 means the
    // bytes have left the port rather than just reached the kernel.
    qint64 OutBufferCount() const;
    // All received bytes waiting, removed from the receive buffer.
    QByteArray Input();
    // Discards everything not yet sent, in Qt's queue and the tty's.
    void clearOutput();

    // The last failure of the open port that stops sending (device gone, write failed),
    // cleared by reading it. Empty while none.
    Error takeError();

signals:
    // Received data and communication errors.
    void OnComm();

private:
    void handleError(QSerialPort::SerialPortError error);
    QString locateDevice() const;

    QSerialPort m_port;
    QString m_com1;
    bool m_fallback = false;
    QString m_device; // as opened; Qt's portName() drops the /dev/ prefix
    Error m_error;
    // Closing from inside QSerialPort's error signal is unsafe, so a vanished device is
    // closed from the event loop; until then the port counts as closed.
    bool m_closePending = false;
};

} // namespace vesk
