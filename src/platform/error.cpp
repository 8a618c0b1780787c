#include "platform/error.h"

namespace vesk {

QString Error::message() const
{
    QString text = what;
    if (!path.isEmpty())
        text += "\n" + path;
    if (!reason.isEmpty())
        text += "\n(" + reason + ")";
    return text;
}

Error makeError(const ErrorText &text, const QString &path, const QString &reason)
{
    return Error{text.kind, text.what, path, reason};
}

Error makeError(Error::Kind kind, const QString &what, const QString &path, const QString &reason)
{
    return Error{kind, what, path, reason};
}

} // namespace vesk
