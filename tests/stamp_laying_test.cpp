// Laying a stamp over the canvas in one pass must give the bytes of drawing
// it onto a scratch surface and committing that, whichever row loop (plain
// or eight columns at a time) lays a pixel.

#include "effects/shared/brush_stamps.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using gfx::Pixel;

namespace {

// A plane of pseudo-random alpha with ink up to every edge, zeros sprinkled
// in (so bilinear neighbours mix ink and none).
pq::StampCell NoiseCell(int w, int h, uint32_t seed)
{
    platform::Random rng(seed);
    std::vector<uint8_t> alpha(size_t(w) * size_t(h));
    for (uint8_t& a : alpha)
        a = rng.random(4) == 0 ? 0 : uint8_t(rng.random(256));
    alpha.back() = 255; // the plane's last texel, read by the last columns
    return pq::StampCell::fromPlane(w, h, std::move(alpha));
}

// A soft diagonal stroke through the middle of the plane, blank at its rim.
pq::StampCell StrokeCell(int side)
{
    std::vector<uint8_t> alpha(size_t(side) * size_t(side), 0);
    for (int y = side / 5; y < side - side / 5; ++y)
        for (int x = side / 6; x < side - side / 6; ++x) {
            const int off = std::abs((x - y) * 4);
            alpha[size_t(y) * size_t(side) + size_t(x)] = uint8_t(std::max(0, 255 - off));
        }
    return pq::StampCell::fromPlane(side, side, std::move(alpha));
}

Pixel Premul(int r, int g, int b, int a)
{
    return Pixel(a) << 24 | Pixel(r * a / 255) << 16 | Pixel(g * a / 255) << 8 | Pixel(b * a / 255);
}

gfx::Surface VariedCanvas(int w, int h)
{
    gfx::Surface canvas = gfx::Surface::make(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            canvas.row(y)[x] = Premul((x * 7) % 256, (y * 5) % 256, (x * y) % 256, (x + 3 * y) % 5 == 0 ? 60 : 255);
    return canvas;
}

std::vector<Pixel> Pixels(const gfx::Surface& canvas)
{
    std::vector<Pixel> out;
    for (int y = 0; y < canvas.height(); ++y)
        out.insert(out.end(), canvas.row(y), canvas.row(y) + canvas.width());
    return out;
}

// Lays `stamp` both ways on a fresh canvas and tells whether the bytes agree.
::testing::AssertionResult LaysAsDrawnAndCommitted(const pq::Stamp& stamp, int side, const QRect& clip, QPoint at)
{
    pq::StampSurface surface(side);
    gfx::Surface expected = VariedCanvas(173, 131);
    const QRect window = pq::WindowOnCanvas(clip.intersected(surface.rect()), side / 2, at.x(), at.y(),
                                            expected.width(), expected.height());
    pq::DrawStamp(surface, stamp, window);
    pq::CommitStamp(surface, window, expected, at.x(), at.y());
    gfx::Surface got = VariedCanvas(173, 131);
    pq::DrawStampOver(stamp, side, clip, got, at.x(), at.y());
    const std::vector<Pixel> b = Pixels(expected);
    const std::vector<Pixel> laid = Pixels(got);
    for (size_t i = 0; i < b.size(); ++i)
        if (laid[i] != b[i])
            return ::testing::AssertionFailure()
                   << "pixel " << i % 173 << "," << i / 173 << ": " << std::hex << laid[i] << " != " << b[i];
    return ::testing::AssertionSuccess();
}

TEST(StampLaying, RandomBilinearStampsMatchTheTwoStepLaying)
{
    const std::vector<pq::StampCell> cells = {NoiseCell(250, 250, 3), NoiseCell(37, 11, 5), NoiseCell(9, 64, 8),
                                              StrokeCell(120)};
    platform::Random rng(41);
    for (int i = 0; i < 400; ++i) {
        pq::Stamp stamp;
        stamp.cell = &cells[size_t(i) % cells.size()];
        stamp.sampling = i % 5 == 4 ? pq::StampSampling::LinearMipmap : pq::StampSampling::Linear;
        stamp.angle = (rng.randomReal() - 0.5) * 14.0;
        stamp.width = 2.0 + rng.randomReal() * 160.0;
        stamp.height = i % 3 == 0 ? stamp.width : 2.0 + rng.randomReal() * 160.0;
        stamp.opacity = float(0.05 + rng.randomReal());
        const int alpha = i % 4 == 0 ? 255 : 30 + rng.random(226);
        stamp.colour = Premul(rng.random(256), rng.random(256), rng.random(256), alpha);
        stamp.trimToInk = i % 2 == 0;
        const int side = 2 * int(stamp.width + stamp.height) + 9;
        const int reach = rng.random(side / 2 + 2);
        const QRect clip(side / 2 - reach, side / 2 - reach - 1, 2 * reach + 3, 2 * reach + 2);
        const QPoint at(rng.random(220) - 25, rng.random(180) - 25);
        ASSERT_TRUE(LaysAsDrawnAndCommitted(stamp, side, clip, at))
            << "stamp " << i << " angle " << stamp.angle << " size " << stamp.width << "x" << stamp.height;
    }
}

TEST(StampLaying, RightAnglesAndHalfTexelScalesMatchTheTwoStepLaying)
{
    // Exact quarter turns and scales that put samples on texel edges are
    // where rounding and clamping at the plane's border show first.
    const pq::StampCell cell = NoiseCell(64, 64, 12);
    const double quarter = 1.5707963267948966;
    for (double angle : {0.0, quarter, 2.0 * quarter, -quarter, 1e-7})
        for (double size : {8.0, 32.0, 63.5, 64.0, 128.0, 129.0})
            for (QPoint at : {QPoint(80, 60), QPoint(0, 0), QPoint(172, 130), QPoint(-5, 128)}) {
                pq::Stamp stamp;
                stamp.cell = &cell;
                stamp.sampling = pq::StampSampling::Linear;
                stamp.angle = angle;
                stamp.width = stamp.height = size;
                stamp.opacity = 1.0f;
                stamp.colour = 0xFF8040C0u;
                const int side = 2 * int(size) + 11;
                ASSERT_TRUE(LaysAsDrawnAndCommitted(stamp, side, QRect(0, 0, side, side), at))
                    << "angle " << angle << " size " << size << " at " << at.x() << "," << at.y();
            }
}

TEST(StampLaying, InkBlocksTellBlankRectanglesFromInkedOnes)
{
    std::vector<uint8_t> alpha(size_t(70) * 40, 0);
    alpha[size_t(21) * 70 + 50] = 1; // the one inked texel, in block (3, 1)
    const pq::StampCell cell = pq::StampCell::fromPlane(70, 40, std::move(alpha));
    const pq::StampCell::Level& level = cell.level(0);
    EXPECT_TRUE(level.inkIn(0, 0, 69, 39));
    EXPECT_TRUE(level.inkIn(50, 21, 50, 21));
    EXPECT_TRUE(level.inkIn(48, 16, 63, 31));
    EXPECT_FALSE(level.inkIn(0, 0, 47, 39));
    EXPECT_FALSE(level.inkIn(64, 0, 69, 39));
    EXPECT_FALSE(level.inkIn(0, 32, 69, 39));
    EXPECT_FALSE(level.inkIn(0, 0, 69, 15));
    // A block is the finest unit: blank texels beside the ink in its block
    // still count as possibly inked.
    EXPECT_TRUE(level.inkIn(60, 30, 61, 31));
}

TEST(StampLaying, OpaqueStampsReplaceAndFaintOnesKeepTheCanvas)
{
    // A full-strength opaque stamp leaves its own colour where its ink is
    // full; one too faint to reach a byte leaves the canvas untouched.
    std::vector<uint8_t> full(size_t(40) * 40, 255);
    const pq::StampCell cell = pq::StampCell::fromPlane(40, 40, std::move(full));
    pq::Stamp stamp;
    stamp.cell = &cell;
    stamp.sampling = pq::StampSampling::Linear;
    stamp.width = stamp.height = 40.0;
    stamp.colour = 0xFF204060u;
    gfx::Surface canvas = VariedCanvas(173, 131);
    pq::DrawStampOver(stamp, 61, QRect(0, 0, 61, 61), canvas, 60, 50);
    for (int y = 35; y < 65; ++y)
        for (int x = 45; x < 75; ++x)
            ASSERT_EQ(canvas.row(y)[x], 0xFF204060u) << x << "," << y;
    stamp.opacity = 0.001f;
    const std::vector<Pixel> before = Pixels(canvas);
    pq::DrawStampOver(stamp, 61, QRect(0, 0, 61, 61), canvas, 60, 50);
    EXPECT_EQ(Pixels(canvas), before);
}

} // namespace
