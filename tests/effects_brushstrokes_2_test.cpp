#include "effect_test_support.h"
#include "image_compare.h"

#include "effects/painting/brushstrokes_2/brush_tip_mask.h"
#include "effects/painting/brushstrokes_2/brushstrokes_2.h"
#include "effects/painting/brushstrokes_2/stroke_blend.h"
#include "effects/painting/brushstrokes_2/stroke_passes.h"
#include "effects/painting/brushstrokes_2/stroke_patch.h"
#include "effects/painting/brushstrokes_2/stroke_queue.h"
#include "effects/painting/brushstrokes_2/stroke_tiles.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

using namespace pqtest;
using testimg::Premul;

namespace {

// Stripes and a disc: clear edges for the strokes to follow; with alpha, a
// clear corner and a half-transparent band.
gfx::Image Scene(int w, int h, bool withAlpha = false)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const bool disc = (x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < h * h / 10;
        int r = disc ? 220 : ((x / 8) % 2 ? 40 : 120), g = disc ? 200 : 90 + y % 40, b = disc ? 30 : 160;
        int a = 255;
        if (withAlpha)
            a = x < 8 && y < 8 ? 0 : (y > h * 2 / 3 ? 120 : 255);
        return Premul(r, g, b, a);
    });
}

// The patch sources drawn one value at a time, each draw only when its
// choice calls for it.
void PlainPatchSources(const pq::PatchPlacement& p, platform::Random& rng, pq::PatchSources& s)
{
    const size_t size = size_t(p.maskW) * size_t(p.maskH);
    if (s.pixel.size() < size) {
        s.pixel.resize(size, -1);
        s.jitter.resize(size, 0);
    }
    for (int my = 0; my < p.maskH; ++my)
        for (int mx = 0; mx < p.maskW; ++mx) {
            const int px = p.x0 + mx, py = p.y0 + my;
            if (px < 0 || py < 0 || px >= p.w || py >= p.h)
                continue;
            const int jitter = rng.random(mx + my + 1) % 3 != 0 ? 25 : -rng.random(20);
            int32_t pixel = p.centre;
            if (rng.random(150) + p.bias >= p.centreChance) {
                const int reach = rng.random(100) < p.abstraction ? 3 : 1;
                const int sx = px + rng.random(2 * reach + 1) - reach;
                const int sy = py + rng.random(2 * reach + 1) - reach;
                pixel = std::clamp(sy, 0, p.h - 1) * p.w + std::clamp(sx, 0, p.w - 1);
            }
            s.pixel[size_t(my) * size_t(p.maskW) + size_t(mx)] = pixel;
            s.jitter[size_t(my) * size_t(p.maskW) + size_t(mx)] = int8_t(jitter);
        }
}

class Brushstrokes2Test : public EffectTest {
protected:
    Brushstrokes2Test() : EffectTest(pq::Brushstrokes2) {}
};

} // namespace

// ---- Tips, tiles and settings -------------------------------------------------

