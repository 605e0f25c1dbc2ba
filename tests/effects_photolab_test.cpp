#include "engine_test_support.h"
#include "image_compare.h"

#include "effects/photolab/film_look.h"
#include "effects/photolab/vintage_sepia/vintage_sepia.h"
#include "engine/repository/image_repository.h"
#include "gfx/filters.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace testimg;

namespace {

// Seeded colours with every kind of alpha: opaque, faint (1..4), 5, and
// semi-transparent.
gfx::Image MixedAlpha(int w, int h, uint32_t seed)
{
    platform::Random rng(seed);
    return MakeImage(w, h, [&](int x, int y) {
        const int kind = rng.random(8);
        const int a = kind == 0 ? rng.random(5) : (kind == 1 ? 5 : (kind == 2 ? 6 + rng.random(249) : 255));
        const int r = (x * 37 + rng.random(60)) % 256, g = (y * 23 + rng.random(60)) % 256, b = rng.random(256);
        return Premul(r, g, b, a);
    });
}

int Clampi(int64_t v, int lo, int hi)
{
    return int(std::clamp<int64_t>(v, lo, hi));
}

// Orton per pixel as plainly written, over the same glow.
gfx::Image ReferenceOrton(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5)
{
    const gfx::Image glow = p1 > 0 ? gfx::GaussianBlur(src, float(p1), float(p1), gfx::EdgeMode::Clamp) : src;
    const int shiftAmount = 2 * (p5 - 50);
    const float factor = float(1.0 + shiftAmount / 100.0);
    auto shift = [&](int c) { return shiftAmount < 0 ? Clampi(std::nearbyint(double(c) * factor), 0, 255) : Clampi(c + shiftAmount, 0, 255); };
    return MakeImage(src.width(), src.height(), [&](int x, int y) {
        const Pixel p = src.pixel(x, y), q = glow.pixel(x, y);
        const int a = Channel(p, 3);
        if (a <= 5)
            return p;
        int m[3];
        for (int c = 0; c < 3; ++c) {
            int orig = Channel(p, c), light = Channel(q, c);
            if (shiftAmount != 0) {
                orig = shift(orig);
                if (shiftAmount < 0)
                    light = shift(light);
            }
            if (p2 > 0)
                light = Clampi(light + light * p2 / 200, 0, 255);
            const int s = 255 - (255 - orig) * (255 - light) / 255;
            m[c] = Clampi(orig + (s - orig) * p3 / 100, 0, 255);
        }
        if (p4 > 0) {
            const int k = (77 * m[2] + 150 * m[1] + 29 * m[0]) >> 8;
            for (int& v : m)
                v = Clampi(k + (v - k) * (p4 + 100) / 100, 0, 255);
        }
        Pixel out = Pixel(a) << 24;
        for (int c = 0; c < 3; ++c)
            out |= Pixel(std::min(m[c], a)) << (8 * c);
        return out;
    });
}

// Vintage per pixel as plainly written; texture null for hash grain only.
gfx::Image ReferenceVintage(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, const gfx::Image& texture)
{
    const gfx::Image base = p5 > 0 ? gfx::GaussianBlur(src, float(p5 * 0.0375), float(p5 * 0.0375),
                                                       gfx::EdgeMode::Clamp)
                                   : src;
    const int colourMix = p1 * 256 / 100, sepiaMix = p2 * 256 / 100, amp = int(std::nearbyint(p4 * 0.306));
    int textureMean = 0;
    if (!texture.isNull()) {
        int64_t sum = 0;
        for (int y = 0; y < texture.height(); ++y)
            for (int x = 0; x < texture.width(); ++x)
                sum += pq::film::FilmGrey(texture.pixel(x, y));
        textureMean = int(sum / (int64_t(texture.width()) * texture.height()));
    }
    const float vignette = p3 / 100.0f, cx = src.width() * 0.5f, cy = src.height() * 0.5f;
    const float radius = std::sqrt(cx * cx + cy * cy), innerRadius = radius * (1 - vignette * 0.6f), bandWidth = std::max(radius - innerRadius, 0.001f);
    return MakeImage(src.width(), src.height(), [&](int x, int y) {
        const Pixel p = base.pixel(x, y);
        const int a = Channel(p, 3);
        if (a < 5)
            return p;
        int r = Channel(p, 2), g = Channel(p, 1), b = Channel(p, 0);
        if (a != 255) {
            r = r * 255 / a;
            g = g * 255 / a;
            b = b * 255 / a;
        }
        const int l = (77 * r + 150 * g + 29 * b) >> 8;
        r = l + (r - l) * colourMix / 256;
        g = l + (g - l) * colourMix / 256;
        b = l + (b - l) * colourMix / 256;
        const int sr = std::min(255, (112 * r + 195 * g + 50 * b) >> 8);
        const int sg = std::min(255, (86 * r + 170 * g + 42 * b) >> 8);
        const int sb = (56 * r + 117 * g + 26 * b) >> 8;
        int c[3] = {r + (sr - r) * sepiaMix / 256, g + (sg - g) * sepiaMix / 256, b + (sb - b) * sepiaMix / 256};
        if (p4 > 0) {
            int n = pq::film::GrainHash(x, y) * amp / 256;
            if (!texture.isNull())
                n += (pq::film::FilmGrey(texture.pixel(x % texture.width(), y % texture.height())) - textureMean) * p4 / 100;
            for (int& v : c)
                v = Clampi(v + n, 0, 255);
        }
        const float dx = x - cx, dy = y - cy, d2 = dx * dx + dy * dy;
        if (vignette > 0 && d2 > innerRadius * innerRadius) {
            const float t = std::min((std::sqrt(d2) - innerRadius) / bandWidth, 1.0f);
            const float f = 1 - t * t * (vignette * 0.85f);
            for (int& v : c)
                v = int(std::nearbyint(v * f));
        }
        Pixel out = Pixel(a) << 24;
        for (int i = 0; i < 3; ++i) {
            int v = Clampi(c[i], 0, 255);
            if (a < 255)
                v = v * a / 255;
            out |= Pixel(v) << (16 - 8 * i);
        }
        return out;
    });
}

class PhotoLabTest : public pqtest::EngineTest {
protected:
    gfx::Image run(int number, const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, bool preview = false)
    {
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, number, p1, p2, p3, p4, p5, preview);
        return dest.snapshot();
    }

