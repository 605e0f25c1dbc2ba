// Laying one image over another for the combine panel, and the Catmull-Rom
// cubic the full-screen viewer scales with.
#include "gfx/image_combine.h"
#include "gfx/resample.h"
#include "image_compare.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using gfx::CombineMode;
using testimg::MakeSolid;
using testimg::Premul;

constexpr CombineMode kAllModes[] = {CombineMode::Normal, CombineMode::Multiply, CombineMode::Darken, CombineMode::Lighten};

gfx::Pixel Blended(gfx::Pixel base, gfx::Pixel blend, CombineMode mode, float amount)
{
    return gfx::CombineImages(MakeSolid(3, 2, base), MakeSolid(3, 2, blend), mode, amount).pixel(1, 1);
}

TEST(ImageCombine, HalfNormalAveragesOpaquePictures)
{
    const gfx::Pixel p = Blended(Premul(200, 100, 0), Premul(0, 100, 200), CombineMode::Normal, 0.5f);
    EXPECT_NEAR(qRed(p), 100, 1);
    EXPECT_NEAR(qGreen(p), 100, 1);
    EXPECT_NEAR(qBlue(p), 100, 1);
    EXPECT_EQ(qAlpha(p), 255);
}

TEST(ImageCombine, DarkenAndLightenPickWholePixelsByLuma)
{
    const gfx::Pixel red = Premul(255, 0, 0), green = Premul(0, 255, 0);
    EXPECT_EQ(Blended(red, green, CombineMode::Lighten, 1.0f), green);
    EXPECT_EQ(Blended(red, green, CombineMode::Darken, 1.0f), red);
    EXPECT_EQ(Blended(green, red, CombineMode::Lighten, 1.0f), green);
    EXPECT_EQ(Blended(green, red, CombineMode::Darken, 1.0f), red);
    // Whole pixels, not channels: a per-channel lighten would give yellow.
    const gfx::Pixel orange = Premul(250, 120, 0), violet = Premul(90, 0, 250);
    EXPECT_EQ(Blended(orange, violet, CombineMode::Lighten, 1.0f), orange);
    EXPECT_EQ(Blended(orange, violet, CombineMode::Darken, 1.0f), violet);
    // Equal luma takes the blend pixel in both modes.
    const gfx::Pixel blue = Premul(0, 0, 200), sameGrey = Premul(20, 20, 20);
    EXPECT_EQ(Blended(sameGrey, sameGrey, CombineMode::Darken, 1.0f), sameGrey);
    EXPECT_EQ(Blended(blue, blue, CombineMode::Lighten, 1.0f), blue);
}

TEST(ImageCombine, LumaIsComparedUnpremultiplied)
{
    // Half-transparent white is brighter than opaque grey, though its
    // stored (premultiplied) bytes are darker.
    const gfx::Pixel grey = Premul(180, 180, 180), halfWhite = Premul(255, 255, 255, 128);
    const gfx::Pixel lighter = Blended(grey, halfWhite, CombineMode::Lighten, 1.0f);
    EXPECT_NE(lighter, grey) << "the white was not taken";
    EXPECT_EQ(Blended(grey, halfWhite, CombineMode::Darken, 1.0f), grey);
}

TEST(ImageCombine, ATransparentBlendPixelLeavesTheBaseInEveryMode)
{
    const gfx::Pixel base = Premul(90, 160, 30);
    for (CombineMode mode : kAllModes)
        for (float amount : {0.3f, 1.0f})
            EXPECT_EQ(Blended(base, 0, mode, amount), base) << int(mode) << " at " << amount;
}

TEST(ImageCombine, AmountZeroLeavesTheBaseAndAmountsAreBounded)
{
    const gfx::Pixel base = Premul(10, 200, 90), blend = Premul(250, 5, 60);
    for (CombineMode mode : kAllModes) {
        EXPECT_EQ(Blended(base, blend, mode, 0.0f), base) << int(mode);
        EXPECT_EQ(Blended(base, blend, mode, -7.0f), base) << int(mode);
        EXPECT_EQ(Blended(base, blend, mode, std::numeric_limits<float>::quiet_NaN()), base) << int(mode);
        EXPECT_EQ(Blended(base, blend, mode, 40.0f), Blended(base, blend, mode, 1.0f)) << int(mode);
    }
}

