#pragma once

#include <QString>

namespace vesk {

// An error of the file system, of starting a program or of opening the port. `what` is a
// short Japanese description for the user, `path` the DOS path or device concerned. A
// default-constructed Error means success, so `if (Error e = fs.remove(x))` reads naturally.
struct Error
{
    QString what;
    QString path;
    QString reason; // the host's own wording (strerror, QFile::errorString), may be empty

    explicit operator bool() const { return !what.isEmpty(); }
    // The text of the message box: description, then the path, then the host's reason.
    QString message() const;
};

Error makeError(const QString &what, const QString &path, const QString &reason = {});

} // namespace vesk
