#include "effect_test_support.h"
#include "image_compare.h"

#include "effects/painting/watercolor_flow/noise.h"
#include "effects/painting/watercolor_flow/paint.h"
#include "effects/painting/watercolor_flow/palette.h"
#include "effects/painting/watercolor_flow/settings.h"
#include "effects/painting/watercolor_flow/watercolor_flow.h"

#include <vector>

using namespace pqtest;
using testimg::Premul;

namespace {

// Soft colour areas with sharp borders; with alpha, a clear hole and a
// half-transparent band.
gfx::Image Scene(int w, int h, bool withAlpha)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const bool sky = y < h / 3;
        const bool disc = (x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < h * h / 9;
        int r = sky ? 90 + x % 20 : 60, g = sky ? 140 : 150 - y % 30, b = sky ? 220 : 50;
        if (disc) {
            r = 210;
            g = 40 + x % 15;
            b = 40;
        }
        int a = 255;
        if (withAlpha)
            a = x < w / 6 ? 0 : (y > h * 3 / 4 ? 170 : 255);
        return Premul(r, g, b, a);
    });
}

class WatercolorFlowTest : public EffectTest {
protected:
    WatercolorFlowTest() : EffectTest(pq::WatercolorFlow) {}
};

} // namespace

// ---- Noise and settings -------------------------------------------------------

TEST(WatercolorFlowPieces, TheLatticeHashGivesItsKnownValues)
{
    EXPECT_EQ(pq::flow::Hash2D(1, 0, 0), float(1339862.0 / 16777215.0));
    EXPECT_EQ(pq::flow::Hash2D(0, 1, 0), float(11379749.0 / 16777215.0));
    EXPECT_EQ(pq::flow::Hash2D(0, 0, 0), 0.0f);
    // On the lattice the noise is the hash itself.
    EXPECT_EQ(pq::flow::ValueNoise(1.0f, 0.0f, 0), pq::flow::Hash2D(1, 0, 0));
    EXPECT_EQ(pq::flow::ValueNoise(-3.0f, 5.0f, 9), pq::flow::Hash2D(-3, 5, 9));
}

TEST(WatercolorFlowPieces, DetailSetsTheCellSizeAndSmoothing)
{
    const auto coarse = pq::flow::DeriveFlowSettings(50, 0, 50, 60, 50);
    EXPECT_EQ(coarse.cellSize, 12);
    EXPECT_EQ(coarse.smoothingRadius, 2);
    EXPECT_EQ(pq::flow::CleanupSize(coarse, 1000000), 1152);
    const auto fine = pq::flow::DeriveFlowSettings(50, 100, 50, 60, 50);
    EXPECT_EQ(fine.cellSize, 4);
    EXPECT_EQ(fine.smoothingRadius, 6);
    EXPECT_EQ(pq::flow::CleanupSize(fine, 1000000), 32);
}

TEST(WatercolorFlowPieces, DetailFarBeyondTheSliderKeepsCellsOfOnePixel)
{
    for (const int p2 : {148, 160, 10000}) {
        const auto s = pq::flow::DeriveFlowSettings(50, p2, 50, 60, 50);
        EXPECT_EQ(s.cellSize, 1) << p2;
        EXPECT_EQ(s.smoothingRadius, 8) << p2;
    }
    // Very coarse cells: the clean-up size stops at the picture's area.
    const auto coarse = pq::flow::DeriveFlowSettings(50, -10000, 50, 60, 50);
    EXPECT_EQ(pq::flow::CleanupSize(coarse, 5000), 5000);
}

