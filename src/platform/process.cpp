#include "platform/process.h"

#include "platform/hostentry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <csignal>
#include <sys/types.h>
#include <utility>

namespace vesk {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

enum class Probe { Missing, Usable, NotExecutable, BadInterpreter };

Probe probe(const QString &path, Launch::Kind &kind, QString &reason)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.fileName().startsWith(u'.'))
        return Probe::Missing;
    if (info.suffix().compare(u"bat", Qt::CaseInsensitive) == 0) {
        kind = Launch::Kind::Batch;
        return Probe::Usable;
    }
    QFile file(path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(256) : QByteArray();
    if (head.startsWith("MZ")) {
        kind = Launch::Kind::Dos;
        return Probe::Usable;
    }
    if (!info.isExecutable()) {
        reason = QStringLiteral("実行できないファイルです: ") + path;
        return Probe::NotExecutable;
    }
    // The host reports a missing interpreter only after the start, too late for a clear
    // message, so look at it first.
    if (head.startsWith("#!")) {
        const QByteArray line = head.mid(2, head.indexOf('\n') < 0 ? -1 : head.indexOf('\n') - 2);
        const QString interpreter = QString::fromLocal8Bit(line.trimmed()).section(u' ', 0, 0);
        if (!interpreter.isEmpty() && !QFileInfo(interpreter).isExecutable()) {
            reason = QStringLiteral("インタプリタが見つかりません: ") + interpreter;
            return Probe::BadInterpreter;
        }
    }
    kind = Launch::Kind::Native;
    return Probe::Usable;
}

} // namespace

QStringList splitCommandLine(const QString &line)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true; // "" is an empty word
        } else if (!quoted && isBlank(c)) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

QString quoteArg(const QString &word)
{
    // An empty word would vanish from the line altogether.
    if (word.isEmpty() || std::any_of(word.cbegin(), word.cend(), isBlank))
        return u'"' + word + u'"';
    return word;
}

