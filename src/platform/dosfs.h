#pragma once

#include "platform/error.h"

#include <QByteArray>
#include <QChar>
#include <QMap>
#include <QString>
#include <QStringList>

namespace vesk {

// Drive letter to host directory, read from a `dosdevices/` folder of symbolic links named
// like "c:". Other entries, such as "com1", name devices.
class DriveMap
{
public:
    // The map in force for a program started in `startHostDir`: `startHostDir/dosdevices`,
    // else $XDG_CONFIG_HOME (or ~/.config)/vesk/dosdevices, else c: = home and z: = /.
    // A child started by Vesk gets VESK_DOSDEVICES and loads exactly that folder.
    static DriveMap locate(const QString &startHostDir);
    // The map of the tools: VESK_DOSDEVICES when set, else as locate().
    static DriveMap forTool(const QString &startHostDir);
    static DriveMap fromFolder(const QString &folder);
    static DriveMap defaults();

    void setDrive(QChar letter, const QString &hostDir);
    // Canonical host root of a drive, empty when the drive is not mapped.
    QString root(QChar letter) const;
    // Mapped letters, upper case, sorted.
    QList<QChar> letters() const;
    // Where a device entry such as "com1" lives (folder/name): a link to the device, read
    // at each use, since a virtual board may come and go; empty for the defaults.
    QString deviceEntry(const QString &name) const;
    // The dosdevices folder in force, empty for the defaults.
    QString folder() const { return m_folder; }

private:
    QMap<QChar, QString> m_roots; // lower-case letter -> canonical host directory
    QString m_folder;
};

// DOS paths over the host file system: drive letters, "\" separators, case-insensitive
// names, a current drive and a current directory per drive. This is the process's "current
// drive and directory" of the builds; programs Vesk starts begin in hostCurrentDir().
class DosFs
{
public:
    // Current drive and directory from the host directory `hostCwd` (normally the process's).
    explicit DosFs(DriveMap map, const QString &hostCwd);
    // Vesk's own: the drive map found from the process's directory (DriveMap::locate), with
    // that directory current.
    static DosFs forProcess();
    // A tool's: the map Vesk handed down in VESK_DOSDEVICES, else found as Vesk finds it
    // (DriveMap::forTool), with the process's directory current.
    static DosFs forTool();

    const DriveMap &driveMap() const { return m_map; }
    // False when the host directory given at construction lies on no mapped drive.
    bool isValid() const { return !m_drive.isNull(); }

    // "C:\WORK" (no trailing "\" unless a drive's root, "C:\").
    QString currentDir() const;
    QChar currentDrive() const { return m_drive; }
    QString currentDirOf(QChar drive) const;
    QString hostCurrentDir() const;

    // DOS ChDrive: the letter of `drive` (only its first character counts).
    Error changeDrive(const QString &drive);
    // DOS ChDir: sets the current directory of the path's drive, not the current drive.
    Error changeDir(const QString &dosDir);
    // ChDrive then ChDir, as every build mode does with its working directory.
    Error makeCurrent(const QString &dosDir);

    // The full DOS path of a name, absolute or relative to the current directory, with "."
    // and ".." folded. Letters keep their case. Empty when the drive is not mapped.
    QString absolute(const QString &dosPath) const;
    // The host path of a DOS name, each component matched case-insensitively (an exact-case
    // entry wins, else the first match in sorted order, else the name as written).
    QString toHost(const QString &dosPath) const;
    // The full DOS path with each component that exists spelled as it stands on disk, matched
    // as toHost() matches it; the rest as written. Empty when the drive is not mapped.
    QString actualPath(const QString &dosPath) const;
    // How the tools take a path argument: one with a "\" or a drive ("C:") is a DOS path of
    // the drive map; one beginning with "/" is a host path; anything else is relative to the
    // current directory and matched case-insensitively.
    static bool isDosArgument(const QString &arg);
    // The host path that such an argument names; empty for a drive that is not mapped.
    QString hostPathOfArgument(const QString &arg) const;
    // The DOS path of a host path: the drive whose root is its longest prefix. Empty when no
    // drive covers it.
    QString toDos(const QString &hostPath) const;

    // A regular file: not a directory, not hidden (name beginning with a dot), no dangling link.
    bool isOrdinaryFile(const QString &dosPath) const;
    bool isDirectory(const QString &dosPath) const;
    Error remove(const QString &dosPath) const;
    // Every ordinary file in the name's directory whose name is the name in some letter case
    // ("b.obj" and "B.OBJ" both), as full DOS paths that each resolve to that very file.
    QStringList caseVariants(const QString &dosPath) const;
    // Replaces the destination; a copy onto the same file is a no-op.
    Error copy(const QString &fromDos, const QString &toDos) const;
    bool sameFile(const QString &aDos, const QString &bDos) const;
    Error readAll(const QString &dosPath, QByteArray &out) const;
    // Written to a temporary file beside the target, then renamed over it.
    Error writeAtomic(const QString &dosPath, const QByteArray &bytes) const;

    // Mapped drives whose root exists, as "c:" style letters, upper case.
    QList<QChar> drives() const;
    // Subdirectories of a DOS directory, not hidden, sorted case-insensitively.
    QStringList listDirs(const QString &dosDir, Error *error = nullptr) const;
    // Ordinary files matching a pattern list such as "*.MAR;*.mot", case-insensitively.
    QStringList listFiles(const QString &dosDir, const QString &patterns,
                          Error *error = nullptr) const;

    static bool isRoot(const QString &dosDir); // "C:\"
    // The directory text with "\" appended unless it already ends with one.
    static QString withBackslash(const QString &dosDir);
    // The last component of a DOS path: what follows the last "\", "/" or ":".
    static QString fileName(const QString &dosPath);
    // What precedes fileName(), separator included: "C:\WORK\" of "C:\WORK\PROG.MOT", "C:" of
    // "C:PROG.MOT", empty for a bare name.
    static QString dirPart(const QString &dosPath);

private:
    struct Parsed
    {
        QChar drive;            // lower case
        QStringList components; // from the drive's root
    };
    bool parse(const QString &dosPath, Parsed &out) const;
    QString resolve(const Parsed &p) const;
    static QString format(const Parsed &p);

    DriveMap m_map;
    QChar m_drive; // lower case; null when invalid
    QMap<QChar, QStringList> m_cwd;
};

// Case-insensitive wildcard match of a bare name against "*.c" or "*.MAR;*.mot".
bool matchesPatternList(const QString &name, const QString &patterns);

} // namespace vesk
