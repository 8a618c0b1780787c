#include "runmodes/builddriver.h"

#include "image/convert.h"
#include "platform/listinput.h"
#include "runmodes/toolrun.h"
#include "state/hex.h"

#include <QFileInfo>

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

// The selected name less its extension of `length` characters ("TEST.MAR" less 4).
QString baseName(const QString &selected, qsizetype length)
{
    return selected.chopped(std::min(length, selected.size()));
}

} // namespace

void BuildDriver::Run()
{
    // A mode procedure that waits lets the event loop run, so Run can be clicked again; the
    // running build owns fname and the current directory until it ends.
    if (m_busy) {
        m_notifier.beep();
        return;
    }
    const QString selected = m_view.selectedFile();
    if (selected.isEmpty()) {
        m_notifier.message(QStringLiteral("ﾌｧｲﾙを選択してください。"));
        return;
    }
    takeWorkDir();
    BusyScope busy(m_busy);
    switch (m_view.selectedMode()) {
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

void BuildDriver::takeWorkDir()
{
    m_state.WorkDir = DosFs::withBackslash(m_view.fileListDir());
}

bool BuildDriver::failed(const Error &error)
{
    if (!error)
        return false;
    m_notifier.message(error.message());
    return true;
}

bool BuildDriver::removeIfPresent(const QString &name)
{
    // On a case-sensitive disk "b.obj" and "B.OBJ" can stand side by side, and the wait takes
    // either for the tool's output: every one of them goes.
    for (const QString &variant : m_fs.caseVariants(name)) {
        if (failed(m_fs.remove(variant)))
            return false;
    }
    return true;
}

void BuildDriver::logStage(const QString &base, const QString &label)
{
    m_view.appendLog(base + label + QStringLiteral("\r\n"));
}

void BuildDriver::logOutput(const QByteArray &output)
{
    QString text;
    for (QString line : decodeText(output).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            text += line + QStringLiteral("\r\n");
    }
    if (!text.isEmpty())
        m_view.appendLog(text);
}

namespace {

// A file named on a tool's command line: a name that starts with '-' goes as .\NAME, so that
// no tool takes it for an option.
QString fileWord(const QString &name)
{
    return quoteArg(name.startsWith(u'-') ? QStringLiteral(".\\") + name : name);
}

} // namespace

bool BuildDriver::runTool(const QString &commandLine, const QString &output,
                          const QString &timeoutMessage, QByteArray *said)
{
    m_options.binDir = m_state.BinDir;
    ProcessHandle process;
    if (failed(startProgram(m_fs, commandLine, m_options, &process)))
        return false;
    if (WaitLoop(m_fs, m_events, output, process, m_clock)) {
        // Some start failures (a file the host cannot execute) only show after the start;
        // naming them helps more than the stage's time-out.
        if (failed(process.startError()))
            return false;
        // Started from the desktop, Vesk has no terminal: the log is the only place where the
        // user can read why the tool gave up.
        logOutput(process.output());
        m_notifier.message(timeoutMessage);
        return false;
    }
    // The wait ends only once the tool has, and the process reads the rest of its pipe
    // before it counts as ended: everything the tool wrote is here.
    if (said)
        *said = process.output();
    return true;
}

bool BuildDriver::expectFile(const QString &output, const QString &timeoutMessage)
{
    if (WaitLoop(m_fs, m_events, output, m_clock)) {
        m_notifier.message(timeoutMessage);
        return false;
    }
    return true;
}

// A command line has no way to carry a double quote inside a word: a name with one would
// reach the tool cut or merged with the next word, so it is refused before anything starts.
// The tools split a word at each comma where they take a list (the linker's objects, the
// compiler's include directories, the disassembler's range): a name that lands in one is
// refused the same way. `inLists` are the names that do.
bool BuildDriver::namesFit(const QString &base, const QStringList &inLists)
{
    const auto refused = [this](QChar c, const QString &name) {
        return failed(makeError(Error::Kind::Refused,
                                QStringLiteral("名前に %1 があるため、ツールに渡せません。").arg(c),
                                name));
    };
    for (const QString &name : {m_state.WorkDir, m_state.BinDir, base}) {
        if (name.contains(u'"'))
            return !refused(u'"', name);
    }
    for (const QString &name : inLists) {
        if (name.contains(u','))
            return !refused(u',', name);
    }
    return true;
}

void BuildDriver::Assemble()
{
    m_view.setTransferEnabled(false);
    m_state.fname = baseName(m_view.selectedFile(), 4);
    const QString &B = m_state.fname;
    // The linker takes its first word as a list of objects.
    if (!namesFit(B, {B}) || failed(m_fs.makeCurrent(m_state.WorkDir)))
        return;
    for (const char *ext : {".obj", ".abs", ".mot", ".lis", ".bin"}) {
        if (!removeIfPresent(B + QLatin1String(ext)))
            return;
    }
    m_view.setLog(QString());

    const QString tools = m_state.BinDir;
    if (!runTool(quoteArg(tools + "a38h") + " " + fileWord(B + ".mar"), B + ".obj",
                 QStringLiteral("アセンブル　エラー")))
        return;
    logStage(B, QStringLiteral(":アセンブルＯＫ"));
    QByteArray linkerSaid;
    if (!runTool(quoteArg(tools + "l38h") + " " + fileWord(B + ".obj"), B + ".abs",
                 QStringLiteral("リンク　エラー"), &linkerSaid))
        return;
    logStage(B, QStringLiteral(":リンクＯＫ"));
    // A link that succeeds may still warn (little RAM left for the stack).
    logOutput(linkerSaid);
    if (!runTool(quoteArg(tools + "c38h") + " " + fileWord(B + ".abs"), B + ".mot",
                 QStringLiteral("ＭＯＴコンバート　エラー")))
        return;
    logStage(B, QStringLiteral(":ＭＯＴコンバートＯＫ"));
    if (failed(Convert(m_fs, B)) ||
        !expectFile(B + ".bin", QStringLiteral("ＢＩＮコンバート　エラー")))
        return;
    logStage(B, QStringLiteral(":ＢＩＮコンバートＯＫ"));

    m_state.transferImage = m_fs.absolute(B + ".bin");
    m_view.setLabel1(B + ".bin");
    m_view.setTransferEnabled(true);
}

void BuildDriver::MotConvert()
{
    takeWorkDir();
    m_state.fname = baseName(m_view.selectedFile(), 4);
    if (failed(m_fs.makeCurrent(m_state.WorkDir)) || failed(Convert(m_fs, m_state.fname)))
        return;
    const QString image = m_fs.actualPath(m_fs.absolute(m_state.fname + ".bin"));
    logStage(m_state.fname, QStringLiteral(":ＢＩＮコンバートＯＫ（%1 %2 バイト）")
                                .arg(DosFs::fileName(image))
                                .arg(QFileInfo(m_fs.toHost(image)).size()));
}

void BuildDriver::Compile()
{
    m_view.setTransferEnabled(false);
    m_view.setLog(QString());
    m_view.setLabel1(QString());
    m_state.transferImage.clear();
    const QString work = m_state.WorkDir;
    const QString tools = m_state.BinDir;
    // The window stays live during the waits; the ROM choice and its offset are taken once,
    // so a click on the check box mid-build cannot mix a RAM module with a ROM address.
    const bool rom = m_view.romChecked();
    const QString start = hexText(m_state.MainOfs);
    // The file being built; fname itself only changes once the reset-vector module is done.
    const QString B = baseName(m_view.selectedFile(), 2);

    // The reset-vector module, assembled next to the source.
    // The include directory, the link's object list and the listing's image name.
    if (!namesFit(B, {work, tools, B}) || failed(m_fs.makeCurrent(work)) ||
        !removeIfPresent("RESETV.MAR"))
        return;
    const QString startDir =
        DosFs::isRoot(m_state.StartDir) ? m_state.StartDir.chopped(1) : m_state.StartDir;
    const QString tmplName =
        rom ? QStringLiteral("RESETV_ROM.MAR") : QStringLiteral("RESETV_RAM.MAR");
    QString tmpl = startDir + u'\\' + tmplName;
    // Started from the menu, the start-up directory is the home folder: the installed
    // templates stand in, reached through a drive (Z: is / by default). Without either, the
    // copy names the start-up directory's file.
    if (!m_fs.isOrdinaryFile(tmpl) && !m_templateDir.isEmpty()) {
        const QString installed = m_fs.toDos(m_templateDir + u'/' + tmplName);
        if (!installed.isEmpty() && m_fs.isOrdinaryFile(installed))
            tmpl = installed;
    }
    if (failed(m_fs.copy(tmpl, work + "RESETV.MAR")) ||
        !expectFile("RESETV.MAR", QStringLiteral("COPY　エラー")))
        return;
    if (!removeIfPresent("RESETV.obj") ||
        !runTool(quoteArg(tools + "a38h") + " RESETV.MAR", "RESETV.obj",
                 QStringLiteral("アセンブル　エラー")))
        return;
    logStage(B, QStringLiteral(":RESETV ＯＫ"));
    if (!expectFile("RESETV.lis", QStringLiteral("アセンブル　エラー")))
        return;

    // From here on the tool directory is current.
    if (failed(m_fs.makeCurrent(tools)))
        return;
    m_state.fname = B;
    if (failed(MakeBat(m_fs)))
        return;
    for (const QString &name :
         {B + ".obj", B + ".abs", B + ".mot", B + ".bin", work + "out.txt", QString("err.txt")}) {
        if (!removeIfPresent(name))
            return;
    }

    m_options.binDir = tools;
    ProcessHandle compiler;
    if (failed(startProgram(m_fs, "c38.bat " + quoteArg(tools) + " " + quoteArg(work + B + ".C"),
                            m_options, &compiler)))
        return;
    if (WaitLoop(m_fs, m_events, B + ".obj", compiler, m_clock)) {
        if (failed(compiler.startError()))
            return;
        // Only a failed compile shows the tool's own messages: err.txt's items in the log.
        Error error;
        if (failed(m_fs.copy("err.txt", work + "err.txt")))
            return;
        const QString messages = ReadErrTxt(m_fs, &error);
        if (failed(error))
            return;
        m_view.appendLog(messages);
        // What escaped the batch file's redirection: the runner's own complaint, for one.
        logOutput(compiler.output());
        m_notifier.message(QStringLiteral("コンパイル　エラー"));
        return;
    }
    logStage(B, QStringLiteral(":コンパイルＯＫ"));
    {
        // Warnings: a compile that succeeds may still say something the user must read (an
        // int of 16 bits compared with 256). Without err.txt (a user's own C38.bat) there is
        // nothing to show.
        Error error;
        const QString warnings = ReadErrTxt(m_fs, &error);
        if (!error && !warnings.isEmpty())
            m_view.appendLog(warnings);
    }
    if (failed(m_fs.copy(tools + B + ".obj", work + B + ".obj")))
        return;

    QByteArray linkerSaid;
    if (!runTool("l38h.exe " + quoteArg(work + "resetv.obj," + B + ".obj") + " -start=P(0" + start +
                     ") -output=" + quoteArg(B) + " -print=" + quoteArg(B) + " -library=c38hab",
                 B + ".abs", QStringLiteral("リンク　エラー"), &linkerSaid))
        return;
    logStage(B, QStringLiteral(":リンクＯＫ"));
    // Like the compiler's warnings after its OK line: the program links, but the user
    // should read why it may still fail on the board.
    logOutput(linkerSaid);
    if (failed(m_fs.copy(tools + B + ".abs", work + B + ".abs")) ||
        failed(m_fs.copy(tools + B + ".map", work + B + ".map")))
        return;

    if (!runTool("c38h " + fileWord(B + ".abs"), B + ".mot",
                 QStringLiteral("ＭＯＴコンバート　エラー")))
        return;
    logStage(B, QStringLiteral(":ＭＯＴコンバートＯＫ"));
    if (failed(m_fs.copy(tools + B + ".mot", work + B + ".mot")))
        return;

    if (failed(Convert(m_fs, B)) ||
        !expectFile(B + ".bin", QStringLiteral("ＢＩＮコンバート　エラー")))
        return;
    logStage(B, QStringLiteral(":ＢＩＮコンバートＯＫ"));
    if (failed(m_fs.copy(tools + B + ".bin", work + B + ".bin")))
        return;

    if (m_fs.isOrdinaryFile("dasmh83.exe")) {
        // A RAM image is listed from where it loads to the end of the address space.
        const QString range =
            rom ? QStringLiteral("0 1000") : QString::number(board::kRamStart, 16) + " ffffff";
        if (!runTool("dasm.bat " + fileWord(B + ".bin") + " " + range + " " + quoteArg(work),
                     work + "out.txt", QStringLiteral("逆アセンブル　エラー")))
            return;
    }

    if (!rom) {
        m_state.transferImage = m_fs.absolute(B + ".bin");
        m_view.setTransferEnabled(true);
        m_view.setLabel1(B + ".bin");
    }
}

void BuildDriver::DAsm()
{
    takeWorkDir();
    m_state.fname = baseName(m_view.selectedFile(), 4);
    if (!namesFit(m_state.fname, {m_state.fname}) || failed(m_fs.makeCurrent(m_state.WorkDir)))
        return;
    // "dasm.bat" lives in the tool directory, where the C build wrote it; the search for
    // programs reaches it through BinDir. The disassembly runs on by itself.
    m_options.binDir = m_state.BinDir;
    const QString listing = m_fs.absolute(QStringLiteral("out.txt"));
    const qint64 before = QFileInfo(m_fs.toHost(listing)).size();
    ProcessHandle process;
    if (failed(startProgram(m_fs, "dasm.bat " + fileWord(m_state.fname + ".bin"), m_options,
                            &process)) ||
        failed(process.startError()))
        return;
    // The batch file appends to out.txt: a listing that grew, from a batch file whose last
    // program succeeded, is the sign it worked (a failing tool may still write there). A build
    // started meanwhile owns the log, and the line would only confuse it.
    const std::weak_ptr<char> alive = m_alive;
    process.whenEnded([this, alive, process, listing, before] {
        if (alive.expired() || m_busy)
            return;
        const QFileInfo info(m_fs.toHost(listing));
        if (process.exitCode() == 0 && info.isFile() && info.size() > before)
            m_view.appendLog(m_fs.actualPath(listing) +
                             QStringLiteral(" に逆アセンブルしました\r\n"));
        else
            logOutput(process.output());
    });
}

} // namespace vesk
