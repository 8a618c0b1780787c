#include "runmodes/toolrun.h"

#include "platform/dirwatch.h"
#include "platform/listinput.h"

namespace vesk {

namespace {

Error writeBatch(const DosFs &fs, const QString &name, const QByteArray &line)
{
    // A batch file that exists, whatever it holds, stays as the user left it.
    if (fs.isOrdinaryFile(name))
        return {};
    return fs.writeAtomic(name, line + "\r\n");
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
    const std::chrono::nanoseconds start = clock();
    const DirWatch watch(fs, DosFs::dirPart(name));
    const int passMs = watch.active() ? kWatchedPassMs : kPolledPassMs;
    // The first pass only takes what is pending: a file that a copy or the conversion has
    // just written is there at once, and no directory event would end a sleep early.
    for (bool first = true;; first = false) {
        if (clock() - start > kOutputTimeLimit)
            return true;
        events.processEvents(first ? 0 : passMs);
        if (fs.isOrdinaryFile(name))
            return false;
    }
}

bool WaitLoop(const DosFs &fs, EventPump &events, const QString &name, const ProcessHandle &process,
              const MonotonicClock &clock)
{
    if (!process.isValid())
        return WaitLoop(fs, events, name, clock);
    const std::chrono::nanoseconds start = clock();
    for (bool first = true;; first = false) {
        if (clock() - start > kToolTimeLimit) {
            process.end();
            return true;
        }
        events.processEvents(first ? 0 : kWatchedPassMs);
        // A file seen while the tool runs may still be half written, or be deleted again by a
        // tool that fails; only what stands once it has ended counts.
        if (process.hasEnded())
            return !fs.isOrdinaryFile(name);
    }
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
