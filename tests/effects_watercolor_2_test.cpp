#include "effect_test_support.h"
#include "image_compare.h"

#include "effects/painting/selective_mean.h"
#include "effects/painting/watercolor_2/open_lines.h"
#include "effects/painting/watercolor_2/region_washes.h"
#include "effects/painting/watercolor_2/watercolor_2.h"

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace pqtest;
using testimg::Premul;

namespace {

// Colour blobs: bands of hue with a gentle ramp inside each.
gfx::Image Blobs(int w, int h, bool withAlpha = false)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const int band = (x / 11 + y / 9) % 4;
        const int r = band == 0 ? 200 : 40 + x % 30, g = band == 1 ? 180 : 30 + y % 25, b = band == 2 ? 160 : 60;
        int a = 255;
        if (withAlpha)
            a = (x * 7 + y * 3) % 10 == 0 ? 0 : (y % 3 == 0 ? 140 : 255);
        return Premul(band == 3 ? 20 : r, g, b, a);
    });
}

// A larger scene: a sky ramp, a ground ramp with grain, discs and noise,
// so that late regions reach across painted areas and sprawl through the
// gaps between them; optionally with a transparent hole and a half-clear
// band.
gfx::Image Scene(int w, int h, bool withAlpha)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const uint32_t hash = (uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u) >> 27; // 0..31
        int r = 60 + y * 120 / h, g = 100 + y * 60 / h, b = 220 - y * 80 / h;
        if (y > h / 2) {
            r = 90 + x % 7;
            g = 120 - y * 30 / h;
            b = 40;
        }
        const int dx = x - w / 3, dy = y - h / 3, ex = x - 2 * w / 3, ey = y - 2 * h / 3;
        if (dx * dx + dy * dy < h * h / 25)
            r = 230, g = 200, b = 60;
        if (ex * ex + ey * ey < h * h / 16)
            r = 150, g = 40, b = 90;
        const int n = int(hash) - 16;
        int a = 255;
        if (withAlpha)
            a = (x - w / 2) * (x - w / 2) + (y - h / 5) * (y - h / 5) < 200 ? 0 : y > h - 12 ? 150 : 255;
        return Premul(std::clamp(r + n, 0, 255), std::clamp(g + n, 0, 255), std::clamp(b + n, 0, 255), a);
    });
}

uint64_t Checksum(const gfx::Surface& s)
{
    uint64_t hash = 1469598103934665603ull;
    for (const gfx::Pixel p : PixelsOf(s))
        for (int k = 0; k < 4; ++k)
            hash = (hash ^ ((p >> (8 * k)) & 0xFF)) * 1099511628211ull;
    return hash;
}

class Watercolor2Test : public EffectTest {
protected:
    Watercolor2Test() : EffectTest(pq::Watercolor2) {}
};

} // namespace

// ---- Pieces ---------------------------------------------------------------

TEST(Watercolor2Pieces, SelectiveMeanKeepsEdgesAndSkipsTransparentPixels)
{
    // A sharp step stays sharp; a pixel within 35 of its neighbours joins
    // their mean; a transparent pixel is copied and never counted.
    const gfx::Image src = testimg::MakeImage(10, 5, [](int x, int y) {
        if (x == 2 && y == 2)
            return gfx::Pixel(0);
        if (x == 7 && y == 2)
            return Premul(110, 110, 110);
        return x < 5 ? Premul(20, 20, 20) : Premul(100, 100, 100);
    });
    const std::vector<gfx::Pixel> out = pq::SelectiveMean(src);
    EXPECT_EQ(out[2 * 10 + 2], 0u);
    EXPECT_EQ(out[2 * 10 + 1], Premul(20, 20, 20));
    EXPECT_EQ(out[2 * 10 + 4], Premul(20, 20, 20));
    EXPECT_EQ(out[2 * 10 + 5] & 0xFF, 100u);
    // 24 pixels of 100 and the centre's 110: 2510 / 25 = 100.
    EXPECT_EQ(out[2 * 10 + 7] & 0xFF, 100u);
}