    void TearDown() override
    {
        pq::Repository().oldFilmTexture = {};
        EngineTest::TearDown();
    }
};

class RecordingHost : public pqtest::FakeHost {
public:
    std::vector<int> values;
    void updateProgressBar(int v) override
    {
        values.push_back(v);
        FakeHost::updateProgressBar(v);
    }
};

} // namespace

// ---- Orton ----------------------------------------------------------------

TEST_F(PhotoLabTest, OrtonMatchesThePlainArithmetic)
{
    const gfx::Image src = MixedAlpha(47, 33, 1);
    const int cases[][5] = {{40, 25, 50, 50, 40}, {3, 0, 100, 0, 80}, {0, 60, 70, 100, 20}, {12, 200, 150, 30, 100}};
    for (const auto& c : cases) {
        const gfx::Image out = run(400, src, c[0], c[1], c[2], c[3], c[4]);
        EXPECT_TRUE(ImagesNear(ReferenceOrton(src, c[0], c[1], c[2], c[3], c[4]), out)) << c[0] << " " << c[4];
        EXPECT_TRUE(IsValidPremultiplied(out));
    }
}

// The mixing table is kept between runs: settings that differ in one value
// only, and settings met again, must each give their own picture.
TEST_F(PhotoLabTest, OrtonKeepsNoStaleMixingTableBetweenSettings)
{
    const gfx::Image src = MixedAlpha(29, 17, 4);
    const int cases[][5] = {{6, 25, 50, 50, 40}, {6, 26, 50, 50, 40}, {6, 26, 51, 50, 40}, {6, 26, 51, 50, 41},
                            {6, -30, 51, 50, 41}, {6, 0, 51, 50, 41}, {6, 25, 50, 50, 40}, {6, 25, 50, 120, 5},
                            {6, 300, -40, 7, 250}, {6, 25, 50, 50, -80}};
    for (const auto& c : cases)
        EXPECT_TRUE(ImagesNear(ReferenceOrton(src, c[0], c[1], c[2], c[3], c[4]), run(400, src, c[0], c[1], c[2], c[3], c[4])))
            << c[1] << " " << c[2] << " " << c[3] << " " << c[4];
}

TEST_F(PhotoLabTest, OrtonNeutralSettingsReturnTheSource)
{
    const gfx::Image src = MixedAlpha(40, 30, 2);
    EXPECT_TRUE(ImagesNear(src, run(400, src, 40, 25, 0, 0, 50)));
    EXPECT_TRUE(ImagesNear(src, run(400, src, 40, 25, 0, -50, 50))); // negative vibrance does not desaturate
}

TEST_F(PhotoLabTest, OrtonDarkenAndLightenEnds)
{
    const gfx::Image src = MakeNoise(20, 20, 3);
    const gfx::Image black = run(400, src, 10, 25, 50, 50, 0);
    const gfx::Image lifted = run(400, src, 10, 0, 0, 0, 100);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            ASSERT_EQ(black.pixel(x, y), 0xFF000000u);
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(Channel(lifted.pixel(x, y), c), std::min(255, Channel(src.pixel(x, y), c) + 100));
        }
}

