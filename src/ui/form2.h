#pragma once

#include "platform/dosfs.h"
#include "state/mainstate.h"
#include "state/notifier.h"
#include "ui/lists.h"

#include <QDialog>
#include <array>

class QGroupBox;
class QLabel;
class QPushButton;

namespace vesk {

constexpr qint32 kRamOfsFloor = qint32(board::kRamOffsetFloor);
constexpr qint32 kRomOfsFloor = qint32(board::kRomOffsetFloor);

// The offset dialog: edits copies of RamOfs and RomOfs and chooses BinDir; only OK writes
// them back. It never writes the settings file and never touches MainOfs.
class Form2 : public QDialog
{
    Q_OBJECT
public:
    // Opens on the main window's current values. `notifier` gives the beep for a refused choice.
    Form2(MainState &state, const DosFs &fs, Notifier &notifier, QWidget *parent = nullptr);

    // One "＋" (index 0) or "－" (index 1) press on `value`: no wrap at the ends of the 32-bit
    // range, then the lower bound, which also lifts a value that was already below it.
    static qint32 step(qint32 value, int index, qint32 floor);

    QGroupBox *Frame1;
    QGroupBox *Frame2;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    std::array<QLabel *, 2> Label4;
    DriveList *Drive1;
    DirList *Dir1;
    std::array<QPushButton *, 2> Command1;
    std::array<QPushButton *, 2> Command4;
    std::array<QPushButton *, 2> Command5;
    QPushButton *Command2;
    QPushButton *Command3;

    void Command1_Click(int index);
    void Command4_Click(int index);
    void Command5_Click(int index);
    void Command2_Click();
    void Command3_Click();

private:
    void buildControls();
    void Form_Load();
    void openNearest(const QString &dosDir);

    MainState &m_state;
    const DosFs &m_fs;
    Notifier &m_notifier;
    FolderChooser *m_folders;
    qint32 EditRamOfs;
    qint32 EditRomOfs;
};

} // namespace vesk
