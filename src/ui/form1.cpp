#include "ui/form1.h"

#include "platform/eventwait.h"
#include "serial/receive.h"
#include "state/hex.h"
#include "state/settings.h"
#include "ui/form2.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <cstdio>

namespace vesk {

namespace {

constexpr QLatin1String kTitle("Vesk");
constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Mode choice: the pattern of File1 and whether Check1 and Label2 change their enabled state.
struct Mode
{
    const char *caption;
    const char *pattern;
    enum { Disable, Keep, Enable } romBox;
};
constexpr Mode kModes[4] = {
    {"アセンブル", "*.mar", Mode::Disable},
    {"MOT", "*.mot", Mode::Keep},
    {"コンパイル", "*.c", Mode::Enable},
    {"逆ASM", "*.bin", Mode::Keep},
};

QFont formFont(int points, bool bold)
{
    QFont font(QStringLiteral("IPAPGothic"), points);
    font.setBold(bold);
    return font;
}

template <typename W> W *named(W *widget, const char *name, QRect place)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(place);
    return widget;
}

} // namespace

Form1::Form1(DosFs &fs, QWidget *parent)
    : QWidget(parent), MSComm1(fs.driveMap().deviceEntry(QStringLiteral("com1")), true), m_fs(fs),
      m_driver(m_state, m_fs, *this, *this, *this),
      m_transfer(MSComm1, m_fs, m_state, *this, *this, *this)
{
    connectReceive(MSComm1);
    onTransfer = [this] { m_transfer.click(); };
    transferBusy = [this] { return m_transfer.busy(); };
    buildControls();
    m_folders = new FolderChooser(m_fs, Drive1, Dir1, this);
    m_folders->pathChanged = [this](const QString &path) { return Dir1_Change(path); };
    m_folders->refused = [this] { beep(); };

    for (int i = 0; i < 4; ++i) {
        connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                Option1_Click(i);
        });
    }
    connect(Check1, &QCheckBox::toggled, this, &Form1::Check1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(File1, &FileList::fileDoubleClicked, this, &Form1::Command4_Click);
}

void Form1::buildControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString(kTitle));
    setFixedSize(kWidth, kHeight);
    setFont(formFont(10, false));

    // Left column: the three lists.
    Drive1 = named(new DriveList(m_fs, this), "Drive1", {8, 8, 200, 26});
    Dir1 = named(new DirList(m_fs, this), "Dir1", {8, 40, 200, 200});
    File1 = named(new FileList(m_fs, this), "File1", {8, 248, 200, 224});
    File1->setPattern(QStringLiteral("*.MAR;*.mot"));
    // Japanese fonts draw the backslash as a yen sign; paths read better in the desktop's own font.
    for (QWidget *w : std::initializer_list<QWidget *>{Drive1, Dir1, File1})
        w->setFont(QApplication::font());
    Drive1->setAccessibleName(QStringLiteral("ドライブ"));
    Dir1->setAccessibleName(QStringLiteral("フォルダ"));
    File1->setAccessibleName(QStringLiteral("ファイル"));

    // Middle column: compile and assemble, the image and offset labels, the ROM box; the
    // two other modes sit on the row above the log.
    const QRect optionPlaces[4] = {
        {220, 40, 180, 28}, {220, 176, 120, 26}, {220, 8, 180, 28}, {360, 176, 120, 26}};
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "Option1_" + QByteArray::number(i);
        Option1[i] = named(new QRadioButton(QString::fromUtf8(kModes[i].caption), this),
                           name.constData(), optionPlaces[i]);
        Option1[i]->setFont(formFont(12, i == 0 || i == 2));
    }
    Label1 = named(new QLabel(QStringLiteral("Label1"), this), "Label1", {220, 76, 290, 26});
    Label2 = named(new QLabel(QStringLiteral("Label2"), this), "Label2", {220, 104, 290, 26});
    Check1 =
        named(new QCheckBox(QStringLiteral("ROM用MOT作成"), this), "Check1", {220, 134, 290, 28});
    for (QWidget *w : std::initializer_list<QWidget *>{Label1, Label2, Check1})
        w->setFont(formFont(12, true));

    // Right column: the buttons, then the log below everything.
    const auto button = [this](const char *caption, const char *name, int row) {
        auto *b = named(new QPushButton(QString::fromUtf8(caption), this), name,
                        {528, 8 + row * 40, 104, 34});
        b->setAccessibleName(b->text());
        return b;
    };
    Command4 = button("実行", "Command4", 0);
    Command2 = button("転送", "Command2", 1);
    Command1 = button("設定", "Command1", 2);
    Command3 = button("終了", "Command3", 3);

    Text1 = named(new QPlainTextEdit(QStringLiteral("Text1"), this), "Text1", {220, 208, 412, 264});
    Text1->setReadOnly(true);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setAccessibleName(QStringLiteral("ログ"));
    Text1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

