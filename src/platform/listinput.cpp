#include "platform/listinput.h"

#include <QStringDecoder>

namespace vesk {

void ListReader::skipDelimiter()
{
    if (atEnd())
        return;
    const QChar c = m_text.at(m_pos);
    if (c == u',') {
        ++m_pos;
    } else if (c == u'\r') {
        ++m_pos;
        if (!atEnd() && m_text.at(m_pos) == u'\n')
            ++m_pos;
    } else if (c == u'\n') {
        ++m_pos;
    }
}

static bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

qsizetype ListReader::lineEnd(qsizetype from) const
{
    while (from < m_text.size() && !isLineEnd(m_text.at(from)))
        ++from;
    return from;
}

// Whether only blanks stand between `pos` and the item's end.
bool ListReader::endsItem(qsizetype pos) const
{
    while (pos < m_text.size() && (m_text.at(pos) == u' ' || m_text.at(pos) == u'\t'))
        ++pos;
    return pos >= m_text.size() || m_text.at(pos) == u',' || isLineEnd(m_text.at(pos));
}

// From just after the opening quote.
QString ListReader::quotedItem()
{
    const qsizetype start = m_pos;
    QString item;
    qsizetype close = -1;
    for (qsizetype pos = start;;) {
        close = m_text.indexOf(u'"', pos);
        if (close < 0) {
            item += m_text.mid(pos);
            m_pos = m_text.size();
            break;
        }
        item += m_text.mid(pos, close - pos);
        m_pos = close + 1;
        if (!m_doubledQuotes || atEnd() || m_text.at(m_pos) != u'"')
            break;
        item += u'"';
        pos = m_pos + 1;
    }
    if (m_lineBoundQuotes) {
        const qsizetype end = lineEnd(start);
        if (close < 0 || (close > end && !endsItem(m_pos))) {
            m_pos = end;
            return m_text.mid(start, end - start);
        }
    }
    // Whatever stands between the closing quote and the delimiter is dropped.
    while (!atEnd() && m_text.at(m_pos) != u',' && !isLineEnd(m_text.at(m_pos)))
        ++m_pos;
    return item;
}

QString ListReader::next()
{
    while (!atEnd() && (m_text.at(m_pos) == u' ' || m_text.at(m_pos) == u'\t'))
        ++m_pos;
    QString item;
    if (!atEnd() && m_text.at(m_pos) == u'"') {
        ++m_pos;
        item = quotedItem();
    } else {
        const qsizetype start = m_pos;
        while (!atEnd() && m_text.at(m_pos) != u',' && !isLineEnd(m_text.at(m_pos)))
            ++m_pos;
        item = m_text.mid(start, m_pos - start);
    }
    skipDelimiter();
    return item;
}

QString decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder sjis("Shift_JIS");
    if (sjis.isValid())
        return sjis.decode(bytes);
    return QString::fromLatin1(bytes);
}

} // namespace vesk