QString batchRunnerPath()
{
    const QString given = qEnvironmentVariable("VESK_BATCH_RUNNER");
    if (!given.isEmpty())
        return given;
    const QString name = QStringLiteral("vesk-cmd");
    if (QCoreApplication::instance()) {
        const QFileInfo info(QCoreApplication::applicationDirPath() + u'/' + name);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(name);
}

QString templatesDir(const QString &executableDir)
{
    QString dir = executableDir;
    if (dir.isEmpty() && QCoreApplication::instance())
        dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        return {};
    for (const char *relative : {"/../share/vesk/templates", "/../templates"}) {
        const QString candidate = QDir::cleanPath(dir + QLatin1String(relative));
        if (QFileInfo(candidate).isDir())
            return candidate;
    }
    return {};
}

Error prepareLaunch(const DosFs &fs, const QStringList &words, const StartOptions &options,
                    Launch &out)
{
    const QString word = words.value(0);
    const QString name = DosFs::fileName(word);
    const QString dirPart = DosFs::dirPart(word);
    if (name.isEmpty())
        return makeError(kProgramNotFound, word);

    QStringList dirs;
    if (!dirPart.isEmpty()) {
        dirs << fs.toHost(dirPart);
    } else {
        dirs << fs.hostCurrentDir();
        if (!options.binDir.isEmpty())
            dirs << fs.toHost(options.binDir);
        dirs << qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
    }
    QStringList names{name};
    if (!name.contains(u'.'))
        names << name + ".exe" << name + ".com" << name + ".bat";

    QString found;
    Launch::Kind kind = Launch::Kind::Native;
    QString reason;
    for (const QString &dir : std::as_const(dirs)) {
        if (dir.isEmpty() || !QFileInfo(dir).isDir())
            continue;
        for (const QString &candidate : std::as_const(names)) {
            const QString actual = actualEntryName(dir, candidate);
            if (actual.isEmpty())
                continue;
            const QString path = dir + u'/' + actual;
            QString why;
            const Probe p = probe(path, kind, why);
            if (p == Probe::Usable) {
                found = path;
                break;
            }
            if (p != Probe::Missing && reason.isEmpty())
                reason = why;
        }
        if (!found.isEmpty())
            break;
    }
    if (found.isEmpty())
        return reason.isEmpty() ? makeError(kProgramNotFound, word)
                                : makeError(kCannotStartProgram, word, reason);

    out = Launch();
    out.kind = kind;
    out.file = found;
    out.workingDir = fs.hostCurrentDir();
    out.environment = QProcessEnvironment::systemEnvironment();
    // Our tools and the batch runner start elsewhere; this makes them read the same drives.
    if (!fs.driveMap().folder().isEmpty())
        out.environment.insert(QStringLiteral("VESK_DOSDEVICES"), fs.driveMap().folder());
    // The batch runner looks for the programs of its lines where Vesk does.
    if (!options.binDir.isEmpty())
        out.environment.insert(QStringLiteral("VESK_BINDIR"), options.binDir);
    const QStringList rest = words.mid(1);
    switch (kind) {
    case Launch::Kind::Native:
        out.program = found;
        out.arguments = rest;
        break;
    case Launch::Kind::Batch: {
        out.program = options.batchRunner.isEmpty() ? batchRunnerPath() : options.batchRunner;
        if (out.program.isEmpty())
            return makeError(
                kCannotStartProgram, word,
                QStringLiteral("バッチファイルを実行する vesk-cmd が見つかりません。"));
        const QString dos = fs.toDos(found);
        out.arguments = QStringList{dos.isEmpty() ? found : dos} + rest;
        break;
    }
    case Launch::Kind::Dos:
        out.program = options.wine.isEmpty()
                          ? QStandardPaths::findExecutable(QStringLiteral("wine"))
                          : options.wine;
        if (out.program.isEmpty())
            return makeError(
                kCannotStartProgram, word,
                QStringLiteral("DOS/Windows の実行ファイルです。実行には wine が必要です。"));
        out.arguments = QStringList{found} + rest;
        break;
    }
    return {};
}

void applyLaunch(QProcess &process, const Launch &launch)
{
    process.setProgram(launch.program);
    process.setArguments(launch.arguments);
    process.setWorkingDirectory(launch.workingDir);
    process.setProcessEnvironment(launch.environment);
    // Tools write to Vesk's terminal, as console programs would to their window.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
}

// --- ProcessHandle -------------------------------------------------------------------------

struct ProcessHandle::Data
{
    QProcess *process = nullptr;
    QString word;
    Error startError;
    QByteArray output;

    void take()
    {
        const QByteArray bytes = process->readAll();
        output += bytes.left(std::max<qsizetype>(0, kCapturedOutputLimit - output.size()));
    }

    ~Data()
    {
        // Destroying a running QProcess kills it; a tool outlives the build that started it.
        if (process->state() == QProcess::NotRunning) {
            process->deleteLater();
            return;
        }
        QProcess *p = process;
        // Nobody asks for its messages any more; they must not pile up in the QProcess either.
        QObject::connect(p, &QProcess::readyReadStandardOutput, p, [p] { (void)p->readAll(); });
        QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
        QObject::connect(p, &QProcess::errorOccurred, p, [p](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                p->deleteLater();
        });
    }
};

bool ProcessHandle::hasEnded() const
{
    return !m_d || m_d->process->state() == QProcess::NotRunning;
}

int ProcessHandle::exitCode() const
{
    if (!hasEnded() || !m_d || m_d->startError ||
        m_d->process->exitStatus() != QProcess::NormalExit)
        return -1;
    return m_d->process->exitCode();
}

Error ProcessHandle::startError() const
{
    return m_d ? m_d->startError : Error();
}

qint64 ProcessHandle::processId() const
{
    return m_d ? m_d->process->processId() : 0;
}

QByteArray ProcessHandle::output() const
{
    if (!m_d)
        return {};
    m_d->take();
    return m_d->output;
}

void ProcessHandle::whenEnded(std::function<void()> handler) const
{
    if (hasEnded()) {
        handler();
        return;
    }
    QProcess *p = m_d->process;
    // Exactly one of the two ends a QProcess; the shared handler runs on whichever comes.
    auto once = std::make_shared<std::function<void()>>(std::move(handler));
    const auto run = [once] {
        if (*once)
            std::exchange(*once, nullptr)();
    };
    QObject::connect(p, &QProcess::finished, p, run);
    QObject::connect(p, &QProcess::errorOccurred, p, [run](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            run();
    });
}

namespace {

// The parent of each process, read from /proc/PID/stat ("PID (name) STATE PPID ...").
QHash<pid_t, pid_t> parentsOfAll()
{
    QHash<pid_t, pid_t> parents;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue; // ended meanwhile
        const QByteArray line = stat.readAll();
        // The name may hold blanks and parentheses; the fields resume after the last ")".
        const QList<QByteArray> fields =
            line.mid(line.lastIndexOf(')') + 1).simplified().split(' ');
        if (fields.size() >= 2)
            parents.insert(pid, fields[1].toInt());
    }
    return parents;
}

// Stops the process and everything below it, then kills them all. Stopped first, none can
// start another while the tree is read, and a parent killed early would hand its children
// to init, out of sight.
void killTree(pid_t root)
{
    QList<pid_t> tree{root};
    ::kill(root, SIGSTOP);
    for (bool grew = true; grew;) {
        grew = false;
        const QHash<pid_t, pid_t> parents = parentsOfAll();
        for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
            if (!tree.contains(it.key()) && tree.contains(it.value())) {
                ::kill(it.key(), SIGSTOP);
                tree << it.key();
                grew = true;
            }
        }
    }
    for (const pid_t pid : std::as_const(tree))
        ::kill(pid, SIGKILL);
}

} // namespace

