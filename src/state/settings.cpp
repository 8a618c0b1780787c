#include "state/settings.h"

#include "platform/listinput.h"
#include "state/hex.h"

namespace vesk {

std::optional<Settings> parseSettings(const QString &text)
{
    ListReader reader(text);
    reader.setDoubledQuotes(true);
    reader.setLineBoundQuotes(true);
    QString fields[5];
    for (QString &field : fields) {
        if (reader.atEnd())
            return std::nullopt; // the file ended early
        field = reader.next();
    }
    return Settings{fields[0], readHexLenient(fields[1]), fields[2], readHexLenient(fields[3]),
                    readHexLenient(fields[4])};
}

// The reader splits at commas and skips leading blanks; a leading quote starts a quoted
// item. Such a directory goes in quotes so it comes back as it was stored.
static QString directoryLine(const QString &dir)
{
    const bool needsQuotes = dir.contains(u',') || dir.contains(u'\r') || dir.contains(u'\n') ||
                             dir.startsWith(u' ') || dir.startsWith(u'\t') || dir.startsWith(u'"');
    if (!needsQuotes)
        return dir;
    QString escaped = dir;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

QByteArray formatSettings(const Settings &s)
{
    const QString lines[5] = {directoryLine(s.WorkDir), hexText(s.MainOfs), directoryLine(s.BinDir),
                              hexText(s.RamOfs), hexText(s.RomOfs)};
    QByteArray out;
    for (const QString &line : lines)
        out += line.toUtf8() + "\r\n";
    return out;
}

} // namespace vesk

namespace vesk {

QString settingsPath(const QString &startDir)
{
    return DosFs::withBackslash(startDir) + QString::fromLatin1(kSettingsFileName);
}

Error readSettingsFile(const DosFs &fs, const QString &path, std::optional<Settings> &out)
{
    out.reset();
    // A directory in its place cannot be read now and could not be replaced at shutdown.
    const bool isDirectory = fs.isDirectory(path);
    if (!isDirectory && !fs.isOrdinaryFile(path))
        return {};
    QByteArray bytes;
    if (Error read = fs.readAll(path, bytes))
        return makeError(Error::Kind::CannotRead, QStringLiteral("設定ファイルを読めません。"),
                         fs.absolute(path),
                         isDirectory ? QStringLiteral("Is a directory") : read.reason);
    out = parseSettings(decodeText(bytes));
    if (!out)
        return makeError(Error::Kind::Refused,
                         QStringLiteral("設定ファイルが途中で終わっています。"), fs.absolute(path));
    return {};
}

} // namespace vesk
