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

// The notifier of the command-line tools: each message on standard error as
// "TOOL: text", its further lines indented under the first; no beep.
class ConsoleNotifier : public Notifier
{
public:
    explicit ConsoleNotifier(QString tool) : m_tool(std::move(tool)) {}

    void message(const QString &text) override;
    void beep() override {}
    // How many messages have been shown.
    int count() const { return m_count; }

private:
    QString m_tool;
    int m_count = 0;
};

} // namespace vesk
