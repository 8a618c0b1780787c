#pragma once

#include "platform/dosfs.h"
#include "platform/eventwait.h"
#include "runmodes/builddriver.h"
#include "serial/mscomm.h"
#include "serial/transfer.h"
#include "state/buildview.h"
#include "state/mainstate.h"
#include "state/notifier.h"
#include "ui/lists.h"

#include <QWidget>
#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vesk {

// The main window: owner of the shared state, the lists, the run modes' options and the log.
// The builds and the transfer reach it through the build view, the notifier and the event pump;
// the transfer also through its own small view (progress in the title, its line in the log).
class Form1 : public QWidget,
              public BuildView,
              public Notifier,
              public EventPump,
              public TransferView
{
    Q_OBJECT
public:
    // `fs` is the process's current drive and directory; the builds change it.
    explicit Form1(DosFs &fs, QWidget *parent = nullptr);

    // Start-up, before the window is shown. False when it failed: the error has been shown
    // and the program must end at once, without shutdown (the settings file stays as it is).
    bool startUp();

    MainState &state() { return m_state; }

    // The close comes from a signal (a logout, Ctrl+C, a service stopping): nobody is there to
    // answer a box, so from now on what the window would show goes to standard error.
    void setUnattended() { m_unattended = true; }

    // The 転送 button: the click handler, and whether a transfer is still waiting (the window
    // then closes only once it is done). They drive MSComm1; tests may replace them.
    std::function<void()> onTransfer;
    std::function<bool()> transferBusy;

    // Controls, named as the window's designer named them.
    DriveList *Drive1;
    DirList *Dir1;
    FileList *File1;
    std::array<QRadioButton *, 4> Option1;
    QCheckBox *Check1;
    QLabel *Label1;
    QLabel *Label2;
    QPlainTextEdit *Text1;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    QPushButton *Command4;
    // The serial control, port 1: closed until the first transfer opens it.
    MSComm MSComm1;

    // BuildView
    QString log() const override { return m_log; }
    void setLog(const QString &text) override;
    QString label1() const override;
    void setLabel1(const QString &text) override;
    bool transferEnabled() const override;
    void setTransferEnabled(bool enabled) override;
    QString selectedFile() const override;
    QString fileListDir() const override;
    int selectedMode() const override;
    bool romChecked() const override;
    // Notifier
    void message(const QString &text) override;
    void beep() override;
    // EventPump
    void processEvents(int waitMs) override;
    // TransferView
    void showTransferProgress(const TransferProgress &progress) override;
    void endTransferProgress() override;
    void logTransfer(const QString &line) override;

    // Event handlers.
    void Option1_Click(int index);
    void Check1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    // The modal box itself; tests record instead.
    virtual void showMessage(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Pass { Ok, BadSettings, Failed };
    Pass startUpPass(Error &error);
    void setOption1(int index);
    Error Dir1_Change(const QString &path);
    QString settingsPath() const;
    void shutDown();
    Error writeSettings() const;
    void reportSettingsError(const Error &error);
    bool looksLikeWorkspace(const QString &startDir) const;
    bool busy() const;
    void closeIfPending();
    void buildControls();

    DosFs &m_fs;
    MainState m_state;
    BuildDriver m_driver;
    Transfer m_transfer;
    FolderChooser *m_folders;
    QString m_log;
    bool m_closePending = false;
    bool m_shutDown = false;
    bool m_unattended = false;
};

// The box of a first start outside a workspace: how to make one. Advice only; start-up goes on.
QString workspaceAdvice(const QString &hostDir);

} // namespace vesk
