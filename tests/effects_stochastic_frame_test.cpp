// Stochastic painting (307) and the brushstroke frame, with the built-in
// template-matching atlas.
#include "engine_test_support.h"

#include "effects/painting/brushstrokes_frame.h"
#include "effects/painting/stochastic_painting/stochastic_painting.h"
#include "engine/repository/image_repository.h"
#include "image_compare.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"

#include <array>
#include <new>
#include <thread>
#include <vector>

using namespace pqtest;

namespace {

gfx::Image Photo(int w, int h, int alphaBelowX = -1)
{
    return testimg::MakeImage(w, h, [=](int x, int y) {
        if (x < alphaBelowX)
            return gfx::Pixel(0);
        const int r = (x / 30 + y / 25) % 2 ? 200 : 60;
        const int g = 80 + (x * 3 + y) % 120;
        const int b = y * 255 / std::max(1, y + 40);
        return testimg::Premul(r, g, b);
    });
}

bool ValidPremultiplied(const gfx::Image& s)
{
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const gfx::Pixel p = s.pixel(x, y);
            for (int ch = 0; ch < 3; ++ch)
                if (((p >> (8 * ch)) & 255) > (p >> 24))
                    return false;
        }
    return true;
}

bool AllOf(const gfx::Image& s, gfx::Pixel value, QRect area = QRect())
{
    if (area.isNull())
        area = s.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (s.pixel(x, y) != value)
                return false;
    return true;
}

const gfx::Image& Atlas()
{
    pq::ImageRepository& repo = pq::Repository();
    if (!repo.loaded())
        repo.create();
    return repo.templateMatchingBrushes;
}

class StochasticRuns : public EngineTest {
protected:
    gfx::Image run(const gfx::Image& src, std::array<int, 5> v, bool preview = false, uint32_t seed = 3)
    {
        Atlas();
        loadDocument(src);
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        ctx->seed(seed);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, 307, v[0], v[1], v[2], v[3], v[4], preview);
        return dest.snapshot();
    }
};

gfx::Image Frame(const gfx::Image& src, QRgb colour, int width, int brush, uint32_t seed = 5)
{
    auto ctx = pq::EffectRunContext::begin(false);
    ctx->seed(seed);
    platform::ScopedRunContext scope(ctx.get());
    return pq::ApplyBrushstrokesFrame(src, Atlas(), colour, width, brush);
}

} // namespace

// ---- Stochastic painting ------------------------------------------------------

TEST(StochasticValues, SlidersGiveSizesCountsAndSteps)
{
    const pq::StochasticSettings swapped = pq::StochasticSettingsFor(100, 100, 100, 0, 20, 50, 90);
    EXPECT_EQ(swapped.minSize, 10);
    EXPECT_EQ(swapped.maxSize, 200);
    EXPECT_EQ(pq::StochasticSettingsFor(19, 20, 10, 50, 20, 50, 90).total, 0); // under 400 pixels
    EXPECT_EQ(pq::StochasticSettingsFor(200, 200, 10, 50, 0, 50, 90).total, 500);  // F = 5
    EXPECT_EQ(pq::StochasticSettingsFor(200, 200, 10, 50, 0, 90, 90).total, 375);  // and 25 % fewer
    const pq::StochasticSettings busy = pq::StochasticSettingsFor(200, 200, 10, 50, 90, 50, 90);
    EXPECT_EQ(busy.sampleStep, 5);
    EXPECT_EQ(busy.attempts, 2);
    EXPECT_EQ(pq::StochasticSettingsFor(200, 200, 10, 50, 90, 95, 90).sampleStep, 3);
    EXPECT_EQ(pq::StochasticSettingsFor(200, 200, 0, 0, 0, 0, 0).opacity, 20);
    // A script's 10000 would throw hundreds of millions of strokes.
    EXPECT_EQ(pq::StochasticSettingsFor(4000, 3000, 10, 50, 10000, 50, 90).total,
              pq::StochasticSettingsFor(4000, 3000, 10, 50, 100, 50, 90).total);
}

