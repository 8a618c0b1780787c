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
    // With this set (the settings file, which a user may edit by hand), a quoted item whose
    // closing quote is not on its own line ends at the end of that line, as an unquoted item
    // does, so that one stray quote cannot swallow the lines after it. An item quoted across
    // lines (a directory with a line break) is still read whole when its closing quote is
    // there: the next quote, followed by nothing but blanks up to a comma, a line end or the
    // end of the text.
    void setLineBoundQuotes(bool on) { m_lineBoundQuotes = on; }
    bool atEnd() const { return m_pos >= m_text.size(); }
    QString next();

private:
    void skipDelimiter();
    QString quotedItem();
    bool endsItem(qsizetype pos) const;
    qsizetype lineEnd(qsizetype from) const;
    QString m_text;
    qsizetype m_pos = 0;
    bool m_doubledQuotes = false;
    bool m_lineBoundQuotes = false;
};

// Text files are UTF-8; one that is not valid UTF-8 is decoded as Shift_JIS (the compilers
// and editors of such boards often write it).
QString decodeText(const QByteArray &bytes);

} // namespace vesk
