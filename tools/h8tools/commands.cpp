#include "commands.h"

#include "toolsupport.h"

#include <QMap>
#include <QRegularExpression>
#include <QtEndian>

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
            if (!address) {
                *error =
                    QStringLiteral("-start takes P(address in hexadecimal), not %1").arg(value);
                return std::nullopt;
            }
            out.programStart = address;
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
    // COFF, big-endian: a 20-byte file header (magic, section count, ..., optional header
    // size at 16), then 40-byte section headers: name (8), physical and virtual address, size,
    // file offset of the bytes, ..., flags at 36.
    constexpr quint16 kH8300hMagic = 0x8301;
    constexpr int kFileHeader = 20, kSectionHeader = 40;
    const auto *bytes = reinterpret_cast<const uchar *>(object.constData());
    if (object.size() < kFileHeader || qFromBigEndian<quint16>(bytes) != kH8300hMagic) {
        *error = QStringLiteral("not an H8/300H object file");
        return std::nullopt;
    }
    const int count = qFromBigEndian<quint16>(bytes + 2);
    const int first = kFileHeader + qFromBigEndian<quint16>(bytes + 16);
    if (object.size() < first + qsizetype(count) * kSectionHeader) {
        *error = QStringLiteral("object file is cut short");
        return std::nullopt;
    }
    QList<CoffSection> sections;
    for (int i = 0; i < count; ++i) {
        const uchar *header = bytes + first + i * kSectionHeader;
        const QByteArray raw(reinterpret_cast<const char *>(header), 8);
        const qsizetype nul = raw.indexOf('\0');
        sections << CoffSection{nul < 0 ? raw : raw.left(nul), qFromBigEndian<quint32>(header + 16),
                                qFromBigEndian<quint32>(header + 36),
                                qFromBigEndian<quint32>(header + 20)};
    }
    return sections;
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
    constexpr quint32 kNoLoad = 0x02, kText = 0x20, kData = 0x40, kBss = 0x80;
    QList<QByteArray> names;
    for (const CoffSection &s : sections) {
        if ((s.flags & (kText | kData)) && !(s.flags & (kBss | kNoLoad)) && s.size > 0 &&
            s.dataOffset == 0)
            names << s.name;
    }
    return names;
}

LinkScript linkerScript(const QList<PlacedSection> &placed, std::optional<quint32> programStart)
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
        s += " . = ALIGN(2); }\n";
    }
    // Without a start address the program follows the last placed section (ld's location
    // counter does that), or starts at kRamStart when nothing is placed.
    const bool textAddressed = programStart || byAddress.isEmpty();
    s += "  .text " + (textAddressed ? hex(programAt) + " " : QByteArray()) +
         ": { *(.text) *(.rodata) *(.rodata.*) *(.strings) . = ALIGN(2); }\n";
    script.sections += QList<QByteArray>{".text", ".data"};
    if (script.programInRam) {
        // The loader writes the whole image, so zeroed bss travels in it and needs no
        // clearing code in the few bytes the reset module has. Without initialised data ld
        // stores no bytes for this section; c38h writes its zeros all the same.
        s += "  .data : { ___data_start = .; *(.data) . = ALIGN(2); ___data_end = .;\n"
             "           ___bss_start = .; *(.bss) *(COMMON) . = ALIGN(2); ___bss_end = .; }\n"
             "  ___data_load = ___data_start;\n";
    } else {
        script.sections << ".bss";
        s += "  ___data_load = .;\n"
             "  .data " +
             hex(kRamStart) +
             " : AT(___data_load) { ___data_start = .; *(.data) . = ALIGN(2); "
             "___data_end = .; }\n"
             "  .bss (NOLOAD) : { ___bss_start = .; *(.bss) *(COMMON) . = ALIGN(2); "
             "___bss_end = .; }\n";
    }
    s += "  ASSERT(. <= " + hex(kRamEnd) +
         ", \"the program's data does not fit in RAM (it must end by " +
         QByteArray::number(kRamEnd - 1, 16).toUpper() + ")\")\n}\n";
    return script;
}

} // namespace vesk::toolchain
