// Smooth painting's fit at eight centres at once (AVX2 and plain) against
// the direct sums over the brush's pixels, at the picture's edges too.
#include "effects/painting/smooth_painting/lanes.h"

#include "engine/repository/image_repository.h"
#include "image_compare.h"
#include "platform/random.h"
#include "smooth_brush_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using testbrush::RandomBrush;

using gfx::Pixel;

struct Direct {
    int count = 0;
    uint32_t mean = 0;
    int error = 0;
};

Direct DirectFit(const gfx::Image& img, int x, int y, const pq::SmoothBrush& brush)
{
    const auto on = [&](int qx, int qy) { return qx >= 0 && qx < img.width() && qy >= 0 && qy < img.height(); };
    int r = 0, g = 0, b = 0;
    Direct d;
    for (const pq::BrushPixel& p : brush.pixels)
        if (on(x + p.dx, y + p.dy)) {
            const Pixel q = img.row(y + p.dy)[x + p.dx];
            r += int((q >> 16) & 255);
            g += int((q >> 8) & 255);
            b += int(q & 255);
            ++d.count;
        }
    const int mr = d.count ? r / d.count : 0, mg = d.count ? g / d.count : 0, mb = d.count ? b / d.count : 0;
    d.mean = uint32_t(mr << 16 | mg << 8 | mb);
    for (const pq::BrushPixel& p : brush.pixels) {
        if (!on(x + p.dx, y + p.dy)) {
            d.error += (p.alpha * 255) >> 5;
            continue;
        }
        const Pixel q = img.row(y + p.dy)[x + p.dx];
        d.error += ((std::abs(int((q >> 16) & 255) - mr) + std::abs(int((q >> 8) & 255) - mg) +
                     std::abs(int(q & 255) - mb)) *
                    p.alpha) >>
                   5;
    }
    return d;
}

// Noise with flat white and black patches, so means and errors reach their ends.
gfx::Image Picture(int w, int h, uint32_t seed)
{
    platform::Random rng(seed);
    return testimg::MakeImage(w, h, [&](int x, int y) {
        if ((x / 9 + y / 7) % 5 == 0)
            return Pixel(0xFFFFFFFFu);
        if ((x / 6 + y / 11) % 7 == 0)
            return Pixel(0xFF000000u);
        return Pixel(rng.next() | 0xFF000000u);
    });
}

// Every centre of `img` (every `step`-th row) in both fits and directly.
void CheckLanes(const gfx::Image& img, const pq::SmoothBrush& brush, int step, const std::string& what)
{
    pq::SmoothRowSums sums;
    sums.build(img, brush.size + pq::kSmoothLanes);
    const pq::SmoothPicture picture{img.row(0), img.stride() / qsizetype(sizeof(Pixel)), img.width(), img.height(),
                                    &sums};
    const pq::SmoothLaneBrush lanes = pq::LayOutSmoothLanes(brush, picture);
    for (int y = 0; y < img.height(); y += step)
        for (int x = 0; x < img.width(); x += x % 3 == 0 ? 1 : 5) {
            pq::SmoothLaneFit fast, plain;
            pq::FitSmoothLanes(picture, lanes, x, y, fast);
            pq::FitSmoothLanesPlain(picture, lanes, x, y, plain);
            for (int i = 0; i < pq::kSmoothLanes; ++i) {
                const Direct d = DirectFit(img, x + i, y, brush);
                const std::string at = what + " size " + std::to_string(brush.size) + " at " +
                                       std::to_string(x + i) + "," + std::to_string(y);
                ASSERT_EQ(plain.count[i], d.count) << at;
                ASSERT_EQ(plain.mean[i], d.mean) << at;
                ASSERT_EQ(plain.error[i], d.error) << at;
                ASSERT_EQ(fast.count[i], d.count) << at;
                ASSERT_EQ(fast.mean[i], d.mean) << at;
                ASSERT_EQ(fast.error[i], d.error) << at;
            }
        }
}

} // namespace

