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

gfx::Image vibrance(const gfx::Image& src, int v, int s, int c, int p, int e)
{
    gfx::Surface dest = gfx::Surface::make(src.size());
    pq::VibrancePop(src, dest, v, s, c, p, e, false);
    return dest.snapshot();
}

// Luminance as the enhancement measures it.
int lum(Pixel p)
{
    return std::clamp(int(std::nearbyint(0.299 * channel(p, 2) + 0.587 * channel(p, 1) + 0.114 * channel(p, 0))), 0,
                      255);
}

double meanLum(const gfx::Image& img)
{
    double sum = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            sum += lum(img.pixel(x, y));
    return sum / (double(img.width()) * img.height());
}

// Standard deviation of one channel over rows y0..y1 - 1.
double spread(const gfx::Image& img, int c, int y0, int y1)
{
    double sum = 0, sq = 0;
    const double n = double(img.width()) * (y1 - y0);
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < img.width(); ++x) {
            const double v = channel(img.pixel(x, y), c);
            sum += v;
            sq += v * v;
        }
    return std::sqrt(std::max(0.0, sq / n - (sum / n) * (sum / n)));
}

} // namespace

// ---- Vibrance ---------------------------------------------------------------

TEST(VibrancePop, NeutralValuesAndStrengthZeroReturnTheInput)
{
    const gfx::Image opaque = makeNoise(40, 30, 1);
    EXPECT_TRUE(imagesNear(opaque, vibrance(opaque, 0, 0, 0, 0, 100)));
    EXPECT_TRUE(imagesNear(opaque, vibrance(opaque, 100, -60, 80, 50, 0)));
    // Semi-transparent colours pass through un-premultiply and premultiply.
    const gfx::Image faint = makeNoise(40, 30, 2, false);
    const gfx::Image out = vibrance(faint, 0, 0, 0, 0, 100);
    EXPECT_TRUE(imagesNear(faint, out, 1));
    EXPECT_TRUE(isValidPremultiplied(out));
}

TEST(VibrancePop, StatedGains)
{
    // Saturation -100 without skin protection: every pixel becomes its grey.
    const gfx::Image src = makeNoise(20, 20, 3);
    const gfx::Image grey = vibrance(src, 0, -100, 0, 0, 100);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const Pixel p = src.pixel(x, y), q = grey.pixel(x, y);
            const float Y = 0.299f * channel(p, 2) / 255.0f + 0.587f * channel(p, 1) / 255.0f +
                            0.114f * channel(p, 0) / 255.0f;
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(channel(q, c), Y * 255.0f, 0.51f);
        }

    // Vibrance 100: pure red has no room to gain; a dull colour is spread.
    EXPECT_EQ(vibrance(makeSolid(3, 3, premul(255, 0, 0)), 100, 0, 0, 0, 100).pixel(1, 1), premul(255, 0, 0));
    const Pixel dull = vibrance(makeSolid(3, 3, premul(140, 120, 120)), 100, 0, 0, 0, 100).pixel(1, 1);
    EXPECT_GT(channel(dull, 2) - channel(dull, 1), 20 * 2);

    // Skin hue (35 degrees) with full protection keeps 30 % of the change.
    const Pixel skin = premul(200, 150, 79); // hue (150 - 79) / 121 * 60 = 35.2
    const Pixel kept = vibrance(makeSolid(3, 3, skin), 0, -100, 0, 100, 100).pixel(1, 1);
    const Pixel gone = vibrance(makeSolid(3, 3, skin), 0, -100, 0, 0, 100).pixel(1, 1);
    EXPECT_EQ(channel(gone, 2), channel(gone, 0));
    const double ratio = double(channel(kept, 2) - channel(kept, 0)) / (200 - 79);
    EXPECT_NEAR(ratio, 0.7, 0.02);
}

TEST(VibrancePop, NegativeVibranceFadesWithoutInverting)
{
    const gfx::Image src = makeNoise(30, 30, 4);
    const gfx::Image out = vibrance(src, -100, 0, 0, 0, 100);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const Pixel p = src.pixel(x, y), q = out.pixel(x, y);
            // Red stays on its side of green.
            ASSERT_GE((channel(p, 2) - channel(p, 1)) * (channel(q, 2) - channel(q, 1)), 0) << x << "," << y;
        }
    // Values beyond the ranges are clamped.
    EXPECT_TRUE(imagesNear(out, vibrance(src, -5000, 0, 0, -7, 900)));
}

