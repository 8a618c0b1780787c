#include "commands.h"

#include "toolsupport.h"

#include <QMap>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <iterator>

namespace vesk::toolchain {

namespace {

// "-INCLUDE=C:\H8\" -> value "C:\H8\" when `option` is "-include=" (letters in any case).
bool takeOption(const QString &arg, const QString &option, QString *value)
{
    if (!arg.startsWith(option, Qt::CaseInsensitive))
        return false;
    *value = arg.mid(option.size());
    return true;
}

QStringList splitList(const QString &text)
{
    QStringList out;
    for (const QString &piece : text.split(u','))
        if (!piece.isEmpty())
            out << piece;
    return out;
}

QByteArray hex(quint32 value)
{
    return "0x" + QByteArray::number(value, 16).toUpper();
}

// COFF, big-endian: a 20-byte file header (magic, section count, time, symbol table offset at
// 8, symbol count at 12, optional header size at 16, flags), the optional header, then
// 40-byte section headers: name (8), physical (load) and virtual address, size, file offset
// of the bytes, ..., flags at 36.
constexpr quint16 kH8300hMagic = 0x8301;
constexpr int kFileHeader = 20, kSectionHeader = 40, kSizeField = 16;

// Where section header `index` starts; the file is at least a file header long.
qsizetype sectionHeaderAt(const QByteArray &object, int index)
{
    const auto *bytes = reinterpret_cast<const uchar *>(object.constData());
    return kFileHeader + qFromBigEndian<quint16>(bytes + 16) + qsizetype(index) * kSectionHeader;
}

// A section whose address range the image fills, with its stored bytes or with zeros.
bool isLoaded(const CoffSection &s)
{
    constexpr quint32 kNoLoad = 0x02, kText = 0x20, kData = 0x40, kBss = 0x80;
    return (s.flags & (kText | kData)) && !(s.flags & (kBss | kNoLoad)) && s.size > 0;
}

} // namespace

std::optional<quint32> parseAddress(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9A-Fa-f]{1,8}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const quint32 value = text.toUInt(nullptr, 16);
    if (value >= kAddressLimit)
        return std::nullopt;
    return value;
}

std::optional<CompileArgs> parseCompileArgs(const QStringList &args, QString *error)
{
    CompileArgs out;
    for (const QString &arg : args) {
        QString value;
        if (arg.compare(u"-abs16", Qt::CaseInsensitive) == 0)
            continue; // gcc picks the short absolute forms itself
        if (takeOption(arg, QStringLiteral("-cpu="), &value)) {
            if (value.compare(u"300HA", Qt::CaseInsensitive) != 0) {
                *error = QStringLiteral("only -CPU=300HA (H8/300H advanced mode) is supported");
                return std::nullopt;
            }
            continue;
        }
        if (takeOption(arg, QStringLiteral("-include="), &value)) {
            out.includeDirs += splitList(value);
            continue;
        }
        if (arg.startsWith(u'-')) {
            *error = QStringLiteral("unknown option %1").arg(arg);
            return std::nullopt;
        }
        if (!out.source.isEmpty()) {
            *error = QStringLiteral("more than one source: %1 and %2").arg(out.source, arg);
            return std::nullopt;
        }
        out.source = arg;
    }
    if (out.source.isEmpty()) {
        *error = QStringLiteral("no source file given");
        return std::nullopt;
    }
    return out;
}