void ProcessHandle::end() const
{
    if (hasEnded())
        return;
    const auto pid = static_cast<pid_t>(m_d->process->processId());
    if (pid > 0)
        killTree(pid);
}

namespace {
// Only the thread of the event loop starts programs and sees them end.
int g_running = 0;
} // namespace

int runningPrograms()
{
    return g_running;
}

Error startProgram(const DosFs &fs, const QString &commandLine, const StartOptions &options,
                   ProcessHandle *handle)
{
    const QStringList words = splitCommandLine(commandLine);
    Launch launch;
    if (Error e = prepareLaunch(fs, words, options, launch))
        return e;

    auto d = std::make_shared<ProcessHandle::Data>();
    d->process = new QProcess;
    d->word = words.value(0);
    // Like a DOS interpreter started with echo off: a tool's messages without the lines that
    // ran it. A line's own ECHO still prints.
    if (launch.kind == Launch::Kind::Batch)
        launch.environment.insert(QStringLiteral("VESK_CMD_ECHO"), QStringLiteral("off"));
    applyLaunch(*d->process, launch);
    // The build shows a tool's messages in the log when its stage fails; read as they come, so
    // the pipe never fills and the tool never blocks on it.
    d->process->setProcessChannelMode(QProcess::MergedChannels);
    std::weak_ptr<ProcessHandle::Data> weak = d;
    QObject::connect(
        d->process, &QProcess::errorOccurred, d->process, [weak](QProcess::ProcessError e) {
            const auto data = weak.lock();
            if (data && e == QProcess::FailedToStart)
                data->startError =
                    makeError(kCannotStartProgram, data->word, data->process->errorString());
        });
    QObject::connect(d->process, &QProcess::readyReadStandardOutput, d->process, [weak] {
        if (const auto data = weak.lock())
            data->take();
    });
    // A QProcess ends either with finished or, never having run, with FailedToStart.
    ++g_running;
    QObject::connect(d->process, &QProcess::finished, d->process, [] { --g_running; });
    QObject::connect(d->process, &QProcess::errorOccurred, d->process,
                     [](QProcess::ProcessError e) {
                         if (e == QProcess::FailedToStart)
                             --g_running;
                     });
    d->process->start();
    if (handle)
        handle->m_d = d;
    return {};
}

} // namespace vesk
