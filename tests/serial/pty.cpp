#include "pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace vesk::test {

Pty::Pty()
{
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
        m_path = QString::fromLocal8Bit(name);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
}

Pty::~Pty()
{
    close();
}

QByteArray Pty::drain()
{
    QByteArray out;
    char buf[65536];
    ssize_t n;
    while (m_master >= 0 && (n = ::read(m_master, buf, sizeof buf)) > 0)
        out.append(buf, n);
    return out;
}

QByteArray Pty::readUpTo(qsizetype size, int quietMs)
{
    QByteArray out = drain();
    while (out.size() < size && m_master >= 0) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0)
            break;
        out += drain();
    }
    return out;
}

void Pty::write(const QByteArray &bytes)
{
    if (m_master >= 0)
        (void)!::write(m_master, bytes.constData(), size_t(bytes.size()));
}

void Pty::close()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

} // namespace vesk::test