TEST(VibrancePop, TransparentPixelsAndDestOfAnotherSize)
{
    const gfx::Image src = makeImage(8, 6, [](int x, int) { return x < 4 ? Pixel(0x00302010) : premul(90, 60, 30); });
    gfx::Surface dest = gfx::Surface::make(12, 4);
    dest.clear(Qt::red);
    pq::VibrancePop(src, dest, 50, 20, 10, 40, 70, true);
    const gfx::Image out = dest.snapshot();
    EXPECT_EQ(out.pixel(0, 0), 0u);   // written as all zero
    EXPECT_EQ(out.pixel(10, 0), 0u);  // beyond the source: cleared
    EXPECT_EQ(channel(out.pixel(5, 3), 3), 255);
}

// ---- Auto-enhance -----------------------------------------------------------

TEST(AutoEnhance, UniformGreyFollowsTheFixedCurve)
{
    // lo and hi meet, so the range is 0..255: 50 % stays, 25 % darkens to
    // about 23 %; 75 % would brighten to about 81 % but the photo's mean is
    // above 185, so it keeps its mean.
    EXPECT_EQ(pq::AutoEnhanceImage(makeSolid(20, 20, premul(128, 128, 128))).pixel(3, 3), premul(128, 128, 128));
    EXPECT_EQ(pq::AutoEnhanceImage(makeSolid(20, 20, premul(64, 64, 64))).pixel(3, 3), premul(60, 60, 60));
    EXPECT_EQ(pq::AutoEnhanceImage(makeSolid(20, 20, premul(191, 191, 191))).pixel(3, 3), premul(191, 191, 191));
}

TEST(AutoEnhance, StretchesADarkFlatPhoto)
{
    const gfx::Image dark = makeImage(64, 48, [](int x, int) {
        const int v = 60 + x * 60 / 63;
        return premul(v, v, v);
    });
    const gfx::Image out = pq::AutoEnhanceImage(dark);
    EXPECT_EQ(out.pixel(0, 10), premul(0, 0, 0));
    EXPECT_EQ(out.pixel(63, 10), premul(255, 255, 255));
    EXPECT_LT(lum(out.pixel(16, 10)), 60);
    EXPECT_FALSE(out.sameAs(dark));
}

TEST(AutoEnhance, BrightPhotosKeepTheirMean)
{
    // Full range (a black and a white column), mean luminance about 195:
    // the curve would brighten it.
    const gfx::Image bright = makeImage(80, 60, [](int x, int y) {
        if (x == 0 || x == 79)
            return x == 0 ? premul(0, 0, 0) : premul(255, 255, 255);
        const int v = 170 + (x * 7 + y * 3) % 60;
        return premul(v, v - 5, v - 10);
    });
    EXPECT_NEAR(meanLum(pq::AutoEnhanceImage(bright)), meanLum(bright), 3.0);
}

TEST(AutoEnhance, BlackStaysBlackAndAlphaIsKept)
{
    const gfx::Image src = makeImage(40, 30, [](int x, int y) {
        if (x < 10)
            return premul(0, 0, 0, 200);
        if (x < 20)
            return Pixel(0);
        return premul((x * 9) % 256, (y * 11) % 256, 128, 20 + (x * y) % 236);
    });
    const gfx::Image out = pq::AutoEnhanceImage(src);
    EXPECT_TRUE(isValidPremultiplied(out));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(channel(out.pixel(x, y), 3), channel(src.pixel(x, y), 3));
            if (x < 20) {
                ASSERT_EQ(out.pixel(x, y), src.pixel(x, y));
            }
        }
}

TEST(AutoEnhance, TransparentPixelsDoNotCountInTheStatistics)
{
    // A grey patch beside a transparent area gets the same treatment as a
    // photo of only that grey.
    const gfx::Image half = makeImage(40, 20, [](int x, int) { return x < 20 ? Pixel(0) : premul(100, 100, 100); });
    const gfx::Image full = makeSolid(40, 20, premul(100, 100, 100));
    EXPECT_EQ(pq::AutoEnhanceImage(half).pixel(35, 10), pq::AutoEnhanceImage(full).pixel(35, 10));
}

TEST(AutoEnhance, SmoothsBlueSkyButNotGreySky)
{
    // Noisy sky below a black and a white band (so that the tonal range is
    // already full); the spread is measured well inside the sky.
    platform::Random rng(9);
    auto sky = [&](int r, int g, int b) {
        return makeImage(60, 60, [&, r, g, b](int, int y) {
            if (y < 10)
                return premul(0, 0, 0);
            if (y < 20)
                return premul(255, 255, 255);
            const int n = rng.random(13) - 6;
            return premul(r + n, g + n, b + n);
        });
    };
    const gfx::Image blue = sky(70, 110, 210);
    const gfx::Image grey = sky(150, 150, 160);
    EXPECT_LT(spread(pq::AutoEnhanceImage(blue), 0, 30, 50), 0.6 * spread(blue, 0, 30, 50));
    EXPECT_GT(spread(pq::AutoEnhanceImage(grey), 0, 30, 50), 0.9 * spread(grey, 0, 30, 50));
}

