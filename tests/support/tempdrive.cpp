#include "support/tempdrive.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace vesk::test {

TempDrive::TempDrive()
{
    QDir(m_dir.path()).mkpath("c");
    QDir(m_dir.path()).mkpath("dosdevices");
    QFile::link(root(), dosDevices() + "/c:");
    QFile::link("/", dosDevices() + "/z:");
}

void TempDrive::mkdir(const QString &relative) const
{
    QDir(root()).mkpath(relative);
}

void TempDrive::write(const QString &relative, const QByteArray &bytes) const
{
    QDir(root()).mkpath(QFileInfo(host(relative)).path().mid(root().size() + 1));
    QFile f(host(relative));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray TempDrive::read(const QString &relative) const
{
    QFile f(host(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TempDrive::exists(const QString &relative) const
{
    return QFileInfo::exists(host(relative));
}

DosFs TempDrive::fs(const QString &relative) const
{
    return DosFs(map(), relative.isEmpty() ? root() : host(relative));
}

void script(const TempDrive &drive, const QString &relative, const QByteArray &body)
{
    drive.write(relative, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(drive.host(relative),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            QFile::copy(path, target);
    }
}

} // namespace vesk::test
