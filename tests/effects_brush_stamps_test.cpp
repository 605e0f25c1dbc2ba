// The stamping effects: oil pastel, watercolour splashes and impasto
// brushstrokes, run through the engine with sheets built in code.
#include "effect_test_support.h"

#include "effects/painting/impasto_brushstrokes/impasto_band.h"
#include "effects/painting/impasto_brushstrokes/impasto_brushstrokes.h"
#include "effects/painting/oil_pastel/oil_pastel.h"
#include "effects/shared/gradient_map.h"
#include "image_compare.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"

#include <array>
#include <cmath>
#include <new>
#include <vector>

using namespace pqtest;

namespace {

// A sheet of `count` cells (8 per row): soft marks through the middle of
// each cell (kind 1), marks beside the middle column (kind 2) or nothing.
gfx::Image SheetOf(int count, int kind)
{
    const int rows = (count + 7) / 8;
    return testimg::MakeImage(2048, rows * 256, [&](int x, int y) -> gfx::Pixel {
        const int cx = x % 256, cy = y % 256;
        const int i = (y / 256) * 8 + x / 256;
        if (i >= count || kind == 0)
            return 0u;
        const double dx = (cx - (kind == 1 ? 128.0 : 40.0)) / (20.0 + 6 * (i % 4));
        const double dy = (cy - 128.0) / 90.0;
        const double r = dx * dx + dy * dy;
        const int a = r < 1.0 ? std::min(255, int((1.0 - r) * 500.0)) : 0;
        return gfx::Pixel(a) << 24;
    });
}

// Smooth colour areas with edges.
gfx::Image Photo(int w, int h)
{
    return testimg::MakeImage(w, h, [](int x, int y) {
        const int r = (x / 30 + y / 25) % 2 ? 200 : 60;
        const int g = 80 + (x * 3 + y) % 120;
        const int b = y * 255 / std::max(1, y + 40);
        return testimg::Premul(r, g, b);
    });
}

bool AllOf(const gfx::Surface& s, gfx::Pixel value)
{
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.row(y)[x] != value)
                return false;
    return true;
}

class StampEffects : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        useSheets(SheetOf(16, 1), 16);
        // Every report passes the throttle.
        platform::SetTickSource([this] { return tick_ += 100; });
    }

    void useSheets(const gfx::Image& sheet, int count)
    {
        host->pastelSheet = {true, sheet, count};
        host->watercolorSheet = {true, sheet, count};
        host->impastoSheet = {true, sheet, count};
    }

    gfx::Surface run(int number, const gfx::Image& src, std::array<int, 5> v, bool preview = false, uint32_t seed = 3)
    {
        loadDocument(src);
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        ctx->seed(seed);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, number, v[0], v[1], v[2], v[3], v[4], preview);
        return dest;
    }

    uint32_t tick_ = 0;
};

} // namespace

// ---- Oil pastel ------------------------------------------------------------

TEST(OilPastelValues, SizesFollowTheSliders)
{
    EXPECT_EQ(pq::OilPastelSizesFor(50, 20).minSize, 63); // P1 becomes 15
    EXPECT_EQ(pq::OilPastelSizesFor(50, 20).maxSize, 83);
    EXPECT_EQ(pq::OilPastelSizesFor(10, 70).minSize, 43);
    EXPECT_EQ(pq::OilPastelSizesFor(10, 70).maxSize, 283);
    EXPECT_EQ(pq::OilPastelSizesFor(0, 0).minSize, 3);
    // Out of range values are clamped first: no negative sizes.
    EXPECT_EQ(pq::OilPastelSizesFor(-400, -400).maxSize, 3);
    EXPECT_EQ(pq::OilPastelSizesFor(-400, 9000).maxSize, 403);
}

TEST_F(StampEffects, OilPastelReportsEveryFiftyStepsAndFinishes)
{
    const gfx::Surface out = run(302, Photo(120, 110), {0, 5, 0, 0, 100});
    std::vector<int> expected;
    for (int pct = 1; pct <= 96; pct += 5)
        expected.push_back(pct);
    expected.push_back(101);
    EXPECT_EQ(host->progressSeen, expected);
    EXPECT_TRUE(ValidPremultiplied(out));
    EXPECT_FALSE(AllOf(out, 0xFFFFFFFFu)) << "something was painted";
}

TEST_F(StampEffects, OilPastelWithAGivenSeedRepeatsItself)
{
    const gfx::Image photo = Photo(130, 120);
    EXPECT_EQ(PixelsOf(run(302, photo, {2, 8, 2, 10, 80}, false, 9)), PixelsOf(run(302, photo, {2, 8, 2, 10, 80}, false, 9)));
}

