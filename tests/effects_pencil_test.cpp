#include "engine_test_support.h"
#include "image_compare.h"
#include "pencil_reference.h"

#include "engine/runtime/preview_window.h"
#include "engine/repository/image_repository.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <vector>

using namespace pqtest;
using testimg::Channel;
using testimg::ImagesNear;
using testimg::IsValidPremultiplied;

namespace {

// Soft shapes with a hard edge, pixel noise and, optionally, transparent and
// half-transparent patches.
gfx::Image PhotoLike(int w, int h, uint32_t seed, bool withAlpha = false)
{
    platform::Random rng(seed);
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const double blob = 0.5 + 0.4 * std::sin(x * 0.23 + seed) * std::cos(y * 0.19);
        const int base = int(blob * 255) + (x > w / 2 ? 40 : -40);
        auto ch = [&](int tint) { return platform::ClampByte(base + tint + rng.random(40) - 20); };
        int a = 255;
        if (withAlpha && (x + y) % 11 == 0)
            a = rng.random(256);
        if (withAlpha && x < w / 5 && y < h / 4)
            a = 0;
        return testimg::Premul(ch(30), ch(0), ch(-30), a);
    });
}

bool GreyWhereOpaque(const gfx::Image& img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const gfx::Pixel p = img.pixel(x, y);
            if (Channel(p, 3) == 255 && (Channel(p, 0) != Channel(p, 1) || Channel(p, 1) != Channel(p, 2)))
                return false;
        }
    return true;
}

// Records what reaches the progress bar and the preview pane.
class RecordingHost : public FakeHost {
public:
    std::vector<int> values;
    void updateProgressBar(int v) override
    {
        values.push_back(v);
        FakeHost::updateProgressBar(v);
    }
};

class PencilTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        savedTexture = pq::Repository().pencilTexture;
        pq::Repository().pencilTexture = {};
    }
    void TearDown() override
    {
        pq::Repository().pencilTexture = savedTexture;
        EngineTest::TearDown();
    }

    // Runs an effect synchronously in a run of its own whose generator starts
    // from `seed`.
    gfx::Image run(int number, const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, bool preview = false,
                   uint32_t seed = 1)
    {
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        ctx->rng.setSeed(seed);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, number, p1, p2, p3, p4, p5, preview);
        return dest.snapshot();
    }

    gfx::Image savedTexture;
};

// A hatching-like texture: dark at the left, white at the right.
gfx::Image PencilTexture(int w, int h)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const int v = platform::ClampByte(x * 255 / (w - 1) + ((x + 2 * y) % 7 == 0 ? -60 : 0));
        return testimg::Premul(v, v, v);
    });
}

} // namespace

// ---- Pencil sketch 1 -------------------------------------------------------

TEST_F(PencilTest, PencilSketch1MatchesTheStepByStepAlgorithm)
{
    struct Case {
        int w, h, p1, p2, p3, p4, p5;
        bool alpha, texture;
    };
    const Case cases[] = {
        {47, 33, 20, 50, 65, 5, 80, false, false}, {47, 33, 20, 50, 65, 5, 80, true, true},
        {60, 21, 0, 30, 50, 40, 100, false, true}, {23, 58, 60, 100, 0, 100, 0, true, false},
        {31, 31, 15, -40, 300, -20, 250, false, true},
    };
    uint32_t seed = 3;
    for (const Case& c : cases) {
        const gfx::Image src = PhotoLike(c.w, c.h, ++seed, c.alpha);
        const gfx::Image tex = c.texture ? PencilTexture(64, 12) : gfx::Image();
        pq::Repository().pencilTexture = tex;
        const gfx::Image out = run(100, src, c.p1, c.p2, c.p3, c.p4, c.p5, false, seed);
        EXPECT_TRUE(ImagesNear(pencilref::PencilSketch1(src, c.p1, c.p2, c.p3, c.p4, c.p5, tex), out))
            << c.w << "x" << c.h << " P " << c.p1 << " " << c.p2 << " " << c.p3 << " " << c.p4 << " " << c.p5;
        EXPECT_TRUE(IsValidPremultiplied(out));
    }
}

