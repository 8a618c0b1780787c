#include "ui/form2.h"

#include "state/hex.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <limits>

namespace vesk {

namespace {

QFont dialogFont(int points, bool bold)
{
    QFont font(QStringLiteral("IPAPGothic"), points);
    font.setBold(bold);
    return font;
}

template <typename W> W *named(W *widget, const QString &name, QRect place)
{
    widget->setObjectName(name);
    widget->setGeometry(place);
    return widget;
}

// "C:\A\B" -> "C:\A", "C:\A" -> "C:\".
QString parentDir(const QString &dosDir)
{
    const QString dir = DosFs::dirPart(dosDir);
    return dir.size() <= 3 ? dir : dir.chopped(1);
}

} // namespace

Form2::Form2(MainState &state, const DosFs &fs, Notifier &notifier, QWidget *parent)
    : QDialog(parent), m_state(state), m_fs(fs), m_notifier(notifier)
{
    buildControls();
    m_folders = new FolderChooser(m_fs, Drive1, Dir1, this);
    m_folders->pathChanged = [this](const QString &path) {
        Label2->setText(path);
        return Error{};
    };
    m_folders->refused = [this] { m_notifier.beep(); };
    // A folder the user has only clicked is the one OK stores, so Label2 shows it too.
    connect(Dir1, &QTreeWidget::itemSelectionChanged, this,
            [this] { Label2->setText(Dir1->selectedPath()); });

    for (int i = 0; i < 2; ++i) {
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        connect(Command4[i], &QPushButton::clicked, this, [this, i] { Command4_Click(i); });
        connect(Command5[i], &QPushButton::clicked, this, [this, i] { Command5_Click(i); });
    }
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form2::Command3_Click);
    Form_Load();
}

void Form2::buildControls()
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("オフセット設定"));
    setFixedSize(520, 300);
    setFont(dialogFont(10, false));

    Frame1 = named(new QGroupBox(QStringLiteral("SYSTEMﾌｧｲﾙﾃﾞｨﾚｸﾄﾘ設定"), this),
                   QStringLiteral("Frame1"), {8, 8, 250, 244});
    Label2 = named(new QLabel(QStringLiteral("Label2"), Frame1), QStringLiteral("Label2"),
                   {10, 24, 230, 22});
    Drive1 = named(new DriveList(m_fs, Frame1), QStringLiteral("Drive1"), {10, 50, 230, 26});
    Dir1 = named(new DirList(m_fs, Frame1), QStringLiteral("Dir1"), {10, 82, 230, 152});
    // Paths in the desktop's font: Japanese fonts draw the backslash as a yen sign.
    for (QWidget *w : std::initializer_list<QWidget *>{Label2, Drive1, Dir1})
        w->setFont(QApplication::font());
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Drive1->setAccessibleName(QStringLiteral("ドライブ"));
    Dir1->setAccessibleName(QStringLiteral("フォルダ"));

    Frame2 = named(new QGroupBox(QStringLiteral("main ofset　設定"), this),
                   QStringLiteral("Frame2"), {266, 8, 246, 244});
    const auto button = [this](const QString &caption, const QString &name, QRect place) {
        auto *b = named(new QPushButton(caption, Frame2), name, place);
        b->setAutoDefault(false);
        return b;
    };
    // Two blocks of the same shape: RAM above, ROM below.
    QLabel **values[2] = {&Label1, &Label3};
    std::array<QPushButton *, 2> *steps[2] = {&Command1, &Command4};
    const char *stepNames[2] = {"Command1_", "Command4_"};
    for (int block = 0; block < 2; ++block) {
        const int top = 28 + block * 110;
        const QString index = QString::number(block);
        Label4[block] =
            named(new QLabel(block == 0 ? QStringLiteral("RAM") : QStringLiteral("ROM"), Frame2),
                  "Label4_" + index, {12, top, 60, 26});
        *values[block] = named(
            new QLabel(block == 0 ? QStringLiteral("Label1") : QStringLiteral("Label3"), Frame2),
            block == 0 ? QStringLiteral("Label1") : QStringLiteral("Label3"), {76, top, 100, 26});
        (*values[block])->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        (*values[block])->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        for (QLabel *l : {Label4[block], *values[block]})
            l->setFont(dialogFont(12, true));
        for (int i = 0; i < 2; ++i)
            (*steps[block])[i] =
                button(i == 0 ? QStringLiteral("＋") : QStringLiteral("－"),
                       stepNames[block] + QString::number(i), {184, top - 6 + i * 30, 48, 28});
        Command5[block] =
            button(QStringLiteral("デフォルト"), "Command5_" + index, {12, top + 36, 100, 28});
    }

    Command2 = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("Command2"),
                     {326, 262, 90, 30});
    Command3 = named(new QPushButton(QStringLiteral("キャンセル"), this),
                     QStringLiteral("Command3"), {422, 262, 90, 30});
    Command2->setDefault(true);
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAccessibleName(b->text());
}

void Form2::Form_Load()
{
    EditRamOfs = m_state.RamOfs;
    EditRomOfs = m_state.RomOfs;
    Label1->setText(hexText(EditRamOfs));
    Label3->setText(hexText(EditRomOfs));
    if (m_folders->setDrive(m_state.BinDir) || m_folders->setPath(m_state.BinDir))
        openNearest(m_state.BinDir);
}

// BinDir may name a drive or directory that has gone since it was chosen. The dialog still
// opens, on the nearest directory that exists, else the current one; BinDir itself changes
// only if OK is pressed.
void Form2::openNearest(const QString &dosDir)
{
    const auto tryOpen = [this](const QString &dir) {
        return !dir.isEmpty() && m_fs.isDirectory(dir) && !m_folders->setDrive(dir) &&
               !m_folders->setPath(dir);
    };
    QString dir = m_fs.absolute(dosDir);
    while (!dir.isEmpty()) {
        if (tryOpen(dir))
            return;
        if (DosFs::isRoot(dir) || dir.size() <= 3)
            break;
        dir = parentDir(dir);
    }
    tryOpen(m_fs.currentDir());
}

qint32 Form2::step(qint32 value, int index, qint32 floor)
{
    qint64 next = qint64(value) + (index == 0 ? 0x10 : -0x10);
    next = std::clamp<qint64>(next, std::numeric_limits<qint32>::min(),
                              std::numeric_limits<qint32>::max());
    return next < floor ? floor : qint32(next);
}

void Form2::Command1_Click(int index)
{
    EditRamOfs = step(EditRamOfs, index, kRamOfsFloor);
    Label1->setText(hexText(EditRamOfs));
}

void Form2::Command4_Click(int index)
{
    EditRomOfs = step(EditRomOfs, index, kRomOfsFloor);
    Label3->setText(hexText(EditRomOfs));
}

void Form2::Command5_Click(int index)
{
    if (index == 0) {
        EditRamOfs = kDefaultRamOfs;
        Label1->setText(hexText(EditRamOfs));
    } else {
        EditRomOfs = kDefaultRomOfs;
        Label3->setText(hexText(EditRomOfs));
    }
}

void Form2::Command2_Click()
{
    m_state.RamOfs = EditRamOfs;
    m_state.RomOfs = EditRomOfs;
    // Empty only when not even the current directory could be listed.
    const QString chosen = Dir1->selectedPath();
    if (!chosen.isEmpty())
        m_state.BinDir = DosFs::withBackslash(chosen);
    accept();
}

void Form2::Command3_Click()
{
    reject();
}

} // namespace vesk
