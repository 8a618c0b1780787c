#pragma once

#include "platform/dosfs.h"

#include <QPointer>
#include <QString>

class QFileSystemWatcher;

namespace vesk {

// Wakes the event loop when something changes in a DOS directory, so that a wait for a file
// there can sleep in long passes. Inactive when the directory does not exist (yet) or there
// is no application object; the wait then polls.
class DirWatch
{
public:
    DirWatch(const DosFs &fs, const QString &dosDir);
    ~DirWatch();
    DirWatch(const DirWatch &) = delete;
    DirWatch &operator=(const DirWatch &) = delete;

    bool active() const { return m_active; }

private:
    QString m_dir; // host directory
    QPointer<QFileSystemWatcher> m_watcher;
    bool m_added = false;
    bool m_active = false;
};

} // namespace vesk