TEST(Brushstrokes2Pieces, WithoutATipImageTheMaskIsRadial)
{
    const pq::BrushTipMask mask = pq::LoadBrushAlphaMask(gfx::Image());
    ASSERT_EQ(mask.width, 32);
    ASSERT_EQ(mask.height, 32);
    EXPECT_EQ(mask.at(16, 16), 255);
    EXPECT_EQ(mask.at(16, 8), 128);
    EXPECT_EQ(mask.at(16, 0), 0);
    EXPECT_EQ(mask.at(0, 16), 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (std::hypot(x - 16, y - 16) >= 16.0) {
                ASSERT_EQ(mask.at(x, y), 0) << x << "," << y;
            }
}

TEST(Brushstrokes2Pieces, TipImagesGiveTheirAlpha)
{
    const gfx::Image tip = testimg::MakeImage(5, 4, [](int x, int y) { return Premul(0, 0, 0, x * 50 + y); });
    const pq::BrushTipMask mask = pq::LoadBrushAlphaMask(tip);
    ASSERT_EQ(mask.width, 5);
    ASSERT_EQ(mask.height, 4);
    EXPECT_EQ(mask.at(3, 2), 152);
}

TEST(Brushstrokes2Pieces, IterationsCountOnlyUpToTheSlider)
{
    const auto most = pq::DeriveStrokeSettings(50, 10000, 25, 70, true, false);
    EXPECT_EQ(most.strokeMultiplier, 9);
    EXPECT_EQ(most.skipThreshold, 55);
    const auto least = pq::DeriveStrokeSettings(50, -10000, 25, 70, true, false);
    EXPECT_EQ(least.strokeMultiplier, 1);
    EXPECT_EQ(least.skipThreshold, 255);
    EXPECT_EQ(pq::DeriveStrokeSettings(100, 30, 25, 70, true, false).sizeDivisor, 18);
    EXPECT_EQ(pq::DeriveStrokeSettings(10000, 30, 25, 70, true, false).sizeDivisor, 1);
    EXPECT_FALSE(pq::DeriveStrokeSettings(50, 30, 25, 70, true, false).errorTestFromStart);
    EXPECT_TRUE(pq::DeriveStrokeSettings(50, 30, 25, 70, false, false).errorTestFromStart);
}

TEST(Brushstrokes2Pieces, TilesArePickedByTheirError)
{
    // 64 x 64: four tiles; only the last differs from the photo.
    const std::vector<gfx::Pixel> photo(64 * 64, 0xFF000000u);
    std::vector<gfx::Pixel> picture(64 * 64, 0xFF000000u);
    for (int y = 32; y < 64; ++y)
        for (int x = 32; x < 64; ++x)
            picture[size_t(y) * 64 + size_t(x)] = 0xFF0A0A0Au;
    pq::StrokeTiles tiles(64, 64);
    tiles.computeErrors(picture.data(), 64, photo);
    EXPECT_EQ(tiles.error(3), 32 * 32 * 30);
    EXPECT_EQ(tiles.error(0), 0);
    tiles.buildWeights();
    platform::Random rng(5);
    int last = 0;
    for (int k = 0; k < 1000; ++k)
        last += tiles.pick(rng) == 3;
    EXPECT_GT(last, 995);
}

TEST(Brushstrokes2Pieces, PatchDrawsMatchDrawingOneValueAtATime)
{
    // Inside the photo, across each border, larger than the photo; every
    // bias and reach setting, with near choices that always hold, never
    // hold, and miss one draw in 150 or all but one; over sources left by
    // an earlier patch.
    const int corners[][2] = {{10, 12}, {-9, 5}, {30, -7}, {45, 20}, {8, 50}, {-20, -20}};
    int checked = 0;
    for (const auto& c : corners)
        for (const int bias : {-50, 100})
            for (const int abstraction : {-5, 0, 25, 95, 100, 105, 150}) {
                pq::PatchPlacement p;
                p.x0 = c[0];
                p.y0 = c[1];
                p.maskW = 17;
                p.maskH = 13;
                p.w = 60;
                p.h = 55;
                p.centre = 30 * 60 + 31;
                p.bias = bias;
                p.abstraction = abstraction;
                p.centreChance = abstraction / 5 + 80;
                pq::PatchSources earlier;
                earlier.pixel.assign(size_t(p.maskW * p.maskH), 77);
                earlier.jitter.assign(size_t(p.maskW * p.maskH), -3);
                pq::PatchSources fast = earlier, plain = earlier;
                const uint32_t seed = uint32_t(checked * 7919 + 11);
                platform::Random a(seed), b(seed);
                pq::DrawPatchSources(p, a, fast);
                PlainPatchSources(p, b, plain);
                ASSERT_EQ(fast.pixel, plain.pixel) << c[0] << "," << c[1] << " " << bias << " " << abstraction;
                ASSERT_EQ(fast.jitter, plain.jitter) << c[0] << "," << c[1] << " " << bias << " " << abstraction;
                ASSERT_EQ(a.seed(), b.seed());
                ++checked;
            }
    // A new, larger mask: its new positions have no colour until drawn.
    pq::PatchSources grown;
    pq::PatchPlacement off;
    off.x0 = -100;
    off.maskW = off.maskH = 4;
    off.w = off.h = 10;
    platform::Random rng(1);
    pq::DrawPatchSources(off, rng, grown);
    EXPECT_EQ(grown.pixel, std::vector<int32_t>(16, -1));
    EXPECT_EQ(rng.seed(), 1u);
    EXPECT_EQ(pq::PatchColour(nullptr, -1, 25), 0u);
}

TEST(Brushstrokes2Pieces, PatchColoursAreJitteredAndClamped)
{
    const gfx::Pixel photo[] = {0xFF10F005u};
    EXPECT_EQ(pq::PatchColour(photo, 0, 25), 0x0029FF1Eu);
    EXPECT_EQ(pq::PatchColour(photo, 0, -19), 0x00DD00u);
}

TEST(Brushstrokes2Pieces, SoftBlendOfAllChannelsMatchesTheChannelFormula)
{
    // Per channel ((255 - o) d + o ((d (255 - a) + c a) div 255)) div 255.
    auto plain = [](gfx::Pixel d, gfx::Pixel c, int a, int o) {
        gfx::Pixel out = 0xFF000000u;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int dv = int((d >> shift) & 255), cv = int((c >> shift) & 255);
            const int c1 = (dv * (255 - a) + cv * a) / 255;
            out |= gfx::Pixel(((255 - o) * dv + o * c1) / 255) << shift;
        }
        return out;
    };
    int checked = 0;
    for (int a = 0; a <= 255; a += 3)
        for (int o = 0; o <= 255; o += 5)
            for (int v = 0; v <= 255; v += 17) {
                const gfx::Pixel d = 0x80000000u | gfx::Pixel(v) << 16 | gfx::Pixel(255 - v) << 8 | gfx::Pixel(v / 3);
                const gfx::Pixel c = gfx::Pixel((v * 7) % 256) << 16 | gfx::Pixel(255) << 8 | gfx::Pixel(v ^ 0x5A);
                ASSERT_EQ(pq::BlendSoft(d, pq::SpreadColour(c), uint64_t(a), uint64_t(o)), plain(d, c, a, o))
                    << a << " " << o << " " << v;
                ++checked;
            }
    EXPECT_EQ(checked, 86 * 52 * 16);
}

