#include "gfx/resample.h"

#include "image_compare.h"

#include <QTransform>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using gfx::Image;
using gfx::Pixel;
using gfx::Sampling;
using namespace testimg;

namespace {

double MitchellRef(double x)
{
    x = std::fabs(x);
    if (x < 1)
        return (7 * x * x * x - 12 * x * x + 16.0 / 3) / 6;
    if (x < 2)
        return (-7.0 / 3 * x * x * x + 12 * x * x - 20 * x + 32.0 / 3) / 6;
    return 0;
}

// Direct 2D Mitchell resize in double precision: output pixel centres map
// to (i + 0.5) * scale, the filter widens by the scale when shrinking and
// indices clamp to the edges.
Image ReferenceMitchellResize(const Image& src, int width, int height)
{
    const double sx = double(src.width()) / width, sy = double(src.height()) / height;
    const double fx = std::max(1.0, sx), fy = std::max(1.0, sy);
    return MakeImage(width, height, [&](int i, int j) {
        const double cx = (i + 0.5) * sx - 0.5, cy = (j + 0.5) * sy - 0.5;
        double acc[4] = {0, 0, 0, 0}, sum = 0;
        for (int v = int(std::ceil(cy - 2 * fy)); v <= int(std::floor(cy + 2 * fy)); ++v)
            for (int u = int(std::ceil(cx - 2 * fx)); u <= int(std::floor(cx + 2 * fx)); ++u) {
                const double w = MitchellRef((u - cx) / fx) * MitchellRef((v - cy) / fy);
                const Pixel p = src.pixel(std::clamp(u, 0, src.width() - 1), std::clamp(v, 0, src.height() - 1));
                for (int c = 0; c < 4; ++c)
                    acc[c] += w * Channel(p, c);
                sum += w;
            }
        const int a = std::clamp(int(std::nearbyint(acc[3] / sum)), 0, 255);
        Pixel out = Pixel(a) << 24;
        for (int c = 0; c < 3; ++c)
            out |= Pixel(std::clamp(int(std::nearbyint(acc[c] / sum)), 0, a)) << (8 * c);
        return out;
    });
}

// Columns with x % 3 == 0 white: a pattern that aliases when shrunk by 4
// without widening the filter.
Image MakeStripes(int width, int height)
{
    return MakeImage(width, height, [](int x, int) { return x % 3 == 0 ? Premul(255, 255, 255) : Premul(0, 0, 0); });
}

// Spread of the red channel over the interior rectangle.
int RedSpread(const Image& image, const QRect& area)
{
    int lo = 255, hi = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            lo = std::min(lo, Channel(image.pixel(x, y), 2));
            hi = std::max(hi, Channel(image.pixel(x, y), 2));
        }
    return hi - lo;
}

const Sampling kAllSamplings[] = {Sampling::Nearest, Sampling::Linear, Sampling::Mitchell};

} // namespace

TEST(GfxResize, ConstantImageStaysConstant)
{
    for (const Pixel colour : {Premul(200, 120, 40), Premul(90, 200, 10, 140)}) {
        const Image src = MakeSolid(64, 48, colour);
        for (const Sampling s : kAllSamplings)
            for (const QSize size : {QSize(17, 13), QSize(150, 101), QSize(64, 7), QSize(1, 1), QSize(301, 48)}) {
                const Image out = gfx::Resize(src, size.width(), size.height(), s);
                EXPECT_TRUE(ImagesNear(MakeSolid(size.width(), size.height(), colour), out))
                    << "sampling " << int(s) << " to " << size.width() << "x" << size.height();
            }
    }
}

TEST(GfxResize, MitchellMatchesDirectReference)
{
    const Image src = MakeNoise(23, 17, 7, false);
    for (const QSize size : {QSize(50, 41), QSize(9, 7), QSize(40, 11)})
        EXPECT_TRUE(ImagesNear(ReferenceMitchellResize(src, size.width(), size.height()),
                               gfx::Resize(src, size.width(), size.height(), Sampling::Mitchell), 1))
            << size.width() << "x" << size.height();
}

TEST(GfxResize, ResultsAreValidPremultiplied)
{
    // Sharp translucent edges make the cubic's negative lobes overshoot.
    const Image src = MakeCheckerboard(40, 30, 3, Premul(255, 0, 0, 40), Premul(0, 255, 255, 255));
    for (const Sampling s : kAllSamplings) {
        EXPECT_TRUE(IsValidPremultiplied(gfx::Resize(src, 97, 61, s)));
        EXPECT_TRUE(IsValidPremultiplied(gfx::Resize(src, 13, 9, s)));
    }
}

