#include "engine_test_support.h"
#include "image_compare.h"

#include "engine/services/auto_enhance.h"
#include "workspace/auto_enhance_command.h"
#include "engine/services/vibrance_pop.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace testimg;

namespace {

gfx::Image Vibrance(const gfx::Image& src, int v, int s, int c, int p, int e)
{
    gfx::Surface dest = gfx::Surface::make(src.size());
    pq::VibrancePop(src, dest, v, s, c, p, e, false);
    return dest.snapshot();
}

// Luminance as the enhancement measures it.
int Lum(Pixel p)
{
    return std::clamp(int(std::nearbyint(0.299 * Channel(p, 2) + 0.587 * Channel(p, 1) + 0.114 * Channel(p, 0))), 0,
                      255);
}

double MeanLum(const gfx::Image& img)
{
    double sum = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            sum += Lum(img.pixel(x, y));
    return sum / (double(img.width()) * img.height());
}

// Standard deviation of one channel over rows y0..y1 - 1.
double Spread(const gfx::Image& img, int c, int y0, int y1)
{
    double sum = 0, sq = 0;
    const double n = double(img.width()) * (y1 - y0);
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < img.width(); ++x) {
            const double v = Channel(img.pixel(x, y), c);
            sum += v;
            sq += v * v;
        }
    return std::sqrt(std::max(0.0, sq / n - (sum / n) * (sum / n)));
}

} // namespace

// ---- Vibrance ---------------------------------------------------------------

TEST(VibrancePop, NeutralValuesAndStrengthZeroReturnTheInput)
{
    const gfx::Image opaque = MakeNoise(40, 30, 1);
    EXPECT_TRUE(ImagesNear(opaque, Vibrance(opaque, 0, 0, 0, 0, 100)));
    EXPECT_TRUE(ImagesNear(opaque, Vibrance(opaque, 100, -60, 80, 50, 0)));
    // Semi-transparent colours pass through un-premultiply and premultiply.
    const gfx::Image faint = MakeNoise(40, 30, 2, false);
    const gfx::Image out = Vibrance(faint, 0, 0, 0, 0, 100);
    EXPECT_TRUE(ImagesNear(faint, out, 1));
    EXPECT_TRUE(IsValidPremultiplied(out));
}

TEST(VibrancePop, StatedGains)
{
    // Saturation -100 without skin protection: every pixel becomes its grey.
    const gfx::Image src = MakeNoise(20, 20, 3);
    const gfx::Image grey = Vibrance(src, 0, -100, 0, 0, 100);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const Pixel p = src.pixel(x, y), q = grey.pixel(x, y);
            const float luma = 0.299f * Channel(p, 2) / 255.0f + 0.587f * Channel(p, 1) / 255.0f +
                            0.114f * Channel(p, 0) / 255.0f;
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(Channel(q, c), luma * 255.0f, 0.51f);
        }

    // Vibrance 100: pure red has no room to gain; a dull colour is spread.
    EXPECT_EQ(Vibrance(MakeSolid(3, 3, Premul(255, 0, 0)), 100, 0, 0, 0, 100).pixel(1, 1), Premul(255, 0, 0));
    const Pixel dull = Vibrance(MakeSolid(3, 3, Premul(140, 120, 120)), 100, 0, 0, 0, 100).pixel(1, 1);
    EXPECT_GT(Channel(dull, 2) - Channel(dull, 1), 20 * 2);

    // Skin hue (35 degrees) with full protection keeps 30 % of the change.
    const Pixel skin = Premul(200, 150, 79); // hue (150 - 79) / 121 * 60 = 35.2
    const Pixel kept = Vibrance(MakeSolid(3, 3, skin), 0, -100, 0, 100, 100).pixel(1, 1);
    const Pixel gone = Vibrance(MakeSolid(3, 3, skin), 0, -100, 0, 0, 100).pixel(1, 1);
    EXPECT_EQ(Channel(gone, 2), Channel(gone, 0));
    const double ratio = double(Channel(kept, 2) - Channel(kept, 0)) / (200 - 79);
    EXPECT_NEAR(ratio, 0.7, 0.02);
}

TEST(VibrancePop, NegativeVibranceFadesWithoutInverting)
{
    const gfx::Image src = MakeNoise(30, 30, 4);
    const gfx::Image out = Vibrance(src, -100, 0, 0, 0, 100);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const Pixel p = src.pixel(x, y), q = out.pixel(x, y);
            // Red stays on its side of green.
            ASSERT_GE((Channel(p, 2) - Channel(p, 1)) * (Channel(q, 2) - Channel(q, 1)), 0) << x << "," << y;
        }
    // Values beyond the ranges are clamped.
    EXPECT_TRUE(ImagesNear(out, Vibrance(src, -5000, 0, 0, -7, 900)));
}