TEST(Watercolor2Pieces, PaperShiftRepeatsEvery1023By767)
{
    auto samples = std::make_shared<pq::WatercolorTextureSamples>();
    samples->loaded = true;
    samples->mean = 128;
    samples->samples[size_t(5) * pq::WatercolorTextureSamples::kHeight + 7] = 128 + 51;
    const pq::WashPaper paper(samples);
    EXPECT_EQ(paper.shift(5, 7), -15); // lighter paper darkens: -51 * 75 / 255
    EXPECT_EQ(paper.shift(5 + 1023, 7 + 767), -15);
    EXPECT_EQ(paper.shift(6, 7), 0);
    EXPECT_EQ(pq::WashPaper(nullptr).shift(5, 7), 0);
}

TEST(Watercolor2Pieces, OpenLinesVisitOnlyOpenCellsOfTheRange)
{
    // Ranges on both sides of the 64-cell word boundaries, in lines whose
    // length is and is not a multiple of 64.
    struct Case {
        int length, first, last;
    };
    const Case cases[] = {{1, 0, 0},     {63, 0, 62},    {64, 0, 63},    {65, 0, 64},  {65, 64, 64},
                          {130, 62, 65}, {130, 63, 64},  {130, 64, 127}, {130, 1, 128}, {200, 127, 128},
                          {200, 5, 4},   {200, 199, 199}};
    for (const Case& c : cases) {
        pq::OpenLines lines(3, c.length);
        // Close every third cell of line 1; lines 0 and 2 stay open.
        for (int pos = 0; pos < c.length; pos += 3)
            lines.close(1, pos);
        std::vector<int> seen, expected;
        lines.forEachOpen(1, c.first, c.last, [&](int pos) { seen.push_back(pos); });
        for (int pos = c.first; pos <= c.last; ++pos)
            if (pos % 3 != 0)
                expected.push_back(pos);
        EXPECT_EQ(seen, expected) << c.length << " " << c.first << ".." << c.last;
        int count = 0;
        lines.forEachOpen(2, c.first, c.last, [&](int) { ++count; });
        EXPECT_EQ(count, std::max(0, c.last - c.first + 1)) << c.length;
        EXPECT_EQ(lines.isOpen(0, c.length - 1), true);
        EXPECT_EQ(lines.isOpen(1, 0), false);
    }
}

TEST(Watercolor2Pieces, OpenLinesStopWhenAskedAndLetTheVisitCloseItsCell)
{
    pq::OpenLines lines(1, 150);
    std::vector<int> seen;
    lines.forEachUntil(0, 60, 149, [&](int pos) {
        seen.push_back(pos);
        return pos == 66;
    });
    EXPECT_EQ(seen, (std::vector<int>{60, 61, 62, 63, 64, 65, 66}));
    // Closing the cell being visited, as the hole fill does, keeps the
    // rest of the walk.
    seen.clear();
    lines.forEachOpen(0, 62, 65, [&](int pos) {
        seen.push_back(pos);
        lines.close(0, pos);
    });
    EXPECT_EQ(seen, (std::vector<int>{62, 63, 64, 65}));
    EXPECT_FALSE(lines.isOpen(0, 65));
    EXPECT_TRUE(lines.isOpen(0, 66));
}

// ---- The effect -------------------------------------------------------------