TEST_F(StampEffects, OilPastelLeavesSmallPicturesAlone)
{
    const gfx::Surface out = run(302, Photo(99, 500), {10, 70, 30, 30, 100});
    EXPECT_TRUE(AllOf(out, 0u));
    EXPECT_TRUE(host->progressSeen.empty());
}

// ---- Sheets without a usable cell ---------------------------------------------

TEST_F(StampEffects, NoUsableCellEndsWithThePreparedCanvas)
{
    const gfx::Image photo = Photo(140, 120);
    for (int kind : {0, 2}) { // transparent cells, cells missing the centre column
        useSheets(SheetOf(16, kind), 16);
        for (int number : {302, 303}) {
            host->progressSeen.clear();
            const gfx::Surface out = run(number, photo, {10, 30, 5, 10, 100});
            EXPECT_TRUE(AllOf(out, 0xFFFFFFFFu)) << number << " kind " << kind;
            ASSERT_FALSE(host->progressSeen.empty());
            EXPECT_EQ(host->progressSeen.back(), 101) << number;
        }
    }
    // The impasto effect never takes a transparent cell, and with no cell at
    // all it ends at once.
    for (int count : {40, 0}) {
        useSheets(SheetOf(16, 0), count);
        host->progressSeen.clear();
        const gfx::Surface out = run(304, photo, {2, 10, 50, 50, 100});
        EXPECT_TRUE(AllOf(out, 0xFFFFFFFFu)) << count;
        ASSERT_FALSE(host->progressSeen.empty());
        EXPECT_EQ(host->progressSeen.back(), 101);
    }
}

// ---- Watercolor splashes --------------------------------------------------------

TEST_F(StampEffects, WatercolorSplashesPaintsValidDataWithAnyValues)
{
    const gfx::Image photo = Photo(160, 120);
    const gfx::Surface out = run(303, photo, {10, 20, 50, 50, 80});
    EXPECT_TRUE(ValidPremultiplied(out));
    EXPECT_FALSE(AllOf(out, 0xFFFFFFFFu));
    EXPECT_EQ(host->progressSeen.back(), 101);
    // Negative sizes give the smallest stamps, not a place per pixel of
    // nothing; huge counts are those of 100.
    EXPECT_FALSE(AllOf(run(303, photo, {-100, -100, -5, -5, -5}), 0xFFFFFFFFu));
    EXPECT_EQ(PixelsOf(run(303, photo, {10, 20, 500, 100000, 100})), PixelsOf(run(303, photo, {10, 20, 100, 100, 100})));
}

TEST_F(StampEffects, WatercolorSplashesGivesTheSameBytesOnAnyNumberOfThreads)
{
    // Big stamps: places are planned ahead and their tries measured
    // together on several threads, the generator left where the places
    // laid leave it (stepping past only the tries that count).
    const gfx::Image photo = Photo(300, 240);
    for (const std::array<int, 5>& values : {std::array<int, 5>{10, 70, 50, 50, 80}, {30, 90, 20, 95, 60}}) {
        std::vector<std::vector<gfx::Pixel>> results;
        for (int threads : {1, 3, 8}) {
            platform::ConfigureThreadPool(threads - 1, threads - 1);
            results.push_back(PixelsOf(run(303, photo, values, false, 5)));
        }
        platform::ConfigureDefaultThreadPool();
        EXPECT_EQ(results[0], results[1]);
        EXPECT_EQ(results[0], results[2]);
    }
}

TEST_F(StampEffects, WatercolorSplashesCopesWithVeryWidePictures)
{
    const gfx::Image photo = Photo(5200, 10);
    EXPECT_EQ(pq::BuildGradientMap(photo).height, 1);
    const gfx::Surface out = run(303, photo, {1, 2, 50, 0, 100});
    EXPECT_FALSE(AllOf(out, 0xFFFFFFFFu));
}

TEST_F(StampEffects, PreviewsStartTransparent)
{
    const gfx::Image photo = Photo(150, 120);
    for (int number : {302, 303, 304}) {
        useSheets(SheetOf(16, 1), 16);
        host->progressSeen.clear();
        EXPECT_TRUE(ValidPremultiplied(run(number, photo, {5, 10, 0, 0, 100}, true)));
        // Nothing to stamp: the canvas as the preview prepared it.
        useSheets(SheetOf(16, 0), 16);
        EXPECT_TRUE(AllOf(run(number, photo, {5, 10, 0, 0, 100}, true), 0u)) << number;
        EXPECT_TRUE(host->progressSeen.empty()) << "previews leave the main bar alone";
    }
}