// --- start-up and shutdown -----------------------------------------------------------------

bool Form1::startUp()
{
    // Looked at before start-up reads the settings file, which a bad one has it drop.
    const bool advise = m_fs.isValid() && !looksLikeWorkspace(m_fs.currentDir());
    Error error;
    Pass pass = startUpPass(error);
    if (pass == Pass::BadSettings) {
        // A settings file that cannot be used is dropped and start-up begins again with the
        // defaults; the next shutdown writes a good one. This happens once only.
        if (Error removed = m_fs.remove(settingsPath()))
            error = removed;
        else
            pass = startUpPass(error);
        if (pass != Pass::Ok)
            pass = Pass::Failed;
    }
    if (pass == Pass::Failed) {
        message(error.message());
        return false;
    }
    if (advise)
        message(workspaceAdvice(m_fs.hostCurrentDir()));
    return true;
}

// Either the templates or the settings file. The settings file is written at every shutdown,
// so a folder that had neither is advised about on its first start only.
bool Form1::looksLikeWorkspace(const QString &startDir) const
{
    const QString dir = DosFs::withBackslash(startDir);
    const bool templates = m_fs.isOrdinaryFile(dir + QStringLiteral("RESETV_RAM.MAR")) &&
                           m_fs.isOrdinaryFile(dir + QStringLiteral("RESETV_ROM.MAR"));
    return templates || m_fs.isOrdinaryFile(vesk::settingsPath(startDir));
}

QString workspaceAdvice(const QString &hostDir)
{
    return QStringLiteral("起動フォルダ %1 はワークスペースではありません"
                          "（RESETV_RAM.MAR、RESETV_ROM.MAR、H8C.ini がありません）。\n"
                          "ワークスペースを作るには、端末で vesk-workspace DIR を実行し、"
                          "そのフォルダで Vesk を起動してください（cd DIR && vesk）。\n"
                          "このままでも使えます。この案内は最初の起動でだけ表示します。")
        .arg(hostDir);
}

Form1::Pass Form1::startUpPass(Error &error)
{
    if (!m_fs.isValid()) {
        error = makeError(Error::Kind::NotFound,
                          QStringLiteral("起動フォルダがどのドライブにもありません。"),
                          m_fs.hostCurrentDir());
        return Pass::Failed;
    }
    m_state.StartDir = m_fs.currentDir();
    setOption1(2);

    m_state.WorkDir = m_state.StartDir;
    if ((error = m_folders->setDrive(m_state.WorkDir)) ||
        (error = m_folders->setPath(m_state.WorkDir)))
        return Pass::Failed;

    m_state.MainOfs = kDefaultRamOfs;
    m_state.BinDir = m_state.StartDir;
    m_state.RamOfs = kDefaultRamOfs;
    m_state.RomOfs = kDefaultRomOfs;

    std::optional<Settings> settings;
    if ((error = readSettingsFile(m_fs, settingsPath(), settings)))
        return error.kind == Error::Kind::Refused ? Pass::BadSettings : Pass::Failed;
    if (settings) {
        m_state.WorkDir = settings->WorkDir;
        m_state.MainOfs = settings->MainOfs;
        m_state.BinDir = settings->BinDir;
        m_state.RamOfs = settings->RamOfs;
        m_state.RomOfs = settings->RomOfs;
        if ((error = m_folders->setDrive(m_state.WorkDir)) ||
            (error = m_folders->setPath(m_state.WorkDir)))
            return Pass::BadSettings;
    }

    m_state.BinDir = DosFs::withBackslash(m_state.BinDir);
    m_state.WorkDir = DosFs::withBackslash(m_state.WorkDir);

    setLog(QString());
    setTransferEnabled(false);
    setLabel1(QString());
    if (m_state.MainOfs < qint32(board::kRamStart))
        Check1->setChecked(true);
    Check1_Click();
    return Pass::Ok;
}

QString Form1::settingsPath() const
{
    return vesk::settingsPath(m_state.StartDir);
}

void Form1::shutDown()
{
    Error error = m_fs.makeCurrent(m_state.StartDir);
    if (!error)
        error = writeSettings();
    reportSettingsError(error);
}

void Form1::reportSettingsError(const Error &error)
{
    if (error)
        message(makeError(Error::Kind::CannotWrite,
                          QStringLiteral("設定ファイルを保存できません。"), settingsPath(),
                          error.reason.isEmpty() ? error.what : error.reason)
                    .message());
}

