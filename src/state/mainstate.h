#pragma once

#include "state/board.h"

#include <QString>

namespace vesk {

// The offsets as the window keeps them (signed, as the settings file's fields are read).
constexpr qint32 kDefaultRamOfs = qint32(board::kDefaultRamOffset);
constexpr qint32 kDefaultRomOfs = qint32(board::kDefaultRomOffset);

// The main window's shared state, owned by Form1 for the whole run. The names are the
// system's own.
struct MainState
{
    QString StartDir; // DOS path, no trailing "\" unless a drive's root
    QString WorkDir;  // ends with "\" once start-up is done
    QString BinDir;   // ends with "\" once start-up is done
    qint32 MainOfs = kDefaultRamOfs;
    qint32 RamOfs = kDefaultRamOfs;
    qint32 RomOfs = kDefaultRomOfs;
    QString fname;
    // The image that Label1 names, as a full DOS path: set by the build that enables Transfer,
    // and what Transfer sends, whichever directory and fname later modes have made current.
    QString transferImage;
};

} // namespace vesk
