#include "batch.h"

#include "platform/listinput.h"
#include "platform/process.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace vesk::batch {

namespace {

constexpr int kStatusNotFound = 127;
constexpr int kStatusCannotStart = 126;
constexpr int kStatusCrashed = 255;
constexpr int kStatusRefused = 2;
constexpr int kMaxDepth = 32;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QString quotedParam(const QString &param)
{
    if (param.startsWith(u'"'))
        return param;
    for (QChar c : param) {
        if (isBlank(c) || c == u'<' || c == u'>')
            return u'"' + param + u'"';
    }
    return param;
}

// The first blank-separated word of a line.
QString firstWord(const QString &line)
{
    qsizetype end = 0;
    while (end < line.size() && !isBlank(line.at(end)))
        ++end;
    return line.left(end);
}

QString trimLeft(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text.at(i)))
        ++i;
    return text.mid(i);
}

bool isEchoCommand(const QString &text)
{
    if (!text.startsWith(u"echo", Qt::CaseInsensitive))
        return false;
    if (text.size() == 4)
        return true;
    const QChar next = text.at(4);
    return isBlank(next) || next == u'.' || next == u':';
}

} // namespace

QString expandParameters(const QString &line, const QStringList &params)
{
    QString out;
    out.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == u'%' && i + 1 < line.size()) {
            const QChar d = line.at(i + 1);
            if (d == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (d >= u'0' && d <= u'9') {
                out += quotedParam(params.value(d.digitValue()));
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

bool parseRedirections(const QString &line, Command &out)
{
    out = Command();
    bool quoted = false;
    qsizetype i = 0;
    while (i < line.size()) {
        const QChar c = line.at(i);
        if (c == u'"')
            quoted = !quoted;
        if (quoted || (c != u'>' && c != u'<')) {
            out.text += c;
            ++i;
            continue;
        }
        Redirection r;
        r.handle = c == u'<' ? 0 : 1;
        const QString &t = out.text;
        if (c == u'>' && !t.isEmpty() && (t.back() == u'1' || t.back() == u'2') &&
            (t.size() == 1 || isBlank(t.at(t.size() - 2)))) {
            r.handle = t.back().digitValue();
            out.text.chop(1);
        }
        ++i;
        if (c == u'>' && i < line.size() && line.at(i) == u'>') {
            r.append = true;
            ++i;
        }
        while (i < line.size() && isBlank(line.at(i)))
            ++i;
        bool q = false;
        while (i < line.size()) {
            const QChar ch = line.at(i);
            if (ch == u'"') {
                q = !q;
            } else if (!q && (isBlank(ch) || ch == u'<' || ch == u'>')) {
                break;
            } else {
                r.target += ch;
            }
            ++i;
        }
        if (r.target.isEmpty())
            return false;
        out.redirections << r;
    }
    return true;
}

Runner::Runner(DosFs fs, QString self, int depth, std::FILE *out, std::FILE *err)
    : m_fs(std::move(fs)), m_self(std::move(self)), m_depth(depth), m_out(out), m_err(err)
{
}

void Runner::printError(const QString &text)
{
    const QByteArray bytes = text.toUtf8() + "\n";
    std::fwrite(bytes.constData(), 1, bytes.size(), m_err);
    std::fflush(m_err);
}

int Runner::runFile(const QString &file, const QStringList &args)
{
    // A parameter is put into a line in double quotes when it needs them; one of its own
    // would end them early and turn the rest into redirections or further words.
    for (const QString &param : QStringList{file} + args) {
        if (param.contains(u'"')) {
            printError(QStringLiteral("名前に \" があるため、ツールに渡せません。\n") + param);
            return kStatusRefused;
        }
    }
    const QString host = m_fs.hostPathOfArgument(file);
    QFile batch(host);
    if (host.isEmpty() || !QFileInfo(host).isFile() || !batch.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("バッチファイルが見つかりません。\n") + file);
        return kStatusNotFound;
    }
    const QString text = decodeText(batch.readAll());
    batch.close();

    // Programs on the lines are looked for after the current directory in Vesk's tool
    // directory; started by hand, beside the batch file, where the batch files live with
    // the tools they start.
    const QString given = qEnvironmentVariable("VESK_BINDIR");
    const QString binDir =
        !given.isEmpty() ? given : DosFs::withBackslash(m_fs.toDos(QFileInfo(host).absolutePath()));
    QStringList params{file};
    params += args;

    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        // An end-of-file mark from an old editor ends the text.
        const qsizetype eof = line.indexOf(QChar(0x1A));
        const bool last = eof >= 0;
        if (last)
            line.truncate(eof);
        if (!runLine(line, params, binDir) || last)
            break;
    }
    return m_status;
}

bool Runner::runLine(const QString &raw, const QStringList &params, const QString &binDir)
{
    QString line = trimLeft(raw);
    bool silent = false;
    while (line.startsWith(u'@')) {
        silent = true;
        line = trimLeft(line.mid(1));
    }
    if (line.isEmpty() || line.startsWith(u':'))
        return true;
    const QString expanded = expandParameters(line, params);
    if (m_echo && !silent) {
        const QByteArray shown = ("\r\n" + m_fs.currentDir() + u'>' + expanded + "\r\n").toUtf8();
        std::fwrite(shown.constData(), 1, shown.size(), m_out);
        std::fflush(m_out);
    }
    if (firstWord(line).compare(u"rem", Qt::CaseInsensitive) == 0)
        return true;

    Command command;
    if (!parseRedirections(expanded, command)) {
        printError(QStringLiteral("コマンドの構文が正しくありません。\n") + expanded);
        m_status = 1;
        return true;
    }
    QString text = trimLeft(command.text);
    bool isCall = false;
    if (firstWord(text).compare(u"call", Qt::CaseInsensitive) == 0) {
        isCall = true;
        text = trimLeft(text.mid(4));
    }

    QString in, out, err;
    if (isEchoCommand(text)) {
        if (!openRedirections(command, in, out, err))
            return true;
        const QString rest = text.mid(4); // "echo." and "echo:" print what follows as it is
        const bool plain = !rest.startsWith(u'.') && !rest.startsWith(u':');
        const QString word = rest.trimmed();
        if (plain && word.isEmpty())
            echoText(m_echo ? QStringLiteral("ECHO は <ON> です。")
                            : QStringLiteral("ECHO は <OFF> です。"),
                     out);
        else if (plain && word.compare(u"off", Qt::CaseInsensitive) == 0)
            m_echo = false;
        else if (plain && word.compare(u"on", Qt::CaseInsensitive) == 0)
            m_echo = true;
        else
            echoText(rest.mid(1), out);
        return true;
    }

    const QStringList words = splitCommandLine(text);
    if (words.isEmpty())
        return true;
    bool endsBatch = false;
    runProgram(words, command, binDir, isCall, endsBatch);
    return !endsBatch;
}

bool Runner::openRedirections(const Command &command, QString &in, QString &out, QString &err)
{
    in.clear();
    out.clear();
    err.clear();
    for (const Redirection &r : command.redirections) {
        const QString host = r.target.compare(u"nul", Qt::CaseInsensitive) == 0
                                 ? QStringLiteral("/dev/null")
                                 : m_fs.toHost(r.target);
        if (r.handle == 0) {
            if (host.isEmpty() || !QFileInfo(host).isFile()) {
                printError(kFileNotFound.what + u'\n' + r.target);
                m_status = 1;
                return false;
            }
            in = host;
            continue;
        }
        // As a DOS interpreter does, every target is created before the command runs, even
        // one that a later redirection of the same handle overrides.
        QFile file(host);
        const auto mode =
            QIODevice::WriteOnly | (r.append ? QIODevice::Append : QIODevice::Truncate);
        if (host.isEmpty() || !file.open(mode)) {
            printError(kCannotCreateFile.what + u'\n' + r.target);
            m_status = 1;
            return false;
        }
        (r.handle == 1 ? out : err) = host;
    }
    return true;
}

void Runner::echoText(const QString &text, const QString &outFile)
{
    const QByteArray bytes = (text + "\r\n").toUtf8();
    if (outFile.isEmpty()) {
        std::fwrite(bytes.constData(), 1, bytes.size(), m_out);
        std::fflush(m_out);
        return;
    }
    QFile file(outFile);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(bytes);
}

void Runner::runProgram(const QStringList &words, const Command &command, const QString &binDir,
                        bool isCall, bool &endsBatch)
{
    QString in, out, err;
    if (!openRedirections(command, in, out, err))
        return;
    Launch launch;
    StartOptions options;
    options.binDir = binDir;
    options.batchRunner = m_self;
    if (Error e = prepareLaunch(m_fs, words, options, launch)) {
        printError(e.message());
        m_status = e.kind == Error::Kind::NotFound ? kStatusNotFound : kStatusCannotStart;
        return;
    }
    if (launch.kind == Launch::Kind::Batch) {
        if (m_depth >= kMaxDepth) {
            printError(QStringLiteral("バッチファイルの入れ子が深すぎます。\n") + words.first());
            m_status = 1;
            endsBatch = true;
            return;
        }
        launch.environment.insert(QStringLiteral("VESK_CMD_DEPTH"), QString::number(m_depth + 1));
        // Without "call", control passes to the other batch file for good.
        endsBatch = !isCall;
    }

    QProcess process;
    applyLaunch(process, launch);
    // QProcess refuses a file for a channel it is told to forward, so forward only the
    // channels that stay with the console.
    if (!in.isEmpty()) {
        process.setInputChannelMode(QProcess::ManagedInputChannel);
        process.setStandardInputFile(in);
    }
    if (!out.isEmpty())
        process.setStandardOutputFile(out, QIODevice::Append);
    if (!err.isEmpty())
        process.setStandardErrorFile(err, QIODevice::Append);
    if (!out.isEmpty() || !err.isEmpty())
        process.setProcessChannelMode(out.isEmpty()   ? QProcess::ForwardedOutputChannel
                                      : err.isEmpty() ? QProcess::ForwardedErrorChannel
                                                      : QProcess::SeparateChannels);
    std::fflush(m_out);
    std::fflush(m_err);
    process.start();
    // This is a console program with nothing else to do: blocking here is its whole job.
    if (!process.waitForStarted(-1)) {
        printError(kCannotStartProgram.what + u'\n' + words.first() + "\n(" +
                   process.errorString() + ")");
        m_status = kStatusCannotStart;
        return;
    }
    process.waitForFinished(-1);
    m_status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : kStatusCrashed;
}

} // namespace vesk::batch