TEST_F(StochasticRuns, TinyPicturesGetNoStrokes)
{
    EXPECT_TRUE(AllOf(run(Photo(19, 20), {10, 50, 20, 50, 90}, true), 0xFFFFFFFFu));
    // With erase on, a transparent source's canvas is white exactly where
    // the photo has any alpha.
    const gfx::Image holed = Photo(19, 20, 7);
    const gfx::Image out = run(holed, {10, 50, 20, 50, 90});
    EXPECT_TRUE(AllOf(out, 0u, QRect(0, 0, 7, 20)));
    EXPECT_TRUE(AllOf(out, 0xFFFFFFFFu, QRect(7, 0, 12, 20)));
}

TEST_F(StochasticRuns, PaintsValidStrokesAndRepeatsWithASeed)
{
    const gfx::Image photo = Photo(160, 120);
    const gfx::Image a = run(photo, {5, 15, 20, 50, 90});
    EXPECT_TRUE(ValidPremultiplied(a));
    EXPECT_FALSE(AllOf(a, 0xFFFFFFFFu));
    EXPECT_TRUE(testimg::ImagesNear(a, run(photo, {5, 15, 20, 50, 90})));
    // Half-transparent colours are laid as the colours they are.
    const gfx::Image faint = testimg::MakeImage(120, 100, [](int x, int) { return testimg::Premul(250, 40, 20, x < 60 ? 60 : 200); });
    EXPECT_TRUE(ValidPremultiplied(run(faint, {5, 15, 20, 50, 90})));
}

TEST_F(StochasticRuns, NoStrokeIsCentredOnTransparentPixels)
{
    const gfx::Image photo = Photo(160, 100, 80);
    const gfx::Image out = run(photo, {0, 0, 40, 50, 100}); // sizes 5..10, reach at most 8
    EXPECT_TRUE(AllOf(out, 0u, QRect(0, 0, 80 - 9, 100)));
    EXPECT_FALSE(AllOf(out, 0xFFFFFFFFu, QRect(90, 0, 70, 100)));
}

TEST_F(StochasticRuns, GivesTheSameBytesForAnyPoolSize)
{
    // Helpers join as pool threads come: none, one, or more than the
    // strokes' tiles keep busy; on a wide picture strokes cross tiles side
    // by side too.
    for (const QSize size : {QSize(240, 180), QSize(2100, 50)}) {
        const gfx::Image photo = Photo(size.width(), size.height());
        std::vector<gfx::Image> results;
        for (const int workers : {0, 1, 2, 7}) {
            platform::ConfigureThreadPool(workers, workers);
            results.push_back(run(photo, {5, 40, 30, 50, 90}));
        }
        platform::ConfigureDefaultThreadPool();
        for (size_t k = 1; k < results.size(); ++k)
            EXPECT_TRUE(testimg::ImagesNear(results[0], results[k], 0)) << size.width() << " " << k;
    }
}

TEST_F(StochasticRuns, AHelperThatFailsEndsTheRunWithItsFailure)
{
    // Every pool worker fails as it starts a helper. A run whose helpers
    // came ends with that failure; one that went on before any came (the
    // run's thread never waits for them) gives its own, unchanged picture.
    const gfx::Image photo = Photo(160, 120);
    const gfx::Image alone = run(photo, {5, 40, 30, 50, 90});
    platform::ConfigureThreadPool(3, 3);
    platform::SetPoolWorkerHookForTests([] { throw std::bad_alloc(); });
    bool threw = false;
    for (int attempt = 0; attempt < 20 && !threw; ++attempt) {
        try {
            EXPECT_TRUE(testimg::ImagesNear(alone, run(photo, {5, 40, 30, 50, 90}), 0));
        } catch (const std::bad_alloc&) {
            threw = true;
        }
    }
    platform::SetPoolWorkerHookForTests({});
    platform::ConfigureDefaultThreadPool();
    EXPECT_TRUE(threw);
}

TEST_F(StochasticRuns, CopesWithVeryWidePictures)
{
    const gfx::Image out = run(Photo(5200, 10), {0, 2, 10, 50, 100});
    EXPECT_FALSE(AllOf(out, 0xFFFFFFFFu));
}

