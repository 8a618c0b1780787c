#pragma once

#include <QByteArray>
#include <QString>

namespace vesk::test {

// A pseudo-terminal pair: the port under test opens `path`, the test plays the board on the
// master side.
class Pty
{
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    QString path() const { return m_path; }
    int slave() const { return m_slave; }
    // Everything the port has sent so far.
    QByteArray drain();
    // Reads until `size` bytes have come or the line stays quiet for `quietMs`.
    QByteArray readUpTo(qsizetype size, int quietMs = 2000);
    void write(const QByteArray &bytes);
    // The board goes away: the terminal hangs up as an unplugged adapter does.
    void close();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

} // namespace vesk::test