// ---- Impasto brushstrokes --------------------------------------------------------

TEST(ImpastoValues, PassesTriesAndWorkingSize)
{
    pq::ImpastoSettings s = pq::ImpastoSettingsFor(800, 600, 10, 50, 50, 100, 100);
    EXPECT_EQ(s.passes, 18);
    EXPECT_EQ(s.refineBase, 12);
    EXPECT_EQ(s.skipLimit, 20);
    s = pq::ImpastoSettingsFor(800, 600, 10, 50, 50, 0, 100);
    EXPECT_EQ(s.passes, 8);
    EXPECT_EQ(s.refineBase, 2);
    EXPECT_EQ(s.skipLimit, 65);
    s = pq::ImpastoSettingsFor(2000, 1000, 10, 50, 50, 50, 100);
    EXPECT_EQ(s.scaleFactor, 2);
    EXPECT_EQ(s.workWidth, 1000);
    EXPECT_EQ(s.workHeight, 500);
    s = pq::ImpastoSettingsFor(2000, 1000, 10, 50, 50, 98, 100);
    EXPECT_EQ(s.workWidth, 2000);
    s = pq::ImpastoSettingsFor(800, 600, 0, 0, 50, 50, 100);
    EXPECT_EQ(s.minSize, 3);
    EXPECT_EQ(s.maxSize, 3);
    EXPECT_FLOAT_EQ(pq::ImpastoSettingsFor(800, 600, 0, 0, 0, 0, 0).opacity, 0.05f);
}

TEST(ImpastoValues, TheStampSurfaceHoldsAFullStampAtAnyAngle)
{
    for (const auto& [w, h] : {std::pair(60, 60), {200, 90}, {4000, 3000}})
        for (int p2 : {10, 50, 100}) {
            const pq::ImpastoSettings s = pq::ImpastoSettingsFor(w, h, 0, p2, 50, 50, 100);
            EXPECT_GE(s.scratchSize, int(std::ceil(std::sqrt(2.0) * s.maxSize)) + 4) << w << "x" << h << " " << p2;
        }
}

TEST(ImpastoValues, BandsAreTallerThanTwiceTheReach)
{
    const pq::ImpastoSettings s = pq::ImpastoSettingsFor(4000, 3000, 10, 50, 50, 50, 100);
    bool many = false;
    for (int k = 0; k <= s.passes; ++k) {
        const pq::impasto::PassValues pv = pq::impasto::PassValuesFor(s, k, true);
        const std::vector<pq::impasto::Band> bands = pq::impasto::BandsFor(s, pv);
        ASSERT_FALSE(bands.empty());
        EXPECT_EQ(bands.front().top, 0);
        EXPECT_EQ(bands.back().bottom, s.workHeight);
        const int fullReach = (int(std::nearbyint(pv.brushSize * 0.7)) + 2 + 1) / 2;
        for (size_t i = 0; i < bands.size(); ++i) {
            if (i > 0) {
                EXPECT_EQ(bands[i].top, bands[i - 1].bottom);
            }
            if (bands.size() > 1) {
                EXPECT_GE(bands[i].bottom - bands[i].top, 2 * pv.scanLimit);
                EXPECT_GE(bands[i].bottom - bands[i].top, 2 * fullReach);
            }
        }
        many = many || bands.size() >= 16;
    }
    EXPECT_TRUE(many);
}

TEST_F(StampEffects, ImpastoGivesTheSameBytesOnAnyNumberOfThreads)
{
    const gfx::Image photo = Photo(320, 260);
    // Small brushes, and big ones whose tries are scored together while
    // their band runs alone.
    for (const std::array<int, 5>& values : {std::array<int, 5>{2, 8, 90, 50, 90}, {10, 50, 50, 50, 100}}) {
        std::vector<std::vector<gfx::Pixel>> results;
        for (int threads : {1, 2, 8}) {
            platform::ConfigureThreadPool(threads - 1, threads - 1);
            results.push_back(PixelsOf(run(304, photo, values, false, 11)));
        }
        platform::ConfigureDefaultThreadPool();
        EXPECT_EQ(results[0], results[1]);
        EXPECT_EQ(results[0], results[2]);
    }
    EXPECT_NE(PixelsOf(run(304, photo, {2, 8, 90, 50, 90}, false, 11)),
              PixelsOf(run(304, photo, {2, 8, 90, 50, 90}, false, 12)))
        << "the seed matters";
}

