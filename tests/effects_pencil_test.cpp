#include "engine_test_support.h"
#include "image_compare.h"
#include "pencil_reference.h"

#include "engine/runtime/preview_window.h"
#include "engine/repository/image_repository.h"
#include "platform/numeric.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

using namespace pqtest;
using testimg::channel;
using testimg::imagesNear;
using testimg::isValidPremultiplied;

namespace {

// Soft shapes with a hard edge, pixel noise and, optionally, transparent and
// half-transparent patches.
gfx::Image photoLike(int w, int h, uint32_t seed, bool withAlpha = false)
{
    platform::Random rng(seed);
    return testimg::makeImage(w, h, [&](int x, int y) {
        const double blob = 0.5 + 0.4 * std::sin(x * 0.23 + seed) * std::cos(y * 0.19);
        const int base = int(blob * 255) + (x > w / 2 ? 40 : -40);
        auto ch = [&](int tint) { return platform::ClampByte(base + tint + rng.random(40) - 20); };
        int a = 255;
        if (withAlpha && (x + y) % 11 == 0)
            a = rng.random(256);
        if (withAlpha && x < w / 5 && y < h / 4)
            a = 0;
        return testimg::premul(ch(30), ch(0), ch(-30), a);
    });
}

bool greyWhereOpaque(const gfx::Image& img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const gfx::Pixel p = img.pixel(x, y);
            if (channel(p, 3) == 255 && (channel(p, 0) != channel(p, 1) || channel(p, 1) != channel(p, 2)))
                return false;
        }
    return true;
}

// Records what reaches the progress bar and the preview pane.
class RecordingHost : public FakeHost {
public:
    std::vector<int> values;
    void UpdateProgressBar(int v) override
    {
        values.push_back(v);
        FakeHost::UpdateProgressBar(v);
    }
};

class PencilTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        savedTexture = pq::Repository().PencilTexture;
        pq::Repository().PencilTexture = {};
    }
    void TearDown() override
    {
        pq::Repository().PencilTexture = savedTexture;
        EngineTest::TearDown();
    }

    // Runs an effect synchronously in a run of its own whose generator starts
    // from `seed`.
    gfx::Image run(int number, const gfx::Image& src, int P1, int P2, int P3, int P4, int P5, bool preview = false,
                   uint32_t seed = 1)
    {
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        ctx->rng.setSeed(seed);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, number, P1, P2, P3, P4, P5, preview);
        return dest.snapshot();
    }

    gfx::Image savedTexture;
};

// A hatching-like texture: dark at the left, white at the right.
gfx::Image pencilTexture(int w, int h)
{
    return testimg::makeImage(w, h, [&](int x, int y) {
        const int v = platform::ClampByte(x * 255 / (w - 1) + ((x + 2 * y) % 7 == 0 ? -60 : 0));
        return testimg::premul(v, v, v);
    });
}

} // namespace

// ---- Pencil sketch 1 -------------------------------------------------------

TEST_F(PencilTest, PencilSketchMatchesTheStepByStepAlgorithm)
{
    struct Case {
        int w, h, P1, P2, P3, P4, P5;
        bool alpha, texture;
    };
    const Case cases[] = {
        {47, 33, 20, 50, 65, 5, 80, false, false}, {47, 33, 20, 50, 65, 5, 80, true, true},
        {60, 21, 0, 30, 50, 40, 100, false, true}, {23, 58, 60, 100, 0, 100, 0, true, false},
        {31, 31, 15, -40, 300, -20, 250, false, true},
    };
    uint32_t seed = 3;
    for (const Case& c : cases) {
        const gfx::Image src = photoLike(c.w, c.h, ++seed, c.alpha);
        const gfx::Image tex = c.texture ? pencilTexture(64, 12) : gfx::Image();
        pq::Repository().PencilTexture = tex;
        const gfx::Image out = run(100, src, c.P1, c.P2, c.P3, c.P4, c.P5, false, seed);
        EXPECT_TRUE(imagesNear(pencilref::pencilSketch(src, c.P1, c.P2, c.P3, c.P4, c.P5, tex), out))
            << c.w << "x" << c.h << " P " << c.P1 << " " << c.P2 << " " << c.P3 << " " << c.P4 << " " << c.P5;
        EXPECT_TRUE(isValidPremultiplied(out));
    }
}

