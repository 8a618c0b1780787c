#pragma once

#include "serial/mscomm.h"

namespace vesk {

// The OnComm handler of MSComm1: empties the receive buffer and keeps nothing. The board's
// replies are not shown anywhere; the log stays as it is.
void discardInput(MSComm &port);

// Connects MSComm1's OnComm to discardInput.
QMetaObject::Connection connectReceive(MSComm &port);

} // namespace vesk
