#pragma once

#include "platform/error.h"

#include <QByteArray>
#include <QString>

namespace vesk {

// The frame the board's loader waits for: a run of zero bytes, the start mark FF, the image
// length big-endian (image bytes only), the image, and a few zero bytes.
inline constexpr int kFrameLeadZeros = 21;
inline constexpr char kFrameStartMark = char(0xFF);
inline constexpr int kFrameTrailZeros = 7;
inline constexpr int kFrameOverhead = kFrameLeadZeros + 3 + kFrameTrailZeros;
// The length field is 16 bits wide.
inline constexpr qsizetype kMaxImageSize = 0xFFFF;

// The whole frame, image length + 31 bytes. The caller checks the length against
// kMaxImageSize; a longer image would have its length field wrap.
QByteArray makeFrame(const QByteArray &image);

// Why the board's loader would not take an image of `size` bytes, or no error: too long for the
// length field, or of an odd length, which the loader refuses. `name` names the image.
Error imageSizeError(qint64 size, const QString &name);

} // namespace vesk
