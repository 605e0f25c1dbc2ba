// Strokes laid tile by tile, by helpers and by the run's thread, must
// give every pixel its strokes in the order they were pushed, each once, and
// a wait over a box must leave none of the box's strokes unlaid, however
// many helpers come (none included).

#include "effects/painting/stochastic_painting/striped_draws.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>
#include <vector>

namespace {

constexpr int kStripe = pq::StripedDraws::kStripe;

// Lets the helpers go and joins them however a test leaves.
struct JoinAll {
    pq::StripedDraws& draws;
    std::vector<std::thread>& threads;
    ~JoinAll()
    {
        draws.stop();
        for (std::thread& t : threads)
            if (t.joinable())
                t.join();
    }
};

TEST(StripedDraws, PixelsTakeTheirStrokesInPushOrderAndWaitsSeeThemLaid)
{
    constexpr int kWidth = 70, kHeight = 3 * kStripe + 5, kStrokes = 1500, kTileWidth = 24;
    for (const int helperCount : {0, 1, 3}) {
        SCOPED_TRACE(helperCount);
        std::vector<QRect> areas(kStrokes);
        std::vector<std::vector<int>> laid(size_t(kWidth) * kHeight); // per pixel, the strokes over it
        bool outside = false;
        pq::StripedDraws draws(
            kWidth, kHeight,
            [&](int64_t n, const QRect& clip) {
                // Within the stroke's area and one tile.
                outside = outside || !areas[size_t(n)].contains(clip) || clip.top() / kStripe != clip.bottom() / kStripe ||
                          clip.left() / kTileWidth != clip.right() / kTileWidth;
                for (int y = clip.top(); y <= clip.bottom(); ++y)
                    for (int x = clip.left(); x <= clip.right(); ++x)
                        laid[size_t(y) * kWidth + size_t(x)].push_back(int(n));
            },
            kTileWidth);
        std::vector<std::thread> helpers;
        const JoinAll joinAll{draws, helpers};
        for (int t = 0; t < helperCount; ++t)
            helpers.emplace_back([&] { draws.serve(); });
        // The strokes pushed so far over each pixel of box have been laid, in order.
        const auto check = [&](const QRect& box, int pushed) {
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x) {
                    std::vector<int> expected;
                    for (int n = 0; n < pushed; ++n)
                        if (areas[size_t(n)].contains(x, y))
                            expected.push_back(n);
                    ASSERT_EQ(laid[size_t(y) * kWidth + size_t(x)], expected) << x << " " << y << " " << pushed;
                }
        };
        platform::Random rng(12);
        const auto randomRect = [&] {
            const int x = rng.random(kWidth), y = rng.random(kHeight);
            return QRect(x, y, 1 + rng.random(25), 1 + rng.random(45)) & QRect(0, 0, kWidth, kHeight);
        };
        for (int n = 0; n < kStrokes; ++n) {
            ASSERT_EQ(draws.reserve(), n);
            areas[size_t(n)] = randomRect();
            draws.push(areas[size_t(n)]);
            if (n % 11 == 0) {
                const QRect box = randomRect();
                ASSERT_TRUE(draws.await(box));
                check(box, n + 1);
            }
        }
        ASSERT_TRUE(draws.awaitAll());
        check(QRect(0, 0, kWidth, kHeight), kStrokes);
        EXPECT_FALSE(outside);
    }
}

TEST(StripedDraws, AHelperThatFailsStopsEveryWaitAtOnce)
{
    // A helper fails at the first stroke it lays and keeps its tile: the
    // run's thread, however it waits (for a box, for room in the ring, for
    // everything), is told and waits no more; the other helper goes home.
    constexpr int kWidth = 40, kHeight = 4 * kStripe;
    std::atomic<bool> failing{true};
    pq::StripedDraws draws(kWidth, kHeight, [&](int64_t, const QRect&) {
        if (failing.exchange(false))
            throw std::bad_alloc();
    });
    std::vector<std::thread> helpers;
    const JoinAll joinAll{draws, helpers};
    bool failed = false;
    std::thread failer([&] {
        try {
            draws.serve();
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    });
    // Strokes over every tile, then the failing helper's end: it takes
    // the first one laid, since the test's thread lays none before.
    for (int n = 0; n < 2 * pq::StripedDraws::kWakeEvery; ++n) {
        ASSERT_EQ(draws.reserve(), n);
        draws.push(QRect(0, 0, kWidth, kHeight));
    }
    failer.join();
    ASSERT_TRUE(failed);
    helpers.emplace_back([&] { draws.serve(); });
    EXPECT_FALSE(draws.await(QRect(0, 0, kWidth, kHeight)));
    EXPECT_FALSE(draws.awaitAll());
    EXPECT_EQ(draws.reserve(), -1);
}

TEST(StripedDraws, TheRunsThreadLaysEverythingWhenNoHelperComes)
{
    // More strokes than the ring holds, over one tile and over all: room
    // and waits are made by the run's thread alone; a helper that comes
    // after the stop returns at once.
    constexpr int kWidth = 20, kHeight = 2 * kStripe;
    std::vector<int> count(kHeight, 0); // strokes laid over each row
    pq::StripedDraws draws(kWidth, kHeight, [&](int64_t, const QRect& clip) {
        for (int y = clip.top(); y <= clip.bottom(); ++y)
            ++count[size_t(y)];
    });
    constexpr int kStrokes = 3 * pq::StripedDraws::kRing;
    for (int n = 0; n < kStrokes; ++n) {
        ASSERT_EQ(draws.reserve(), n);
        draws.push(n % 2 ? QRect(0, 0, kWidth, kHeight) : QRect(0, kStripe - 1, 1, 1));
    }
    ASSERT_TRUE(draws.await(QRect(0, 0, 1, 1)));
    EXPECT_EQ(count[0], kStrokes / 2);
    ASSERT_TRUE(draws.awaitAll());
    EXPECT_EQ(count[size_t(kStripe - 1)], kStrokes);
    EXPECT_EQ(count[size_t(kStripe)], kStrokes / 2);
    draws.stop();
    draws.serve();
}

} // namespace
