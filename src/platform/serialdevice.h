#pragma once

#include "platform/error.h"

#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace vesk {

// Where the board's port is looked for when COM1 names nothing: a USB adapter first, then a
// USB modem-class board, then the machine's own first port.
QStringList defaultSerialDevices();

// The host path the serial port opens for `name`, as QSerialPort reads it: a path from the root
// or from the current folder ("./", "../") as given, made absolute; any other name, such as
// "ttyUSB0", under /dev/. Empty for an empty name.
QString serialDevicePath(const QString &name);

// The host device that `com1` stands for now, a path as serialDevicePath() gives it. A link (such
// as the drive map's "com1" entry) is followed, and read again at every call since a virtual board
// may come and go. With `fallback`, an empty or absent `com1` stands for the first of `candidates`
// that exists; without it, only an empty one does. Empty when there is no device.
QString locateSerialDevice(const QString &com1, bool fallback,
                           const QStringList &candidates = defaultSerialDevices());

// What the user is told when `device` would not open, with the fix: no device at all (empty
// `device`), a missing device, no permission, a port held by another program, not a tty.
// `error` and `reason` are the port's own report.
Error serialOpenError(const QString &device, QSerialPort::SerialPortError error,
                      const QString &reason);

// Bytes waiting in the tty's output queue of the open descriptor `handle`; 0 when unknown.
qint64 ttyOutputQueue(qintptr handle);

} // namespace vesk