TEST(WatercolorFlowPieces, ACellFollowsFiveLikeNeighboursOnlyWhenTheirPigmentIsClose)
{
    // A 3 x 3 grid: the centre holds bin 1, its neighbours bin 2.
    auto grid = [](int neighbours) {
        pq::flow::FlowGrid g;
        g.gw = g.gh = 3;
        g.bin.assign(9, 3);
        g.bin[4] = 1;
        for (int k = 0, n = 0; k < 9 && n < neighbours; ++k)
            if (k != 4) {
                g.bin[size_t(k)] = 2;
                ++n;
            }
        return g;
    };
    pq::flow::Palette palette;
    palette[1] = {0.5f, 0.5f, 0.5f, 1, 0.5f, 0};
    palette[2] = {0.6f, 0.55f, 0.5f, 1, 0.5f, 0}; // 0.15 away
    palette[3] = {0.0f, 0.0f, 0.0f, 1, 0.5f, 0};
    auto eight = grid(8);
    pq::flow::MergeBins(eight, palette, 1.0f); // threshold 0.22
    EXPECT_EQ(eight.bin[4], 2);
    auto four = grid(4);
    pq::flow::MergeBins(four, palette, 1.0f);
    EXPECT_EQ(four.bin[4], 1);
    palette[2] = {0.9f, 0.5f, 0.5f, 1, 0.5f, 0}; // 0.4 away: beyond 0.22
    auto far = grid(8);
    pq::flow::MergeBins(far, palette, 1.0f);
    EXPECT_EQ(far.bin[4], 1);
}

TEST(WatercolorFlowPieces, SmallIslandsJoinTheirClosestBorderingPigment)
{
    pq::flow::FlowPlanes planes;
    planes.w = 10;
    planes.h = 10;
    planes.alpha.assign(100, 255);
    for (auto& p : planes.pigment)
        p.assign(100, 9);
    planes.density.assign(100, 9);
    planes.margin.assign(100, 9);
    planes.index.assign(100, 2);
    for (int y = 4; y < 6; ++y)
        for (int x = 4; x < 6; ++x)
            planes.index[size_t(y * 10 + x)] = 1;
    pq::flow::Palette palette;
    palette[1] = {0.5f, 0.5f, 0.5f, 1, 0.5f, 0};
    palette[2] = {0.6f, 0.5f, 0.5f, 1, 0.25f, 0};
    auto island = planes;
    pq::flow::AbsorbIslands(island, palette, 4);
    EXPECT_EQ(island.index[45], 2);
    EXPECT_EQ(island.pigment[0][45], 153);
    EXPECT_EQ(island.density[45], 40);
    EXPECT_EQ(island.margin[45], 255);
    EXPECT_EQ(island.pigment[0][0], 9); // the sea keeps its own pixels
    // Larger than the clean-up size, or too far apart: kept.
    auto big = planes;
    pq::flow::AbsorbIslands(big, palette, 3);
    EXPECT_EQ(big.index[45], 1);
    palette[2].r = 1.2f;
    auto far = planes;
    pq::flow::AbsorbIslands(far, palette, 4);
    EXPECT_EQ(far.index[45], 1);
}

// ---- The effect -------------------------------------------------------------

TEST_F(WatercolorFlowTest, AWhitePictureBecomesThePaper)
{
    const gfx::Image white = testimg::MakeSolid(40, 30, 0xFFFFFFFFu);
    const std::vector<gfx::Pixel> paper(40 * 30, 0xFFFDFBF6u);
    const int cases[][5] = {{50, 50, 50, 60, 50}, {0, 0, 0, 0, 0}, {100, 100, 100, 100, 100}, {100, 37, 0, 100, 100}};
    for (const auto& c : cases)
        for (const bool preview : {false, true})
            EXPECT_EQ(PixelsOf(run(white, c[0], c[1], c[2], c[3], c[4], preview)), paper) << c[1] << preview;
}

TEST_F(WatercolorFlowTest, AClearPictureStaysClear)
{
    const gfx::Image clear = testimg::MakeSolid(30, 20, 0);
    for (const bool preview : {false, true})
        EXPECT_EQ(PixelsOf(run(clear, 50, 50, 50, 60, 50, preview)), std::vector<gfx::Pixel>(30 * 20, 0u));
}