namespace {

// The classic -start form into `out`; false with `error` set.
bool parseClassicStart(const QString &value, LinkArgs &out, QString *error)
{
    static const QRegularExpression item(QStringLiteral("^([A-Za-z]+)(\\(([^)]*)\\))?$"));
    static const QString order = QStringLiteral("PCDB");
    QString names;            // in the order written
    qsizetype groupStart = 0; // where the names the next address places begin
    for (const QString &part : value.split(u',')) {
        const QRegularExpressionMatch m = item.match(part.trimmed());
        const QString name = m.captured(1).toUpper();
        if (!m.hasMatch() || name.size() != 1 || !order.contains(name)) {
            *error = QStringLiteral("-start places the sections P, C, D and B (others by their "
                                    ".0ADDR name or LOCATE=), not %1")
                         .arg(part);
            return false;
        }
        if (!names.isEmpty() && order.indexOf(name) <= order.indexOf(names.back())) {
            *error = QStringLiteral("-start takes the sections in the order P, C, D, B, each "
                                    "once, not %1")
                         .arg(value);
            return false;
        }
        names += name;
        if (!m.hasCaptured(2))
            continue;
        const auto address = parseAddress(m.captured(3));
        if (!address) {
            *error = QStringLiteral("-start takes addresses in hexadecimal, not %1").arg(part);
            return false;
        }
        const QString group = names.mid(groupStart);
        const QChar before = groupStart > 0 ? names[groupStart - 1] : QChar();
        groupStart = names.size();
        if ((group[0] == u'C' && before == u'P') || (group[0] == u'B' && before == u'D')) {
            *error = QStringLiteral("-start: %1 follows %2, so it takes no address of its own")
                         .arg(group[0])
                         .arg(before);
            return false;
        }
        if (group[0] == u'P' || group[0] == u'C') {
            out.programStart = address;
            out.dataAfterProgram = group.contains(u'D') || group.contains(u'B');
        } else {
            out.dataStart = address;
        }
    }
    if (groupStart == 0) {
        *error =
            QStringLiteral("-start needs an address, as in P(0FFDF50) or P,C(400),D,B(FFEF10)");
        return false;
    }
    return true;
}

} // namespace

