#include "board/framereport.h"

#include <QStringList>

#include <array>

namespace vesk::board {

quint32 crc32(const QByteArray &bytes)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char b : bytes)
        crc = table[(crc ^ quint8(b)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

QString describeFrame(int number, const FrameReceiver::Frame &frame)
{
    QString line = QString("frame %1: %2 bytes, crc32 %3, ")
                       .arg(number)
                       .arg(frame.image.size())
                       .arg(crc32(frame.image), 8, 16, QChar('0'));
    if (frame.wellFormed())
        return line + "well formed";
    QStringList faults;
    if (frame.leadZeros < kFrameLeadZeros)
        faults
            << QString("%1 leading zeros, %2 expected").arg(frame.leadZeros).arg(kFrameLeadZeros);
    if (frame.strayBytes > 0)
        faults << QString("%1 stray bytes before the start mark").arg(frame.strayBytes);
    if (frame.oddLength())
        faults << QString("odd length %1").arg(frame.length);
    if (frame.trailNonZero > 0)
        faults << QString("%1 non-zero trailing bytes").arg(frame.trailNonZero);
    if (frame.cutOff) {
        if (frame.length < 0)
            faults << "cut off before the length";
        else if (frame.image.size() < frame.length)
            faults << QString("cut off after %1 of %2 image bytes")
                          .arg(frame.image.size())
                          .arg(frame.length);
        else
            faults << QString("cut off after %1 of %2 trailing bytes")
                          .arg(frame.trailSeen)
                          .arg(kFrameTrailZeros);
    }
    return line + "malformed (" + faults.join("; ") + ")";
}

} // namespace vesk::board
