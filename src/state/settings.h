#pragma once

#include "platform/dosfs.h"
#include "platform/error.h"
#include "state/mainstate.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace vesk {

inline constexpr char kSettingsFileName[] = "H8C.ini";

// The five values of H8C.ini, in file order.
struct Settings
{
    QString WorkDir;
    qint32 MainOfs = 0;
    QString BinDir;
    qint32 RamOfs = 0;
    qint32 RomOfs = 0;
};

// Reads five list-input fields; nothing when the text ends before the fifth. Anything after
// the fifth field is ignored.
std::optional<Settings> parseSettings(const QString &text);

// Five lines, each ended by CR LF. A directory that would not read back unchanged (one with
// a comma, or beginning with a blank or a double quote) is written in double quotes.
QByteArray formatSettings(const Settings &settings);

// H8C.ini of a start-up directory (DOS path).
QString settingsPath(const QString &startDir);

// Reads the settings file at `path`, leaving `out` empty when there is none. Anything of that
// name counts as there: a directory in its place cannot be read (CannotRead), and a file that
// ends early is Refused.
Error readSettingsFile(const DosFs &fs, const QString &path, std::optional<Settings> &out);

} // namespace vesk
