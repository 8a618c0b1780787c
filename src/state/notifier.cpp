#include "state/notifier.h"

#include <cstdio>

namespace vesk {

void ConsoleNotifier::message(const QString &text)
{
    ++m_count;
    const QString prefix = m_tool + QStringLiteral(": ");
    QString shown = text;
    shown.replace(u'\n', u'\n' + QString(prefix.size(), u' '));
    // Tools started meanwhile write to the same terminal: keep the order things happened in.
    std::fputs((prefix + shown + u'\n').toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace vesk