std::optional<LinkArgs> parseLinkArgs(const QStringList &args, QString *error)
{
    static const QRegularExpression start(QStringLiteral("^P\\(([^)]*)\\)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    LinkArgs out;
    bool print = false;
    QString printName;
    for (const QString &arg : args) {
        QString value;
        if (takeOption(arg, QStringLiteral("-start="), &value)) {
            const auto m = start.match(value);
            const auto address = m.hasMatch() ? parseAddress(m.captured(1)) : std::nullopt;
            if (address) {
                out.programStart = address;
            } else if (m.hasMatch()) {
                *error =
                    QStringLiteral("-start takes P(address in hexadecimal), not %1").arg(value);
                return std::nullopt;
            } else if (!parseClassicStart(value, out, error)) {
                return std::nullopt;
            }
        } else if (takeOption(arg, QStringLiteral("-output="), &value)) {
            out.output = value;
        } else if (arg.compare(u"-print", Qt::CaseInsensitive) == 0) {
            print = true;
        } else if (takeOption(arg, QStringLiteral("-print="), &value)) {
            print = true;
            printName = value;
        } else if (takeOption(arg, QStringLiteral("-library="), &value)) {
            out.libraries += splitList(value);
        } else if (arg.startsWith(u'-')) {
            *error = QStringLiteral("unknown option %1").arg(arg);
            return std::nullopt;
        } else {
            for (const QString &object : splitList(arg))
                out.objects << withDefaultExtension(object, QStringLiteral(".obj"));
        }
    }
    if (out.objects.isEmpty()) {
        *error = QStringLiteral("no object file given");
        return std::nullopt;
    }
    if (out.output.isEmpty())
        out.output = baseName(out.objects.first());
    out.output = withDefaultExtension(out.output, QStringLiteral(".abs"));
    if (print) {
        out.map = printName.isEmpty() ? baseName(out.output) : printName;
        out.map = withDefaultExtension(out.map, QStringLiteral(".map"));
    }
    return out;
}

std::optional<DasmArgs> parseDasmArgs(const QStringList &args, QString *error)
{
    DasmArgs out;
    bool haveRange = false;
    for (const QString &arg : args) {
        if (arg.startsWith(u"-o", Qt::CaseInsensitive)) {
            const QString value = arg.mid(2);
            if (value.isEmpty())
                continue;
            const auto load = parseAddress(value);
            if (!load) {
                *error = QStringLiteral("bad load address %1").arg(value);
                return std::nullopt;
            }
            out.load = *load;
        } else if (arg.startsWith(u'-')) {
            *error = QStringLiteral("unknown option %1").arg(arg);
            return std::nullopt;
        } else if (arg.contains(u',')) {
            if (haveRange) {
                *error = QStringLiteral("more than one address range");
                return std::nullopt;
            }
            haveRange = true;
            const QStringList ends = arg.split(u',');
            for (int i = 0; i < 2; ++i) {
                const QString text = ends.value(i);
                if (ends.size() != 2 || (!text.isEmpty() && !parseAddress(text))) {
                    *error =
                        QStringLiteral("bad address range %1 (START,END in hexadecimal)").arg(arg);
                    return std::nullopt;
                }
                if (!text.isEmpty())
                    (i == 0 ? out.from : out.to) = parseAddress(text);
            }
        } else if (out.image.isEmpty()) {
            out.image = arg;
        } else {
            *error = QStringLiteral("more than one image: %1 and %2").arg(out.image, arg);
            return std::nullopt;
        }
    }
    if (out.image.isEmpty()) {
        *error = QStringLiteral("no image given");
        return std::nullopt;
    }
    if (out.from && out.to && *out.to < *out.from) {
        *error = QStringLiteral("the address range ends before it starts");
        return std::nullopt;
    }
    return out;
}

std::optional<quint32> placedAddress(const QByteArray &sectionName)
{
    static const QRegularExpression placed(QStringLiteral("^\\.0([0-9A-Fa-f]{0,6})$"));
    const auto m = placed.match(QString::fromLatin1(sectionName));
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).isEmpty() ? 0u : m.captured(1).toUInt(nullptr, 16);
}

std::optional<QList<CoffSection>> coffSections(const QByteArray &object, QString *error)
{
    const auto *bytes = reinterpret_cast<const uchar *>(object.constData());
    if (object.size() < kFileHeader || qFromBigEndian<quint16>(bytes) != kH8300hMagic) {
        *error = QStringLiteral("not an H8/300H object file");
        return std::nullopt;
    }
    const int count = qFromBigEndian<quint16>(bytes + 2);
    if (object.size() < sectionHeaderAt(object, count)) {
        *error = QStringLiteral("object file is cut short");
        return std::nullopt;
    }
    QList<CoffSection> sections;
    for (int i = 0; i < count; ++i) {
        const uchar *header = bytes + sectionHeaderAt(object, i);
        const QByteArray raw(reinterpret_cast<const char *>(header), 8);
        const qsizetype nul = raw.indexOf('\0');
        CoffSection section;
        section.name = nul < 0 ? raw : raw.left(nul);
        section.loadAddress = qFromBigEndian<quint32>(header + 8);
        section.address = qFromBigEndian<quint32>(header + 12);
        section.size = qFromBigEndian<quint32>(header + kSizeField);
        section.dataOffset = qFromBigEndian<quint32>(header + 20);
        section.flags = qFromBigEndian<quint32>(header + 36);
        sections << section;
    }
    return sections;
}

std::optional<QMap<QByteArray, quint32>> coffSymbols(const QByteArray &program, QString *error)
{
    // 18-byte entries: a name of eight characters (or four zero bytes and the offset of a
    // longer one in the string table that follows the entries), the value, section number,
    // type, storage class and the count of auxiliary entries, which are skipped.
    constexpr int kSymbol = 18;
    const auto *bytes = reinterpret_cast<const uchar *>(program.constData());
    if (program.size() < kFileHeader || qFromBigEndian<quint16>(bytes) != kH8300hMagic) {
        *error = QStringLiteral("not an H8/300H object file");
        return std::nullopt;
    }
    const qsizetype table = qFromBigEndian<quint32>(bytes + 8);
    const qsizetype count = qFromBigEndian<quint32>(bytes + 12);
    const qsizetype strings = table + count * kSymbol;
    if (program.size() < strings) {
        *error = QStringLiteral("object file is cut short");
        return std::nullopt;
    }
    QMap<QByteArray, quint32> symbols;
    for (qsizetype i = 0; i < count; i += 1 + bytes[table + i * kSymbol + 17]) {
        const uchar *entry = bytes + table + i * kSymbol;
        QByteArray name;
        if (qFromBigEndian<quint32>(entry) == 0) {
            const qsizetype at = strings + qFromBigEndian<quint32>(entry + 4);
            if (at >= program.size()) {
                *error = QStringLiteral("object file is cut short");
                return std::nullopt;
            }
            name = QByteArray(
                program.constData() + at,
                qsizetype(qstrnlen(program.constData() + at, uint(program.size() - at))));
        } else {
            name = QByteArray(reinterpret_cast<const char *>(entry), 8);
            if (const qsizetype nul = name.indexOf('\0'); nul >= 0)
                name.truncate(nul);
        }
        symbols.insert(name, qFromBigEndian<quint32>(entry + 8));
    }
    return symbols;
}

QByteArray sectionEndSymbol(const QByteArray &section)
{
    // A dot keeps C and the assembler's usual names out of the way.
    return "___end" + section;
}

std::optional<QByteArray> withoutFilePadding(const QByteArray &program, QString *error)
{
    const auto sections = coffSections(program, error);
    const auto symbols = sections ? coffSymbols(program, error) : std::nullopt;
    if (!symbols)
        return std::nullopt;
    QByteArray out = program;
    for (int i = 0; i < sections->size(); ++i) {
        const CoffSection &s = sections->at(i);
        const auto end = symbols->constFind(sectionEndSymbol(s.name));
        if (s.dataOffset == 0 || end == symbols->cend() || *end < s.address ||
            *end - s.address >= s.size)
            continue;
        const quint32 size = *end - s.address;
        const qsizetype gapAt = qsizetype(s.dataOffset) + size;
        const qsizetype gapEnd = qsizetype(s.dataOffset) + s.size;
        const bool followed =
            std::any_of(sections->cbegin(), sections->cend(), [&](const CoffSection &next) {
                return next.dataOffset != 0 && next.dataOffset == gapEnd;
            });
        if (!followed || gapEnd > program.size() ||
            program.mid(gapAt, gapEnd - gapAt).count('\0') != gapEnd - gapAt) {
            *error = QStringLiteral("section %1 stores %2 bytes past its end at %3 that are "
                                    "not alignment padding")
                         .arg(QString::fromLatin1(s.name))
                         .arg(s.size - size)
                         .arg(QString::number(*end, 16).toUpper());
            return std::nullopt;
        }
        qToBigEndian(size, out.data() + sectionHeaderAt(program, i) + kSizeField);
    }
    return out;
}

QByteArray withSectionSizes(const QByteArray &map, const QList<CoffSection> &sections)
{
    QString text = QString::fromLatin1(map);
    for (const CoffSection &s : sections) {
        // ".text           0x0000000000ffdf50       0x24": the size right-aligned in its column.
        const QRegularExpression line(
            QStringLiteral("^(%1\\s+0x0*%2)(\\s+0x[0-9a-f]+)")
                .arg(QRegularExpression::escape(QString::fromLatin1(s.name)))
                .arg(s.address, 0, 16),
            QRegularExpression::MultilineOption);
        const auto m = line.match(text);
        if (!m.hasMatch())
            continue;
        const QString size = QStringLiteral("0x") + QString::number(s.size, 16);
        text.replace(m.capturedStart(2), m.capturedLength(2),
                     size.rightJustified(m.capturedLength(2) - 1, u' ').prepend(u' '));
    }
    return text.toLatin1();
}

bool isLaidOut(const QByteArray &sectionName)
{
    // The names linkerScript() takes from every input; COFF keeps eight characters of a
    // name, so ".rodata.*" never reaches it from an object.
    static const QList<QByteArray> program = {".text", ".rodata", ".strings", ".data", ".bss"};
    return program.contains(sectionName) || placedAddress(sectionName).has_value();
}

QList<QByteArray> loadedWithoutBytes(const QList<CoffSection> &sections)
{
    QList<QByteArray> names;
    for (const CoffSection &s : sections) {
        if (isLoaded(s) && s.dataOffset == 0)
            names << s.name;
    }
    return names;
}

QList<QPair<CoffSection, CoffSection>> overlappingSections(const QList<CoffSection> &sections)
{
    QList<CoffSection> loaded;
    std::copy_if(sections.cbegin(), sections.cend(), std::back_inserter(loaded), isLoaded);
    std::stable_sort(loaded.begin(), loaded.end(), [](const CoffSection &a, const CoffSection &b) {
        return a.loadAddress < b.loadAddress;
    });
    // Ranges sorted by start: one that reaches into a later range reaches the next one too.
    QList<QPair<CoffSection, CoffSection>> pairs;
    for (qsizetype i = 1; i < loaded.size(); ++i) {
        const CoffSection &lower = loaded[i - 1];
        if (quint64(lower.loadAddress) + lower.size > loaded[i].loadAddress)
            pairs.append({lower, loaded[i]});
    }
    return pairs;
}

QByteArray withInterruptHandlers(const QByteArray &source, const QByteArray &fileName)
{
    static const QRegularExpression pragma(
        QStringLiteral(R"(^[ \t]*#[ \t]*pragma[ \t]+interrupt[ \t]*\(([^)]*)\)[ \t]*\r?$)"));
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    QList<QByteArray> lines = source.split('\n');
    QList<QByteArray> handlers;
    for (QByteArray &line : lines) {
        const QRegularExpressionMatch match = pragma.match(QString::fromLatin1(line));
        if (!match.hasMatch())
            continue;
        QList<QByteArray> names;
        for (const QString &name : match.captured(1).split(u','))
            names << name.trimmed().toLatin1();
        // A list that is not all names is left for gcc to judge.
        if (!std::all_of(names.cbegin(), names.cend(), [](const QByteArray &name) {
                return identifier.match(QString::fromLatin1(name)).hasMatch();
            }))
            continue;
        for (const QByteArray &name : names)
            if (!handlers.contains(name))
                handlers << name;
        line = line.endsWith('\r') ? QByteArray("\r") : QByteArray();
    }
    if (handlers.isEmpty())
        return {};
    QByteArray text;
    for (const QByteArray &name : handlers)
        text += "void " + name + "(void) __attribute__((interrupt_handler));\n";
    QByteArray quoted = fileName;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    text += "#line 1 \"" + quoted + "\"\n";
    return text + lines.join('\n');
}

QByteArray vectorName(int vector)
{
    // The sources of the H8/3048 series, by vector number; the others are reserved.
    static const QMap<int, QByteArray> named = [] {
        QMap<int, QByteArray> m{{7, "nmi"},     {20, "wovi"},   {21, "cmi"},    {44, "dend0a"},
                                {45, "dend0b"}, {46, "dend1a"}, {47, "dend1b"}, {60, "adi"}};
        for (int n = 0; n < 4; ++n)
            m[8 + n] = "trap" + QByteArray::number(n);
        for (int n = 0; n < 6; ++n)
            m[12 + n] = "irq" + QByteArray::number(n);
        for (int n = 0; n < 5; ++n) {
            const QByteArray channel = QByteArray::number(n);
            m[24 + 4 * n] = "imia" + channel;
            m[25 + 4 * n] = "imib" + channel;
            m[26 + 4 * n] = "ovi" + channel;
        }
        for (int n = 0; n < 2; ++n) {
            const QByteArray channel = QByteArray::number(n);
            m[52 + 4 * n] = "eri" + channel;
            m[53 + 4 * n] = "rxi" + channel;
            m[54 + 4 * n] = "txi" + channel;
            m[55 + 4 * n] = "tei" + channel;
        }
        return m;
    }();
    if (vector < 1 || vector >= kVectorCount)
        return {};
    return "int_" + named.value(vector, "vec" + QByteArray::number(vector));
}

LinkScript linkerScript(const QList<PlacedSection> &placed, std::optional<quint32> programStart,
                        std::optional<quint32> dataStart)
{
    // One output section per address, in ascending order, each holding every input section
    // that names that address.
    QMap<quint32, QList<QByteArray>> byAddress;
    for (const PlacedSection &section : placed) {
        QList<QByteArray> &names = byAddress[section.address];
        if (!names.contains(section.name))
            names << section.name;
    }

    LinkScript script;
    quint32 programAt = kRamStart;
    if (programStart)
        programAt = *programStart;
    else if (!byAddress.isEmpty())
        programAt = byAddress.lastKey(); // the program follows it; only its region counts here
    script.programInRam = programAt >= kRamStart && programAt < kRamEnd;
    script.entry = programStart.value_or(kRamStart);
    if (!byAddress.isEmpty())
        script.entry =
            programStart ? std::min(*programStart, byAddress.firstKey()) : byAddress.firstKey();

    QByteArray &s = script.text;
    s += "OUTPUT_FORMAT(\"coff-h8300\")\nOUTPUT_ARCH(h8300h)\nSECTIONS\n{\n";
    for (auto it = byAddress.cbegin(); it != byAddress.cend(); ++it) {
        script.sections << it.value().first();
        s += "  " + it.value().first() + " " + hex(it.key()) + " : {";
        for (const QByteArray &name : it.value())
            s += " *(" + name + ")";
        // Every loaded section ends on an even address: the loader takes even lengths only.
        s += " . = ALIGN(2); " + sectionEndSymbol(it.value().first()) + " = .; }\n";
    }
    // Without a start address the program follows the last placed section (ld's location
    // counter does that), or starts at kRamStart when nothing is placed.
    const bool textAddressed = programStart || byAddress.isEmpty();
    s += "  .text " + (textAddressed ? hex(programAt) + " " : QByteArray()) +
         ": { *(.text) ___startof.rodata = .; *(.rodata) *(.rodata.*) *(.strings)\n"
         "          ___endof.rodata = .; . = ALIGN(2); " +
         sectionEndSymbol(".text") + " = .; }\n";
    script.sections += QList<QByteArray>{".text", ".data"};
    if (script.programInRam) {
        // The loader writes the whole image, so zeroed bss travels in it and needs no
        // clearing code in the few bytes the reset module has. Without initialised data ld
        // stores no bytes for this section; c38h writes its zeros all the same.
        s += "  .data : { ___data_start = .; *(.data) . = ALIGN(2); ___data_end = .;\n"
             "           ___bss_start = .; *(.bss) *(COMMON) . = ALIGN(2); ___bss_end = .;\n"
             "           " +
             sectionEndSymbol(".data") +
             " = .; }\n"
             "  ___data_load = ___data_start;\n";
    } else {
        script.sections << ".bss";
        s += "  ___data_load = .;\n"
             "  .data " +
             hex(dataStart.value_or(kRamStart)) +
             " : AT(___data_load) { ___data_start = .; *(.data) . = ALIGN(2); "
             "___data_end = .; " +
             sectionEndSymbol(".data") +
             " = .; }\n"
             "  .bss (NOLOAD) : { ___bss_start = .; *(.bss) *(COMMON) . = ALIGN(2); "
             "___bss_end = .; " +
             sectionEndSymbol(".bss") + " = .; }\n";
    }
    // ld defines a PROVIDEd name only where it is referenced and nowhere defined: a handler
    // takes its vector by its name alone, and the reset module stays the same for every
    // program of a workspace. ld evaluates the value even when the name is not wanted, so a
    // link without the ROM reset module must not need _unexpected.
    // What the classic syntax's STARTOF and SIZEOF name.
    auto bounds = [&s](const QByteArray &name, const QByteArray &start, const QByteArray &end) {
        s += "  ___startof" + name + " = " + start + ";\n  ___sizeof" + name + " = " + end + " - " +
             start + ";\n";
    };
    for (auto it = byAddress.cbegin(); it != byAddress.cend(); ++it)
        for (const QByteArray &name : it.value())
            bounds(name, "ADDR(" + it.value().first() + ")", sectionEndSymbol(it.value().first()));
    bounds(".text", "ADDR(.text)", "___startof.rodata"); // code, without the constants
    s += "  ___sizeof.rodata = ___endof.rodata - ___startof.rodata;\n";
    bounds(".data", "___data_start", "___data_end");
    bounds(".bss", "___bss_start", "___bss_end");
    for (int vector = 1; vector < kVectorCount; ++vector)
        s += "  PROVIDE(_" + vectorName(vector) + " = DEFINED(_unexpected) ? _unexpected : 0);\n";
    s += "  ASSERT(. <= " + hex(kRamEnd) +
         ", \"the program's data does not fit in RAM (it must end by " +
         QByteArray::number(kRamEnd - 1, 16).toUpper() + ")\")\n}\n";
    return script;
}

} // namespace vesk::toolchain