TEST(VibrancePop, TransparentPixelsAndDestOfAnotherSize)
{
    const gfx::Image src = MakeImage(8, 6, [](int x, int) { return x < 4 ? Pixel(0x00302010) : Premul(90, 60, 30); });
    gfx::Surface dest = gfx::Surface::make(12, 4);
    dest.clear(Qt::red);
    pq::VibrancePop(src, dest, 50, 20, 10, 40, 70, true);
    const gfx::Image out = dest.snapshot();
    EXPECT_EQ(out.pixel(0, 0), 0u);   // written as all zero
    EXPECT_EQ(out.pixel(10, 0), 0u);  // beyond the source: cleared
    EXPECT_EQ(Channel(out.pixel(5, 3), 3), 255);
}

// ---- Auto-enhance -----------------------------------------------------------

TEST(AutoEnhance, UniformGreyFollowsTheFixedCurve)
{
    // lo and hi meet, so the range is 0..255: 50 % stays, 25 % darkens to
    // about 23 %; 75 % would brighten to about 81 % but the photo's mean is
    // above 185, so it keeps its mean.
    EXPECT_EQ(pq::AutoEnhanceImage(MakeSolid(20, 20, Premul(128, 128, 128))).pixel(3, 3), Premul(128, 128, 128));
    EXPECT_EQ(pq::AutoEnhanceImage(MakeSolid(20, 20, Premul(64, 64, 64))).pixel(3, 3), Premul(60, 60, 60));
    EXPECT_EQ(pq::AutoEnhanceImage(MakeSolid(20, 20, Premul(191, 191, 191))).pixel(3, 3), Premul(191, 191, 191));
}

TEST(AutoEnhance, StretchesADarkFlatPhoto)
{
    const gfx::Image dark = MakeImage(64, 48, [](int x, int) {
        const int v = 60 + x * 60 / 63;
        return Premul(v, v, v);
    });
    const gfx::Image out = pq::AutoEnhanceImage(dark);
    EXPECT_EQ(out.pixel(0, 10), Premul(0, 0, 0));
    EXPECT_EQ(out.pixel(63, 10), Premul(255, 255, 255));
    EXPECT_LT(Lum(out.pixel(16, 10)), 60);
    EXPECT_FALSE(out.sameAs(dark));
}

TEST(AutoEnhance, BrightPhotosKeepTheirMean)
{
    // Full range (a black and a white column), mean luminance about 195:
    // the curve would brighten it.
    const gfx::Image bright = MakeImage(80, 60, [](int x, int y) {
        if (x == 0 || x == 79)
            return x == 0 ? Premul(0, 0, 0) : Premul(255, 255, 255);
        const int v = 170 + (x * 7 + y * 3) % 60;
        return Premul(v, v - 5, v - 10);
    });
    EXPECT_NEAR(MeanLum(pq::AutoEnhanceImage(bright)), MeanLum(bright), 3.0);
}

TEST(AutoEnhance, BlackStaysBlackAndAlphaIsKept)
{
    const gfx::Image src = MakeImage(40, 30, [](int x, int y) {
        if (x < 10)
            return Premul(0, 0, 0, 200);
        if (x < 20)
            return Pixel(0);
        return Premul((x * 9) % 256, (y * 11) % 256, 128, 20 + (x * y) % 236);
    });
    const gfx::Image out = pq::AutoEnhanceImage(src);
    EXPECT_TRUE(IsValidPremultiplied(out));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(Channel(out.pixel(x, y), 3), Channel(src.pixel(x, y), 3));
            if (x < 20) {
                ASSERT_EQ(out.pixel(x, y), src.pixel(x, y));
            }
        }
}

TEST(AutoEnhance, TransparentPixelsDoNotCountInTheStatistics)
{
    // A grey patch beside a transparent area gets the same treatment as a
    // photo of only that grey.
    const gfx::Image half = MakeImage(40, 20, [](int x, int) { return x < 20 ? Pixel(0) : Premul(100, 100, 100); });
    const gfx::Image full = MakeSolid(40, 20, Premul(100, 100, 100));
    EXPECT_EQ(pq::AutoEnhanceImage(half).pixel(35, 10), pq::AutoEnhanceImage(full).pixel(35, 10));
}

