#include "support/printers.h"
#include "ui/skin/icon16.h"

#include <QFile>
#include <QImage>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QByteArray Resource(const char* path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct BitmapCase
{
    const char* path;
    int width;
    int height;
    int bitsPerPixel;
};

TEST(Pictures, ButtonGlyphsAreTransparentAroundTheirShape)
{
    const struct
    {
        const char* path;
        QSize size;
    } cases[] = {{":/pictures/start.png", {32, 32}}, {":/pictures/help.png", {24, 24}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const QImage glyph(QString::fromLatin1(c.path));
        ASSERT_EQ(glyph.size(), c.size);
        EXPECT_TRUE(glyph.hasAlphaChannel());
        // The corners are see-through, the middle is drawn.
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(c.size.width() - 1, 0), QPoint(0, c.size.height() - 1)})
            EXPECT_EQ(qAlpha(glyph.pixel(corner)), 0) << corner.x() << "," << corner.y();
        EXPECT_EQ(qAlpha(glyph.pixel(c.size.width() / 2, c.size.height() / 2)), 255);
    }
}

TEST(Pictures, BitmapsHaveTheirSizesAndDepths)
{
    const BitmapCase cases[] = {
        {":/pictures/banner.bmp", 314, 54, 24},
    };
    for (const BitmapCase& c : cases) {
        SCOPED_TRACE(c.path);
        const QByteArray bytes = Resource(c.path);
        ASSERT_GT(bytes.size(), 54);
        EXPECT_EQ(bytes.left(2), QByteArray("BM"));
        const auto* header = reinterpret_cast<const uchar*>(bytes.constData());
        EXPECT_EQ(qFromLittleEndian<qint32>(header + 18), c.width);
        EXPECT_EQ(qAbs(qFromLittleEndian<qint32>(header + 22)), c.height);
        EXPECT_EQ(qFromLittleEndian<quint16>(header + 28), c.bitsPerPixel);
        EXPECT_EQ(qFromLittleEndian<quint32>(header + 30), 0u) << "uncompressed";
        EXPECT_EQ(QImage::fromData(bytes).size(), QSize(c.width, c.height));
    }
}

TEST(Pictures, IconIsOne48By48ImageIn16BitColour)
{
    const QByteArray bytes = Resource(":/pictures/clipvane.ico");
    ASSERT_GT(bytes.size(), 22);
    const auto* header = reinterpret_cast<const uchar*>(bytes.constData());
    EXPECT_EQ(qFromLittleEndian<quint16>(header + 2), 1u) << "an icon file";
    EXPECT_EQ(qFromLittleEndian<quint16>(header + 4), 1u) << "one image";
    EXPECT_EQ(header[6], 48);
    EXPECT_EQ(header[7], 48);
    EXPECT_EQ(qFromLittleEndian<quint16>(header + 12), 16u);

    const QImage image = clipvane::DecodeIcon(bytes);
    ASSERT_EQ(image.size(), QSize(48, 48));
    // The picture is drawn on a see-through ground and is opaque in the middle.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(24, 24)), 255);
    EXPECT_NE(image.pixel(24, 24), image.pixel(24, 2))
        << "the icon should show a picture, not a flat square";

    EXPECT_TRUE(clipvane::DecodeIcon(bytes.left(60)).isNull())
        << "a cut-off file must not be read past its end";
    EXPECT_TRUE(clipvane::DecodeIcon(QByteArray("not an icon at all, not at all")).isNull());
}

TEST(Pictures, BannerCornerIsTheSeeThroughColour)
{
    const QImage banner(QStringLiteral(":/pictures/banner.bmp"));
    ASSERT_FALSE(banner.isNull());
    const QRgb key = banner.pixel(0, banner.height() - 1);
    int keyed = 0;
    for (int x = 0; x < banner.width(); ++x)
        keyed += banner.pixel(x, 0) == key;
    EXPECT_GT(keyed, banner.width() / 2) << "the background around the logo should be see-through";
}

} // namespace