TEST(GfxResize, SameSizeIsExactCopyAndNearestDuplicates)
{
    const Image src = MakeNoise(31, 19, 3, false);
    const Image same = gfx::Resize(src, 31, 19, Sampling::Mitchell);
    EXPECT_TRUE(ImagesNear(src, same));
    EXPECT_FALSE(same.sameAs(src));

    const Image doubled = gfx::Resize(src, 62, 38, Sampling::Nearest);
    EXPECT_TRUE(ImagesNear(MakeImage(62, 38, [&](int x, int y) { return src.pixel(x / 2, y / 2); }), doubled));
}

TEST(GfxResize, LinearUpscaleInterpolatesBetweenCentres)
{
    // Two pixels, 0 and 200 red, scaled to 8: centres at 0.25-pixel steps.
    const Image src = MakeImage(2, 1, [](int x, int) { return Premul(x * 200, 0, 0); });
    const Image out = gfx::Resize(src, 8, 1, Sampling::Linear);
    // Source positions -0.25..1.25: clamped at both ends, linear between.
    for (int x = 0; x < 8; ++x) {
        const double c = std::clamp((x + 0.5) / 4 - 0.5, 0.0, 1.0);
        EXPECT_NEAR(Channel(out.pixel(x, 0), 2), c * 200, 0.5 + 1e-9) << x;
    }
}

TEST(GfxResize, MitchellDownscaleDoesNotAlias)
{
    const Image src = MakeStripes(240, 24);
    const Image mitchell = gfx::Resize(src, 60, 6, Sampling::Mitchell);
    const Image linear = gfx::Resize(src, 60, 6, Sampling::Linear);
    const QRect interior(3, 1, 54, 4);
    EXPECT_LE(RedSpread(mitchell, interior), 12);
    EXPECT_GE(RedSpread(linear, interior), 60); // plain bilinear shows the beat
}

TEST(GfxResize, RejectsBadInput)
{
    const Image src = MakeSolid(4, 4, Premul(1, 2, 3));
    EXPECT_TRUE(gfx::Resize(Image(), 10, 10).isNull());
    EXPECT_TRUE(gfx::Resize(src, 0, 10).isNull());
    EXPECT_TRUE(gfx::Resize(src, 10, -1).isNull());
    EXPECT_TRUE(gfx::Resize(src, 70000, 2).isNull());
    EXPECT_TRUE(gfx::Resize(src, 40000, 40000).isNull());
}

TEST(GfxTransformImage, IntegerTranslationCopiesPixels)
{
    const Image src = MakeNoise(20, 15, 11, false);
    QPoint origin;
    const Image out = gfx::TransformImage(src, QRectF(src.rect()), QTransform::fromTranslate(7, -3),
                                          Sampling::Mitchell, &origin);
    EXPECT_EQ(origin, QPoint(7, -3));
    EXPECT_TRUE(ImagesNear(src, out));

    // A source rectangle inside the image: only that part, at its new place.
    const Image part = gfx::TransformImage(src, QRectF(4, 5, 10, 6), QTransform::fromTranslate(1, 1),
                                           Sampling::Mitchell, &origin);
    EXPECT_EQ(origin, QPoint(5, 6));
    EXPECT_TRUE(ImagesNear(src.copyRect(QRect(4, 5, 10, 6)), part));
}

TEST(GfxTransformImage, RotatedConstantKeepsItsInterior)
{
    const Pixel colour = Premul(30, 160, 220);
    const Image src = MakeSolid(60, 40, colour);
    QTransform t;
    t.translate(50, 50);
    t.rotate(33);
    t.translate(-30, -20);
    for (const Sampling s : kAllSamplings) {
        QPoint origin;
        const Image out = gfx::TransformImage(src, QRectF(src.rect()), t, s, &origin);
        ASSERT_FALSE(out.isNull());
        EXPECT_TRUE(IsValidPremultiplied(out));
        const QTransform inv = t.inverted();
        int inside = 0, partial = 0;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const QPointF p = inv.map(QPointF(origin.x() + x + 0.5, origin.y() + y + 0.5));
                const Pixel px = out.pixel(x, y);
                if (p.x() > 1 && p.x() < 59 && p.y() > 1 && p.y() < 39) {
                    ++inside;
                    ASSERT_EQ(px, colour) << "at " << x << "," << y << " sampling " << int(s);
                } else if (p.x() < -1 || p.x() > 61 || p.y() < -1 || p.y() > 41) {
                    ASSERT_EQ(px, 0u) << "at " << x << "," << y;
                } else if (Channel(px, 3) > 0 && Channel(px, 3) < 255) {
                    ++partial; // antialiased edge
                }
            }
        EXPECT_GT(inside, 1500);
        EXPECT_GT(partial, 100);
    }
}

TEST(GfxTransformImage, AxisAlignedScaleMatchesResize)
{
    const Image src = MakeNoise(64, 48, 5, false);
    QPoint origin;
    const Image scaled =
        gfx::TransformImage(src, QRectF(src.rect()), QTransform::fromScale(0.25, 0.5), Sampling::Mitchell, &origin);
    EXPECT_TRUE(ImagesNear(gfx::Resize(src, 16, 24, Sampling::Mitchell), scaled));
}

