#pragma once

#include <QString>

namespace vesk {

// The controls of the main window that the run modes read and set. Form1 implements it;
// vesk-build prints the log instead; tests keep the states in a recorder.
class BuildView
{
public:
    virtual ~BuildView() = default;

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
};

} // namespace vesk
