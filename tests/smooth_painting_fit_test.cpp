// Smooth painting's fit of a brush at a pixel (row prefix sums and the
// blocked error) against the direct sums over the brush's pixels.
#include "effects/painting/smooth_painting/fit.h"

#include "engine/repository/image_repository.h"
#include "image_compare.h"
#include "smooth_brush_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

using testbrush::RandomBrush;

using gfx::Pixel;

struct Direct {
    int r = 0, g = 0, b = 0;
    int64_t error = 0;
};

// The plain sums over the pixels list, the error against (mr, mg, mb).
Direct DirectFit(const gfx::Image& img, int x, int y, const pq::SmoothBrush& brush, int mr, int mg, int mb)
{
    Direct d;
    for (const pq::BrushPixel& p : brush.pixels) {
        const Pixel q = img.row(y + p.dy)[x + p.dx];
        const int r = int((q >> 16) & 255), g = int((q >> 8) & 255), b = int(q & 255);
        d.r += r;
        d.g += g;
        d.b += b;
        d.error += (int64_t(std::abs(r - mr) + std::abs(g - mg) + std::abs(b - mb)) * p.alpha) >> 5;
    }
    return d;
}

gfx::Image Noise(int w, int h, uint32_t seed)
{
    platform::Random rng(seed);
    return testimg::MakeImage(w, h, [&](int, int) {
        return Pixel(rng.next() | 0xFF000000u);
    });
}

// Every interior centre of `img` (or every `step`-th) against the plain
// sums, with the exact error and with early stops around it.
void CheckFits(const gfx::Image& img, const pq::SmoothBrush& brush, int step, platform::Random& rng)
{
    pq::SmoothRowSums sums;
    sums.build(img);
    const ptrdiff_t stride = img.stride() / qsizetype(sizeof(Pixel));
    const pq::SmoothBrushFit fit = pq::LayOutSmoothBrush(brush, stride, sums.stride());
    ASSERT_EQ(fit.pixels, int(brush.pixels.size()));
    const int half = brush.size / 2;
    for (int y = half; y < img.height() - half; y += step)
        for (int x = half; x < img.width() - half; x += step) {
            int r = 0, g = 0, b = 0;
            pq::UnpackSmoothSums(pq::SmoothFitSum(sums.at(x, y), fit), r, g, b);
            const int mr = rng.random(256), mg = rng.random(256), mb = rng.random(256);
            const Direct d = DirectFit(img, x, y, brush, mr, mg, mb);
            ASSERT_EQ(r, d.r) << "size " << brush.size << " at " << x << "," << y;
            ASSERT_EQ(g, d.g);
            ASSERT_EQ(b, d.b);
            const Pixel* centre = img.row(y) + x;
            ASSERT_EQ(pq::SmoothFitError(centre, fit, mr, mg, mb, pq::kNoScore), d.error)
                << "size " << brush.size << " at " << x << "," << y;
            ASSERT_EQ(pq::SmoothFitError(centre, fit, mr, mg, mb, d.error), d.error);
            if (d.error > 0) {
                const int64_t below = rng.random(int(d.error));
                ASSERT_GT(pq::SmoothFitError(centre, fit, mr, mg, mb, below), below);
            }
        }
}

} // namespace

TEST(SmoothFit, VariedBrushesMatchTheDirectSums)
{
    platform::Random rng(5);
    const gfx::Image img = Noise(70, 64, 17);
    for (int size = 8; size <= 50; size += size < 20 ? 1 : 7)
        for (int i = 0; i < 3; ++i)
            CheckFits(img, RandomBrush(size, rng), 3, rng);
}

TEST(SmoothFit, LargestBrushOnWhiteKeepsTheChannelsApart)
{
    // Every channel at its largest sum: 2500 pixels of 255.
    platform::Random rng(8);
    pq::SmoothBrush full;
    full.size = 50;
    full.alpha.assign(2500, 255);
    for (int v = 0; v < 50; ++v)
        for (int u = 0; u < 50; ++u)
            full.pixels.push_back({u - 25, v - 25, 255});
    CheckFits(testimg::MakeSolid(60, 56, 0xFFFFFFFFu), full, 1, rng);
    CheckFits(Noise(60, 56, 3), full, 2, rng);
}

TEST(SmoothFit, RowsWiderThanTheSumsHoldStillGiveExactSums)
{
    // 9000 pixels of 255 pass 2^21 in every channel of the row sums.
    platform::Random rng(9);
    const gfx::Image img = testimg::MakeImage(9000, 9, [](int x, int) {
        return x % 7 == 0 ? Pixel(0xFF102030u) : Pixel(0xFFFFFFFFu);
    });
    CheckFits(img, RandomBrush(8, rng), 1, rng);
}

TEST(SmoothFit, AtlasBrushesMatchTheDirectSums)
{
    pq::ImageRepository& repo = pq::Repository();
    if (!repo.loaded())
        repo.create();
    platform::Random rng(12);
    const gfx::Image img = Noise(120, 110, 4);
    for (const int size : {8, 9, 17, 24, 50})
        for (const int row : {5, 7})
            for (const pq::SmoothBrush& brush : pq::MakeSmoothBrushes(repo.templateMatchingBrushes, row, size))
                CheckFits(img, brush, 5, rng);
}