TEST_F(Watercolor2Test, FourByFourIsPaintedThreeAcrossIsLeftAlone)
{
    const gfx::Image small = Blobs(4, 4);
    EXPECT_EQ(run(small, 90, 20, 60, 20, 55, false).row(0)[0] >> 24, 255u);
    EXPECT_EQ(host->lastProgress, 101);
    for (const auto& [w, h] : {std::pair{3, 20}, std::pair{20, 3}}) {
        host->lastProgress = -1;
        const gfx::Image src = Blobs(w, h);
        gfx::Surface dest = gfx::Surface::make(src.size());
        dest.clearPixel(0x80402010u);
        auto ctx = pq::EffectRunContext::begin(false);
        platform::ScopedRunContext scope(ctx.get());
        pq::Watercolor2(src, dest, 90, 20, 60, 20, 55, false);
        EXPECT_EQ(PixelsOf(dest), std::vector<gfx::Pixel>(size_t(w) * h, 0x80402010u));
        EXPECT_EQ(host->lastProgress, -1);
    }
}

TEST_F(Watercolor2Test, NoSaturationLeavesOnlyGreys)
{
    const gfx::Image src = Blobs(60, 45);
    for (const bool preview : {false, true}) {
        const gfx::Surface out = run(src, 90, 20, 60, 40, 0, preview);
        for (const gfx::Pixel p : PixelsOf(out)) {
            ASSERT_EQ(p >> 24, 255u);
            ASSERT_EQ((p >> 16) & 0xFF, (p >> 8) & 0xFF) << testimg::Hex(p);
            ASSERT_EQ(p & 0xFF, (p >> 8) & 0xFF) << testimg::Hex(p);
        }
    }
}

TEST_F(Watercolor2Test, TheSeedReproducesThePicture)
{
    const gfx::Image src = Blobs(60, 45);
    EXPECT_EQ(PixelsOf(run(src, 90, 20, 60, 20, 55, false, 3)), PixelsOf(run(src, 90, 20, 60, 20, 55, false, 3)));
    EXPECT_NE(PixelsOf(run(src, 90, 20, 60, 20, 55, false, 3)), PixelsOf(run(src, 90, 20, 60, 20, 55, false, 4)));
}

TEST_F(Watercolor2Test, EraseOffKeepsUnpaintedPixelsOfTheOldResult)
{
    // The left half is white and never seeds a region; the right half is a
    // flat red that the washes cover. Brightness, edges and saturation all
    // act, yet the white half keeps the old result byte for byte.
    const int w = 60, h = 40;
    const gfx::Image src = testimg::MakeImage(w, h, [](int x, int) {
        return x < 30 ? Premul(255, 255, 255) : Premul(150, 30, 40);
    });
    const gfx::Image old = testimg::MakeImage(w, h, [](int x, int y) { return Premul(x * 4, y * 6, 90, 200); });
    host->eraseOn = false;
    host->result = old;
    const gfx::Surface out = run(src, 100, 20, 90, 100, 90, false);
    int changed = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x < 27)
                ASSERT_EQ(out.row(y)[x], old.pixel(x, y)) << x << "," << y;
            else
                changed += out.row(y)[x] != old.pixel(x, y);
        }
    EXPECT_GT(changed, 20 * h);
    EXPECT_TRUE(ValidPremultiplied(out));
}

TEST_F(Watercolor2Test, SemiTransparentPhotosGiveValidPixels)
{
    const gfx::Image src = Blobs(70, 50, true);
    for (const bool preview : {false, true})
        for (const int p3 : {0, 60, 100}) {
            const gfx::Surface out = run(src, 90, 20, p3, 20, 100, preview);
            EXPECT_TRUE(ValidPremultiplied(out)) << preview << " " << p3;
            // Pixels below alpha 128 are never painted and stay clear.
            for (int y = 0; y < 50; ++y)
                for (int x = 0; x < 70; ++x) {
                    if ((src.pixel(x, y) >> 24) < 128) {
                        ASSERT_EQ(out.row(y)[x], 0u);
                    }
                }
        }
}

