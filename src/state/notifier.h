#pragma once

#include <QString>

namespace vesk {

// What the user is told: the one funnel for message boxes and the beep. Form1 shows them;
// the command-line tools print them; tests record them.
class Notifier
{
public:
    virtual ~Notifier() = default;

    // A modal message box, caption "Vesk", OK only, no icon; returns when it is closed.
    virtual void message(const QString &text) = 0;
    virtual void beep() = 0;
};

} // namespace vesk
