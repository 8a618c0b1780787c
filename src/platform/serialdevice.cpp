#include "platform/serialdevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {

namespace {

const QString kCannotOpen = QStringLiteral("シリアルポートを開けません。");

} // namespace

QStringList defaultSerialDevices()
{
    return {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyACM0"),
            QStringLiteral("/dev/ttyS0")};
}

QString serialDevicePath(const QString &name)
{
    if (name.isEmpty())
        return {};
    if (name.startsWith(u'/'))
        return name;
    // Not cleaned further: after a link, ".." need not be the folder the link is in.
    if (name.startsWith(QStringLiteral("./")))
        return QDir::currentPath() + name.mid(1);
    if (name.startsWith(QStringLiteral("../")))
        return QDir::currentPath() + u'/' + name;
    return QStringLiteral("/dev/") + name;
}

QString locateSerialDevice(const QString &com1, bool fallback, const QStringList &candidates)
{
    // Checked and named as the path the port will really open, not as the name was given.
    const QString path = serialDevicePath(com1);
    const QFileInfo entry(path);
    if (entry.isSymLink())
        return entry.symLinkTarget();
    if (!path.isEmpty() && (entry.exists() || !fallback))
        return path;
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

Error serialOpenError(const QString &device, QSerialPort::SerialPortError error,
                      const QString &reason)
{
    if (device.isEmpty()) {
        return makeError(Error::Kind::NotFound,
                         QStringLiteral("シリアルポートが見つかりません。dosdevices/com1 を"
                                        "装置へのリンクにしてください（例: /dev/ttyUSB0）。"),
                         QStringLiteral("COM1"));
    }
    if (error == QSerialPort::DeviceNotFoundError || !QFileInfo::exists(device)) {
        return makeError(Error::Kind::NotFound,
                         kCannotOpen + "装置がありません。USB アダプタがつながっているか、"
                                       "dosdevices/com1 のリンク先が正しいかを確かめてください。",
                         device, reason);
    }
    const QByteArray hostPath = QFile::encodeName(device);
    if (error == QSerialPort::PermissionError) {
        // Qt reports a missing permission and a port held by another program (its lock file
        // or the tty's exclusive mode) alike; the device's own access bits tell them apart.
        if (::access(hostPath.constData(), R_OK | W_OK) != 0 && errno == EACCES) {
            return makeError(Error::Kind::CannotOpen,
                             kCannotOpen + "このポートを使う権限がありません。利用者を dialout "
                                           "グループに加え（sudo usermod -aG dialout "
                                           "ユーザー名）、ログインし直してください。",
                             device, reason);
        }
        return makeError(Error::Kind::CannotOpen,
                         kCannotOpen + "ほかのプログラムがこのポートを使っています。"
                                       "そのプログラムを終えてから、もう一度転送してください。",
                         device, reason);
    }
    struct stat st = {};
    if (::stat(hostPath.constData(), &st) == 0 && !S_ISCHR(st.st_mode))
        return makeError(Error::Kind::CannotOpen, kCannotOpen + "シリアル装置ではありません。",
                         device, reason);
    return makeError(Error::Kind::CannotOpen, kCannotOpen, device, reason);
}

qint64 ttyOutputQueue(qintptr handle)
{
    int queued = 0;
    if (handle < 0 || ::ioctl(int(handle), TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return queued;
}

} // namespace vesk
