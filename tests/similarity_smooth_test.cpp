#include "engine_test_support.h"
#include "image_compare.h"

#include "engine/runtime/effect_abort.h"
#include "engine/services/similarity_smooth.h"
#include "engine/services/similarity_smooth_rows.h"
#include "gfx/surface.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

using namespace testimg;

namespace {

// The smoothing as plainly written: pixel by pixel, window row by row, a
// float sum per channel, exp() tables built per call.
gfx::Image ReferenceSmooth(const gfx::Image& src, const gfx::Image& guideImage, int radius, int threshold,
                           int iterations, bool adaptive, float spatialSigma, float rangeSigma)
{
    const int w = src.width(), h = src.height();
    radius = std::max(radius, 0);
    std::vector<Pixel> a(size_t(w) * h), b(a.size()), fixedGuide;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            a[size_t(y) * w + x] = src.pixel(x, y);
    if (!guideImage.isNull()) {
        fixedGuide = a;
        if (guideImage.size() == src.size())
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    fixedGuide[size_t(y) * w + x] = guideImage.pixel(x, y);
    }
    float s = spatialSigma;
    if (radius / 2.5 > s)
        s = float(std::max(0.5, radius / 2.5));
    const int k = 2 * radius + 1;
    std::vector<float> spatial(size_t(k) * k);
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const int d2 = dx * dx + dy * dy;
            spatial[size_t(dy + radius) * k + dx + radius] =
                d2 == 0 ? 1.0f : float(std::exp(-0.5 * d2 / (double(s) * s)));
        }
    const int64_t thr2 = int64_t(threshold) * threshold;
    for (int n = 1; n <= iterations; ++n) {
        float range[256];
        const float sr = rangeSigma * float(1.0 + 0.2 * (n - 1));
        for (int v = 0; v < 256; ++v)
            range[v] = !adaptive || v == 0 ? 1.0f : float(std::exp(-double(v * v) / (2.0 * double(sr) * sr)));
        const std::vector<Pixel>& in = n % 2 ? a : b;
        std::vector<Pixel>& out = n % 2 ? b : a;
        const std::vector<Pixel>& guide = fixedGuide.empty() ? in : fixedGuide;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Pixel c = in[size_t(y) * w + x];
                const int alpha = Channel(c, 3);
                if (alpha == 0) {
                    out[size_t(y) * w + x] = c;
                    continue;
                }
                const Pixel g0 = guide[size_t(y) * w + x];
                float sum[3] = {0, 0, 0}, sw = 0;
                for (int dy = std::max(-radius, -y); dy <= std::min(radius, h - 1 - y); ++dy)
                    for (int dx = std::max(-radius, -x); dx <= std::min(radius, w - 1 - x); ++dx) {
                        const Pixel g = guide[size_t(y + dy) * w + x + dx];
                        const Pixel e = in[size_t(y + dy) * w + x + dx];
                        int d[3], dist2 = 0, largest = 0;
                        for (int ch = 0; ch < 3; ++ch) {
                            d[ch] = Channel(g0, ch) - Channel(g, ch);
                            dist2 += d[ch] * d[ch];
                            largest = std::max(largest, std::abs(d[ch]));
                        }
                        if (dist2 > thr2 || Channel(e, 3) == 0)
                            continue;
                        const float wt = spatial[size_t(dy + radius) * k + dx + radius] * range[largest];
                        for (int ch = 0; ch < 3; ++ch)
                            sum[ch] += float(Channel(e, ch)) * wt;
                        sw += wt;
                    }
                Pixel p = Pixel(alpha) << 24;
                for (int ch = 0; ch < 3; ++ch) {
                    const int v = int(std::nearbyint(sum[ch] * (1.0f / sw)));
                    p |= Pixel(std::clamp(v, 0, alpha)) << (8 * ch);
                }
                out[size_t(y) * w + x] = p;
            }
    }
    const std::vector<Pixel>& result = iterations % 2 ? b : a;
    return MakeImage(w, h, [&](int x, int y) { return iterations < 1 ? src.pixel(x, y) : result[size_t(y) * w + x]; });
}

