#include "platform/dosfs.h"

#include "platform/fileio.h"
#include "platform/hostentry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <dirent.h>

namespace vesk {

namespace {

QString joinHost(const QString &dir, const QString &name)
{
    return dir.endsWith(u'/') ? dir + name : dir + u'/' + name;
}

bool isDriveName(const QString &name)
{
    return name.size() == 2 && name.at(1) == u':' && name.at(0).isLetter() &&
           name.at(0).unicode() < 128;
}

QString hostRootOf(const QString &target)
{
    const QString canonical = QFileInfo(target).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(target) : canonical;
}

} // namespace

// --- DriveMap ------------------------------------------------------------------------------

DriveMap DriveMap::defaults()
{
    DriveMap map;
    map.setDrive(u'c', QDir::homePath());
    map.setDrive(u'z', QStringLiteral("/"));
    return map;
}

DriveMap DriveMap::fromFolder(const QString &folder)
{
    DriveMap map;
    QDir dir(folder);
    map.m_folder = QFileInfo(folder).absoluteFilePath();
    const auto entries =
        dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        // A link points at its target; a plain directory of that name stands for itself.
        QString target = entry.isSymLink() ? entry.symLinkTarget() : entry.absoluteFilePath();
        if (isDriveName(name))
            map.setDrive(name.at(0), target);
    }
    if (map.m_roots.isEmpty()) {
        const DriveMap fallback = defaults();
        map.m_roots = fallback.m_roots;
    }
    return map;
}

DriveMap DriveMap::locate(const QString &startHostDir)
{
    const QString local = joinHost(startHostDir, QStringLiteral("dosdevices"));
    if (QFileInfo(local).isDir())
        return fromFolder(local);
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    const QString user = config + QStringLiteral("/vesk/dosdevices");
    if (QFileInfo(user).isDir())
        return fromFolder(user);
    return defaults();
}

DriveMap DriveMap::forTool(const QString &startHostDir)
{
    const QString given = qEnvironmentVariable("VESK_DOSDEVICES");
    if (!given.isEmpty() && QFileInfo(given).isDir())
        return fromFolder(given);
    return locate(startHostDir);
}

void DriveMap::setDrive(QChar letter, const QString &hostDir)
{
    m_roots.insert(letter.toLower(), hostRootOf(hostDir));
}

QString DriveMap::root(QChar letter) const
{
    return m_roots.value(letter.toLower());
}

QList<QChar> DriveMap::letters() const
{
    QList<QChar> out;
    for (auto it = m_roots.cbegin(); it != m_roots.cend(); ++it)
        out << it.key().toUpper();
    return out;
}

QString DriveMap::deviceEntry(const QString &name) const
{
    return m_folder.isEmpty() ? QString() : m_folder + u'/' + name.toLower();
}

// --- DosFs ---------------------------------------------------------------------------------

DosFs::DosFs(DriveMap map, const QString &hostCwd) : m_map(std::move(map))
{
    const QString dos = toDos(hostCwd);
    Parsed p;
    if (!dos.isEmpty() && parse(dos, p)) {
        m_drive = p.drive;
        m_cwd.insert(p.drive, p.components);
    }
}

DosFs DosFs::forProcess()
{
    const QString cwd = QDir::currentPath();
    return DosFs(DriveMap::locate(cwd), cwd);
}

DosFs DosFs::forTool()
{
    const QString cwd = QDir::currentPath();
    return DosFs(DriveMap::forTool(cwd), cwd);
}

bool DosFs::parse(const QString &dosPath, Parsed &out) const
{
    QString s = dosPath;
    s.replace(u'/', u'\\');
    QChar drive = m_drive;
    if (s.size() >= 2 && s.at(1) == u':' && s.at(0).isLetter()) {
        drive = s.at(0).toLower();
        s = s.mid(2);
    }
    if (drive.isNull() || m_map.root(drive).isEmpty())
        return false;
    QStringList components;
    if (!s.startsWith(u'\\'))
        components = m_cwd.value(drive);
    const auto parts = s.split(u'\\', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (!components.isEmpty())
                components.removeLast();
            continue;
        }
        components << part;
    }
    out.drive = drive;
    out.components = components;
    return true;
}

QString actualEntryName(const QString &hostDir, const QString &name)
{
    const QString exact = joinHost(hostDir, name);
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink())
        return name;
    // Read with readdir and without sorting the whole directory, since a build's waits look
    // up missing names many times a second.
    DIR *d = ::opendir(QFile::encodeName(hostDir).constData());
    if (!d)
        return {};
    QString best;
    while (const dirent *entry = ::readdir(d)) {
        const QString candidate = QFile::decodeName(entry->d_name);
        if (candidate.compare(name, Qt::CaseInsensitive) == 0 &&
            (best.isEmpty() || candidate < best))
            best = candidate;
    }
    ::closedir(d);
    return best;
}

// Host path and, through `actual`, the names as they stand on disk.
static QString resolveIn(const QString &root, const QStringList &components, QStringList *actual)
{
    QString host = root;
    bool exists = true;
    for (const QString &name : components) {
        QString chosen = name;
        if (exists) {
            const QString match = actualEntryName(host, name);
            if (!match.isEmpty())
                chosen = match;
            else
                exists = false; // later components are taken as written
        }
        host = joinHost(host, chosen);
        if (actual)
            *actual << chosen;
    }
    return host;
}