TEST_F(PhotoLabTest, OrtonKeepsFaintPixelsAndColoursWithinAlpha)
{
    // Half-transparent grey next to white: the glow and the lift would push
    // its colour above its alpha.
    const gfx::Image src = MakeImage(30, 30, [](int x, int y) {
        if (x == 15 && y == 15)
            return Premul(200, 90, 40, 4);
        return x < 15 ? Premul(128, 128, 128, 128) : Premul(255, 255, 255);
    });
    const gfx::Image out = run(400, src, 8, 100, 100, 100, 100);
    EXPECT_TRUE(IsValidPremultiplied(out));
    EXPECT_EQ(out.pixel(15, 15), src.pixel(15, 15));
    EXPECT_EQ(out.pixel(5, 5), Premul(255, 255, 255, 128));
}

TEST_F(PhotoLabTest, OrtonNegativeRadiusIsNoBlur)
{
    const gfx::Image src = MixedAlpha(25, 25, 4);
    EXPECT_TRUE(ImagesNear(run(400, src, 0, 25, 50, 50, 40), run(400, src, -30, 25, 50, 50, 40)));
}

// ---- Vintage / Sepia --------------------------------------------------------

TEST_F(PhotoLabTest, VintageMatchesThePlainArithmetic)
{
    const gfx::Image src = MixedAlpha(70, 45, 5);
    const int cases[][5] = {{0, 70, 50, 50, 25}, {100, 0, 0, 0, 0}, {40, 100, 100, 100, 100}, {65, 30, 20, 0, 0}};
    for (const auto& c : cases) {
        const gfx::Image out = run(402, src, c[0], c[1], c[2], c[3], c[4]);
        EXPECT_TRUE(ImagesNear(ReferenceVintage(src, c[0], c[1], c[2], c[3], c[4], {}), out)) << c[0] << " " << c[1];
        EXPECT_TRUE(IsValidPremultiplied(out));
    }
}

TEST_F(PhotoLabTest, VintageAddsTheFilmTextureAroundItsMean)
{
    // A 7 x 5 texture of greys 0..240, tiled over the picture.
    const gfx::Image texture = MakeImage(7, 5, [](int x, int y) {
        const int v = (x * 5 + y) * 7;
        return Premul(v, v, v);
    });
    pq::Repository().oldFilmTexture = texture;
    const gfx::Image src = MixedAlpha(50, 40, 6);
    for (int p4 : {50, 100}) {
        const gfx::Image out = run(402, src, 30, 70, 40, p4, 0);
        EXPECT_TRUE(ImagesNear(ReferenceVintage(src, 30, 70, 40, p4, 0, texture), out)) << p4;
    }
    EXPECT_EQ(pq::film::TextureMean(texture), (34 * 35 / 2) * 7 / 35);
    EXPECT_EQ(pq::film::TextureMean(texture), pq::film::TextureMean(texture));
}

TEST_F(PhotoLabTest, VintageStatedCases)
{
    // Retention 100 and no toning, vignette, grain or blur: opaque pixels
    // come back as they were.
    const gfx::Image opaque = MakeNoise(30, 20, 7);
    EXPECT_TRUE(ImagesNear(opaque, run(402, opaque, 100, 0, 0, 0, 0)));

    // Full toning of grey v: the sepia tone of v.
    for (int v : {0, 60, 128, 255}) {
        const gfx::Image out = run(402, MakeSolid(9, 9, Premul(v, v, v)), 0, 100, 0, 0, 0);
        const int l = (256 * v) >> 8;
        EXPECT_EQ(out.pixel(4, 4), Premul(std::min(255, 357 * l >> 8), std::min(255, 298 * l >> 8), 199 * l >> 8))
            << v;
    }

    // Script values beyond 0..100 act as the nearest end.
    const gfx::Image src = MixedAlpha(24, 24, 8);
    EXPECT_TRUE(ImagesNear(run(402, src, 0, 100, 100, 0, 100), run(402, src, -500, 1000, 100000, -3, 7000)));
}

TEST_F(PhotoLabTest, VintageVignetteLeavesTheCentreAndDarkensTheCorners)
{
    const gfx::Image grey = MakeSolid(101, 81, Premul(200, 200, 200));
    const gfx::Image out = run(402, grey, 100, 0, 100, 0, 0);
    EXPECT_EQ(out.pixel(50, 40), Premul(200, 200, 200));
    const int corner = Channel(out.pixel(0, 0), 0);
    EXPECT_LT(corner, 200);
    EXPECT_GE(corner, int(200 * (1 - 0.85)) - 1);
}

