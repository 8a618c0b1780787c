#pragma once

#include <QString>

namespace vesk {

constexpr qint32 kDefaultRamOfs = 0xFFDF50;
constexpr qint32 kDefaultRomOfs = 0x200;
// Offsets below this start the ROM check box checked.
constexpr qint32 kRamStart = 0xFFDF10;

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
};

} // namespace vesk
