#pragma once

#include "platform/dosfs.h"

#include <QString>
#include <QTemporaryDir>

namespace vesk::test {

// A temporary host directory mapped as drive C: (and / as Z:) through a dosdevices folder,
// so tests use DOS paths such as "C:\WORK" without touching the user's home.
class TempDrive
{
public:
    TempDrive();
    QString root() const { return m_dir.path() + "/c"; } // host root of C:
    QString dosDevices() const { return m_dir.path() + "/dosdevices"; }
    // Host path of a path below C:, "/" separated ("WORK/a.c").
    QString host(const QString &relative) const { return root() + "/" + relative; }
    void mkdir(const QString &relative) const;
    void write(const QString &relative, const QByteArray &bytes) const;
    QByteArray read(const QString &relative) const;
    bool exists(const QString &relative) const;
    DriveMap map() const { return DriveMap::fromFolder(dosDevices()); }
    // A file system whose current directory is C:\ + relative.
    DosFs fs(const QString &relative = {}) const;

private:
    QTemporaryDir m_dir;
};

// An executable shell script at `relative` below C: ("#!/bin/sh" and `body`).
void script(const TempDrive &drive, const QString &relative, const QByteArray &body);
// Copies the host folder `from` with its subfolders to the host folder `to`.
void copyTree(const QString &from, const QString &to);

} // namespace vesk::test