// By its full path, so a build in progress keeps its current directory.
Error Form1::writeSettings() const
{
    const Settings settings{m_state.WorkDir, m_state.MainOfs, m_state.BinDir, m_state.RamOfs,
                            m_state.RomOfs};
    return m_fs.writeAtomic(settingsPath(), formatSettings(settings));
}

bool Form1::busy() const
{
    return m_driver.busy() || (transferBusy && transferBusy());
}

// A build or a transfer waiting inside the event loop still owns the current directory and
// fname; the window closes (and writes the settings) once it has finished.
void Form1::closeEvent(QCloseEvent *event)
{
    if (busy()) {
        // The settings are safe at once: a logout may not wait for the build to finish.
        if (!m_closePending)
            reportSettingsError(writeSettings());
        m_closePending = true;
        event->ignore();
        return;
    }
    if (!m_shutDown) {
        m_shutDown = true;
        shutDown();
    }
    event->accept();
}

void Form1::closeIfPending()
{
    if (m_closePending && !busy()) {
        m_closePending = false;
        close();
    }
}

// --- handlers ------------------------------------------------------------------------------

// An option that is already selected raises no toggle, so start-up's second pass runs the
// handler itself.
void Form1::setOption1(int index)
{
    if (Option1[index]->isChecked())
        Option1_Click(index);
    else
        Option1[index]->setChecked(true);
}

void Form1::Option1_Click(int index)
{
    const Mode &mode = kModes[index];
    File1->setPattern(QString::fromLatin1(mode.pattern));
    if (mode.romBox != Mode::Keep) {
        Check1->setEnabled(mode.romBox == Mode::Enable);
        Label2->setEnabled(mode.romBox == Mode::Enable);
    }
}

void Form1::Check1_Click()
{
    m_state.MainOfs = Check1->isChecked() ? m_state.RomOfs : m_state.RamOfs;
    Label2->setText(QStringLiteral("ofset=") + hexText(m_state.MainOfs));
}

Error Form1::Dir1_Change(const QString &path)
{
    return File1->setPath(path);
}

void Form1::Command1_Click()
{
    {
        Form2 dialog(m_state, m_fs, *this, this);
        dialog.exec();
    }
    Check1_Click();
}

void Form1::Command2_Click()
{
    if (onTransfer)
        onTransfer();
    closeIfPending();
}

void Form1::Command3_Click()
{
    close();
}

void Form1::Command4_Click()
{
    m_driver.Run();
    closeIfPending();
}

// --- BuildView, Notifier, EventPump ------------------------------------------------------

void Form1::setLog(const QString &text)
{
    m_log = text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    Text1->setPlainText(shown);
    Text1->verticalScrollBar()->setValue(Text1->verticalScrollBar()->maximum());
}

QString Form1::label1() const
{
    return Label1->text();
}

void Form1::setLabel1(const QString &text)
{
    Label1->setText(text);
}

bool Form1::transferEnabled() const
{
    return Command2->isEnabled();
}

void Form1::setTransferEnabled(bool enabled)
{
    Command2->setEnabled(enabled);
}

QString Form1::selectedFile() const
{
    return File1->fileName();
}

QString Form1::fileListDir() const
{
    return File1->path();
}

int Form1::selectedMode() const
{
    for (int i = 0; i < 4; ++i) {
        if (Option1[i]->isChecked())
            return i;
    }
    return -1;
}

bool Form1::romChecked() const
{
    return Check1->isChecked();
}

void Form1::message(const QString &text)
{
    // Once the window has been asked to close, a build that ends meanwhile must not hold
    // the close up with a box nobody will answer.
    if (m_closePending)
        return;
    if (m_unattended) {
        QString line = text;
        line.replace(u'\n', u' ');
        std::fprintf(stderr, "vesk: %s\n", line.toLocal8Bit().constData());
        return;
    }
    showMessage(text);
}

void Form1::showMessage(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vesk"), text, QMessageBox::Ok, this);
    box.exec();
}

void Form1::beep()
{
    QApplication::beep();
}

void Form1::processEvents(int waitMs)
{
    waitForEvents(waitMs);
}

// The title, unlike a label, has room to spare and moves nothing when its text grows.
void Form1::showTransferProgress(const TransferProgress &progress)
{
    setWindowTitle(QString(kTitle) + QStringLiteral(" — ") + transferProgressText(progress));
}

void Form1::endTransferProgress()
{
    setWindowTitle(QString(kTitle));
}

void Form1::logTransfer(const QString &line)
{
    appendLog(line);
}

} // namespace vesk
