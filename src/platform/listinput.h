#pragma once

#include <QString>

namespace vesk {

// Reads a text item by item as sequential list input does: an item ends at a comma or at
// the end of a line (CR LF, LF or CR); leading blanks and tabs are skipped; an item that
// begins with a double quote runs to the next double quote and is taken without its quotes
// (what follows the closing quote up to the next comma or line end is dropped).
class ListReader
{
public:
    explicit ListReader(QString text) : m_text(std::move(text)) {}
    // With this set, two double quotes inside a quoted item stand for one (the settings file
    // writes a directory that begins with a quote that way).
    void setDoubledQuotes(bool on) { m_doubledQuotes = on; }
    bool atEnd() const { return m_pos >= m_text.size(); }
    QString next();

private:
    void skipDelimiter();
    QString m_text;
    qsizetype m_pos = 0;
    bool m_doubledQuotes = false;
};

// Text files are UTF-8; one that is not valid UTF-8 is decoded as Shift_JIS (the compilers
// and editors of such boards often write it).
QString decodeText(const QByteArray &bytes);

} // namespace vesk