TEST_F(PencilTest, PencilSketch1ReseedsSoEveryRunGivesTheSamePicture)
{
    const gfx::Image src = PhotoLike(50, 40, 9);
    const gfx::Image first = run(100, src, 20, 50, 65, 5, 80, false, 1);
    EXPECT_TRUE(ImagesNear(first, run(100, src, 20, 50, 65, 5, 80, false, 77)));
    EXPECT_TRUE(ImagesNear(first, run(100, src, 20, 50, 65, 5, 80, true, 5)));
}

TEST_F(PencilTest, PencilSketch1EdgeCases)
{
    // 1 x 1: the turned frame is 2 x 2 and has no inner row.
    const gfx::Image one = run(100, testimg::MakeSolid(1, 1, 0xFF808080u), 20, 50, 65, 5, 80);
    EXPECT_EQ(one.pixel(0, 0), 0u);
    // No colour at P5 = 0 (and below, clamped).
    for (int p5 : {0, -30})
        EXPECT_TRUE(GreyWhereOpaque(run(100, PhotoLike(40, 30, 4), 20, 50, 65, 5, p5))) << p5;
    // Fully transparent pictures stay transparent.
    const gfx::Image clear = run(100, testimg::MakeSolid(20, 20, 0), 20, 50, 65, 5, 80);
    EXPECT_TRUE(ImagesNear(testimg::MakeSolid(20, 20, 0), clear));
    // Script values far outside the sliders.
    for (int v : {-100000, 100000, 2147483647})
        EXPECT_TRUE(IsValidPremultiplied(run(100, PhotoLike(30, 20, 5, true), v, v, v, v, v))) << v;
}

TEST_F(PencilTest, PencilSketch1ReportsEveryTwoHundredTurnedRows)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::SetEngineHost(recorder.get());
    std::atomic<uint32_t> now{0};
    platform::SetTickSource([&] { return now += 1000; });
    // 300 x 200 turns into 360 x 324: reports at rows 200 (Round(90 * 200 / 324 + 5) = 61).
    run(100, PhotoLike(300, 200, 6), 20, 50, 65, 5, 80);
    pq::SetEngineHost(host.get());
    EXPECT_EQ(recorder->values, (std::vector<int>{5, 61, 101}));
}

// ---- Pencil sketch 2 -------------------------------------------------------

TEST_F(PencilTest, PencilSketch2MatchesTheStepByStepAlgorithm)
{
    struct Case {
        int w, h, p1, p2, p3, p4, p5;
        bool preview, alpha;
    };
    const Case cases[] = {
        {80, 60, 10, 40, 30, 0, 30, false, false},  {41, 37, 10, 40, 30, 60, 30, true, true},
        {90, 50, 60, 10, 5, 100, 80, false, false}, {30, 70, 5, 20, 2, 250, 100, true, false},
        {64, 48, 10, 40, 50, 0, -10, false, true},  {3, 40, 10, 40, 30, 0, 30, true, false},
    };
    uint32_t seed = 20;
    for (const Case& c : cases) {
        const gfx::Image src = PhotoLike(c.w, c.h, ++seed, c.alpha);
        const gfx::Image out = run(101, src, c.p1, c.p2, c.p3, c.p4, c.p5, c.preview, seed * 7);
        EXPECT_TRUE(ImagesNear(pencilref::PencilSketch2(src, c.p1, c.p2, c.p3, c.p4, c.p5, c.preview, seed * 7), out))
            << c.w << "x" << c.h << " P " << c.p1 << " " << c.p2 << " " << c.p3 << " " << c.p4 << " " << c.p5;
        EXPECT_TRUE(IsValidPremultiplied(out));
    }
}