TEST_F(StochasticRuns, AStalePreviewsFinalPictureNeverReplacesANewerOne)
{
    Atlas();
    const gfx::Image photo = Photo(40, 30);
    for (const bool newerRequested : {false, true}) {
        host->previewBitmapUpdates = 0;
        host->previewLabel = 0;
        auto ctx = pq::EffectRunContext::begin(true);
        ctx->seed(3);
        gfx::Surface dest = gfx::Surface::make(photo.size());
        std::thread worker([&] {
            platform::ScopedRunContext scope(ctx.get());
            pq::StochasticPainting(photo, dest, 5, 10, 20, 50, 90, true);
        });
        // The atlas hand-over is the routine's one synchronous call; after
        // it only queued pictures reach the UI thread, and they wait here
        // until the newer preview is asked for.
        while (!bridge->pumpOne())
            platform::SleepMs(1);
        worker.join();
        if (newerRequested)
            host->shared->previewGeneration++;
        bridge->pump();
        if (newerRequested) {
            EXPECT_EQ(host->previewBitmapUpdates, 0);
        } else {
            EXPECT_GE(host->previewBitmapUpdates, 1);
            EXPECT_EQ(host->previewLabel, 101);
        }
    }
}

// ---- Brushstroke frame ----------------------------------------------------------

TEST(BrushstrokesFrame, EnlargesByTheBorderAndKeepsPlainCorners)
{
    const gfx::Image photo = Photo(120, 90);
    const gfx::Image out = Frame(photo, qRgb(20, 90, 200), 30, 20);
    ASSERT_EQ(out.size(), QSize(180, 150));
    EXPECT_TRUE(ValidPremultiplied(out));
    for (const QPoint corner : {QPoint(0, 0), QPoint(150, 0), QPoint(0, 120), QPoint(150, 120)})
        EXPECT_TRUE(AllOf(out, 0xFF145AC8u, QRect(corner, QSize(30, 30)))) << corner.x() << "," << corner.y();
    // The bands fray the picture's edges into the border.
    EXPECT_FALSE(AllOf(out, 0xFF145AC8u, QRect(30, 0, 120, 30)));
    EXPECT_FALSE(testimg::ImagesNear(out.copyRect(QRect(30, 30, 120, 90)), photo));
}

TEST(BrushstrokesFrame, OneTransparentPixelMakesTheBorderTransparent)
{
    gfx::Image photo = testimg::MakeImage(80, 60, [](int x, int y) {
        return x == 40 && y == 30 ? gfx::Pixel(0) : testimg::Premul(200, 100, 50);
    });
    const gfx::Image out = Frame(photo, qRgb(20, 90, 200), 25, 10);
    ASSERT_EQ(out.size(), QSize(130, 110));
    EXPECT_TRUE(ValidPremultiplied(out));
    for (const QPoint corner : {QPoint(0, 0), QPoint(105, 0), QPoint(0, 85), QPoint(105, 85)})
        EXPECT_TRUE(AllOf(out, 0u, QRect(corner, QSize(25, 25))));
}

TEST(BrushstrokesFrame, SmallBrushesActAsFiveAndBadInputIsBounded)
{
    const gfx::Image photo = Photo(70, 50);
    EXPECT_TRUE(testimg::ImagesNear(Frame(photo, qRgb(0, 0, 0), 12, 1), Frame(photo, qRgb(0, 0, 0), 12, 5)));
    EXPECT_EQ(Frame(photo, qRgb(0, 0, 0), 0, 10).size(), photo.size());
    EXPECT_EQ(Frame(photo, qRgb(0, 0, 0), -40, 10).size(), photo.size());
    EXPECT_TRUE(Frame(photo, qRgb(0, 0, 0), 2000000000, 10).isNull());
    EXPECT_TRUE(pq::ApplyBrushstrokesFrame(photo, gfx::Image(), qRgb(0, 0, 0), 10, 10).sameAs(photo));
}