TEST_F(WatercolorFlowTest, SevenPixelsAcrossAreLeftAloneEightArePainted)
{
    EXPECT_EQ(run(Scene(8, 8, false), 50, 50, 50, 60, 50, false).row(4)[4] >> 24, 255u);
    for (const auto& [w, h] : {std::pair{7, 30}, std::pair{30, 7}}) {
        const gfx::Image src = Scene(w, h, false);
        gfx::Surface dest = gfx::Surface::make(src.size());
        dest.clearPixel(0x11223344u);
        auto ctx = pq::EffectRunContext::begin(false);
        platform::ScopedRunContext scope(ctx.get());
        pq::WatercolorFlow(src, dest, 50, 50, 50, 60, 50, false);
        EXPECT_EQ(PixelsOf(dest), std::vector<gfx::Pixel>(size_t(w) * h, 0x11223344u));
    }
}

TEST_F(WatercolorFlowTest, OneThreadAndEightGiveTheSameBytes)
{
    const gfx::Image src = Scene(150, 110, true);
    const auto serial = testimg::RunSerially([&] { return PixelsOf(run(src, 70, 80, 30, 90, 100, false)); });
    platform::ConfigureThreadPool(7, 7);
    const auto pooled = PixelsOf(run(src, 70, 80, 30, 90, 100, false));
    platform::ConfigureDefaultThreadPool();
    EXPECT_EQ(serial, pooled);
    EXPECT_EQ(PixelsOf(run(src, 70, 80, 30, 90, 100, false)), pooled);
}

TEST_F(WatercolorFlowTest, SemiTransparentPhotosGiveValidPixels)
{
    const gfx::Image src = Scene(90, 70, true);
    for (const bool preview : {false, true}) {
        const gfx::Surface out = run(src, 50, 50, 50, 60, 100, preview);
        EXPECT_TRUE(ValidPremultiplied(out));
        EXPECT_EQ(out.row(10)[2], 0u); // clear in the source
        EXPECT_EQ(out.row(65)[50] >> 24, 170u);
        EXPECT_EQ(out.row(30)[50] >> 24, 255u);
    }
}

TEST_F(WatercolorFlowTest, EraseOffGlazesOnlyOverTheSolidPartOfTheOldResult)
{
    const gfx::Image src = Scene(60, 40, false);
    const gfx::Image old = testimg::MakeImage(60, 40, [](int x, int y) {
        return x < 20 ? Premul(200, 10, 10, 60) : Premul(250, 240, 230, 255 - y);
    });
    host->eraseOn = false;
    host->result = old;
    const gfx::Surface out = run(src, 50, 50, 50, 60, 50, false);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            if (x < 20)
                ASSERT_EQ(out.row(y)[x], old.pixel(x, y));
            else
                ASSERT_EQ(out.row(y)[x] >> 24, old.pixel(x, y) >> 24);
        }
    EXPECT_NE(out.row(20)[40], old.pixel(40, 20));
    EXPECT_TRUE(ValidPremultiplied(out));
}

TEST_F(WatercolorFlowTest, ScriptValuesFarOutsideTheSlidersEndSoon)
{
    const gfx::Image src = Scene(40, 30, true);
    const int cases[][5] = {{10000, 10000, 10000, 10000, 10000},
                            {-10000, -10000, -10000, -10000, -10000},
                            {0, 148, 0, 0, 0},
                            {10000, -10000, 10000, -10000, 10000},
                            {-10000, 10000, -10000, 10000, -10000}};
    for (const auto& c : cases)
        EXPECT_TRUE(ValidPremultiplied(run(src, c[0], c[1], c[2], c[3], c[4], false))) << c[1];
}

TEST_F(WatercolorFlowTest, ACancelledRunLeavesDestUntouched)
{
    const gfx::Image src = Scene(40, 30, false);
    gfx::Surface dest = gfx::Surface::make(src.size());
    dest.clearPixel(0xFF010203u);
    auto ctx = pq::EffectRunContext::begin(false);
    host->shared->cancel.request();
    platform::ScopedRunContext scope(ctx.get());
    EXPECT_THROW(pq::WatercolorFlow(src, dest, 50, 50, 50, 60, 50, false), pq::EAbort);
    EXPECT_EQ(PixelsOf(dest), std::vector<gfx::Pixel>(40 * 30, 0xFF010203u));
}