TEST_F(PhotoLabTest, VintageFullRunReportsEverySixtyFourRowsAndStopsWhenCancelled)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::SetEngineHost(recorder.get());
    std::atomic<uint32_t> now{0};
    platform::SetTickSource([&] { return now += 1000; });
    run(402, MixedAlpha(20, 200, 9), 0, 70, 50, 50, 25);
    EXPECT_EQ(recorder->values, (std::vector<int>{0, 32, 64, 96, 101}));

    // Cancelled at the first band: the routine returns, leaving the base picture.
    const gfx::Image src = MixedAlpha(20, 200, 10);
    gfx::Surface dest = gfx::Surface::make(src.size());
    auto ctx = pq::EffectRunContext::begin(false);
    platform::ScopedRunContext scope(ctx.get());
    recorder->shared->cancel.request();
    EXPECT_NO_THROW(pq::VintageSepia(src, dest, 0, 70, 50, 50, 0, false));
    EXPECT_TRUE(ImagesNear(src, dest.snapshot()));
    pq::SetEngineHost(host.get());
}

// ---- Retro film -------------------------------------------------------------

TEST_F(PhotoLabTest, RetroFilmLiftsBlackThroughItsMatrix)
{
    // Warmth 40 (w = 0), saturation 2, contrast 1, no grain or vignette:
    // black becomes (0.03, 0.01, 0.05), spread from its grey 0.02054 by 2.
    const gfx::Image out = run(403, MakeSolid(5, 5, Premul(0, 0, 0)), 100, 40, 25, 0, 0);
    EXPECT_EQ(out.pixel(2, 2), Premul(10, 0, 20));
}

TEST_F(PhotoLabTest, RetroFilmKeepsAlphaAndFaintPixels)
{
    const gfx::Image src = MixedAlpha(60, 40, 11);
    const gfx::Image out = run(403, src, 30, 35, 60, 20, 25);
    EXPECT_TRUE(IsValidPremultiplied(out));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const Pixel p = src.pixel(x, y);
            ASSERT_EQ(Channel(out.pixel(x, y), 3), Channel(p, 3));
            if (Channel(p, 3) < 5) {
                ASSERT_EQ(out.pixel(x, y), p);
            }
        }
    EXPECT_TRUE(ImagesNear(run(403, src, 100, 0, 100, 0, 100), run(403, src, 900, -9, 101, -1, 1000)));
}

TEST_F(PhotoLabTest, RetroFilmGrainIsTheSeedlessHashAndTheSameInPreviews)
{
    const gfx::Image grey = MakeSolid(40, 30, Premul(128, 128, 128));
    const gfx::Image plain = run(403, grey, 30, 35, 60, 0, 0);
    const gfx::Image grainy = run(403, grey, 30, 35, 60, 100, 0);
    const int amp = 41; // Round(100 x 0.408)
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(Channel(grainy.pixel(x, y), 1),
                      std::clamp(Channel(plain.pixel(x, y), 1) + pq::film::GrainHash(x, y) * amp / 256, 0, 255));
    EXPECT_TRUE(ImagesNear(grainy, run(403, grey, 30, 35, 60, 100, 0, true)));
}

TEST_F(PhotoLabTest, GrainHashOfKnownPositions)
{
    EXPECT_EQ(pq::film::GrainHash(0, 0), -256);
    EXPECT_EQ(pq::film::GrainHash(1, 0), 208);
    EXPECT_EQ(pq::film::GrainHash(0, 1), -88);
    EXPECT_EQ(pq::film::GrainHash(37, 12), 202);
    EXPECT_EQ(pq::film::GrainHash(4000, 2999), -141);
}

// ---- Shared ----------------------------------------------------------------

TEST_F(PhotoLabTest, EveryFilterIgnoresEraseBackgroundAndHandlesOddSizes)
{
    host->eraseOn = false;
    host->result = MakeSolid(30, 30, Premul(255, 0, 0));
    for (int number : {400, 402, 403}) {
        for (QSize size : {QSize(1, 1), QSize(1, 70), QSize(70, 1), QSize(3, 130)}) {
            const gfx::Image src = MixedAlpha(size.width(), size.height(), 12);
            // No blur in 402: it would spread alpha into the faint pixels.
            const gfx::Image out = run(number, src, 50, 50, 50, 50, 0);
            EXPECT_TRUE(IsValidPremultiplied(out)) << number;
            for (int x = 0; x < size.width(); ++x)
                if (Channel(src.pixel(x, 0), 3) < 5) {
                    EXPECT_EQ(out.pixel(x, 0), src.pixel(x, 0)) << number;
                }
        }
        // A run with absurd script values ends quickly with a sound picture.
        const gfx::Image wild = run(number, MixedAlpha(40, 40, 13), 100000, -100000, 2147483647, -2147483647 - 1,
                                    2147483647);
        EXPECT_TRUE(IsValidPremultiplied(wild)) << number;
    }
}