// Runs effect `number` (whatever it throws reaches the test) as a preview
// whose run is cancelled at the `cancelAt`-th look at the clock, which the
// progress reports make.
void RunCancelledAt(int number, const gfx::Image& photo, gfx::Surface& dest, int cancelAt)
{
    auto ctx = pq::EffectRunContext::begin(true);
    ctx->seed(3);
    int looks = 0;
    uint32_t tick = 0;
    platform::SetTickSource([&] {
        if (++looks == cancelAt)
            ctx->stop();
        return tick += 100;
    });
    const platform::ScopedRunContext scope(ctx.get());
    pq::ProcessEffectOnSurface(photo, dest, number, 10, 40, 50, 50, 80, true);
    platform::SetTickSource({});
}

TEST_F(StampEffects, SplashesAndImpastoEndQuietlyWhenCancelledKeepingWhatTheyPainted)
{
    for (const int number : {303, 304}) {
        const gfx::Image photo = Photo(200, 160);
        // Cancelled at the first report, and at the third.
        for (const int cancelAt : {1, 3}) {
            loadDocument(photo);
            gfx::Surface dest = gfx::Surface::make(photo.size());
            EXPECT_NO_THROW(RunCancelledAt(number, photo, dest, cancelAt)) << number << " cancelled at " << cancelAt;
            platform::SetTickSource([this] { return tick_ += 100; });
            EXPECT_FALSE(AllOf(dest, 0u)) << number << ": the canvas keeps its strokes";
            EXPECT_TRUE(ValidPremultiplied(dest));
        }
    }
}

TEST_F(StampEffects, ImpastoShortOfMemoryEndsQuietlyAndTellsTheRun)
{
    // A band on a pool worker fails to get memory: the effect stops, and the
    // run, not the effect, says so (no half-painted canvas passes for a
    // picture).
    platform::ConfigureThreadPool(3, 3);
    platform::SetPoolWorkerHookForTests([] { throw std::bad_alloc(); });
    const gfx::Image photo = Photo(320, 260);
    bool noted = false;
    for (int attempt = 0; attempt < 20 && !noted; ++attempt) {
        loadDocument(photo);
        gfx::Surface dest = gfx::Surface::make(photo.size());
        auto ctx = pq::EffectRunContext::begin(false);
        ctx->seed(3);
        ctx->brushSheet = SheetOf(16, 1);
        ctx->brushCount = 16;
        const platform::ScopedRunContext scope(ctx.get());
        EXPECT_NO_THROW(pq::ImpastoBrushstrokes(photo, dest, 10, 50, 50, 50, 100, false));
        noted = ctx->outOfMemory.load();
    }
    platform::SetPoolWorkerHookForTests({});
    platform::ConfigureDefaultThreadPool();
    EXPECT_TRUE(noted);
    // Through the engine the same shortage is the memory failure.
    platform::ConfigureThreadPool(3, 3);
    platform::SetPoolWorkerHookForTests([] { throw std::bad_alloc(); });
    bool threw = false;
    for (int attempt = 0; attempt < 20 && !threw; ++attempt) {
        try {
            run(304, photo, {10, 50, 50, 50, 100});
        } catch (const std::bad_alloc&) {
            threw = true;
        }
    }
    platform::SetPoolWorkerHookForTests({});
    platform::ConfigureDefaultThreadPool();
    EXPECT_TRUE(threw);
}

TEST_F(StampEffects, ImpastoPaintsOverTheResultWhenEraseIsOff)
{
    // The left half of the photo already has the old result's colour.
    const gfx::Pixel green = testimg::Premul(20, 200, 30);
    const gfx::Image colours = Photo(200, 150);
    const gfx::Image photo = testimg::MakeImage(200, 150, [&](int x, int y) { return x < 100 ? green : colours.pixel(x, y); });
    host->eraseOn = false;
    const gfx::Image old = testimg::MakeSolid(200, 150, green);
    loadDocument(photo);
    host->result = old;
    gfx::Surface dest = gfx::Surface::make(photo.size());
    auto ctx = pq::EffectRunContext::begin(false);
    ctx->seed(4);
    platform::ScopedRunContext scope(ctx.get());
    pq::ProcessEffectOnSurface(photo, dest, 304, 5, 15, 20, 50, 100, false);
    int kept = 0;
    for (gfx::Pixel p : PixelsOf(dest))
        kept += p == old.pixel(0, 0);
    EXPECT_GT(kept, 30 * 150) << "places that match are left alone";
    EXPECT_LT(kept, 150 * 150);
    EXPECT_TRUE(ValidPremultiplied(dest));
}
