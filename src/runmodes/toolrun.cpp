#include "runmodes/toolrun.h"

#include "platform/dirwatch.h"
#include "platform/listinput.h"

#include <optional>

namespace vesk {

namespace {

Error writeBatch(const DosFs &fs, const QString &name, const QByteArray &line)
{
    // A batch file that exists, whatever it holds, stays as the user left it.
    if (fs.isOrdinaryFile(name))
        return {};
    return fs.writeAtomic(name, line + "\r\n");
}

bool waitFor(const DosFs &fs, EventPump &events, const QString &name, const ProcessHandle *process,
             const MonotonicClock &clock)
{
    using std::chrono::nanoseconds;
    const nanoseconds start = clock();
    const DirWatch watch(fs, DosFs::dirPart(name));
    const int passMs = watch.active() ? kWatchedPassMs : kPolledPassMs;
    std::optional<nanoseconds> seen; // when the file was first found
    // The first pass only takes what is pending: a file that a copy or the conversion has
    // just written is there at once, and no directory event would end a sleep early.
    bool first = true;
    for (;;) {
        const nanoseconds now = clock();
        if (!seen && now - start > kOutputTimeLimit)
            return true;
        if (seen && now - *seen > kFinishTimeLimit)
            return true;
        events.processEvents(first ? 0 : passMs);
        first = false;
        if (!fs.isOrdinaryFile(name)) {
            // A file that vanished again (a tool deleting its output on failure) must appear
            // anew within the first limit.
            seen.reset();
            continue;
        }
        if (!process || process->hasEnded())
            return false;
        if (!seen)
            seen = now;
    }
}

} // namespace

Error MakeBat(const DosFs &fs)
{
    if (Error e = writeBatch(fs, QStringLiteral("C38.bat"),
                             "cc38h.exe -abs16 -CPU=300HA -INCLUDE=%1 %2 >> err.txt"))
        return e;
    return writeBatch(fs, QStringLiteral("dasm.bat"), "dasmh83 -o%2 %1 %2,%3>> %4out.txt");
}

bool WaitLoop(const DosFs &fs, EventPump &events, const QString &name, const MonotonicClock &clock)
{
    return waitFor(fs, events, name, nullptr, clock);
}

bool WaitLoop(const DosFs &fs, EventPump &events, const QString &name, const ProcessHandle &process,
              const MonotonicClock &clock)
{
    return waitFor(fs, events, name, process.isValid() ? &process : nullptr, clock);
}

QString ReadErrTxt(const DosFs &fs, Error *error)
{
    QByteArray bytes;
    if (Error e = fs.readAll(QStringLiteral("err.txt"), bytes)) {
        if (error)
            *error = e;
        return {};
    }
    if (error)
        *error = {};
    ListReader reader(decodeText(bytes));
    QString text;
    while (!reader.atEnd())
        text += reader.next() + QStringLiteral("\r\n");
    return text;
}

} // namespace vesk
