#include "ui/lists.h"

#include <QKeyEvent>
#include <QStyle>

namespace vesk {

namespace {

QString driveCaption(QChar letter)
{
    return QString(letter.toLower()) + u':';
}

QString childPath(const QString &dir, const QString &name)
{
    return DosFs::withBackslash(dir) + name;
}

} // namespace

// --- DriveList -----------------------------------------------------------------------------

DriveList::DriveList(const DosFs &fs, QWidget *parent) : QComboBox(parent), m_fs(fs)
{
    refresh();
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QChar letter = itemData(index).toChar();
        if (letter != m_drive)
            emit driveChosen(letter);
    });
}

void DriveList::refresh()
{
    const QSignalBlocker blocker(this);
    clear();
    for (QChar letter : m_fs.drives())
        addItem(driveCaption(letter), letter);
    setCurrentIndex(findData(m_drive));
}

void DriveList::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

Error DriveList::setDrive(const QString &drive)
{
    const QChar letter = drive.isEmpty() ? QChar() : drive.at(0).toUpper();
    if (letter.isNull() || !m_fs.drives().contains(letter))
        return makeError(kDriveNotFound, letter.isNull() ? drive : driveCaption(letter));
    if (findData(letter) < 0)
        refresh();
    m_drive = letter;
    const QSignalBlocker blocker(this);
    setCurrentIndex(findData(letter));
    return {};
}

// --- DirList -------------------------------------------------------------------------------

DirList::DirList(const DosFs &fs, QWidget *parent) : QTreeWidget(parent), m_fs(fs)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(12);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        if (item)
            emit openRequested(item->data(0, Qt::UserRole).toString());
    });
}

QString DirList::highlightedPath() const
{
    const QTreeWidgetItem *item = currentItem();
    return item ? item->data(0, Qt::UserRole).toString() : m_path;
}

QString DirList::selectedPath() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? m_path : selected.first()->data(0, Qt::UserRole).toString();
}

void DirList::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        emit openRequested(highlightedPath());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

// Each component is matched as the file system matches it, so the list shows the names as
// they are on disk whatever case the settings file or the user wrote.
Error DirList::resolve(const QString &dosDir, QString &resolved) const
{
    const QString full = m_fs.actualPath(dosDir);
    if (full.isEmpty())
        return makeError(kDriveNotFound, dosDir);
    const QString root = full.left(3);
    if (!m_fs.isDirectory(root))
        return makeError(kDriveNotFound, root.left(2));
    if (!m_fs.isDirectory(full))
        return makeError(kFolderNotFound, m_fs.absolute(dosDir));
    resolved = full;
    return {};
}

Error DirList::setPath(const QString &dosDir)
{
    QString resolved;
    if (Error error = resolve(dosDir, resolved))
        return error;
    Error error;
    const QStringList subdirs = m_fs.listDirs(resolved, &error);
    if (error)
        return error;
    m_path = resolved;
    rebuild(resolved, subdirs);
    return {};
}

void DirList::rebuild(const QString &path, const QStringList &subdirs)
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QString sofar = path.left(3);
    auto *item = new QTreeWidgetItem(this, {sofar.left(2).toLower() + u'\\'});
    item->setData(0, Qt::UserRole, sofar);
    item->setIcon(0, open);
    const QStringList parts = path.mid(3).split(u'\\', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        sofar = childPath(sofar, part);
        item = new QTreeWidgetItem(item, {part});
        item->setData(0, Qt::UserRole, sofar);
        item->setIcon(0, open);
    }
    QTreeWidgetItem *openItem = item;
    for (const QString &name : subdirs) {
        auto *child = new QTreeWidgetItem(openItem, {name});
        child->setData(0, Qt::UserRole, childPath(path, name));
        child->setIcon(0, closed);
    }
    expandAll();
    setCurrentItem(openItem);
    scrollToItem(openItem);
}

// --- FileList ------------------------------------------------------------------------------

FileList::FileList(const DosFs &fs, QWidget *parent) : QListWidget(parent), m_fs(fs)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Queued, so a build started from here does not run inside the list's mouse handler.
    connect(this, &QListWidget::itemDoubleClicked, this, &FileList::fileDoubleClicked,
            Qt::QueuedConnection);
}

Error FileList::fill(const QString &dosDir)
{
    Error error;
    const QStringList names = m_fs.listFiles(dosDir, m_pattern, &error);
    if (error)
        return error;
    clear();
    addItems(names);
    return {};
}

Error FileList::setPath(const QString &dosDir)
{
    if (Error error = fill(dosDir))
        return error;
    m_path = dosDir;
    return {};
}

void FileList::setPattern(const QString &patterns)
{
    m_pattern = patterns;
    // A directory that has gone meanwhile lists nothing rather than stale names.
    if (!m_path.isEmpty() && fill(m_path))
        clear();
}

QString FileList::fileName() const
{
    const auto selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

bool FileList::selectFile(const QString &name)
{
    for (int row = 0; row < count(); ++row) {
        if (item(row)->text().compare(name, Qt::CaseInsensitive) == 0) {
            setCurrentRow(row);
            return true;
        }
    }
    return false;
}

// --- FolderChooser -------------------------------------------------------------------------

FolderChooser::FolderChooser(const DosFs &fs, DriveList *drive, DirList *dir, QObject *parent)
    : QObject(parent), m_fs(fs), m_drive(drive), m_dir(dir)
{
    connect(m_drive, &DriveList::driveChosen, this, &FolderChooser::userChoseDrive);
    connect(m_dir, &DirList::openRequested, this, &FolderChooser::userOpened);
}

Error FolderChooser::setDrive(const QString &drive)
{
    if (Error error = m_drive->setDrive(drive))
        return error;
    return driveChange();
}

Error FolderChooser::driveChange()
{
    const QChar letter = m_drive->drive();
    Error error = setPath(m_fs.currentDirOf(letter));
    // The drive's current directory may have been removed since a build made it current.
    if (error)
        error = setPath(QString(letter) + QStringLiteral(":\\"));
    return error;
}

Error FolderChooser::setPath(const QString &dosDir)
{
    if (Error error = m_dir->setPath(dosDir))
        return error;
    return pathChanged ? pathChanged(m_dir->path()) : Error{};
}

void FolderChooser::userChoseDrive(QChar letter)
{
    const QChar previous = m_drive->drive();
    if (!setDrive(QString(letter)))
        return;
    if (!previous.isNull())
        // The drive shown a moment ago: should it fail now, the box already told why.
        (void)m_drive->setDrive(QString(previous));
    if (refused)
        refused();
}

void FolderChooser::userOpened(const QString &dosDir)
{
    if (!setPath(dosDir))
        return;
    if (refused)
        refused();
}

} // namespace vesk
