#include "engine_test_support.h"
#include "image_compare.h"

#include "effects/shared/outline_edges.h"
#include "effects/shared/outline_mask.h"
#include "platform/random.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

using namespace pqtest;

namespace {

gfx::Image Grey(int w, int h, int level)
{
    return testimg::MakeSolid(w, h, testimg::Premul(level, level, level));
}

// Dark left half, bright right half.
gfx::Image StepEdge(int w, int h)
{
    return testimg::MakeImage(w, h, [&](int x, int) { return x < w / 2 ? testimg::Premul(20, 20, 20) : 0xFFFFFFFFu; });
}

// Soft blobs with noise: something to hatch, colour and print.
gfx::Image PhotoLike(int w, int h, uint32_t seed, bool withAlpha = false)
{
    platform::Random rng(seed);
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const double blob = 0.5 + 0.45 * std::sin(x * 0.13) * std::cos(y * 0.11);
        auto ch = [&](int shift) { return std::clamp(int(blob * 255) + shift + rng.random(40) - 20, 0, 255); };
        int a = 255;
        if (withAlpha) {
            const int r = rng.random(8);
            a = r == 0 ? 0 : (r == 1 ? 5 + rng.random(250) : 255);
        }
        return testimg::Premul(ch(0), ch(-60), ch(40), a);
    });
}

double MeanGrey(const gfx::Surface& s)
{
    double sum = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            sum += testimg::Channel(s.row(y)[x], 1);
    return sum / (double(s.width()) * s.height());
}

class PenInkTest : public EngineTest {
protected:
    // Runs an effect synchronously in a run of its own (seeded generator).
    gfx::Surface run(int number, const gfx::Image& src, std::array<int, 5> p, bool preview = false, uint32_t seed = 1)
    {
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        ctx->rng.setSeed(seed);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, number, p[0], p[1], p[2], p[3], p[4], preview);
        return dest;
    }
};

constexpr std::array<int, 5> kCrosshatch = {75, 50, 35, 25, 20};
constexpr std::array<int, 5> kFeltTip = {65, 70, 30, 5, 40};
constexpr std::array<int, 5> kComic = {10, 0, 100, 50, 60};

// ---- Outline mask ----------------------------------------------------------

TEST(OutlineMask, FlatAndTinyPicturesGiveAnEmptyMask)
{
    std::vector<uint8_t> mask;
    pq::ComputeOutlineMask(Grey(50, 40, 128), 50, 40, 100, 50, mask);
    ASSERT_EQ(mask.size(), 2000u);
    EXPECT_TRUE(std::all_of(mask.begin(), mask.end(), [](uint8_t m) { return m == 0; }));

    pq::ComputeOutlineMask(StepEdge(2, 30), 2, 30, 100, 50, mask);
    EXPECT_EQ(mask.size(), 60u);
    EXPECT_TRUE(std::all_of(mask.begin(), mask.end(), [](uint8_t m) { return m == 0; }));
}

TEST(OutlineMask, StepEdgeIsMarkedOnItsDarkSide)
{
    const int w = 40, h = 30;
    for (int thickness : {0, 50, 100}) {
        std::vector<uint8_t> mask;
        pq::ComputeOutlineMask(StepEdge(w, h), w, h, 50, thickness, mask);
        ASSERT_EQ(mask.size(), size_t(w * h));
        for (int y = 4; y < h - 4; ++y) {
            int best = -1, bestX = -1;
            for (int x = 0; x < w; ++x) {
                const int m = mask[size_t(y) * w + x];
                if (std::abs(x - w / 2) > 3 + thickness / 25) {
                    EXPECT_EQ(m, 0) << "(" << x << "," << y << ") thickness " << thickness;
                }
                if (m > best)
                    best = m, bestX = x;
            }
            EXPECT_GT(best, 100) << "row " << y;
            EXPECT_LT(bestX, w / 2) << "row " << y; // shifted toward the dark side
        }
    }
}

