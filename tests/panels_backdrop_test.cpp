// The overlay's backdrop: a blurred, darkened picture of the window with
// rounded, anti-aliased corners.
#include "panels/backdrop.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

namespace {

QImage WhiteGrab(QSize client, double scale)
{
    QImage grab(client * scale, QImage::Format_ARGB32_Premultiplied);
    grab.fill(Qt::white);
    grab.setDevicePixelRatio(scale);
    return grab;
}

TEST(Backdrop, UniformWhiteIsDarkenedAndCutToRoundCornersAtEveryScale)
{
    const QSize client(320, 200);
    for (double scale : {1.0, 2.0}) {
        const QImage backdrop = pq::MakeBackdrop(WhiteGrab(client, scale), scale);
        ASSERT_EQ(backdrop.size(), client * scale) << scale;
        EXPECT_EQ(backdrop.devicePixelRatio(), scale);
        const QPoint centre(backdrop.width() / 2, backdrop.height() / 2);
        EXPECT_EQ(backdrop.pixel(centre), qRgba(155, 155, 155, 255)) << scale;
        EXPECT_EQ(qAlpha(backdrop.pixel(0, 0)), 0) << "outside the corner at " << scale;
        EXPECT_EQ(qAlpha(backdrop.pixel(backdrop.width() - 1, backdrop.height() - 1)), 0) << scale;
        // Along the edges between the corners the picture reaches the border.
        EXPECT_EQ(backdrop.pixel(backdrop.width() / 2, 0), qRgba(155, 155, 155, 255)) << scale;
        EXPECT_EQ(backdrop.pixel(0, backdrop.height() / 2), qRgba(155, 155, 155, 255)) << scale;
    }
}

TEST(Backdrop, CornersAreAntiAliasedAndScaleWithTheDisplay)
{
    const auto partlyCovered = [](const QImage& image, int reach) {
        int partial = 0;
        for (int y = 0; y < reach; ++y)
            for (int x = 0; x < reach; ++x) {
                const int a = qAlpha(image.pixel(x, y));
                partial += a > 0 && a < 255;
            }
        return partial;
    };
    const QImage one = pq::MakeBackdrop(WhiteGrab(QSize(100, 80), 1.0), 1.0);
    EXPECT_GT(partlyCovered(one, 15), 3) << "a clip would leave only 0 and 255";
    // The radius is 15 at scale 1 and 30 device pixels at scale 2.
    EXPECT_EQ(qAlpha(one.pixel(15, 15)), 255);
    EXPECT_EQ(qAlpha(one.pixel(3, 3)), 0);
    const QImage two = pq::MakeBackdrop(WhiteGrab(QSize(100, 80), 2.0), 2.0);
    EXPECT_EQ(qAlpha(two.pixel(6, 6)), 0);
    EXPECT_EQ(qAlpha(two.pixel(30, 30)), 255);
}

TEST(Backdrop, ThePictureIsBlurredWithItsEdgesClamped)
{
    // Left half black, right half white: the step becomes a ramp, and the
    // far edges keep their own colours (no dark seam from outside).
    QImage grab(200, 100, QImage::Format_ARGB32_Premultiplied);
    grab.fill(Qt::black);
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            grab.setPixel(x, y, qRgb(255, 255, 255));
    const QImage backdrop = pq::MakeBackdrop(grab, 1.0);
    const int atStep = qRed(backdrop.pixel(100, 50));
    EXPECT_GT(atStep, 40);
    EXPECT_LT(atStep, 120);
    EXPECT_LT(qRed(backdrop.pixel(90, 50)), atStep);
    EXPECT_GT(qRed(backdrop.pixel(110, 50)), atStep);
    EXPECT_EQ(backdrop.pixel(199, 50), qRgba(155, 155, 155, 255)) << "clamped edge";
    EXPECT_TRUE(pq::MakeBackdrop(QImage(), 1.0).isNull());
}

TEST(Backdrop, TheCacheMakesItAgainOnlyForAnotherPictureSizeOrScale)
{
    pq::BackdropCache cache;
    const QImage grab = WhiteGrab(QSize(60, 40), 1.0);
    const QImage first = cache.backdropOf(grab, 1.0);
    EXPECT_EQ(first, pq::MakeBackdrop(grab, 1.0));
    EXPECT_EQ(cache.backdropOf(grab.copy(), 1.0).cacheKey(), first.cacheKey()) << "same pixels";

    QImage changed = grab.copy();
    changed.setPixel(59, 39, qRgb(0, 0, 0));
    const QImage second = cache.backdropOf(changed, 1.0);
    EXPECT_NE(second.cacheKey(), first.cacheKey());
    EXPECT_EQ(second, pq::MakeBackdrop(changed, 1.0));

    EXPECT_EQ(cache.backdropOf(WhiteGrab(QSize(61, 40), 1.0), 1.0).size(), QSize(61, 40));
    const QImage twice = cache.backdropOf(WhiteGrab(QSize(61, 40), 1.0), 2.0);
    EXPECT_DOUBLE_EQ(twice.devicePixelRatio(), 2.0);
    cache.clear();
    EXPECT_NE(cache.backdropOf(WhiteGrab(QSize(61, 40), 1.0), 2.0).cacheKey(), twice.cacheKey());
    EXPECT_TRUE(cache.backdropOf(QImage(), 1.0).isNull());
}

} // namespace
