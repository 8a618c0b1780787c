#pragma once

#include "platform/dosfs.h"
#include "state/mainstate.h"
#include "state/windowport.h"

namespace vesk {

// Run and the four run modes. Works on the main window's state and the process's current
// drive and directory, and reaches the window only through WindowPort.
class BuildDriver
{
public:
    BuildDriver(MainState &state, DosFs &fs, WindowPort &window)
        : m_state(state), m_fs(fs), m_window(window)
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

private:
    MainState &m_state;
    DosFs &m_fs;
    WindowPort &m_window;
    bool m_busy = false;
};

} // namespace vesk