gfx::Image Smoothed(const gfx::Image& src, const gfx::Image& guide, int radius, int threshold, int iterations,
                    bool adaptive, float spatialSigma, float rangeSigma,
                    const std::function<void(float)>& progress = nullptr)
{
    gfx::Surface s = gfx::Surface::fromImage(src);
    pq::SimilaritySmoothSurface(s, guide, radius, threshold, iterations, adaptive, spatialSigma, rangeSigma, 0,
                                   progress);
    return s.snapshot();
}

// Soft shapes with noise, so that the threshold both keeps and drops
// neighbours; some pixels transparent or semi-transparent.
gfx::Image Blobs(int w, int h, uint32_t seed, bool withAlpha)
{
    platform::Random rng(seed);
    return MakeImage(w, h, [&](int x, int y) {
        const double v = 0.5 + 0.45 * std::sin(x * 0.37 + seed) * std::cos(y * 0.29);
        auto ch = [&](int shift) { return std::clamp(int(v * 255) + shift + rng.random(24) - 12, 0, 255); };
        int a = 255;
        if (withAlpha) {
            const int r = rng.random(12);
            a = r == 0 ? 0 : (r == 1 ? 1 + rng.random(254) : 255);
        }
        return Premul(ch(0), ch(x % 40), ch(-(y % 30)), a);
    });
}

} // namespace

TEST(SimilaritySmooth, MatchesThePlainAlgorithm)
{
    struct Case {
        int w, h, radius, threshold, iterations;
        bool adaptive;
        float spatial, range;
    };
    const Case cases[] = {
        {61, 37, 5, 30, 3, false, 1.2f, 5.0f},  // the watercolour's call
        {53, 29, 6, 30, 2, true, 1.5f, 60.0f},  // the cartoon's call
        {47, 31, 3, 45, 2, true, 0.8f, 10.0f},  // threshold beyond 31: weights entry by entry
        {40, 23, 2, 1000, 1, false, 3.0f, 5.0f}, // every neighbour counts
        {33, 19, 4, -30, 2, true, 1.0f, 0.0f},   // negative threshold squares; range sigma 0
        {9, 40, 5, 30, 3, false, 1.2f, 5.0f},   // narrower than one block of eight
        {70, 3, 5, 30, 1, true, 1.5f, 40.0f},   // window taller than the picture
        {1, 1, 5, 30, 2, false, 1.2f, 5.0f},
    };
    uint32_t seed = 3;
    for (const Case& c : cases)
        for (bool alpha : {false, true}) {
            const gfx::Image src = Blobs(c.w, c.h, ++seed, alpha);
            const gfx::Image want =
                ReferenceSmooth(src, {}, c.radius, c.threshold, c.iterations, c.adaptive, c.spatial, c.range);
            EXPECT_TRUE(ImagesNear(want, Smoothed(src, {}, c.radius, c.threshold, c.iterations, c.adaptive,
                                                  c.spatial, c.range)))
                << c.w << "x" << c.h << " radius " << c.radius << " threshold " << c.threshold << " alpha " << alpha;
        }
}

TEST(SimilaritySmooth, GuideOfTheSameSizeSteersEveryPassAnotherSizeIsReplacedByTheStart)
{
    const gfx::Image src = Blobs(45, 33, 21, true);
    const gfx::Image guide = MakeCheckerboard(45, 33, 4, Premul(10, 10, 10), Premul(240, 240, 240));
    EXPECT_TRUE(ImagesNear(ReferenceSmooth(src, guide, 4, 30, 2, true, 1.5f, 40.0f),
                           Smoothed(src, guide, 4, 30, 2, true, 1.5f, 40.0f)));
    // The checkerboard cuts every window in two: smoothing follows its cells,
    // not the picture's own colours.
    EXPECT_FALSE(ImagesNear(Smoothed(src, {}, 4, 30, 2, true, 1.5f, 40.0f),
                            Smoothed(src, guide, 4, 30, 2, true, 1.5f, 40.0f)));

    const gfx::Image other = MakeSolid(7, 5, Premul(0, 0, 0));
    const gfx::Image fromStart = ReferenceSmooth(src, src, 3, 30, 3, false, 1.2f, 5.0f);
    EXPECT_TRUE(ImagesNear(fromStart, Smoothed(src, other, 3, 30, 3, false, 1.2f, 5.0f)));
    EXPECT_FALSE(ImagesNear(fromStart, Smoothed(src, {}, 3, 30, 3, false, 1.2f, 5.0f)));
}