TEST_F(PencilTest, PencilSketchReseedsSoEveryRunGivesTheSamePicture)
{
    const gfx::Image src = photoLike(50, 40, 9);
    const gfx::Image first = run(100, src, 20, 50, 65, 5, 80, false, 1);
    EXPECT_TRUE(imagesNear(first, run(100, src, 20, 50, 65, 5, 80, false, 77)));
    EXPECT_TRUE(imagesNear(first, run(100, src, 20, 50, 65, 5, 80, true, 5)));
}

TEST_F(PencilTest, PencilSketchEdgeCases)
{
    // 1 x 1: the turned frame is 2 x 2 and has no inner row.
    const gfx::Image one = run(100, testimg::makeSolid(1, 1, 0xFF808080u), 20, 50, 65, 5, 80);
    EXPECT_EQ(one.pixel(0, 0), 0u);
    // No colour at P5 = 0 (and below, clamped).
    for (int P5 : {0, -30})
        EXPECT_TRUE(greyWhereOpaque(run(100, photoLike(40, 30, 4), 20, 50, 65, 5, P5))) << P5;
    // Fully transparent pictures stay transparent.
    const gfx::Image clear = run(100, testimg::makeSolid(20, 20, 0), 20, 50, 65, 5, 80);
    EXPECT_TRUE(imagesNear(testimg::makeSolid(20, 20, 0), clear));
    // Script values far outside the sliders.
    for (int v : {-100000, 100000, 2147483647})
        EXPECT_TRUE(isValidPremultiplied(run(100, photoLike(30, 20, 5, true), v, v, v, v, v))) << v;
}

TEST_F(PencilTest, PencilSketchReportsEveryTwoHundredTurnedRows)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::setEngineHost(recorder.get());
    std::atomic<uint32_t> now{0};
    platform::setTickSource([&] { return now += 1000; });
    // 300 x 200 turns into 360 x 324: reports at rows 200 (Round(90 * 200 / 324 + 5) = 61).
    run(100, photoLike(300, 200, 6), 20, 50, 65, 5, 80);
    pq::setEngineHost(host.get());
    EXPECT_EQ(recorder->values, (std::vector<int>{5, 61, 101}));
}

// ---- Pencil sketch 2 -------------------------------------------------------

TEST_F(PencilTest, Pencil6MatchesTheStepByStepAlgorithm)
{
    struct Case {
        int w, h, P1, P2, P3, P4, P5;
        bool preview, alpha;
    };
    const Case cases[] = {
        {80, 60, 10, 40, 30, 0, 30, false, false},  {41, 37, 10, 40, 30, 60, 30, true, true},
        {90, 50, 60, 10, 5, 100, 80, false, false}, {30, 70, 5, 20, 2, 250, 100, true, false},
        {64, 48, 10, 40, 50, 0, -10, false, true},  {3, 40, 10, 40, 30, 0, 30, true, false},
    };
    uint32_t seed = 20;
    for (const Case& c : cases) {
        const gfx::Image src = photoLike(c.w, c.h, ++seed, c.alpha);
        const gfx::Image out = run(101, src, c.P1, c.P2, c.P3, c.P4, c.P5, c.preview, seed * 7);
        EXPECT_TRUE(imagesNear(pencilref::pencil6(src, c.P1, c.P2, c.P3, c.P4, c.P5, c.preview, seed * 7), out))
            << c.w << "x" << c.h << " P " << c.P1 << " " << c.P2 << " " << c.P3 << " " << c.P4 << " " << c.P5;
        EXPECT_TRUE(isValidPremultiplied(out));
    }
}

