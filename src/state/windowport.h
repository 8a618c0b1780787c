#pragma once

#include <QString>

namespace vesk {

// The few window operations that the builds and the transfer need. Form1 implements it;
// tests replace it with a recorder. Everything the user is told goes through here.
class WindowPort
{
public:
    virtual ~WindowPort() = default;

    // The log Text1.
    virtual QString log() const = 0;
    virtual void setLog(const QString &text) = 0;
    void appendLog(const QString &text) { setLog(log() + text); }

    // Label1 (the image ready for transfer) and the Transfer button Command2.
    virtual QString label1() const = 0;
    virtual void setLabel1(const QString &text) = 0;
    virtual bool transferEnabled() const = 0;
    virtual void setTransferEnabled(bool enabled) = 0;

    // File1: the selected bare name (empty when none) and the list's directory (DOS path).
    virtual QString selectedFile() const = 0;
    virtual QString fileListDir() const = 0;
    // Index 0 to 3 of the selected option of Option1, -1 when none is selected.
    virtual int selectedMode() const = 0;
    // Check1.
    virtual bool romChecked() const = 0;

    // A modal message box, caption "Vesk", OK only, no icon; returns when it is closed.
    virtual void message(const QString &text) = 0;
    virtual void beep() = 0;

    // Processes pending events once. With waitMs > 0 it may sleep up to that long waiting
    // for an event, so a polling wait does not keep a core busy.
    virtual void processEvents(int waitMs) = 0;
};

} // namespace vesk