TEST(SimilaritySmooth, DoesNotDependOnTheThreadCount)
{
    const gfx::Image src = Blobs(120, 90, 5, true);
    const gfx::Image pooled = Smoothed(src, {}, 5, 30, 3, true, 1.5f, 50.0f);
    const gfx::Image serial = RunSerially([&] { return Smoothed(src, {}, 5, 30, 3, true, 1.5f, 50.0f); });
    EXPECT_TRUE(ImagesNear(pooled, serial));
}

TEST(SimilaritySmooth, IdentityAndKeepingCases)
{
    const gfx::Image src = Blobs(30, 20, 8, true);
    // Radius 0 (or below): the window is the pixel itself. No passes: nothing.
    EXPECT_TRUE(ImagesNear(src, Smoothed(src, {}, 0, 30, 3, false, 1.2f, 5.0f)));
    EXPECT_TRUE(ImagesNear(src, Smoothed(src, {}, -4, 30, 3, true, 0.0f, 5.0f)));
    EXPECT_TRUE(ImagesNear(src, Smoothed(src, {}, 5, 30, 0, false, 1.2f, 5.0f)));

    // A lone dot among far colours keeps its colour; its neighbours do too.
    const gfx::Image dot = MakeImage(11, 11, [](int x, int y) {
        return x == 5 && y == 5 ? Premul(200, 30, 30) : Premul(20, 20, 200);
    });
    EXPECT_TRUE(ImagesNear(dot, Smoothed(dot, {}, 3, 30, 2, false, 1.2f, 5.0f)));

    // Threshold 0: only exactly equal guide colours mix.
    const gfx::Image steps = MakeImage(16, 6, [](int x, int) { return Premul(x < 8 ? 100 : 101, 50, 50); });
    EXPECT_TRUE(ImagesNear(steps, Smoothed(steps, {}, 4, 0, 2, false, 1.2f, 5.0f)));
}

TEST(SimilaritySmooth, TransparentPixelsStayAndNeverContribute)
{
    // Transparent pixels carrying stray colour bytes between grey ones.
    const gfx::Image src = MakeImage(24, 12, [](int x, int y) {
        return (x + y) % 3 == 0 ? Pixel(0x00FF00FF) : Premul(90 + x, 90, 90);
    });
    const gfx::Image out = Smoothed(src, {}, 3, 1000, 2, false, 1.2f, 5.0f);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 24; ++x) {
            if ((x + y) % 3 == 0) {
                EXPECT_EQ(out.pixel(x, y), Pixel(0x00FF00FF));
            } else {
                EXPECT_EQ(Channel(out.pixel(x, y), 3), 255);
                EXPECT_EQ(Channel(out.pixel(x, y), 1), 90); // no magenta leaks in
            }
        }
}

TEST(SimilaritySmooth, SemiTransparentColoursStayWithinTheirAlpha)
{
    // A faint pixel among opaque white ones would average above its alpha.
    const gfx::Image src = MakeImage(9, 9, [](int x, int y) {
        return x == 4 && y == 4 ? Premul(255, 255, 255, 40) : Premul(255, 255, 255);
    });
    const gfx::Image out = Smoothed(src, {}, 2, 1000, 1, false, 1.2f, 5.0f);
    EXPECT_TRUE(IsValidPremultiplied(out));
    EXPECT_EQ(out.pixel(4, 4), Premul(255, 255, 255, 40));
}

TEST(SimilaritySmooth, ReportsEachPassBeforeItRuns)
{
    std::vector<float> seen;
    Smoothed(Blobs(20, 20, 1, false), {}, 2, 30, 3, false, 1.2f, 5.0f, [&](float f) { seen.push_back(f); });
    EXPECT_EQ(seen, (std::vector<float>{1.0f / 3.0f, 2.0f / 3.0f, 1.0f}));
}