TEST_F(PencilTest, PencilSketch2MatchesTheStepByStepAlgorithmWhateverTheAlphaAndSize)
{
    // Pictures with no blank pixel (alpha 10 or more everywhere,
    // half-transparent included) and with a few, on sizes that cut the tiles
    // anywhere and on narrow strips where a place has a single column or row.
    auto withAlphaFloor = [](const gfx::Image& src, int floor) {
        return testimg::MakeImage(src.width(), src.height(), [&](int x, int y) {
            const gfx::Pixel p = src.pixel(x, y);
            const int a = std::max(int(Channel(p, 3)), floor);
            return testimg::Premul(Channel(p, 0) * a / 255, Channel(p, 1) * a / 255, Channel(p, 2) * a / 255, a);
        });
    };
    struct Case {
        int w, h, floor;
        bool preview;
    };
    const Case cases[] = {{37, 29, 10, false}, {61, 43, 9, false}, {70, 33, 255, true},
                          {2, 50, 10, false},  {45, 2, 40, true},  {1, 30, 255, false}};
    uint32_t seed = 40;
    for (const Case& c : cases) {
        const gfx::Image src = withAlphaFloor(PhotoLike(c.w, c.h, ++seed, true), c.floor);
        for (const auto& v : {std::array<int, 5>{10, 40, 30, 0, 30}, std::array<int, 5>{2, 90, 60, 30, 100}}) {
            const gfx::Image out = run(101, src, v[0], v[1], v[2], v[3], v[4], c.preview, seed);
            EXPECT_TRUE(ImagesNear(pencilref::PencilSketch2(src, v[0], v[1], v[2], v[3], v[4], c.preview, seed), out))
                << c.w << "x" << c.h << " alpha from " << c.floor << " P " << v[0] << " " << v[2];
        }
    }
}

TEST_F(PencilTest, PencilSketch2MatchesTheStepByStepAlgorithmOnAnyThreadCount)
{
    // Many lines on a small picture: candidates laid out ahead often read
    // blocks a line has since been drawn over, and are drawn again.
    const gfx::Image src = PhotoLike(120, 90, 31, true);
    for (const bool preview : {false, true}) {
        const gfx::Image expected = pencilref::PencilSketch2(src, 2, 90, 100, 0, 100, preview, 5);
        for (const int workers : {0, 1, 3, 7}) {
            platform::ConfigureThreadPool(workers, workers);
            EXPECT_TRUE(ImagesNear(expected, run(101, src, 2, 90, 100, 0, 100, preview, 5), 0))
                << workers << " workers, preview " << preview;
        }
        platform::ConfigureDefaultThreadPool();
    }
}

TEST_F(PencilTest, PencilSketch2EdgeCases)
{
    // Pure white stays pure white: no line brings the sheet closer.
    const gfx::Image white = testimg::MakeSolid(40, 30, 0xFFFFFFFFu);
    EXPECT_TRUE(ImagesNear(white, run(101, white, 10, 40, 30, 0, 30)));
    // Without the colour pass the drawing is grey.
    const gfx::Image grey = run(101, PhotoLike(60, 40, 8), 10, 40, 30, 0, 30);
    EXPECT_TRUE(GreyWhereOpaque(grey));
    int drawn = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            drawn += Channel(grey.pixel(x, y), 0) < 200;
    EXPECT_GT(drawn, 100);
    // Pictures too small for a place, and script values far outside the sliders.
    for (const QSize size : {QSize(1, 1), QSize(1, 9), QSize(9, 1), QSize(2, 2)})
        EXPECT_TRUE(IsValidPremultiplied(run(101, PhotoLike(size.width(), size.height(), 3), 10, 40, 30, 50, 30)));
    for (int v : {-1000, 100000}) {
        EXPECT_TRUE(IsValidPremultiplied(run(101, PhotoLike(30, 20, 5, true), v, v, v, v, 30))) << v;
        EXPECT_TRUE(IsValidPremultiplied(run(101, PhotoLike(30, 20, 5, true), 10, 40, 5, 0, v))) << v;
    }
}