QString DosFs::resolve(const Parsed &p) const
{
    return resolveIn(m_map.root(p.drive), p.components, nullptr);
}

QString DosFs::format(const Parsed &p)
{
    return QString(p.drive.toUpper()) + QStringLiteral(":\\") + p.components.join(u'\\');
}

QString DosFs::currentDir() const
{
    return currentDirOf(m_drive);
}

QString DosFs::currentDirOf(QChar drive) const
{
    if (drive.isNull())
        return {};
    return format(Parsed{drive.toLower(), m_cwd.value(drive.toLower())});
}

QString DosFs::hostCurrentDir() const
{
    if (m_drive.isNull())
        return QDir::currentPath();
    return resolve(Parsed{m_drive, m_cwd.value(m_drive)});
}

Error DosFs::changeDrive(const QString &drive)
{
    const QString shown = drive.left(1).toUpper() + u':';
    if (drive.isEmpty() || !drive.at(0).isLetter())
        return makeError(kDriveNotFound, drive);
    const QChar letter = drive.at(0).toLower();
    const QString root = m_map.root(letter);
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return makeError(kDriveNotFound, shown, root);
    m_drive = letter;
    return {};
}

Error DosFs::changeDir(const QString &dosDir)
{
    Parsed p;
    if (!parse(dosDir, p))
        return makeError(kDriveNotFound, dosDir);
    QStringList actual;
    const QString host = resolveIn(m_map.root(p.drive), p.components, &actual);
    if (!QFileInfo(host).isDir())
        return makeError(kFolderNotFound, format(p));
    m_cwd.insert(p.drive, actual);
    return {};
}

Error DosFs::makeCurrent(const QString &dosDir)
{
    const QString full = absolute(dosDir);
    if (full.isEmpty())
        return makeError(kDriveNotFound, dosDir);
    if (Error e = changeDrive(full))
        return e;
    return changeDir(full);
}

QString DosFs::absolute(const QString &dosPath) const
{
    Parsed p;
    return parse(dosPath, p) ? format(p) : QString();
}

QString DosFs::toHost(const QString &dosPath) const
{
    Parsed p;
    return parse(dosPath, p) ? resolve(p) : QString();
}

QString DosFs::actualPath(const QString &dosPath) const
{
    Parsed p;
    if (!parse(dosPath, p))
        return {};
    QStringList actual;
    resolveIn(m_map.root(p.drive), p.components, &actual);
    return format(Parsed{p.drive, actual});
}

bool DosFs::isDosArgument(const QString &arg)
{
    return arg.contains(u'\\') || (arg.size() >= 2 && arg.at(1) == u':' && arg.at(0).isLetter());
}

QString DosFs::hostPathOfArgument(const QString &arg) const
{
    if (isDosArgument(arg))
        return toHost(arg);
    if (arg.startsWith(u'/'))
        return QDir::cleanPath(arg);
    // A tool started in a directory that no drive covers still takes names relative to it.
    if (!isValid())
        return QDir::cleanPath(joinHost(hostCurrentDir(), arg));
    return toHost(arg);
}

QString DosFs::toDos(const QString &hostPath) const
{
    const QString cleaned = QDir::cleanPath(QFileInfo(hostPath).absoluteFilePath());
    const QString canonical = QFileInfo(hostPath).canonicalFilePath();
    for (const QString &path : {canonical, cleaned}) {
        if (path.isEmpty())
            continue;
        QChar best;
        qsizetype bestLength = -1;
        for (QChar letter : m_map.letters()) {
            const QString root = m_map.root(letter);
            const bool covers = root == u"/" || path == root || path.startsWith(root + u'/');
            if (covers && root.size() > bestLength) {
                best = letter;
                bestLength = root.size();
            }
        }
        if (best.isNull())
            continue;
        const QString root = m_map.root(best);
        const QString rest = root == u"/" ? path.mid(1) : path.mid(root.size() + 1);
        return format(Parsed{best.toLower(), rest.split(u'/', Qt::SkipEmptyParts)});
    }
    return {};
}

bool DosFs::isOrdinaryFile(const QString &dosPath) const
{
    if (dosPath.endsWith(u'\\') || dosPath.endsWith(u'/'))
        return false;
    const QString host = toHost(dosPath);
    if (host.isEmpty())
        return false;
    const QFileInfo info(host);
    return info.isFile() && !info.fileName().startsWith(u'.');
}

bool DosFs::isDirectory(const QString &dosPath) const
{
    const QString host = toHost(dosPath);
    return !host.isEmpty() && QFileInfo(host).isDir();
}

Error DosFs::remove(const QString &dosPath) const
{
    const QString host = toHost(dosPath);
    QFile file(host);
    if (host.isEmpty() || !file.remove())
        return makeError(kCannotRemoveFile, absolute(dosPath), file.errorString());
    return {};
}

