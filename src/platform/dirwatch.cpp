#include "platform/dirwatch.h"

#include <QCoreApplication>
#include <QFileSystemWatcher>

namespace vesk {

DirWatch::DirWatch(const DosFs &fs, const QString &dosDir) : m_dir(fs.toHost(dosDir))
{
    // The watcher lives as long as the application: closing an inotify instance waits on the
    // kernel for tens of milliseconds.
    static QPointer<QFileSystemWatcher> shared;
    if (!shared && QCoreApplication::instance())
        shared = new QFileSystemWatcher(QCoreApplication::instance());
    m_watcher = shared;
    if (!m_watcher || m_dir.isEmpty())
        return;
    // A nested wait on the same directory leaves the watch to the outer one.
    m_added = m_watcher->addPath(m_dir);
    m_active = m_added || m_watcher->directories().contains(m_dir);
}

DirWatch::~DirWatch()
{
    if (m_added && m_watcher)
        m_watcher->removePath(m_dir);
}

} // namespace vesk
