#include "ui/skin/icon16.h"

#include <QtEndian>

namespace clipvane {

namespace {

template <class T> T at(const QByteArray& bytes, qsizetype offset)
{
    return qFromLittleEndian<T>(reinterpret_cast<const uchar*>(bytes.constData()) + offset);
}

} // namespace

QImage DecodeIcon(const QByteArray& bytes)
{
    constexpr qsizetype kDirectory = 6;
    constexpr qsizetype kEntry = 16;
    constexpr qsizetype kInfoHeader = 40;
    if (bytes.size() < kDirectory + kEntry || at<quint16>(bytes, 0) != 0 ||
        at<quint16>(bytes, 2) != 1 || at<quint16>(bytes, 4) < 1)
        return {};

    const auto offset = static_cast<qsizetype>(at<quint32>(bytes, kDirectory + 12));
    if (offset < 0 || offset > bytes.size() - kInfoHeader)
        return {};
    const auto width = at<qint32>(bytes, offset + 4);
    const auto doubledHeight = at<qint32>(bytes, offset + 8);
    const auto bits = at<quint16>(bytes, offset + 14);
    const auto compression = at<quint32>(bytes, offset + 16);
    if (bits != 16 || compression != 0)
        return QImage::fromData(bytes, "ICO");
    const qint32 height = doubledHeight / 2;
    if (width <= 0 || width > 256 || height <= 0 || height > 256)
        return {};

    const qsizetype colourStride = (qsizetype{width} * 2 + 3) / 4 * 4;
    const qsizetype maskStride = (qsizetype{width} + 31) / 32 * 4;
    const qsizetype colours = offset + at<quint32>(bytes, offset);
    const qsizetype mask = colours + colourStride * height;
    if (colours < offset || mask + maskStride * height > bytes.size())
        return {};

    QImage image(width, height, QImage::Format_ARGB32);
    for (qint32 row = 0; row < height; ++row) {
        const qint32 y = height - 1 - row; // stored bottom-up
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (qint32 x = 0; x < width; ++x) {
            const quint16 pixel =
                at<quint16>(bytes, colours + row * colourStride + qsizetype{x} * 2);
            const auto maskByte = static_cast<uchar>(bytes.at(mask + row * maskStride + x / 8));
            const bool seeThrough = maskByte & (0x80 >> (x % 8));
            const int r = (pixel >> 10) & 0x1F;
            const int g = (pixel >> 5) & 0x1F;
            const int b = pixel & 0x1F;
            line[x] = qRgba((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2),
                            seeThrough ? 0 : 255);
        }
    }
    return image;
}

} // namespace clipvane
