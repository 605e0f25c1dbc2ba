#include "gfx/blend.h"
#include "gfx/canvas.h"
#include "gfx/resample.h"

#include "image_compare.h"

#include <gtest/gtest.h>

#include <cmath>

using gfx::BlendMode;
using gfx::Canvas;
using gfx::Image;
using gfx::Paint;
using gfx::Pixel;
using gfx::Sampling;
using gfx::Surface;
using namespace testimg;

namespace {

double Luminance(Pixel p)
{
    return 0.3 * Channel(p, 2) + 0.59 * Channel(p, 1) + 0.11 * Channel(p, 0);
}

} // namespace

TEST(GfxCanvas, MitchellRotationKeepsConstantInterior)
{
    const Pixel colour = Premul(220, 140, 60);
    const Image image = MakeSolid(120, 80, colour);
    Surface surface = Surface::make(200, 200);
    QTransform placed;
    {
        Canvas canvas(surface);
        canvas.translate(100, 100);
        canvas.rotateDegrees(30);
        canvas.drawImageRect(image, QRectF(-60, -40, 120, 80), Sampling::Mitchell);
        placed = canvas.transform();
    }
    const Image out = surface.snapshot();
    EXPECT_TRUE(IsValidPremultiplied(out));
    const QTransform inv = placed.inverted();
    int interior = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const QPointF p = inv.map(QPointF(x + 0.5, y + 0.5));
            if (std::fabs(p.x()) < 58 && std::fabs(p.y()) < 38) {
                ++interior;
                ASSERT_EQ(out.pixel(x, y), colour) << x << "," << y;
            } else if (std::fabs(p.x()) > 62 || std::fabs(p.y()) > 42) {
                ASSERT_EQ(out.pixel(x, y), 0u) << x << "," << y;
            }
        }
    EXPECT_GT(interior, 7000);
}

TEST(GfxCanvas, ZoomedMitchellDrawIsLimitedToTheSurface)
{
    // 40x zoom of a 1700-pixel-wide image: 68000 device pixels across, more
    // than an image may have; only the visible part is resampled.
    const Pixel colour = Premul(10, 200, 90);
    const Image image = MakeSolid(1700, 2, colour);
    Surface surface = Surface::make(50, 50);
    {
        Canvas canvas(surface);
        canvas.translate(-0.5, 0);
        canvas.scale(40, 20);
        canvas.drawImageRect(image, QRectF(0, 0, 1700, 2), Sampling::Mitchell);
    }
    const Image out = surface.snapshot();
    EXPECT_EQ(out.pixel(25, 20), colour);
    EXPECT_EQ(out.pixel(49, 39), colour);
    EXPECT_EQ(out.pixel(25, 45), 0u);
}

TEST(GfxCanvas, ColorBlendKeepsDestinationLuminance)
{
    const Image greys = MakeImage(64, 64, [](int x, int y) {
        const int v = (x * 4 + y) % 256;
        return Premul(v, v, v);
    });
    Surface surface = Surface::fromImage(greys);
    {
        Canvas canvas(surface);
        const Paint paint = Paint::fill(QColor(0, 0, 0, 255), BlendMode::Color);
        canvas.drawImage(MakeNoise(64, 64, 42), 0, 0, Sampling::Nearest, &paint);
    }
    const Image out = surface.snapshot();
    EXPECT_TRUE(IsValidPremultiplied(out));
    int coloured = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const Pixel p = out.pixel(x, y);
            ASSERT_NEAR(Luminance(p), Luminance(greys.pixel(x, y)), 1.0) << x << "," << y;
            ASSERT_EQ(Channel(p, 3), 255);
            coloured += Channel(p, 0) != Channel(p, 2);
        }
    EXPECT_GT(coloured, 2000); // the hue came from the drawn image
}

TEST(GfxCanvas, TranslucentSrcOverFillIsValidPremultiplied)
{
    Surface surface = Surface::fromImage(MakeNoise(80, 60, 5, false));
    Surface blue = Surface::make(80, 60);
    blue.clear(QColor(0, 0, 255));
    for (Surface* s : {&surface, &blue}) {
        Canvas canvas(*s);
        const Paint paint = Paint::fill(QColor(200, 50, 30, 128));
        canvas.drawCircle(QPointF(40, 30), 22.3, paint);
        canvas.rotateDegrees(10);
        canvas.drawRect(QRectF(5.5, 3.25, 30, 20), paint);
    }
    EXPECT_TRUE(IsValidPremultiplied(surface.snapshot()));
    const Image over = blue.snapshot();
    EXPECT_TRUE(IsValidPremultiplied(over));
    // Centre of the circle: half red-orange over opaque blue.
    const Pixel p = over.pixel(40, 30);
    EXPECT_EQ(Channel(p, 3), 255);
    EXPECT_NEAR(Channel(p, 2), 100, 2);
    EXPECT_NEAR(Channel(p, 1), 25, 2);
    EXPECT_NEAR(Channel(p, 0), 15 + 127, 2);
}

TEST(GfxBlend, MultiplyAndScreenOnKnownValues)
{
    const Pixel dst = Premul(200, 100, 50), src = Premul(128, 255, 0);
    EXPECT_EQ(Hex(gfx::BlendPixel(dst, src, BlendMode::Multiply)), Hex(Premul(100, 100, 0)));
    EXPECT_EQ(Hex(gfx::BlendPixel(dst, src, BlendMode::Screen)), Hex(Premul(228, 255, 50)));

    // Half-transparent red over opaque blue.
    const Pixel red = Premul(255, 0, 0, 128), blueDst = Premul(0, 0, 255);
    EXPECT_EQ(Hex(gfx::BlendPixel(blueDst, red, BlendMode::Multiply)), Hex(Premul(0, 0, 127)));
    EXPECT_EQ(Hex(gfx::BlendPixel(blueDst, red, BlendMode::Screen)), Hex(Premul(128, 0, 255)));

    // Over transparent destinations the source passes unchanged.
    EXPECT_EQ(gfx::BlendPixel(0, red, BlendMode::Multiply), red);
    EXPECT_EQ(gfx::BlendPixel(0, red, BlendMode::Screen), red);
}

TEST(GfxCanvas, OwnSizeAtWholePixelsIsAnExactCopyWhateverTheSampling)
{
    const Image src = MakeNoise(23, 17, 8, false);
    for (const Sampling sampling : {Sampling::Nearest, Sampling::Linear, Sampling::Mitchell}) {
        Surface surface = Surface::make(40, 30);
        {
            Canvas canvas(surface);
            canvas.translate(2, 1); // the device position counts, not the call's
            canvas.drawImageRect(src, QRectF(5, 4, 23, 17), sampling);
        }
        EXPECT_TRUE(ImagesNear(src, surface.snapshot().copyRect(QRect(7, 5, 23, 17))))
            << "sampling " << int(sampling);
        EXPECT_EQ(surface.snapshot().pixel(6, 5), Pixel(0));
    }
    // Half a pixel off is a resampling again.
    Surface shifted = Surface::make(40, 30);
    {
        Canvas canvas(shifted);
        canvas.drawImage(src, 5.5, 4, Sampling::Mitchell);
    }
    EXPECT_FALSE(ImagesNear(src, shifted.snapshot().copyRect(QRect(5, 4, 23, 17))));
    EXPECT_TRUE(gfx::IsExactCopy(QTransform::fromTranslate(-3, 4)));
    EXPECT_FALSE(gfx::IsExactCopy(QTransform::fromScale(1.0001, 1)));
}