TEST(GfxTransformImage, WarpAgreesWithSeparablePath)
{
    // A rotation too small to move anything takes the general warp; it must
    // give what the axis-aligned path gives, wide filter and edges included.
    const Image src = MakeNoise(50, 40, 9, false);
    for (const double scale : {0.3, 0.8, 2.5}) {
        const QTransform plain = QTransform::fromScale(scale, scale) * QTransform::fromTranslate(3.25, 1.5);
        QTransform turned;
        turned.rotate(1e-7);
        turned *= plain;
        ASSERT_EQ(turned.type(), QTransform::TxRotate);
        QPoint o1, o2;
        const Image a = gfx::TransformImage(src, QRectF(src.rect()), plain, Sampling::Mitchell, &o1);
        const Image b = gfx::TransformImage(src, QRectF(src.rect()), turned, Sampling::Mitchell, &o2);
        EXPECT_EQ(o1, o2);
        EXPECT_TRUE(ImagesNear(a, b, 1)) << "scale " << scale;
    }
}

TEST(GfxTransformImage, RotatedShrinkDoesNotAlias)
{
    const Image src = MakeStripes(400, 400);
    QTransform t;
    t.rotate(0.5);
    t.scale(0.25, 0.25);
    QPoint origin;
    const Image out = gfx::TransformImage(src, QRectF(src.rect()), t, Sampling::Mitchell, &origin);
    ASSERT_FALSE(out.isNull());
    EXPECT_LE(RedSpread(out, QRect(10, 10, 70, 70)), 16);
}

TEST(GfxTransformImage, ClipLimitsTheResult)
{
    const Image src = MakeNoise(100, 100, 21);
    const QTransform zoom = QTransform::fromScale(10, 10);
    QPoint fullOrigin, clippedOrigin;
    const Image full = gfx::TransformImage(src, QRectF(src.rect()), zoom, Sampling::Mitchell, &fullOrigin);
    const Image clipped = gfx::TransformImage(src, QRectF(src.rect()), zoom, Sampling::Mitchell, &clippedOrigin,
                                              QRect(300, 400, 50, 60));
    EXPECT_EQ(clippedOrigin, QPoint(300, 400));
    EXPECT_TRUE(ImagesNear(full.copyRect(QRect(300, 400, 50, 60)), clipped));

    // Far too large unclipped, fine when clipped.
    const QTransform huge = QTransform::fromScale(1000, 1000);
    EXPECT_TRUE(gfx::TransformImage(src, QRectF(src.rect()), huge, Sampling::Mitchell, nullptr).isNull());
    EXPECT_EQ(gfx::TransformImage(src, QRectF(src.rect()), huge, Sampling::Mitchell, nullptr, QRect(0, 0, 64, 32))
                  .size(),
              QSize(64, 32));
}

TEST(GfxTransformImage, RejectsBadInput)
{
    const Image src = MakeSolid(10, 10, Premul(9, 9, 9));
    QPoint origin(5, 5);
    QTransform perspective;
    perspective.setMatrix(1, 0, 0.001, 0, 1, 0, 0, 0, 1);
    EXPECT_TRUE(gfx::TransformImage(src, QRectF(src.rect()), perspective, Sampling::Mitchell, &origin).isNull());
    EXPECT_EQ(origin, QPoint());
    EXPECT_TRUE(gfx::TransformImage(src, QRectF(src.rect()), QTransform::fromScale(0, 1), Sampling::Linear, &origin)
                    .isNull());
    EXPECT_TRUE(gfx::TransformImage(src, QRectF(20, 20, 5, 5), QTransform(), Sampling::Linear, &origin).isNull());
    EXPECT_TRUE(gfx::TransformImage(Image(), QRectF(0, 0, 5, 5), QTransform(), Sampling::Linear, &origin).isNull());
    EXPECT_TRUE(gfx::TransformImage(src, QRectF(src.rect()), QTransform::fromTranslate(std::nan(""), 0),
                                    Sampling::Linear, &origin)
                    .isNull());
}

TEST(GfxResample, PooledRunEqualsSerialRun)
{
    const Image src = MakeNoise(301, 203, 4, false);
    QTransform t;
    t.rotate(17);
    t.scale(0.6, 0.7);
    auto run = [&] {
        std::vector<Image> out;
        out.push_back(gfx::Resize(src, 97, 331, Sampling::Mitchell));
        out.push_back(gfx::Resize(src, 120, 80, Sampling::Linear));
        out.push_back(gfx::TransformImage(src, QRectF(src.rect()), t, Sampling::Mitchell, nullptr));
        return out;
    };
    const std::vector<Image> pooled = run();
    const std::vector<Image> serial = RunSerially(run);
    ASSERT_EQ(pooled.size(), serial.size());
    for (size_t i = 0; i < pooled.size(); ++i)
        EXPECT_TRUE(ImagesNear(serial[i], pooled[i])) << i;
}