TEST(AutoEnhance, EmptyInputComesBackAndThreadsDoNotMatter)
{
    EXPECT_TRUE(pq::AutoEnhanceImage({}).isNull());
    const gfx::Image src = makeNoise(90, 70, 10, false);
    const gfx::Image pooled = pq::AutoEnhanceImage(src);
    EXPECT_TRUE(imagesNear(pooled, runSerially([&] { return pq::AutoEnhanceImage(src); })));
}

// ---- Auto-enhance command ------------------------------------------------------

class AutoEnhanceCommandTest : public pqtest::EngineTest {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(pumpUntil([] { return pq::AutoEnhanceCommand::WorkerCount() == 0; }));
        EngineTest::TearDown();
    }

    std::vector<bool> busy;
    pq::AutoEnhanceCommand command{[this](bool b) { busy.push_back(b); }};
};

TEST_F(AutoEnhanceCommandTest, RefusesWithoutDocumentOrDuringAnApply)
{
    EXPECT_EQ(command.Run(), pq::AutoEnhanceCommand::Outcome::NoImage);
    loadDocument(makeNoise(20, 20, 1));
    host->CurrentEffectNumber = 300;
    EXPECT_EQ(command.Run(), pq::AutoEnhanceCommand::Outcome::EffectRunning);
    EXPECT_EQ(host->Messages, (QStringList{"no image loaded", "effect running"}));
    EXPECT_TRUE(busy.empty());
}

TEST_F(AutoEnhanceCommandTest, ShowsTheEnhancedSourceAsANewStepTwiceAlike)
{
    const gfx::Image photo = makeNoise(48, 36, 2, false); // kept losslessly by the history
    loadDocument(photo);
    host->history.Save(photo, photo);
    ASSERT_EQ(command.Run(), pq::AutoEnhanceCommand::Outcome::Started);
    ASSERT_TRUE(pumpUntil([&] { return command.Pending() == 0; }));
    const gfx::Image first = host->Image;
    EXPECT_TRUE(imagesNear(pq::AutoEnhanceImage(photo), first));
    EXPECT_TRUE(host->SourceImage.sameAs(photo));
    EXPECT_EQ(host->history.Count(), 2);
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));

    // Again: it starts from the source, not from the result.
    ASSERT_EQ(command.Run(), pq::AutoEnhanceCommand::Outcome::Started);
    ASSERT_TRUE(pumpUntil([&] { return command.Pending() == 0; }));
    EXPECT_TRUE(imagesNear(first, host->Image));
    EXPECT_EQ(host->history.Count(), 3);

    gfx::Image display, source;
    ASSERT_TRUE(host->history.Undo(display, source));
    ASSERT_TRUE(host->history.Undo(display, source));
    EXPECT_TRUE(imagesNear(photo, display));
}

TEST_F(AutoEnhanceCommandTest, DropsTheResultWhenTheDocumentChangedMeanwhile)
{
    loadDocument(makeNoise(64, 48, 3));
    ASSERT_EQ(command.Run(), pq::AutoEnhanceCommand::Outcome::Started);
    const gfx::Image other = makeNoise(30, 30, 4);
    loadDocument(other); // another photo opened before the hand-back
    ASSERT_TRUE(pumpUntil([&] { return command.Pending() == 0; }));
    EXPECT_TRUE(host->Image.sameAs(other));
    EXPECT_EQ(host->history.Count(), 0);
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
}

TEST_F(AutoEnhanceCommandTest, AHandBackAfterTheCommandIsGoneIsDropped)
{
    const gfx::Image photo = makeNoise(64, 48, 5);
    loadDocument(photo);
    std::vector<bool> seen;
    {
        pq::AutoEnhanceCommand shortLived([&](bool b) { seen.push_back(b); });
        ASSERT_EQ(shortLived.Run(), pq::AutoEnhanceCommand::Outcome::Started);
    }
    ASSERT_TRUE(pumpUntil([] { return pq::AutoEnhanceCommand::WorkerCount() == 0; }));
    EXPECT_TRUE(host->Image.sameAs(photo));
    EXPECT_EQ(seen, (std::vector<bool>{true}));
}