TEST_F(Watercolor2Test, ScriptValuesFarOutsideTheSlidersEndSoon)
{
    const gfx::Image src = Blobs(40, 30, true);
    const int cases[][5] = {{10000, 10000, 10000, 10000, 10000},
                            {-10000, -10000, -10000, -10000, -10000},
                            {10000, -10000, 10000, -10000, 10000},
                            {-10000, 10000, -10000, 10000, -10000}};
    for (const auto& c : cases)
        for (const bool preview : {false, true}) {
            const gfx::Surface out = run(src, c[0], c[1], c[2], c[3], c[4], preview);
            EXPECT_TRUE(ValidPremultiplied(out)) << c[0] << " " << c[1];
        }
}

// The washes skip painted pixels by the word, settle rings near the last
// ring's run and search sprawling regions' holes around their pixels: the
// pictures are those of a plain cell-by-cell growth, pinned here for a
// scene large enough to take every one of those paths.
TEST_F(Watercolor2Test, LargeScenesKeepTheirPictures)
{
    struct Case {
        bool alpha;
        bool preview;
        int density;
        uint64_t expected;
    };
    const Case cases[] = {
        {false, false, 90, 0x428b4009a2b4e155ull},
        {false, true, 90, 0x71546632ee5cd6c9ull},
        {false, false, 100, 0x9e843a379422514aull},
        {true, false, 100, 0x16915e33555581c5ull},
        {true, true, 90, 0x2558f50f2b2a93c8ull},
    };
    for (const Case& c : cases) {
        const uint64_t sum = Checksum(run(Scene(360, 240, c.alpha), c.density, 20, 60, 20, 55, c.preview));
        EXPECT_EQ(sum, c.expected) << c.alpha << " " << c.preview << " " << c.density << " 0x" << std::hex << sum;
    }
}

// Holes searched around a region's pixels are those searched through its
// box, whichever every region uses.
TEST_F(Watercolor2Test, BothHoleSearchesPaintTheSameHoles)
{
    for (const bool alpha : {false, true}) {
        const gfx::Image src = Scene(300, 200, alpha);
        std::vector<std::vector<gfx::Pixel>> pictures;
        for (const int64_t ratio : {int64_t(0), int64_t(1) << 40}) {
            pq::WashPlanes planes;
            planes.w = src.width();
            planes.h = src.height();
            for (int y = 0; y < planes.h; ++y)
                for (int x = 0; x < planes.w; ++x)
                    planes.alpha.push_back(uint8_t(src.pixel(x, y) >> 24));
            planes.smooth = pq::SelectiveMean(src);
            planes.painted.assign(planes.alpha.size(), 0);
            pq::WashSettings settings;
            settings.coverageLimit = 140;
            settings.coverageUnit = int64_t(planes.w) * planes.h / 140;
            settings.seedRounds = (int64_t(planes.w) + planes.h) * 100 + 1;
            settings.preview = true;
            settings.holeSearchRatio = ratio;
            gfx::Surface canvas = gfx::Surface::make(src.size());
            canvas.clearPixel(0);
            const pq::WashPaper paper(nullptr);
            auto ctx = pq::EffectRunContext::begin(true);
            ctx->rng.setSeed(5);
            platform::ScopedRunContext scope(ctx.get());
            pq::RegionWashes washes(planes, paper, canvas, settings);
            washes.paint(ctx->rng);
            EXPECT_GT(washes.paintedCount(), int64_t(planes.w) * planes.h / 2);
            pictures.push_back(PixelsOf(canvas));
        }
        EXPECT_EQ(pictures[0], pictures[1]) << alpha;
    }
}

TEST_F(Watercolor2Test, ACancelledRunThrowsTheAbort)
{
    const gfx::Image src = Blobs(40, 30);
    gfx::Surface dest = gfx::Surface::make(src.size());
    auto ctx = pq::EffectRunContext::begin(false);
    host->shared->cancel.request();
    platform::ScopedRunContext scope(ctx.get());
    EXPECT_THROW(pq::Watercolor2(src, dest, 90, 20, 60, 20, 55, false), pq::EAbort);
}
