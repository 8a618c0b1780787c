#pragma once

#include "platform/dosfs.h"
#include "platform/eventwait.h"
#include "platform/process.h"
#include "state/buildview.h"
#include "state/mainstate.h"
#include "state/notifier.h"

#include <memory>

namespace vesk {

// Run and the four run modes. Works on the main window's state and the process's current
// drive and directory; reads and sets the window's controls through BuildView, tells the
// user through Notifier, and waits for tools through EventPump, timed by `clock`.
class BuildDriver
{
public:
    BuildDriver(MainState &state, DosFs &fs, BuildView &view, Notifier &notifier, EventPump &events,
                MonotonicClock clock = steadyClock())
        : m_state(state), m_fs(fs), m_view(view), m_notifier(notifier), m_events(events),
          m_clock(std::move(clock))
    {
    }

    // The Run button Command4 and a double-click in File1.
    void Run();

    void Assemble();
    void MotConvert();
    void Compile();
    void DAsm();

    // True while a mode procedure is running (it may be waiting inside the event loop).
    bool busy() const { return m_busy; }

    // The batch runner and wine used to start tools; tests point them at the build tree.
    StartOptions &startOptions() { return m_options; }
    // Host folder of the templates a C build takes when the start-up directory has none;
    // templatesDir() unless a test points it elsewhere.
    QString &templateDir() { return m_templateDir; }

private:
    // Shows an error in the one convention; true when there was one.
    bool failed(const Error &error);
    // Starts a tool and waits for its output and its end; false (the user told) on failure.
    // On success, `said` (when given) receives what the tool wrote: its warnings.
    bool runTool(const QString &commandLine, const QString &output, const QString &timeoutMessage,
                 QByteArray *said = nullptr);
    // Waits for a file Vesk itself has just written; false (the user told) on time-out.
    bool expectFile(const QString &output, const QString &timeoutMessage);
    bool removeIfPresent(const QString &name);
    // False (the user told) when a name cannot be passed whole on a command line, or when one
    // of `inLists` would be split by a tool that reads it as a comma-separated list.
    bool namesFit(const QString &base, const QStringList &inLists);
    void logStage(const QString &base, const QString &label);
    // A tool's messages in the log, a line each.
    void logOutput(const QByteArray &output);
    // The directory of File1 with "\" appended: Run's rule, repeated by MOT and disassembly.
    void takeWorkDir();

    MainState &m_state;
    DosFs &m_fs;
    BuildView &m_view;
    Notifier &m_notifier;
    EventPump &m_events;
    MonotonicClock m_clock;
    StartOptions m_options;
    QString m_templateDir = templatesDir();
    bool m_busy = false;
    // A disassembly reports after the mode has returned, only while the driver still exists.
    std::shared_ptr<char> m_alive = std::make_shared<char>();
};

} // namespace vesk