TEST(SmoothLanes, RandomBrushesMatchTheDirectSumsInsideAndAtTheEdges)
{
    platform::Random rng(21);
    const gfx::Image big = Picture(83, 61, 5);
    for (int size = 8; size <= 50; size += size < 20 ? 1 : 6)
        for (int i = 0; i < 2; ++i)
            CheckLanes(big, RandomBrush(size, rng, true), 3, "random");
    // Pictures narrower and lower than the brush and than the lanes.
    for (const QSize s : {QSize(1, 1), QSize(7, 3), QSize(9, 20), QSize(30, 2)})
        CheckLanes(Picture(s.width(), s.height(), 9), RandomBrush(8 + rng.random(20), rng, true), 1, "small");
}

TEST(SmoothLanes, EmptyAndFullBrushes)
{
    const gfx::Image img = Picture(64, 60, 3);
    pq::SmoothBrush empty;
    empty.size = 12;
    empty.alpha.assign(144, 0);
    CheckLanes(img, empty, 7, "empty");
    // Every channel's sums at their largest: 2500 pixels of 255.
    pq::SmoothBrush full;
    full.size = 50;
    full.alpha.assign(2500, 255);
    for (int v = 0; v < 50; ++v)
        for (int u = 0; u < 50; ++u)
            full.pixels.push_back({u - 25, v - 25, 255});
    CheckLanes(testimg::MakeSolid(70, 56, 0xFFFFFFFFu), full, 5, "full white");
    CheckLanes(img, full, 9, "full");
}

TEST(SmoothLanes, AtlasBrushesMatchTheDirectSums)
{
    pq::ImageRepository& repo = pq::Repository();
    if (!repo.loaded())
        repo.create();
    const gfx::Image img = Picture(97, 75, 4);
    for (const int size : {8, 17, 50})
        for (const int row : {5, 7})
            for (const pq::SmoothBrush& brush : pq::MakeSmoothBrushes(repo.templateMatchingBrushes, row, size))
                CheckLanes(img, brush, 6, "atlas");
}

TEST(SmoothMatch, OneSweepForSeveralSeedsGivesEachSeedsOwnTable)
{
    // Odd width (a short last group), transparent corner, seven brushes.
    const int w = 61, h = 23;
    const gfx::Image noise = Picture(w, h, 11);
    const gfx::Image img =
        testimg::MakeImage(w, h, [&](int x, int y) { return x < 9 && y < 6 ? Pixel(0) : noise.row(y)[x]; });
    platform::Random rng(5);
    std::vector<pq::SmoothBrush> brushes;
    for (int i = 0; i < pq::kSmoothOrientations; ++i)
        brushes.push_back(RandomBrush(9 + i, rng));
    pq::SmoothRowSums sums;
    sums.build(img, 15 + pq::kSmoothLanes);
    const std::vector<uint8_t> contrast = pq::BuildContrastMap(img);
    const uint32_t seeds[] = {17, 18, 19};
    std::vector<pq::Match> together[3], alone(size_t(w) * h);
    for (std::vector<pq::Match>& t : together)
        t.resize(size_t(w) * h);
    pq::Match* const tables[] = {together[0].data(), together[1].data(), together[2].data()};
    pq::MatchPixels(img, sums, contrast, brushes, seeds, tables);
    for (int s = 0; s < 3; ++s) {
        pq::MatchPixels(img, sums, contrast, brushes, seeds[s], alone.data());
        for (size_t i = 0; i < alone.size(); ++i) {
            ASSERT_EQ(together[s][i].score, alone[i].score) << "seed " << seeds[s] << " pixel " << i;
            ASSERT_EQ(together[s][i].brush, alone[i].brush) << "seed " << seeds[s] << " pixel " << i;
            ASSERT_EQ(together[s][i].r, alone[i].r);
            ASSERT_EQ(together[s][i].g, alone[i].g);
            ASSERT_EQ(together[s][i].b, alone[i].b);
            ASSERT_EQ(together[s][i].a, alone[i].a);
        }
    }
}