QStringList DosFs::caseVariants(const QString &dosPath) const
{
    const QString full = absolute(dosPath);
    const QString name = fileName(full);
    if (name.isEmpty())
        return {};
    const QString dir = dirPart(full);
    const QString hostDir = toHost(dir);
    if (hostDir.isEmpty())
        return {};
    QStringList out;
    // toHost() takes an exact-case name first, so each path below names its own entry.
    const auto entries = QDir(hostDir).entryList(QDir::Files, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0 && isOrdinaryFile(dir + entry))
            out << dir + entry;
    }
    return out;
}

bool DosFs::sameFile(const QString &aDos, const QString &bDos) const
{
    const QString a = QFileInfo(toHost(aDos)).canonicalFilePath();
    return !a.isEmpty() && a == QFileInfo(toHost(bDos)).canonicalFilePath();
}

Error DosFs::copy(const QString &fromDos, const QString &toDosPath) const
{
    if (sameFile(fromDos, toDosPath))
        return {};
    QFile source(toHost(fromDos));
    if (!source.open(QIODevice::ReadOnly))
        return makeError(source.exists() ? kCannotOpenFile : kFileNotFound, absolute(fromDos),
                         source.errorString());
    // Written beside the target and renamed over it, so a failed copy leaves no half file.
    AtomicFile target(*this, toDosPath);
    const auto cannotCopy = [&] {
        return makeError(kCannotCopyFile, absolute(toDosPath), target.errorString());
    };
    if (target.open())
        return cannotCopy();
    QByteArray chunk;
    while (!(chunk = source.read(1 << 20)).isEmpty()) {
        if (!target.write(chunk))
            return cannotCopy();
    }
    if (source.error() != QFileDevice::NoError)
        return makeError(kCannotReadFile, absolute(fromDos), source.errorString());
    if (target.commit())
        return cannotCopy();
    return {};
}

Error DosFs::readAll(const QString &dosPath, QByteArray &out) const
{
    QFile file(toHost(dosPath));
    if (!isOrdinaryFile(dosPath))
        return makeError(kFileNotFound, absolute(dosPath));
    if (!file.open(QIODevice::ReadOnly))
        return makeError(kCannotOpenFile, absolute(dosPath), file.errorString());
    out = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return makeError(kCannotReadFile, absolute(dosPath), file.errorString());
    return {};
}

Error DosFs::writeAtomic(const QString &dosPath, const QByteArray &bytes) const
{
    AtomicFile file(*this, dosPath);
    if (file.open() || !file.write(bytes) || file.commit())
        return makeError(kCannotWriteFile, absolute(dosPath), file.errorString());
    return {};
}

QList<QChar> DosFs::drives() const
{
    QList<QChar> out;
    for (QChar letter : m_map.letters()) {
        if (QFileInfo(m_map.root(letter)).isDir())
            out << letter;
    }
    return out;
}

static void sortCaseInsensitive(QStringList &names)
{
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

QStringList DosFs::listDirs(const QString &dosDir, Error *error) const
{
    const QString host = toHost(dosDir);
    if (host.isEmpty() || !QFileInfo(host).isDir()) {
        if (error)
            *error = makeError(kFolderNotFound, absolute(dosDir));
        return {};
    }
    QStringList names = QDir(host).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    sortCaseInsensitive(names);
    return names;
}

QStringList DosFs::listFiles(const QString &dosDir, const QString &patterns, Error *error) const
{
    const QString host = toHost(dosDir);
    if (host.isEmpty() || !QFileInfo(host).isDir()) {
        if (error)
            *error = makeError(kFolderNotFound, absolute(dosDir));
        return {};
    }
    QStringList names = QDir(host).entryList(QDir::Files, QDir::NoSort);
    names.removeIf(
        [&](const QString &n) { return n.startsWith(u'.') || !matchesPatternList(n, patterns); });
    sortCaseInsensitive(names);
    return names;
}

bool DosFs::isRoot(const QString &dosDir)
{
    return dosDir.size() == 3 && dosDir.at(1) == u':' && dosDir.at(2) == u'\\';
}

QString DosFs::withBackslash(const QString &dosDir)
{
    return dosDir.endsWith(u'\\') ? dosDir : dosDir + u'\\';
}

static qsizetype lastSeparator(const QString &dosPath)
{
    qsizetype cut = -1;
    for (QChar sep : {u'\\', u'/', u':'})
        cut = std::max(cut, dosPath.lastIndexOf(sep));
    return cut;
}

QString DosFs::fileName(const QString &dosPath)
{
    return dosPath.mid(lastSeparator(dosPath) + 1);
}

QString DosFs::dirPart(const QString &dosPath)
{
    return dosPath.left(lastSeparator(dosPath) + 1);
}

bool matchesPatternList(const QString &name, const QString &patterns)
{
    const auto list = patterns.split(u';', Qt::SkipEmptyParts);
    return std::any_of(list.cbegin(), list.cend(), [&](const QString &pattern) {
        const QRegularExpression re(
            QRegularExpression::wildcardToRegularExpression(pattern.trimmed()),
            QRegularExpression::CaseInsensitiveOption);
        return re.match(name).hasMatch();
    });
}

} // namespace vesk