TEST(ImageCombine, MultiplyOfOpaquePictures)
{
    const gfx::Pixel p = Blended(Premul(200, 100, 255), Premul(128, 255, 0), CombineMode::Multiply, 1.0f);
    EXPECT_NEAR(qRed(p), 200 * 128 / 255, 1);
    EXPECT_NEAR(qGreen(p), 100, 1);
    EXPECT_EQ(qBlue(p), 0);
    EXPECT_EQ(qAlpha(p), 255);
}

TEST(ImageCombine, TheResultHasTheBasesSizeWhateverTheBlendImage)
{
    const gfx::Pixel base = Premul(0, 0, 255), blend = Premul(255, 0, 0);
    const gfx::Image small = gfx::CombineImages(MakeSolid(40, 30, base), MakeSolid(10, 5, blend), CombineMode::Normal, 1);
    ASSERT_EQ(small.size(), QSize(40, 30));
    EXPECT_EQ(small.pixel(9, 4), blend) << "the top-left part is covered";
    EXPECT_EQ(small.pixel(10, 4), base);
    EXPECT_EQ(small.pixel(9, 5), base);
    const gfx::Image large = gfx::CombineImages(MakeSolid(40, 30, base), MakeSolid(90, 70, blend), CombineMode::Normal, 1);
    EXPECT_EQ(large.size(), QSize(40, 30));
    EXPECT_EQ(large.pixel(39, 29), blend);
    EXPECT_TRUE(gfx::CombineImages({}, MakeSolid(4, 4, blend), CombineMode::Normal, 1).isNull());
}

TEST(ImageCombine, PicturesStayValidAndDoNotDependOnTheThreads)
{
    const gfx::Image base = testimg::MakeNoise(257, 190, 7, false);
    const gfx::Image blend = testimg::MakeNoise(300, 150, 8, false);
    for (CombineMode mode : kAllModes) {
        const gfx::Image pooled = gfx::CombineImages(base, blend, mode, 0.7f);
        EXPECT_TRUE(testimg::IsValidPremultiplied(pooled)) << int(mode);
        const gfx::Image serial = testimg::RunSerially([&] { return gfx::CombineImages(base, blend, mode, 0.7f); });
        EXPECT_TRUE(testimg::ImagesNear(serial, pooled)) << int(mode);
    }
}

TEST(CatmullRomResize, KeepsConstantsAndValidPixelsWhereItRings)
{
    const gfx::Image grey = MakeSolid(37, 23, Premul(120, 130, 140));
    for (QSize to : {QSize(80, 50), QSize(11, 7)}) {
        const gfx::Image scaled = gfx::Resize(grey, to.width(), to.height(), gfx::Sampling::CatmullRom);
        ASSERT_EQ(scaled.size(), to);
        EXPECT_TRUE(testimg::ImagesNear(MakeSolid(to.width(), to.height(), Premul(120, 130, 140)), scaled));
    }
    // Hard edges ring past black and white, and between colour and alpha.
    const gfx::Image edges = testimg::MakeCheckerboard(16, 16, 2, Premul(255, 255, 255), Premul(0, 0, 0, 0));
    EXPECT_TRUE(testimg::IsValidPremultiplied(gfx::Resize(edges, 53, 41, gfx::Sampling::CatmullRom)));
}

TEST(CatmullRomResize, InterpolatesThroughTheSamplesWhereMitchellSoftens)
{
    // Upscaling by 2: Catmull-Rom keeps the full swing of a one-pixel line
    // better than Mitchell does.
    const gfx::Image line = testimg::MakeImage(9, 1, [](int x, int) {
        return x == 4 ? Premul(255, 255, 255) : Premul(0, 0, 0);
    });
    const auto peak = [&](gfx::Sampling sampling) {
        const gfx::Image up = gfx::Resize(line, 18, 1, sampling);
        return std::max(qRed(up.pixel(8, 0)), qRed(up.pixel(9, 0)));
    };
    EXPECT_GT(peak(gfx::Sampling::CatmullRom), peak(gfx::Sampling::Mitchell));
}

} // namespace
