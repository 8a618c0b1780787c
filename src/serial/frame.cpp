#include "serial/frame.h"

namespace vesk {

QByteArray makeFrame(const QByteArray &image)
{
    const qsizetype n = image.size();
    QByteArray frame(kFrameLeadZeros, '\0');
    frame.reserve(n + kFrameOverhead);
    frame.append(kFrameStartMark);
    frame.append(char((n >> 8) & 0xFF));
    frame.append(char(n & 0xFF));
    frame.append(image);
    frame.append(kFrameTrailZeros, '\0');
    return frame;
}

Error imageSizeError(qint64 size, const QString &name)
{
    // The same wording as Transfer's refusal of a long image.
    if (size > kMaxImageSize)
        return makeError(Error::Kind::Refused,
                         QStringLiteral("イメージが大きすぎます（%1 バイト、上限 %2 バイト）。")
                             .arg(size)
                             .arg(kMaxImageSize),
                         name);
    if (size % 2 != 0)
        return makeError(Error::Kind::Refused,
                         QStringLiteral("イメージの長さが奇数です（%1 バイト）。ボードのローダーは"
                                        "偶数バイトのイメージしか受け取りません。")
                             .arg(size),
                         name);
    return {};
}

} // namespace vesk
