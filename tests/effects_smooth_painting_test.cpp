// Smooth painting (306) with the built-in template-matching atlas.
#include "engine_test_support.h"

#include "effects/painting/smooth_painting/smooth_painting.h"
#include "engine/repository/image_repository.h"
#include "image_compare.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"

#include <array>

using namespace pqtest;

namespace {

gfx::Image Photo(int w, int h)
{
    return testimg::MakeImage(w, h, [](int x, int y) {
        const int r = (x / 20 + y / 15) % 2 ? 210 : 50;
        const int g = 70 + (x * 3 + y) % 120;
        const int b = y * 255 / std::max(1, y + 40);
        return testimg::Premul(r, g, b);
    });
}

class SmoothRuns : public EngineTest {
protected:
    gfx::Image run(const gfx::Image& src, std::array<int, 5> v, bool preview = false, uint32_t seed = 3)
    {
        pq::ImageRepository& repo = pq::Repository();
        if (!repo.loaded())
            repo.create();
        loadDocument(src);
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        ctx->seed(seed);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, 306, v[0], v[1], v[2], v[3], v[4], preview);
        return dest.snapshot();
    }
};

} // namespace

TEST(SmoothValues, SlidersGiveSizeIterationsAndKeptStrokes)
{
    EXPECT_EQ(pq::SmoothSettingsFor(17, 0).brushSize, 8);
    EXPECT_EQ(pq::SmoothSettingsFor(50, 0).brushSize, 25);
    EXPECT_EQ(pq::SmoothSettingsFor(100, 0).brushSize, 50);
    EXPECT_EQ(pq::SmoothSettingsFor(35, -100).iterations, 1);
    EXPECT_EQ(pq::SmoothSettingsFor(35, 39).iterations, 1);
    EXPECT_EQ(pq::SmoothSettingsFor(35, 40).iterations, 2);
    EXPECT_EQ(pq::SmoothSettingsFor(35, 59).iterations, 2);
    EXPECT_EQ(pq::SmoothSettingsFor(35, 100).iterations, 5);
    EXPECT_EQ(pq::SmoothStrokesKept(10), 9);
    EXPECT_EQ(pq::SmoothStrokesKept(1), 1);
    EXPECT_EQ(pq::SmoothStrokesKept(0), 0);
}

TEST_F(SmoothRuns, TransparentSourceGivesTransparentResult)
{
    const gfx::Image clear = testimg::MakeImage(60, 40, [](int, int) { return gfx::Pixel(0); });
    const gfx::Image out = run(clear, {35, 0, 0, 0, 0});
    EXPECT_TRUE(testimg::ImagesNear(clear, out));
}

TEST_F(SmoothRuns, UnreadSlidersAndThreadCountChangeNothing)
{
    const gfx::Image photo = Photo(90, 70);
    const gfx::Image a = run(photo, {35, 0, 0, 0, 0});
    EXPECT_FALSE(testimg::ImagesNear(photo, a));
    EXPECT_TRUE(testimg::ImagesNear(a, run(photo, {35, 0, 77, 13, 100})));
    platform::ConfigureThreadPool(0, 0);
    const gfx::Image single = run(photo, {35, 0, 0, 0, 0});
    platform::ConfigureThreadPool(7, 7);
    const gfx::Image eight = run(photo, {35, 0, 0, 0, 0});
    platform::ConfigureDefaultThreadPool();
    EXPECT_TRUE(testimg::ImagesNear(a, single));
    EXPECT_TRUE(testimg::ImagesNear(a, eight));
}

TEST_F(SmoothRuns, ManyBandsWithHolesGiveTheSameBytesOnOneAndEightThreads)
{
    // Several bands of rows, strokes cut by the edges and transparent holes.
    const gfx::Image photo = testimg::MakeImage(150, 260, [](int x, int y) {
        if ((x / 30 + y / 40) % 3 == 0)
            return gfx::Pixel(0);
        return testimg::Premul((x * 7) % 256, (y * 3 + x) % 256, (x * y) % 200 + 40);
    });
    platform::ConfigureThreadPool(0, 0);
    const gfx::Image single = run(photo, {25, 40, 0, 0, 0});
    platform::ConfigureThreadPool(7, 7);
    const gfx::Image eight = run(photo, {25, 40, 0, 0, 0});
    platform::ConfigureDefaultThreadPool();
    EXPECT_TRUE(testimg::ImagesNear(single, eight));
}
