#include "serial/mscomm.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vesk {

namespace {

constexpr const char *kFallbackDevices[] = {"/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"};

const QString kCannotOpen = QStringLiteral("シリアルポートを開けません。");

Error openError(const QString &device, const QSerialPort &port)
{
    const QString reason = port.errorString();
    if (port.error() == QSerialPort::DeviceNotFoundError || !QFileInfo::exists(device)) {
        return makeError(kCannotOpen + "装置がありません。USB アダプタがつながっているか、"
                                       "dosdevices/com1 のリンク先が正しいかを確かめてください。",
                         device, reason);
    }
    if (port.error() == QSerialPort::PermissionError) {
        // Qt reports a missing permission and a port held by another program (its lock file
        // or the tty's exclusive mode) alike; the device's own access bits tell them apart.
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES) {
            return makeError(kCannotOpen + "このポートを使う権限がありません。利用者を dialout "
                                           "グループに加え（sudo usermod -aG dialout "
                                           "ユーザー名）、ログインし直してください。",
                             device, reason);
        }
        return makeError(kCannotOpen + "ほかのプログラムがこのポートを使っています。"
                                       "そのプログラムを終えてから、もう一度転送してください。",
                         device, reason);
    }
    struct stat st = {};
    if (::stat(QFile::encodeName(device).constData(), &st) == 0 && !S_ISCHR(st.st_mode))
        return makeError(kCannotOpen + "シリアル装置ではありません。", device, reason);
    return makeError(kCannotOpen, device, reason);
}

} // namespace

MSComm::MSComm(const QString &com1, bool fallback, QObject *parent)
    : QObject(parent), m_com1(com1), m_fallback(fallback)
{
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::OnComm);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::handleError);
}

MSComm::~MSComm() = default;

QString MSComm::locateDevice() const
{
    const QFileInfo entry(m_com1);
    if (entry.isSymLink())
        return entry.symLinkTarget();
    if (!m_com1.isEmpty() && (entry.exists() || !m_fallback))
        return m_com1;
    for (const char *candidate : kFallbackDevices) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
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
    if (dev.isEmpty()) {
        return makeError(QStringLiteral("シリアルポートが見つかりません。dosdevices/com1 を"
                                        "装置へのリンクにしてください（例: /dev/ttyUSB0）。"),
                         QStringLiteral("COM1"));
    }
    m_device = dev;
    m_port.setPortName(dev);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    // The transfer needs a queue that drains by itself: nothing may hold it back.
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite))
        return openError(dev, m_port);
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
    qint64 count = m_port.bytesToWrite();
    int queued = 0;
    if (::ioctl(m_port.handle(), TIOCOUTQ, &queued) == 0 && queued > 0)
        count += queued;
    return count;
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
            makeError(QStringLiteral("シリアルポートとの接続が切れました。送信を中止しました。"),
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
            m_error = makeError(QStringLiteral("シリアルポートへの送信に失敗しました。"), m_device,
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
