#pragma once

#include "platform/dosfs.h"

#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>
#include <functional>

namespace vesk {

// The drive list: the mapped drives whose root exists, shown as "c:". Setting the drive from
// code does not emit anything; FolderChooser runs the change handler for both ways.
class DriveList : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveList(const DosFs &fs, QWidget *parent = nullptr);

    // Upper-case letter; null before the first setDrive.
    QChar drive() const { return m_drive; }
    // Only the first character counts, as with a full path such as "C:\WORK\".
    Error setDrive(const QString &drive);
    // Re-reads the drives, keeping the current one.
    void refresh();

signals:
    void driveChosen(QChar letter);

protected:
    void showPopup() override;

private:
    const DosFs &m_fs;
    QChar m_drive;
};

// The directory list in the classic style: the open directory's ancestors from the root,
// each one level deeper, then the open directory's subdirectories. Double-click or Enter on
// an entry asks for it to be opened; the list only changes through setPath.
class DirList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit DirList(const DosFs &fs, QWidget *parent = nullptr);

    // "C:\WORK" (no trailing "\" unless a root), with the names' case as on disk.
    QString path() const { return m_path; }
    // Fails, leaving the list as it was, when the directory does not exist.
    Error setPath(const QString &dosDir);
    // The full path of the highlighted entry, which is not necessarily the open one.
    QString highlightedPath() const;
    // The full path of the selected entry, else (none selected) the open directory.
    QString selectedPath() const;

signals:
    void openRequested(const QString &dosDir);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // The levels are shown by indentation alone; nothing here folds.
    void drawBranches(QPainter *, const QRect &, const QModelIndex &) const override {}

private:
    Error resolve(const QString &dosDir, QString &resolved) const;
    void rebuild(const QString &path, const QStringList &subdirs);

    const DosFs &m_fs;
    QString m_path;
};

// The file list: the ordinary files of one directory that match a pattern list, single
// selection.
class FileList : public QListWidget
{
    Q_OBJECT
public:
    explicit FileList(const DosFs &fs, QWidget *parent = nullptr);

    QString path() const { return m_path; }
    Error setPath(const QString &dosDir);
    QString pattern() const { return m_pattern; }
    // Lists again with the new pattern; the selection is cleared.
    void setPattern(const QString &patterns);
    // The selected bare name, empty when nothing is selected.
    QString fileName() const;
    // Selects a listed name (case-insensitively); false when it is not listed.
    bool selectFile(const QString &name);

signals:
    void fileDoubleClicked();

private:
    Error fill(const QString &dosDir);

    const DosFs &m_fs;
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
};

// Keeps a drive list and a directory list following each other: a drive change opens that
// drive's current directory, and every path change runs `pathChanged`. Code and the user go
// through the same handlers, so setting a drive from code behaves as choosing it.
class FolderChooser : public QObject
{
    Q_OBJECT
public:
    FolderChooser(const DosFs &fs, DriveList *drive, DirList *dir, QObject *parent = nullptr);

    // Runs after Dir1's path has changed; its error becomes the setter's error.
    std::function<Error(const QString &path)> pathChanged;
    // Runs when a choice of the user cannot be followed (a drive without a medium, a
    // directory removed meanwhile): the lists stay as they were.
    std::function<void()> refused;

    Error setDrive(const QString &drive);
    Error setPath(const QString &dosDir);

private:
    Error driveChange();
    void userChoseDrive(QChar letter);
    void userOpened(const QString &dosDir);

    const DosFs &m_fs;
    DriveList *m_drive;
    DirList *m_dir;
};

} // namespace vesk
