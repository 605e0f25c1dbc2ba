#include "effect_test_support.h"
#include "image_compare.h"

#include "effects/painting/selective_mean.h"
#include "effects/painting/watercolor_2/region_washes.h"
#include "effects/painting/watercolor_2/watercolor_2.h"

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

TEST_F(Watercolor2Test, ACancelledRunThrowsTheAbort)
{
    const gfx::Image src = Blobs(40, 30);
    gfx::Surface dest = gfx::Surface::make(src.size());
    auto ctx = pq::EffectRunContext::begin(false);
    host->shared->cancel.request();
    platform::ScopedRunContext scope(ctx.get());
    EXPECT_THROW(pq::Watercolor2(src, dest, 90, 20, 60, 20, 55, false), pq::EAbort);
}