TEST_F(PencilTest, PencilSketch2ValuesAboveTheSlidersCostWhatTheMaximumCosts)
{
    // Stroke lengths, density and quality above 100 once made a run last
    // minutes; they do the work of 100, and 100 stays as it was.
    const gfx::Image src = PhotoLike(48, 36, 4);
    const gfx::Image atMaximum = run(101, src, 100, 100, 100, 40, 100);
    EXPECT_TRUE(ImagesNear(atMaximum, run(101, src, 1000, 1000, 1000, 40, 1000)));
    EXPECT_TRUE(ImagesNear(atMaximum, run(101, src, 100000, 150, 101, 40, 200)));
    EXPECT_FALSE(ImagesNear(atMaximum, run(101, src, 100, 99, 100, 40, 100)));
}

TEST_F(PencilTest, PencilSketch2ColourPassNeverExceedsFullStrength)
{
    const gfx::Image src = PhotoLike(40, 30, 12, true);
    const gfx::Image full = run(101, src, 10, 40, 10, 100, 30);
    EXPECT_TRUE(ImagesNear(full, run(101, src, 10, 40, 10, 5000, 30)));
    EXPECT_TRUE(IsValidPremultiplied(full));
}

TEST_F(PencilTest, PencilSketch2FullRunEndsTheBar)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::SetEngineHost(recorder.get());
    run(101, PhotoLike(40, 30, 2), 10, 40, 30, 0, 30);
    pq::SetEngineHost(host.get());
    ASSERT_FALSE(recorder->values.empty());
    EXPECT_EQ(recorder->values.back(), 101);
    EXPECT_TRUE(recorder->result.size() == QSize(40, 30));
}

// ---- Pencil sketch 3 -------------------------------------------------------

TEST_F(PencilTest, PencilSketch3MatchesTheStepByStepAlgorithm)
{
    struct Case {
        int w, h, p1, p2, p3, p4, p5;
        bool alpha;
    };
    const Case cases[] = {
        {70, 50, 20, 80, 30, 25, 0, false},  {66, 45, 20, 80, 30, 25, 60, true},
        {40, 90, 5, 30, 0, 0, 100, false},   {50, 50, 0, 150, 100, 80, 40, true},
        {12, 7, 100, 100, 10, -50, 20, false},
    };
    uint32_t seed = 50;
    for (const Case& c : cases) {
        const gfx::Image src = PhotoLike(c.w, c.h, ++seed, c.alpha);
        const gfx::Image out = run(102, src, c.p1, c.p2, c.p3, c.p4, c.p5);
        EXPECT_TRUE(ImagesNear(pencilref::PencilSketch3(src, c.p1, c.p2, c.p3, c.p4, c.p5), out))
            << c.w << "x" << c.h << " P " << c.p1 << " " << c.p2 << " " << c.p3 << " " << c.p4 << " " << c.p5;
        EXPECT_TRUE(IsValidPremultiplied(out));
    }
}

TEST_F(PencilTest, PencilSketch3KeepsTheSourceAlphaAndIsGreyWithoutColour)
{
    const gfx::Image src = PhotoLike(60, 50, 31, true);
    const gfx::Image out = run(102, src, 20, 80, 30, 25, 0);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(Channel(out.pixel(x, y), 3), Channel(src.pixel(x, y), 3)) << x << "," << y;
    EXPECT_TRUE(GreyWhereOpaque(out));
    EXPECT_TRUE(IsValidPremultiplied(out));
    // Its own generator: the run's seed does not matter.
    EXPECT_TRUE(ImagesNear(out, run(102, src, 20, 80, 30, 25, 0, false, 999)));
}

