#include "serial/receive.h"

namespace vesk {

void discardInput(MSComm &port)
{
    port.Input();
}

QMetaObject::Connection connectReceive(MSComm &port)
{
    return QObject::connect(&port, &MSComm::OnComm, &port, [&port] { discardInput(port); });
}

} // namespace vesk
