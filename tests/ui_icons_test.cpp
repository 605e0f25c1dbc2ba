// The line icons: drawn in the colour, size and scale asked for, and drawn
// once for each such look however often a button paints.
#include "ui/widgets/icons.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(Icons, EachLookIsDrawnOnceAndAnotherLookIsDrawnAnew)
{
    const QPixmap red = pq::RenderIcon(QStringLiteral("crop"), Qt::red, 20, 2.0);
    ASSERT_FALSE(red.isNull());
    EXPECT_EQ(red.size(), QSize(40, 40));
    EXPECT_DOUBLE_EQ(red.devicePixelRatio(), 2.0);
    EXPECT_EQ(pq::RenderIcon(QStringLiteral("crop"), Qt::red, 20, 2.0).cacheKey(), red.cacheKey());

    struct Other {
        const char* name;
        QColor color;
        int size;
        double ratio;
        double stroke;
    };
    for (const Other& other : {Other{"crop", Qt::blue, 20, 2.0, 1.8}, Other{"crop", Qt::red, 21, 2.0, 1.8},
                               Other{"crop", Qt::red, 20, 1.0, 1.8}, Other{"crop", Qt::red, 20, 2.0, 2.0},
                               Other{"resize", Qt::red, 20, 2.0, 1.8}}) {
        const QPixmap drawn = pq::RenderIcon(QString::fromLatin1(other.name), other.color, other.size, other.ratio,
                                             other.stroke);
        EXPECT_NE(drawn.cacheKey(), red.cacheKey()) << other.name << " " << other.size;
        EXPECT_NE(drawn.toImage(), red.toImage()) << other.name << " " << other.size;
    }
    // The stroke is drawn in the colour asked for.
    const QImage blue = pq::RenderIcon(QStringLiteral("winmin"), Qt::blue, 24).toImage();
    EXPECT_EQ(blue.pixelColor(12, 12).blue(), 255);
    EXPECT_EQ(blue.pixelColor(12, 12).red(), 0);
    EXPECT_TRUE(pq::RenderIcon(QStringLiteral("no such icon"), Qt::red, 20).isNull());
    EXPECT_TRUE(pq::RenderIcon(QStringLiteral("crop"), Qt::red, 0).isNull());
}

} // namespace