TEST(OutlineMask, ThresholdsFollowTheStrength)
{
    const pq::EdgeThresholds t0 = pq::EdgeThresholdsFor(0);
    EXPECT_EQ(t0.high, 800);
    EXPECT_EQ(t0.low, 240);
    const pq::EdgeThresholds t50 = pq::EdgeThresholdsFor(50);
    EXPECT_EQ(t50.high, 200);
    EXPECT_EQ(t50.low, 60);
    const pq::EdgeThresholds t100 = pq::EdgeThresholdsFor(100);
    EXPECT_EQ(t100.high, 20);
    EXPECT_EQ(t100.low, 6);
    EXPECT_FLOAT_EQ(t100.highRatio, 1.5f);
    EXPECT_FLOAT_EQ(t100.lowRatio, 0.75f);
    // Script values stay in range.
    EXPECT_EQ(pq::EdgeThresholdsFor(-2'000'000'000).high, 1'000'000);
    EXPECT_EQ(pq::EdgeThresholdsFor(2'000'000'000).high, 20);
}

TEST(OutlineMask, WeakerStrengthFindsFewerContours)
{
    const gfx::Image src = PhotoLike(120, 90, 3);
    auto inked = [&](int strength) {
        std::vector<uint8_t> mask;
        pq::ComputeOutlineMask(src, 120, 90, strength, 30, mask);
        return std::count_if(mask.begin(), mask.end(), [](uint8_t m) { return m > 0; });
    };
    EXPECT_LE(inked(0), inked(50));
    EXPECT_LT(inked(50), inked(100));
}

// ---- Crosshatch ------------------------------------------------------------

TEST_F(PenInkTest, CrosshatchGrowsDenserWithDarkness)
{
    double previous = 256;
    for (int level : {255, 190, 150, 110, 50, 0}) {
        const gfx::Surface out = run(103, Grey(64, 64, level), {75, 0, 35, 25, 20});
        const double mean = MeanGrey(out);
        if (level == 255)
            EXPECT_EQ(mean, 255.0); // no stroke passes on white
        else
            EXPECT_LT(mean, previous - 5) << "level " << level;
        previous = mean;
    }
}

TEST_F(PenInkTest, CrosshatchIsOpaqueGreyOrTransparentAndRepeatable)
{
    const gfx::Image src = PhotoLike(90, 70, 8, true);
    const gfx::Surface a = run(103, src, kCrosshatch);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const gfx::Pixel p = a.row(y)[x];
            if ((src.pixel(x, y) >> 24) < 10) {
                ASSERT_EQ(p, 0u);
            } else {
                ASSERT_EQ(p >> 24, 255u);
                ASSERT_EQ(p & 255, (p >> 8) & 255);
                ASSERT_EQ(p & 255, (p >> 16) & 255);
            }
        }
    // Its own generator: the same input gives the same picture, whatever
    // the thread count.
    const gfx::Surface b = run(103, src, kCrosshatch, false, 99);
    const gfx::Surface serial = testimg::RunSerially([&] { return run(103, src, kCrosshatch); });
    EXPECT_TRUE(testimg::ImagesNear(a.snapshot(), b.snapshot()));
    EXPECT_TRUE(testimg::ImagesNear(a.snapshot(), serial.snapshot()));
}

TEST_F(PenInkTest, CrosshatchContoursDarkenEdges)
{
    const gfx::Image src = StepEdge(60, 40);
    const gfx::Surface without = run(103, src, {75, 0, 35, 25, 20});
    const gfx::Surface with = run(103, src, {75, 80, 35, 25, 20});
    int darker = 0;
    for (int y = 5; y < 35; ++y)
        darker += testimg::Channel(with.row(y)[28], 0) < testimg::Channel(without.row(y)[28], 0);
    EXPECT_GT(darker, 20);
}

// ---- Felt-tip pen ----------------------------------------------------------

TEST_F(PenInkTest, FeltTipHonoursEraseBackground)
{
    platform::SetTickSource([] { return 0u; }); // no intermediate picture replaces the result
    const gfx::Image previous = PhotoLike(50, 40, 21);
    host->result = previous;

    host->eraseOn = true;
    const gfx::Surface erased = run(202, Grey(50, 40, 255), kFeltTip);
    EXPECT_TRUE(testimg::ImagesNear(Grey(50, 40, 255), erased.snapshot()));

    // Off: the previous result shows under the strokes (a white source
    // draws none), and strokes only ever darken it.
    host->eraseOn = false;
    const gfx::Surface kept = run(202, Grey(50, 40, 255), kFeltTip);
    EXPECT_TRUE(testimg::ImagesNear(previous, kept.snapshot()));
    const gfx::Surface over = run(202, Grey(50, 40, 90), kFeltTip);
    int darker = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x)
            for (int c = 0; c < 3; ++c) {
                const int before = testimg::Channel(previous.pixel(x, y), c),
                          after = testimg::Channel(over.row(y)[x], c);
                ASSERT_LE(after, before);
                darker += after < before;
            }
    EXPECT_GT(darker, 1000);

    // Previews never start from the result.
    const gfx::Surface preview = run(202, Grey(50, 40, 255), kFeltTip, true);
    EXPECT_TRUE(testimg::ImagesNear(Grey(50, 40, 255), preview.snapshot()));

    // The paper is white even when the source is not opaque: the last pass
    // only scales it by the source's alpha. (Stored bytes above 250 draw no
    // stroke.)
    const gfx::Image holes = testimg::MakeImage(50, 40, [](int x, int y) {
        return testimg::Premul(255, 255, 255, x < 10 || y < 10 ? 252 : 255);
    });
    for (bool inPreview : {false, true}) {
        host->eraseOn = true;
        EXPECT_TRUE(testimg::ImagesNear(holes, run(202, holes, kFeltTip, inPreview).snapshot())) << inPreview;
    }
}

TEST_F(PenInkTest, FeltTipStrokesFollowTheSourceAndItsAlpha)
{
    const gfx::Image src = PhotoLike(80, 60, 5, true);
    const gfx::Surface out = run(202, src, kFeltTip);
    EXPECT_TRUE(testimg::IsValidPremultiplied(out.snapshot()));
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            if ((src.pixel(x, y) >> 24) == 0) {
                ASSERT_EQ(out.row(y)[x], 0u) << x << "," << y;
            }
    // Same seed, same picture, whatever the thread count; another seed differs.
    const gfx::Surface serial = testimg::RunSerially([&] { return run(202, src, kFeltTip); });
    EXPECT_TRUE(testimg::ImagesNear(out.snapshot(), serial.snapshot()));
    EXPECT_FALSE(testimg::ImagesNear(out.snapshot(), run(202, src, kFeltTip, false, 2).snapshot()));

    // Dark source: strokes darken the paper a lot; edge intensity 0 skips the ink hatching.
    EXPECT_LT(MeanGrey(run(202, Grey(60, 60, 40), kFeltTip)), 150);
    const gfx::Image edge = StepEdge(60, 40);
    EXPECT_FALSE(testimg::ImagesNear(run(202, edge, {65, 70, 30, 5, 0}).snapshot(),
                                     run(202, edge, {65, 70, 30, 5, 100}).snapshot()));
}

// ---- Comic print -----------------------------------------------------------

TEST_F(PenInkTest, ComicPrintDotsSitOnTheCellGrid)
{
    // Pure yellow prints yellow only, on the unrotated screen: full dots of
    // radius Cell / 2 centred on multiples of Cell, white at cell corners.
    const gfx::Image yellow = testimg::MakeSolid(64, 64, testimg::Premul(255, 255, 0));
    for (const auto& [P1, cell] : {std::pair{10, 8}, {30, 15}, {0, 4}}) {
        const gfx::Surface out = run(203, yellow, {P1, 0, 100, 50, 0});
        for (int v = 1; 2 * v * cell + cell < 64; ++v)
            for (int u = 1; 2 * u * cell + cell < 64; ++u) {
                const gfx::Pixel centre = out.row(v * cell)[u * cell];
                EXPECT_LT(testimg::Channel(centre, 0), 60) << "cell " << cell; // blue absorbed
                EXPECT_GT(testimg::Channel(centre, 1), 200);
                const int cx = u * cell + cell / 2, cy = v * cell + cell / 2;
                if (cell >= 8) {
                    EXPECT_GT(testimg::Channel(out.row(cy)[cx], 0), 200) << "corner of cell " << cell;
                }
            }
    }
    // White paper stays white; transparent pixels stay transparent.
    EXPECT_TRUE(testimg::ImagesNear(Grey(40, 40, 255), run(203, Grey(40, 40, 255), kComic).snapshot()));
    const gfx::Image holey = PhotoLike(70, 50, 4, true);
    const gfx::Surface out = run(203, holey, kComic);
    EXPECT_TRUE(testimg::IsValidPremultiplied(out.snapshot()));
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 70; ++x)
            ASSERT_EQ(out.row(y)[x] >> 24, holey.pixel(x, y) >> 24);
}

TEST_F(PenInkTest, ComicPrintCellNeverFallsBelowTheSmallestSize)
{
    // P1 of -12..-10 would make the cell 0 and lower values negative: they
    // print with the smallest cell, the one P1 = 0 gives.
    const gfx::Image src = PhotoLike(60, 45, 6);
    const gfx::Image atZero = run(203, src, {0, 0, 100, 50, 60}).snapshot();
    for (int p1 : {-10, -11, -12, -1000, -2'000'000'000})
        EXPECT_TRUE(testimg::ImagesNear(atZero, run(203, src, {p1, 0, 100, 50, 60}).snapshot())) << p1;
}

// ---- All four --------------------------------------------------------------

TEST_F(PenInkTest, ScriptValuesFarOutsideTheSlidersGiveSoundPictures)
{
    const gfx::Image src = PhotoLike(48, 40, 12, true);
    for (int number : {103, 202, 203})
        for (int v : {-1000, -1, 101, 100000, 2'000'000'000})
            for (int slot = 0; slot < 5; ++slot) {
                std::array<int, 5> p = number == 103 ? kCrosshatch : (number == 202 ? kFeltTip : kComic);
                p[size_t(slot)] = v;
                const gfx::Surface out = run(number, src, p);
                ASSERT_TRUE(testimg::IsValidPremultiplied(out.snapshot())) << number << " P" << slot + 1 << "=" << v;
            }
    std::vector<uint8_t> mask;
    for (int v : {-2'000'000'000, 100000})
        pq::ComputeOutlineMask(src, 48, 40, v, v, mask);
    EXPECT_EQ(mask.size(), 48u * 40u);
}

TEST_F(PenInkTest, EachEffectStopsACancelledFullRunAndASupersededPreview)
{
    for (int number : {103, 202, 203}) {
        const std::array<int, 5> p = number == 103 ? kCrosshatch : (number == 202 ? kFeltTip : kComic);
        const gfx::Image src = PhotoLike(80, 300, 9);
        for (bool preview : {false, true}) {
            gfx::Surface dest = gfx::Surface::make(src.size());
            auto ctx = pq::EffectRunContext::begin(preview);
            std::atomic<int> reports{0};
            platform::SetTickSource([&] {
                if (++reports == 3) {
                    if (preview)
                        host->shared->previewGeneration++; // a newer preview
                    else
                        host->shared->cancel.request(); // Esc
                }
                return uint32_t(reports * 1000);
            });
            platform::ScopedRunContext scope(ctx.get());
            EXPECT_THROW(pq::ProcessEffectOnSurface(src, dest, number, p[0], p[1], p[2], p[3], p[4], preview),
                         pq::EAbort)
                << number << (preview ? " preview" : " full run");
            platform::SetTickSource({});
            bridge->pump();
            EXPECT_EQ(host->lastProgress, preview ? -1 : 101) << number; // the bar ends only for full runs
            host->lastProgress = -1;
        }
    }
}

// Records every value the progress bar receives.
class RecordingHost : public FakeHost {
public:
    std::vector<int> values;
    void updateProgressBar(int v) override
    {
        values.push_back(v);
        FakeHost::updateProgressBar(v);
    }
};

TEST_F(PenInkTest, FullRunsReportTheirStagesInOrder)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::SetEngineHost(recorder.get());
    std::atomic<uint32_t> now{0};
    platform::SetTickSource([&] { return now += 1000; }); // every report passes
    auto progressOf = [&](int number, const std::array<int, 5>& p) {
        recorder->values.clear();
        run(number, PhotoLike(60, 230, 3), p);
        bridge->pump();
        return recorder->values;
    };
    // Crosshatch: tone, orientation, one value per layer, contours, the end.
    EXPECT_EQ(progressOf(103, kCrosshatch), (std::vector<int>{15, 30, 40, 50, 60, 70, 80, 90, 95, 100, 101}));

    // Felt-tip: its own count of rows rises to 100, then the end.
    const std::vector<int> felt = progressOf(202, kFeltTip);
    ASSERT_GE(felt.size(), 3u);
    EXPECT_TRUE(std::is_sorted(felt.begin(), felt.end() - 1));
    EXPECT_EQ(felt[felt.size() - 2], 100);
    EXPECT_EQ(felt.back(), 101);

    // Comic print: each printed ink up to 22, 44, 66, 88; 95 after the contours; 101.
    std::vector<int> comic = progressOf(203, kComic);
    ASSERT_GE(comic.size(), 6u);
    EXPECT_TRUE(std::is_sorted(comic.begin(), comic.end()));
    EXPECT_LE(comic[comic.size() - 3], 88);
    EXPECT_EQ(comic[comic.size() - 2], 95);
    EXPECT_EQ(comic.back(), 101);
    comic = progressOf(203, {10, 0, 100, 50, 0}); // no contours, no 95
    EXPECT_EQ(std::count(comic.begin(), comic.end(), 95), 0);
    EXPECT_EQ(comic.back(), 101);
    pq::SetEngineHost(host.get());
}

TEST_F(PenInkTest, PreviewsShowInThePaneAndEndAt101)
{
    for (int number : {103, 202, 203}) {
        host->previewBitmapUpdates = 0;
        const std::array<int, 5> p = number == 103 ? kCrosshatch : (number == 202 ? kFeltTip : kComic);
        run(number, PhotoLike(40, 30, 2), p, true);
        bridge->pump();
        EXPECT_GE(host->previewBitmapUpdates, 1) << number;
        EXPECT_EQ(host->previewLabel, 101) << number;
        EXPECT_EQ(host->lastProgress, -1) << number; // previews never reach the main bar
    }
}

} // namespace