TEST(SimilaritySmooth, AnAbortLeavesTheSurfaceUnchanged)
{
    const gfx::Image src = Blobs(40, 30, 2, true);
    gfx::Surface s = gfx::Surface::fromImage(src);
    int calls = 0;
    EXPECT_THROW(pq::SimilaritySmoothSurface(s, {}, 3, 30, 3, false, 1.2f, 5.0f, 0,
                                                [&](float) {
                                                    if (++calls == 2)
                                                        throw pq::EAbort();
                                                }),
                 pq::EAbort);
    EXPECT_TRUE(ImagesNear(src, s.snapshot()));
}

// Sixteen pixels at a time against eight at a time, byte for byte, for
// every way of finding the range weights, joint guides and transparent
// pixels, on widths around the block sizes.
TEST(SimilaritySmooth, SixteenLanesMatchEight)
{
    if (!pq::smooth::HasSixteenLanes())
        GTEST_SKIP() << "no AVX-512";
    platform::Random rng(21);
    for (const int w : {1, 17, 26, 27, 40, 43, 64, 91}) {
        const int h = 13;
        for (const int radius : {1, 3, 5}) {
            const size_t n = size_t(w) * h;
            std::vector<uint8_t> planes[9]; // guide, input, output R G B
            for (auto& plane : planes)
                plane.resize(n);
            std::vector<uint8_t> alpha(n);
            for (size_t i = 0; i < n; ++i) {
                alpha[i] = uint8_t(rng.random(9) == 0 ? 0 : 255);
                for (int c = 0; c < 6; ++c)
                    planes[c][i] = uint8_t(120 + rng.random(c < 3 ? 60 : 256) - (c < 3 ? 30 : 0));
            }
            const int k = 2 * radius + 1;
            std::vector<float> spatial(size_t(k) * k), range(256);
            for (float& v : spatial)
                v = float(rng.randomReal());
            for (float& v : range)
                v = float(rng.randomReal());
            for (const int threshold : {20, 31, 45})
                for (const bool ranged : {false, true})
                    for (const bool joint : {false, true}) {
                        pq::smooth::PassPlanes p;
                        p.width = w;
                        p.height = h;
                        p.radius = radius;
                        p.kernelWidth = k;
                        p.spatial = spatial.data();
                        p.range = ranged ? range.data() : nullptr;
                        p.threshold2 = threshold * threshold;
                        p.alpha = alpha.data();
                        for (int c = 0; c < 3; ++c) {
                            p.guide[c] = planes[c].data();
                            p.input[c] = planes[joint ? 3 + c : c].data();
                        }
                        std::vector<uint8_t> eight[3], sixteen[3];
                        for (const bool wide : {false, true}) {
                            for (int c = 0; c < 3; ++c) {
                                auto& out = wide ? sixteen[c] : eight[c];
                                out.assign(n, 0);
                                p.output[c] = out.data();
                            }
                            wide ? pq::smooth::SmoothRowsSixteen(p, 0, h) : pq::smooth::SmoothRowsEight(p, 0, h);
                        }
                        for (int c = 0; c < 3; ++c)
                            ASSERT_EQ(eight[c], sixteen[c]) << "width " << w << " radius " << radius << " threshold "
                                                            << threshold << " ranged " << ranged << " joint " << joint;
                    }
        }
    }
}

class SimilaritySmoothRunTest : public pqtest::EngineTest {};

TEST_F(SimilaritySmoothRunTest, ACancelledRunStopsInsideAPassAndLeavesTheSurface)
{
    const gfx::Image src = Blobs(64, 400, 4, false);
    gfx::Surface s = gfx::Surface::fromImage(src);
    auto ctx = pq::EffectRunContext::begin(false);
    platform::ScopedRunContext scope(ctx.get());
    host->shared->cancel.request(); // Esc before the rows run
    EXPECT_THROW(pq::SimilaritySmoothSurface(s, {}, 5, 30, 3, false, 1.2f, 5.0f, 0, nullptr), pq::EAbort);
    EXPECT_TRUE(ImagesNear(src, s.snapshot()));
}