TEST(AutoEnhance, SmoothsBlueSkyButNotGreySky)
{
    // Noisy sky below a black and a white band (so that the tonal range is
    // already full); the spread is measured well inside the sky.
    platform::Random rng(9);
    auto sky = [&](int r, int g, int b) {
        return MakeImage(60, 60, [&, r, g, b](int, int y) {
            if (y < 10)
                return Premul(0, 0, 0);
            if (y < 20)
                return Premul(255, 255, 255);
            const int n = rng.random(13) - 6;
            return Premul(r + n, g + n, b + n);
        });
    };
    const gfx::Image blue = sky(70, 110, 210);
    const gfx::Image grey = sky(150, 150, 160);
    EXPECT_LT(Spread(pq::AutoEnhanceImage(blue), 0, 30, 50), 0.6 * Spread(blue, 0, 30, 50));
    EXPECT_GT(Spread(pq::AutoEnhanceImage(grey), 0, 30, 50), 0.9 * Spread(grey, 0, 30, 50));
}

TEST(AutoEnhance, EmptyInputComesBackAndThreadsDoNotMatter)
{
    EXPECT_TRUE(pq::AutoEnhanceImage({}).isNull());
    const gfx::Image src = MakeNoise(90, 70, 10, false);
    const gfx::Image pooled = pq::AutoEnhanceImage(src);
    EXPECT_TRUE(ImagesNear(pooled, RunSerially([&] { return pq::AutoEnhanceImage(src); })));
}

// ---- Auto-enhance command ------------------------------------------------------

class AutoEnhanceCommandTest : public pqtest::EngineTest {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(pumpUntil([] { return pq::AutoEnhanceCommand::workerCount() == 0; }));
        EngineTest::TearDown();
    }

    std::vector<bool> busy;
    pq::AutoEnhanceCommand command{[this](bool b) { busy.push_back(b); }};
};

TEST_F(AutoEnhanceCommandTest, RefusesWithoutDocumentOrDuringAnApply)
{
    EXPECT_EQ(command.run(), pq::AutoEnhanceCommand::Outcome::NoImage);
    loadDocument(MakeNoise(20, 20, 1));
    host->effectNumber = 300;
    EXPECT_EQ(command.run(), pq::AutoEnhanceCommand::Outcome::EffectRunning);
    EXPECT_EQ(host->messages, (QStringList{"no image loaded", "effect running"}));
    EXPECT_TRUE(busy.empty());
}

TEST_F(AutoEnhanceCommandTest, ShowsTheEnhancedSourceAsANewStepTwiceAlike)
{
    const gfx::Image photo = MakeNoise(48, 36, 2, false); // kept losslessly by the history
    loadDocument(photo);
    host->history.save(photo, photo);
    ASSERT_EQ(command.run(), pq::AutoEnhanceCommand::Outcome::Started);
    ASSERT_TRUE(pumpUntil([&] { return command.pending() == 0; }));
    const gfx::Image first = host->result;
    EXPECT_TRUE(ImagesNear(pq::AutoEnhanceImage(photo), first));
    EXPECT_TRUE(host->source.sameAs(photo));
    EXPECT_EQ(host->history.count(), 2);
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));

    // Again: it starts from the source, not from the result.
    ASSERT_EQ(command.run(), pq::AutoEnhanceCommand::Outcome::Started);
    ASSERT_TRUE(pumpUntil([&] { return command.pending() == 0; }));
    EXPECT_TRUE(ImagesNear(first, host->result));
    EXPECT_EQ(host->history.count(), 3);

    gfx::Image display, source;
    ASSERT_TRUE(host->history.undo(display, source));
    ASSERT_TRUE(host->history.undo(display, source));
    EXPECT_TRUE(ImagesNear(photo, display));
}

TEST_F(AutoEnhanceCommandTest, DropsTheResultWhenTheDocumentChangedMeanwhile)
{
    loadDocument(MakeNoise(64, 48, 3));
    ASSERT_EQ(command.run(), pq::AutoEnhanceCommand::Outcome::Started);
    const gfx::Image other = MakeNoise(30, 30, 4);
    loadDocument(other); // another photo opened before the hand-back
    ASSERT_TRUE(pumpUntil([&] { return command.pending() == 0; }));
    EXPECT_TRUE(host->result.sameAs(other));
    EXPECT_EQ(host->history.count(), 0);
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
}

TEST_F(AutoEnhanceCommandTest, AHandBackAfterTheCommandIsGoneIsDropped)
{
    const gfx::Image photo = MakeNoise(64, 48, 5);
    loadDocument(photo);
    std::vector<bool> seen;
    {
        pq::AutoEnhanceCommand shortLived([&](bool b) { seen.push_back(b); });
        ASSERT_EQ(shortLived.run(), pq::AutoEnhanceCommand::Outcome::Started);
    }
    ASSERT_TRUE(pumpUntil([] { return pq::AutoEnhanceCommand::workerCount() == 0; }));
    EXPECT_TRUE(host->result.sameAs(photo));
    EXPECT_EQ(seen, (std::vector<bool>{true}));
}