TEST_F(PencilTest, Pencil6EdgeCases)
{
    // Pure white stays pure white: no line brings the sheet closer.
    const gfx::Image white = testimg::makeSolid(40, 30, 0xFFFFFFFFu);
    EXPECT_TRUE(imagesNear(white, run(101, white, 10, 40, 30, 0, 30)));
    // Without the colour pass the drawing is grey.
    const gfx::Image grey = run(101, photoLike(60, 40, 8), 10, 40, 30, 0, 30);
    EXPECT_TRUE(greyWhereOpaque(grey));
    int drawn = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            drawn += channel(grey.pixel(x, y), 0) < 200;
    EXPECT_GT(drawn, 100);
    // Pictures too small for a place, and script values far outside the sliders.
    for (const QSize size : {QSize(1, 1), QSize(1, 9), QSize(9, 1), QSize(2, 2)})
        EXPECT_TRUE(isValidPremultiplied(run(101, photoLike(size.width(), size.height(), 3), 10, 40, 30, 50, 30)));
    for (int v : {-1000, 100000}) {
        EXPECT_TRUE(isValidPremultiplied(run(101, photoLike(30, 20, 5, true), v, v, v, v, 30))) << v;
        EXPECT_TRUE(isValidPremultiplied(run(101, photoLike(30, 20, 5, true), 10, 40, 5, 0, v))) << v;
    }
}

TEST_F(PencilTest, Pencil6ColourPassNeverExceedsFullStrength)
{
    const gfx::Image src = photoLike(40, 30, 12, true);
    const gfx::Image full = run(101, src, 10, 40, 10, 100, 30);
    EXPECT_TRUE(imagesNear(full, run(101, src, 10, 40, 10, 5000, 30)));
    EXPECT_TRUE(isValidPremultiplied(full));
}

TEST_F(PencilTest, Pencil6FullRunEndsTheBar)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::setEngineHost(recorder.get());
    run(101, photoLike(40, 30, 2), 10, 40, 30, 0, 30);
    pq::setEngineHost(host.get());
    ASSERT_FALSE(recorder->values.empty());
    EXPECT_EQ(recorder->values.back(), 101);
    EXPECT_TRUE(recorder->Image.size() == QSize(40, 30));
}

// ---- Pencil sketch 3 -------------------------------------------------------

TEST_F(PencilTest, DynamicPencilMatchesTheStepByStepAlgorithm)
{
    struct Case {
        int w, h, P1, P2, P3, P4, P5;
        bool alpha;
    };
    const Case cases[] = {
        {70, 50, 20, 80, 30, 25, 0, false},  {66, 45, 20, 80, 30, 25, 60, true},
        {40, 90, 5, 30, 0, 0, 100, false},   {50, 50, 0, 150, 100, 80, 40, true},
        {12, 7, 100, 100, 10, -50, 20, false},
    };
    uint32_t seed = 50;
    for (const Case& c : cases) {
        const gfx::Image src = photoLike(c.w, c.h, ++seed, c.alpha);
        const gfx::Image out = run(102, src, c.P1, c.P2, c.P3, c.P4, c.P5);
        EXPECT_TRUE(imagesNear(pencilref::dynamicPencil(src, c.P1, c.P2, c.P3, c.P4, c.P5), out))
            << c.w << "x" << c.h << " P " << c.P1 << " " << c.P2 << " " << c.P3 << " " << c.P4 << " " << c.P5;
        EXPECT_TRUE(isValidPremultiplied(out));
    }
}

TEST_F(PencilTest, DynamicPencilKeepsTheSourceAlphaAndIsGreyWithoutColour)
{
    const gfx::Image src = photoLike(60, 50, 31, true);
    const gfx::Image out = run(102, src, 20, 80, 30, 25, 0);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(channel(out.pixel(x, y), 3), channel(src.pixel(x, y), 3)) << x << "," << y;
    EXPECT_TRUE(greyWhereOpaque(out));
    EXPECT_TRUE(isValidPremultiplied(out));
    // Its own generator: the run's seed does not matter.
    EXPECT_TRUE(imagesNear(out, run(102, src, 20, 80, 30, 25, 0, false, 999)));
}

