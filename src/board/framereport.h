#pragma once

#include "serial/framereceiver.h"

#include <QByteArray>
#include <QString>

namespace vesk::board {

// CRC-32 as zlib and IEEE 802.3 compute it (reflected polynomial EDB88320), so `crc32` from
// other tools gives the same value for a kept image.
quint32 crc32(const QByteArray &bytes);

// The board's line for its `number`th frame: "frame 1: 604 bytes, crc32 86522633, well formed",
// or "malformed (...)" and why.
QString describeFrame(int number, const FrameReceiver::Frame &frame);

} // namespace vesk::board