TEST(Brushstrokes2Pieces, AStrokeWaitsOnlyForEarlierStrokesItMayOverlap)
{
    pq::StrokeQueue queue;
    queue.begin(4, 4, 4);
    queue.add(0, 0, 0, 2, 2);
    queue.add(1, 1, 1, 3, 3); // shares block (1, 1) with stroke 0
    queue.add(2, 3, 3, 4, 4);
    queue.add(3, 0, 0, 4, 4); // over all of them
    queue.finish();
    EXPECT_EQ(queue.take(), 0);
    EXPECT_EQ(queue.take(), 2);
    queue.done(2);
    queue.done(0);
    EXPECT_EQ(queue.take(), 1);
    queue.done(1);
    EXPECT_EQ(queue.take(), 3);
    queue.done(3);
    EXPECT_TRUE(queue.drain([](int) { FAIL() << "nothing is left to draw"; }));
    queue.close();
    EXPECT_EQ(queue.take(), -1);

    // Drawing threads asleep while fewer strokes are ready than wake them
    // still see every stroke drawn once, in order, by the pass's end.
    queue.open();
    queue.begin(4, 4, 3);
    std::vector<int> order;
    std::mutex orderLock;
    auto drawn = [&](int k) {
        std::lock_guard lock(orderLock);
        order.push_back(k);
    };
    std::thread drawer([&] {
        for (int k = queue.take(); k >= 0; k = queue.take()) {
            drawn(k);
            queue.done(k);
        }
    });
    queue.add(0, 0, 0, 1, 1);
    queue.add(1, 0, 0, 1, 1);
    queue.add(2, 0, 0, 1, 1);
    queue.finish();
    EXPECT_TRUE(queue.drain(drawn));
    queue.close();
    drawer.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));

    // The next pass starts afresh; an abort ends it at once.
    queue.open();
    queue.begin(4, 4, 2);
    queue.add(0, 0, 0, 1, 1);
    queue.add(1, 0, 0, 1, 1);
    EXPECT_EQ(queue.take(), 0);
    queue.abort();
    EXPECT_EQ(queue.take(), -1);
}

// ---- The effect -------------------------------------------------------------

TEST_F(Brushstrokes2Test, TenByTenIsPaintedNineAcrossIsLeftAlone)
{
    const gfx::Surface small = run(Scene(10, 10), 50, 30, 25, 60, 70, false);
    EXPECT_EQ(small.row(5)[5] >> 24, 255u);
    EXPECT_EQ(host->lastProgress, 101);
    for (const auto& [w, h] : {std::pair{9, 30}, std::pair{30, 9}}) {
        host->lastProgress = -1;
        const gfx::Image src = Scene(w, h);
        gfx::Surface dest = gfx::Surface::make(src.size());
        dest.clearPixel(0x80402010u);
        auto ctx = pq::EffectRunContext::begin(false);
        platform::ScopedRunContext scope(ctx.get());
        pq::Brushstrokes2(src, dest, 50, 30, 25, 60, 70, false);
        EXPECT_EQ(PixelsOf(dest), std::vector<gfx::Pixel>(size_t(w) * h, 0x80402010u));
        EXPECT_EQ(host->lastProgress, -1);
    }
}

