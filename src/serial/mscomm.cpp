#include "serial/mscomm.h"

#include "platform/serialdevice.h"
#include "state/board.h"

#include <utility>

namespace vesk {

MSComm::MSComm(const QString &com1, bool fallback, QObject *parent)
    : QObject(parent), m_com1(com1), m_fallback(fallback)
{
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::OnComm);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::handleError);
}

MSComm::~MSComm() = default;

QString MSComm::locateDevice() const
{
    return locateSerialDevice(m_com1, m_fallback);
}

QString MSComm::device() const
{
    return m_port.isOpen() ? m_device : locateDevice();
}

bool MSComm::PortOpen() const
{
    return m_port.isOpen() && !m_closePending;
}

Error MSComm::setPortOpen(bool open)
{
    if (m_closePending) {
        m_closePending = false;
        m_port.close();
    }
    if (!open) {
        m_port.close();
        return {};
    }
    if (m_port.isOpen())
        return {};

    const QString dev = locateDevice();
    if (dev.isEmpty())
        return serialOpenError(dev, QSerialPort::DeviceNotFoundError, {});
    m_device = dev;
    m_port.setPortName(dev);
    m_port.setBaudRate(board::kLineBaud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    // The transfer needs a queue that drains by itself: nothing may hold it back.
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite))
        return serialOpenError(dev, m_port.error(), m_port.errorString());
    m_error = {};
    return {};
}

bool MSComm::Output(const QByteArray &bytes)
{
    if (!PortOpen())
        return false;
    return m_port.write(bytes) == bytes.size();
}

qint64 MSComm::OutBufferCount() const
{
    if (!PortOpen())
        return 0;
    return m_port.bytesToWrite() + ttyOutputQueue(m_port.handle());
}

QByteArray MSComm::Input()
{
    return PortOpen() ? m_port.readAll() : QByteArray();
}

void MSComm::clearOutput()
{
    if (PortOpen())
        m_port.clear(QSerialPort::Output);
}

Error MSComm::takeError()
{
    return std::exchange(m_error, Error{});
}

void MSComm::handleError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
        if (m_closePending || !m_port.isOpen())
            return;
        m_error =
            makeError(Error::Kind::Failed,
                      QStringLiteral("シリアルポートとの接続が切れました。送信を中止しました。"),
                      m_device, m_port.errorString());
        m_closePending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_closePending) {
                    m_closePending = false;
                    m_port.close();
                }
            },
            Qt::QueuedConnection);
        break;
    case QSerialPort::WriteError:
        if (!m_error)
            m_error = makeError(Error::Kind::Failed,
                                QStringLiteral("シリアルポートへの送信に失敗しました。"), m_device,
                                m_port.errorString());
        break;
    case QSerialPort::NoError:
        return;
    default:
        break;
    }
    emit OnComm();
}

} // namespace vesk
