// The gallery magnifier's lens: the remap, the window on the image, small
// images, the empty lens of each theme, placement and a fixed clock.
#include "image_compare.h"
#include "workspace/magnifier_lens.h"

#include <gtest/gtest.h>

namespace {

using testimg::Premul;

TEST(MagnifierLens, RemapMagnifiesTheCentreAndLeavesTheCorners)
{
    const int n = 440;
    EXPECT_EQ(pq::LensSample(220, 220, n, n), QPoint(220, 220));
    EXPECT_EQ(pq::LensSample(0, 0, n, n), QPoint(0, 0)) << "corners: k = 1";
    // (j / 440 - 0.5) = -0.25 on the centre row: r2 = 0.0625, k = 0.78125,
    // x = (-0.25 * 0.78125 + 0.5) * 440 = 134.0625 -> 134.
    EXPECT_EQ(pq::LensSample(110, 220, n, n), QPoint(134, 220));
    // Near the centre, one step out reads 0.75 of a step.
    EXPECT_EQ(pq::LensSample(224, 220, n, n), QPoint(223, 220));
    // Never outside the window.
    const QPoint last = pq::LensSample(n - 1, n - 1, n, n);
    EXPECT_EQ(last, QPoint(n - 1, n - 1));
    // A 4-wide window: column 1 reads (-0.25 * 0.78125 + 0.5) * 4 = 1.21875 -> 1.
    EXPECT_EQ(pq::LensSample(1, 2, 4, 4), QPoint(1, 2));
}

TEST(MagnifierLens, WindowIsClampedToTheImage)
{
    const QSizeF window(440, 440);
    EXPECT_EQ(pq::LensWindowOrigin(QSize(2000, 1000), QPointF(0, 0), window), QPointF(0, 0));
    EXPECT_EQ(pq::LensWindowOrigin(QSize(2000, 1000), QPointF(1, 1), window), QPointF(1560, 560));
    EXPECT_EQ(pq::LensWindowOrigin(QSize(2000, 1000), QPointF(0.5, 0.5), window), QPointF(780, 280));
}

TEST(MagnifierLens, TopLeftSpotShowsTheImagesTopLeft)
{
    // Left half red, right half blue at x >= 440: the window at the top
    // left shows no blue at the centre.
    const gfx::Image image = testimg::MakeImage(1000, 800, [](int x, int y) {
        return x < 440 && y < 440 ? Premul(255, 0, 0) : Premul(0, 0, 255);
    });
    const QImage lens = pq::RenderMagnifier(image, QPointF(0, 0), {});
    ASSERT_EQ(lens.size(), QSize(440, 440));
    const QRgb centre = lens.pixel(220, 220);
    EXPECT_GT(qRed(centre), 200);
    EXPECT_LT(qBlue(centre), 60);
    const QImage far = pq::RenderMagnifier(image, QPointF(1, 1), {});
    EXPECT_GT(qBlue(far.pixel(220, 220)), 200);
}

TEST(MagnifierLens, SmallImageIsStretchedWholeWithoutEffects)
{
    const gfx::Image image = testimg::MakeImage(100, 50, [](int x, int) {
        return x < 50 ? Premul(255, 0, 0) : Premul(0, 255, 0);
    });
    const QImage lens = pq::RenderMagnifier(image, QPointF(0.9, 0.9), {});
    // No shading or highlights: plain colours at both halves' middles.
    EXPECT_EQ(lens.pixel(110, 220), qRgb(255, 0, 0));
    EXPECT_EQ(lens.pixel(330, 220), qRgb(0, 255, 0));
    EXPECT_EQ(qAlpha(lens.pixel(2, 2)), 0) << "outside the circle";
}

TEST(MagnifierLens, NoImageDrawsTheThemesBackgroundCircle)
{
    pq::LensLook light;
    const QImage a = pq::RenderMagnifier({}, QPointF(0.5, 0.5), light);
    EXPECT_EQ(a.pixel(220, 220), QColor::fromRgba(0xFFE8ECF2).rgba());
    pq::LensLook dark;
    dark.darkTheme = true;
    const QImage b = pq::RenderMagnifier({}, QPointF(0.5, 0.5), dark);
    EXPECT_EQ(b.pixel(220, 220), QColor::fromRgba(0xFF111827).rgba());
    EXPECT_EQ(qAlpha(b.pixel(0, 0)), 0);
}

TEST(MagnifierLens, FixedClockGivesIdenticalRendersAndTheDriftMoves)
{
    const gfx::Image image = testimg::MakeNoise(600, 500, 7);
    pq::LensLook look;
    look.seconds = 12.5;
    const QImage a = pq::RenderMagnifier(image, QPointF(0.3, 0.6), look);
    const QImage b = pq::RenderMagnifier(image, QPointF(0.3, 0.6), look);
    EXPECT_EQ(a, b);
    look.seconds = 14.0;
    EXPECT_NE(pq::RenderMagnifier(image, QPointF(0.3, 0.6), look), a) << "the highlights drift";
}

TEST(MagnifierPlacement, AboveBelowAndClamped)
{
    const QSize popup(440, 440);
    // Room above: centred over the tile, 10 above it.
    EXPECT_EQ(pq::PlaceMagnifier(QRect(600, 700, 102, 102), popup, 1920), QPoint(431, 250));
    // Near the top: below the tile.
    EXPECT_EQ(pq::PlaceMagnifier(QRect(600, 100, 102, 102), popup, 1920), QPoint(431, 212));
    // Near the right edge: shifted left to stay inside.
    EXPECT_EQ(pq::PlaceMagnifier(QRect(1850, 700, 102, 102), popup, 1920), QPoint(1480, 250));
    // Near the left edge: at 0.
    EXPECT_EQ(pq::PlaceMagnifier(QRect(10, 700, 102, 102), popup, 1920), QPoint(0, 250));
}

} // namespace
