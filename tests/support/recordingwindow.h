#pragma once

#include "platform/eventwait.h"
#include "platform/process.h"
#include "runmodes/toolrun.h"
#include "state/buildview.h"
#include "state/notifier.h"

#include <QStringList>
#include <functional>

namespace vesk::test {

// Stands in for Form1: keeps the controls' states and records what the user would be told.
class RecordingWindow : public BuildView, public Notifier, public EventPump
{
public:
    QString log() const override { return m_log; }
    void setLog(const QString &text) override { m_log = text; }
    QString label1() const override { return m_label1; }
    void setLabel1(const QString &text) override { m_label1 = text; }
    bool transferEnabled() const override { return m_transfer; }
    void setTransferEnabled(bool enabled) override { m_transfer = enabled; }
    QString selectedFile() const override { return m_selectedFile; }
    QString fileListDir() const override { return m_fileListDir; }
    int selectedMode() const override { return m_mode; }
    bool romChecked() const override { return m_rom; }
    void message(const QString &text) override;
    void beep() override
    {
        events << "beep";
        ++beeps;
    }
    void processEvents(int waitMs) override;

    QString m_log;
    QString m_label1;
    bool m_transfer = false;
    QString m_selectedFile;
    QString m_fileListDir;
    int m_mode = 2;
    bool m_rom = false;

    QStringList messages;
    QStringList events; // "beep" and "message:TEXT" in order
    int beeps = 0;
    int yields = 0;
    // Runs on every processEvents, e.g. to create a file or press a button mid-wait.
    std::function<void()> onYield;
    // Runs while a message box is "open".
    std::function<void(const QString &)> onMessage;
    // When true, processEvents also lets Qt process real events (timers, processes).
    bool realEvents = true;
};

// A RecordingWindow with the clock of the build waits: real time while a stand-in tool runs,
// and once none runs each pass moves it on past the output limit. A wait for a file Vesk
// writes itself that has not appeared by then never sees it, so those failures end at once
// instead of after seconds, as a tool's failure does by its end.
class SteppedWindow : public RecordingWindow
{
public:
    void processEvents(int waitMs) override
    {
        RecordingWindow::processEvents(waitMs);
        if (runningPrograms() == 0)
            m_skew += kOutputTimeLimit + std::chrono::seconds(1);
    }
    MonotonicClock clock()
    {
        return [this, real = steadyClock()] { return real() + m_skew; };
    }

private:
    std::chrono::nanoseconds m_skew{};
};

} // namespace vesk::test