TEST_F(PencilTest, PencilSketch3ScriptValuesAndBlankPicturesFinish)
{
    const gfx::Image src = PhotoLike(60, 40, 17);
    // Long strokes: the darkening divisor stays positive.
    for (int p2 : {119, 125, 128, 129, 150, 200, 100000})
        EXPECT_TRUE(IsValidPremultiplied(run(102, src, 20, p2, 30, 25, 30))) << p2;
    for (int v : {-1000, 1000})
        EXPECT_TRUE(IsValidPremultiplied(run(102, src, v, v, v, v, v))) << v;
    // Nowhere dark enough to start a stroke: the paper stays white.
    const gfx::Image white = testimg::MakeSolid(50, 40, 0xFFFFFFFFu);
    EXPECT_TRUE(ImagesNear(white, run(102, white, 20, 80, 30, 25, 0)));
    // One dark place in a white picture: the search for start places has a
    // budget, so the run ends, with the strokes it could start.
    const gfx::Image dot = testimg::MakeImage(50, 40, [](int x, int y) {
        return x == 20 && y == 20 ? testimg::Premul(0, 0, 0) : testimg::Premul(255, 255, 255);
    });
    const gfx::Image dotted = run(102, dot, 20, 80, 30, 25, 0);
    EXPECT_LT(Channel(dotted.pixel(20, 20), 0), 255);
    EXPECT_TRUE(IsValidPremultiplied(dotted));
    // A transparent picture keeps its transparency.
    const gfx::Image clear = testimg::MakeSolid(30, 30, 0);
    EXPECT_TRUE(ImagesNear(clear, run(102, clear, 20, 80, 30, 25, 0)));
    // Too small for a start place inside the border.
    for (const QSize size : {QSize(1, 1), QSize(2, 9), QSize(9, 2)})
        EXPECT_TRUE(IsValidPremultiplied(run(102, PhotoLike(size.width(), size.height(), 3), 20, 80, 30, 25, 50)));
}

TEST_F(PencilTest, PencilSketch3FullRunProgress)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::SetEngineHost(recorder.get());
    run(102, PhotoLike(60, 40, 5), 20, 80, 30, 25, 0);
    pq::SetEngineHost(host.get());
    const std::vector<int>& v = recorder->values;
    ASSERT_GE(v.size(), 3u);
    EXPECT_EQ(v.front(), 0);
    EXPECT_EQ(v[v.size() - 2], 100);
    EXPECT_EQ(v.back(), 101);
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
}

TEST_F(PencilTest, ASupersededPencilSketch3PreviewLeavesThePaneAlone)
{
    host->previewSize = QSizeF(60, 40);
    const gfx::Image src = PhotoLike(60, 40, 8);
    gfx::Surface dest = gfx::Surface::make(src.size());
    auto ctx = pq::EffectRunContext::begin(true);
    int ticks = 0;
    int updatesAtSupersede = -1;
    platform::SetTickSource([&] {
        if (++ticks == 2) { // during the strokes: a newer preview is requested
            updatesAtSupersede = host->previewBitmapUpdates;
            host->shared->previewGeneration++;
        }
        return uint32_t(ticks * 1000);
    });
    platform::ScopedRunContext scope(ctx.get());
    EXPECT_THROW(pq::ProcessEffectOnSurface(src, dest, 102, 20, 80, 30, 25, 0, true), pq::EAbort);
    bridge->pump();
    EXPECT_GE(updatesAtSupersede, 1);
    EXPECT_EQ(host->previewBitmapUpdates, updatesAtSupersede);
}

TEST_F(PencilTest, CancelledFullRunsStop)
{
    for (int number : {101, 102}) {
        const gfx::Image src = PhotoLike(60, 40, 9);
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(false);
        host->shared->cancel.request();
        platform::ScopedRunContext scope(ctx.get());
        EXPECT_THROW(pq::ProcessEffectOnSurface(src, dest, number, 20, 40, 30, 0, 0, false), pq::EAbort) << number;
    }
    // Effect 100 stops at its first report.
    gfx::Surface dest = gfx::Surface::make(40, 30);
    auto ctx = pq::EffectRunContext::begin(false);
    host->shared->cancel.request();
    platform::ScopedRunContext scope(ctx.get());
    EXPECT_THROW(pq::ProcessEffectOnSurface(PhotoLike(40, 30, 1), dest, 100, 20, 50, 65, 5, 80, false), pq::EAbort);
}
