#include "build/builddriver.h"

namespace vesk {

namespace {

// Marks the driver busy for the length of one mode procedure, also when it returns early.
class BusyScope
{
public:
    explicit BusyScope(bool &flag) : m_flag(flag) { m_flag = true; }
    ~BusyScope() { m_flag = false; }

private:
    bool &m_flag;
};

} // namespace

void BuildDriver::Run()
{
    // A mode procedure that waits lets the event loop run, so Run can be clicked again; the
    // running build owns fname and the current directory until it ends.
    if (m_busy) {
        m_window.beep();
        return;
    }
    const QString selected = m_window.selectedFile();
    if (selected.isEmpty()) {
        m_window.message(QStringLiteral("ﾌｧｲﾙを選択してください。"));
        return;
    }
    m_state.WorkDir = DosFs::withBackslash(m_window.fileListDir());
    BusyScope busy(m_busy);
    switch (m_window.selectedMode()) {
    case 0:
        Assemble();
        break;
    case 1:
        MotConvert();
        break;
    case 2:
        Compile();
        break;
    case 3:
        DAsm();
        break;
    default:
        break;
    }
}

void BuildDriver::Assemble() {}
void BuildDriver::MotConvert() {}
void BuildDriver::Compile() {}
void BuildDriver::DAsm() {}

} // namespace vesk