TEST_F(Brushstrokes2Test, ASemiTransparentSourceKeepsItsAlpha)
{
    const gfx::Image src = Scene(60, 45, true);
    for (const bool preview : {false, true}) {
        const gfx::Surface out = run(src, 50, 30, 25, 100, 70, preview);
        for (int y = 0; y < 45; ++y)
            for (int x = 0; x < 60; ++x) {
                const gfx::Pixel p = out.row(y)[x], a = p >> 24;
                ASSERT_EQ(a, src.pixel(x, y) >> 24) << x << "," << y;
                ASSERT_LE((p >> 16) & 0xFF, a);
                ASSERT_LE((p >> 8) & 0xFF, a);
                ASSERT_LE(p & 0xFF, a);
            }
    }
}

TEST_F(Brushstrokes2Test, NoSaturationLeavesOnlyGreys)
{
    const gfx::Surface out = run(Scene(50, 40), 50, 30, 25, 0, 70, false);
    for (const gfx::Pixel p : PixelsOf(out)) {
        ASSERT_EQ((p >> 16) & 0xFF, (p >> 8) & 0xFF) << testimg::Hex(p);
        ASSERT_EQ(p & 0xFF, (p >> 8) & 0xFF) << testimg::Hex(p);
    }
}

TEST_F(Brushstrokes2Test, TheSeedReproducesThePicture)
{
    const gfx::Image src = Scene(50, 40);
    EXPECT_EQ(PixelsOf(run(src, 50, 30, 25, 60, 70, false, 3)), PixelsOf(run(src, 50, 30, 25, 60, 70, false, 3)));
    EXPECT_NE(PixelsOf(run(src, 50, 30, 25, 60, 70, false, 3)), PixelsOf(run(src, 50, 30, 25, 60, 70, false, 4)));
}

TEST_F(Brushstrokes2Test, OverThePhotoItselfNoStrokeIsKept)
{
    // With "Erase background" off every stroke must bring the picture closer
    // to the photo; over the photo none can, so only the light sharpening
    // remains.
    const gfx::Image src = Scene(50, 40);
    host->eraseOn = false;
    host->result = src;
    const gfx::Surface out = run(src, 50, 30, 0, 50, 70, false);
    gfx::Surface expected = gfx::Surface::make(src.size());
    expected.writeImage(src, 0, 0);
    pq::SharpenSurface(gfx::Image(), expected, 10);
    EXPECT_EQ(PixelsOf(out), PixelsOf(expected));
}

TEST_F(Brushstrokes2Test, ScriptValuesFarOutsideTheSlidersEndSoon)
{
    const gfx::Image src = Scene(40, 30, true);
    const int cases[][5] = {{10000, 10000, 10000, 10000, 10000},
                            {-10000, -10000, -10000, -10000, -10000},
                            {10000, -10000, 10000, -10000, 10000},
                            {-10000, 10000, -10000, 10000, -10000}};
    for (const auto& c : cases) {
        const gfx::Surface out = run(src, c[0], c[1], c[2], c[3], c[4], false);
        EXPECT_EQ(out.row(20)[20] >> 24, src.pixel(20, 20) >> 24) << c[0];
    }
}

TEST_F(Brushstrokes2Test, ACancelledRunThrowsTheAbort)
{
    const gfx::Image src = Scene(40, 30);
    gfx::Surface dest = gfx::Surface::make(src.size());
    auto ctx = pq::EffectRunContext::begin(false);
    host->shared->cancel.request();
    platform::ScopedRunContext scope(ctx.get());
    EXPECT_THROW(pq::Brushstrokes2(src, dest, 50, 30, 25, 60, 70, false), pq::EAbort);
}

TEST_F(Brushstrokes2Test, OneThreadAndEightGiveTheSameBytes)
{
    // Large enough for many strokes per pass, so that waves hold several.
    const gfx::Image src = Scene(160, 120, true);
    const auto serial = testimg::RunSerially([&] { return PixelsOf(run(src, 80, 50, 40, 70, 90, false, 9)); });
    platform::ConfigureThreadPool(7, 7);
    const auto pooled = PixelsOf(run(src, 80, 50, 40, 70, 90, false, 9));
    platform::ConfigureDefaultThreadPool();
    EXPECT_EQ(serial, pooled);
}
