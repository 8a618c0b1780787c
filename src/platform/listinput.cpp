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

QString ListReader::next()
{
    while (!atEnd() && (m_text.at(m_pos) == u' ' || m_text.at(m_pos) == u'\t'))
        ++m_pos;
    QString item;
    if (!atEnd() && m_text.at(m_pos) == u'"') {
        ++m_pos;
        for (;;) {
            const qsizetype close = m_text.indexOf(u'"', m_pos);
            if (close < 0) {
                item += m_text.mid(m_pos);
                m_pos = m_text.size();
                break;
            }
            item += m_text.mid(m_pos, close - m_pos);
            m_pos = close + 1;
            if (!m_doubledQuotes || atEnd() || m_text.at(m_pos) != u'"')
                break;
            item += u'"';
            ++m_pos;
        }
        // Whatever stands between the closing quote and the delimiter is dropped.
        while (!atEnd() && m_text.at(m_pos) != u',' && !isLineEnd(m_text.at(m_pos)))
            ++m_pos;
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