TEST_F(PencilTest, DynamicPencilScriptValuesAndBlankPicturesFinish)
{
    const gfx::Image src = photoLike(60, 40, 17);
    // Long strokes: the darkening divisor stays positive.
    for (int P2 : {119, 125, 128, 129, 150, 200, 100000})
        EXPECT_TRUE(isValidPremultiplied(run(102, src, 20, P2, 30, 25, 30))) << P2;
    for (int v : {-1000, 1000})
        EXPECT_TRUE(isValidPremultiplied(run(102, src, v, v, v, v, v))) << v;
    // Nowhere dark enough to start a stroke: the paper stays white.
    const gfx::Image white = testimg::makeSolid(50, 40, 0xFFFFFFFFu);
    EXPECT_TRUE(imagesNear(white, run(102, white, 20, 80, 30, 25, 0)));
    // One dark place in a white picture: the search for start places has a
    // budget, so the run ends, with the strokes it could start.
    const gfx::Image dot = testimg::makeImage(50, 40, [](int x, int y) {
        return x == 20 && y == 20 ? testimg::premul(0, 0, 0) : testimg::premul(255, 255, 255);
    });
    const gfx::Image dotted = run(102, dot, 20, 80, 30, 25, 0);
    EXPECT_LT(channel(dotted.pixel(20, 20), 0), 255);
    EXPECT_TRUE(isValidPremultiplied(dotted));
    // A transparent picture keeps its transparency.
    const gfx::Image clear = testimg::makeSolid(30, 30, 0);
    EXPECT_TRUE(imagesNear(clear, run(102, clear, 20, 80, 30, 25, 0)));
    // Too small for a start place inside the border.
    for (const QSize size : {QSize(1, 1), QSize(2, 9), QSize(9, 2)})
        EXPECT_TRUE(isValidPremultiplied(run(102, photoLike(size.width(), size.height(), 3), 20, 80, 30, 25, 50)));
}

TEST_F(PencilTest, DynamicPencilFullRunProgress)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::setEngineHost(recorder.get());
    run(102, photoLike(60, 40, 5), 20, 80, 30, 25, 0);
    pq::setEngineHost(host.get());
    const std::vector<int>& v = recorder->values;
    ASSERT_GE(v.size(), 3u);
    EXPECT_EQ(v.front(), 0);
    EXPECT_EQ(v[v.size() - 2], 100);
    EXPECT_EQ(v.back(), 101);
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
}

TEST_F(PencilTest, ASupersededDynamicPencilPreviewLeavesThePaneAlone)
{
    host->PreviewSize = QSizeF(60, 40);
    const gfx::Image src = photoLike(60, 40, 8);
    gfx::Surface dest = gfx::Surface::make(src.size());
    auto ctx = pq::EffectRunContext::begin(true);
    int ticks = 0;
    int updatesAtSupersede = -1;
    platform::setTickSource([&] {
        if (++ticks == 2) { // during the strokes: a newer preview is requested
            updatesAtSupersede = host->PreviewBitmapUpdates;
            host->Shared->previewGeneration++;
        }
        return uint32_t(ticks * 1000);
    });
    platform::ScopedRunContext scope(ctx.get());
    EXPECT_THROW(pq::ProcessEffectOnSurface(src, dest, 102, 20, 80, 30, 25, 0, true), pq::EAbort);
    bridge->pump();
    EXPECT_GE(updatesAtSupersede, 1);
    EXPECT_EQ(host->PreviewBitmapUpdates, updatesAtSupersede);
}

TEST_F(PencilTest, CancelledFullRunsStop)
{
    for (int number : {101, 102}) {
        const gfx::Image src = photoLike(60, 40, 9);
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(false);
        host->Shared->Cancel.request();
        platform::ScopedRunContext scope(ctx.get());
        EXPECT_THROW(pq::ProcessEffectOnSurface(src, dest, number, 20, 40, 30, 0, 0, false), pq::EAbort) << number;
    }
    // Effect 100 stops at its first report.
    gfx::Surface dest = gfx::Surface::make(40, 30);
    auto ctx = pq::EffectRunContext::begin(false);
    host->Shared->Cancel.request();
    platform::ScopedRunContext scope(ctx.get());
    EXPECT_THROW(pq::ProcessEffectOnSurface(photoLike(40, 30, 1), dest, 100, 20, 50, 65, 5, 80, false), pq::EAbort);
}
