// Helpers laying strokes stripe by stripe must give every pixel its strokes
// in the order they were pushed, and a wait over a box must leave none of
// the box's strokes unlaid.

#include "effects/painting/stochastic_painting/striped_draws.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <thread>
#include <vector>

namespace {

TEST(StripedDraws, PixelsTakeTheirStrokesInPushOrderAndWaitsSeeThemLaid)
{
    constexpr int kWidth = 70, kHeight = 45, kHelpers = 3, kStrokes = 3000;
    pq::StripedDraws draws(kHelpers, kWidth, kHeight);
    std::vector<QRect> areas(kStrokes);
    std::vector<std::vector<int>> laid(size_t(kWidth) * kHeight); // per pixel, the strokes over it
    std::vector<std::thread> helpers;
    // Lets the helpers go and joins them however the test leaves.
    const struct JoinAll {
        pq::StripedDraws& draws;
        std::vector<std::thread>& threads;
        ~JoinAll()
        {
            draws.stop();
            for (std::thread& t : threads)
                t.join();
        }
    } joinAll{draws, helpers};
    std::atomic<int> arriving{0};
    for (int t = 0; t < kHelpers; ++t)
        helpers.emplace_back([&] {
            arriving.fetch_add(1);
            const int h = draws.join();
            if (h >= 0)
                draws.serve(h, [&](int64_t n, int top, int bottom) {
                    const QRect& a = areas[size_t(n)];
                    ASSERT_LE(a.top(), top);
                    ASSERT_GE(a.bottom(), bottom);
                    for (int y = top; y <= bottom; ++y)
                        for (int x = a.left(); x <= a.right(); ++x)
                            laid[size_t(y) * kWidth + size_t(x)].push_back(int(n));
                });
        });
    // start() waits only a moment for helpers: on a loaded machine some may
    // come too late, and those must then stay out.
    while (arriving.load() < kHelpers)
        std::this_thread::yield();
    ASSERT_GE(draws.start(), 1);
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
        return QRect(x, y, 1 + rng.random(25), 1 + rng.random(25)) & QRect(0, 0, kWidth, kHeight);
    };
    for (int n = 0; n < kStrokes; ++n) {
        ASSERT_EQ(draws.reserve(), n);
        areas[size_t(n)] = randomRect();
        draws.push(areas[size_t(n)]);
        if (n % 7 == 0) {
            const QRect box = randomRect();
            ASSERT_TRUE(draws.await(box));
            check(box, n + 1);
        }
    }
    ASSERT_TRUE(draws.awaitAll());
    check(QRect(0, 0, kWidth, kHeight), kStrokes);
}

} // namespace

namespace {

TEST(StripedDraws, AHelperThatFailsMidwayStopsTheWaitsAtOnce)
{
    // Helper 1 fails at its 300th stroke: the run's thread, however it
    // waits (for a box, for room in the ring, for everything), is told and
    // waits no more, and the other helpers go home.
    constexpr int kWidth = 64, kHeight = 64, kHelpers = 3;
    pq::StripedDraws draws(kHelpers, kWidth, kHeight);
    std::vector<std::thread> helpers;
    std::atomic<int> failed{0}, arriving{0};
    for (int t = 0; t < kHelpers; ++t)
        helpers.emplace_back([&] {
            arriving.fetch_add(1);
            const int h = draws.join();
            if (h < 0)
                return;
            try {
                draws.serve(h, [h](int64_t n, int, int) {
                    if (h == 1 && n == 300)
                        throw std::bad_alloc();
                });
            } catch (const std::bad_alloc&) {
                ++failed;
            }
        });
    while (arriving.load() < kHelpers)
        std::this_thread::yield();
    // Whoever joined in time; the test needs helper 1.
    const int started = draws.start();
    bool told = false;
    if (started >= 2) {
        for (int n = 0; n < 100000 && !told; ++n) {
            if (draws.reserve() < 0) {
                told = true;
                break;
            }
            draws.push(QRect(0, 0, kWidth, kHeight)); // every stripe of every helper
            told = !draws.await(QRect(0, 0, 1, 1));
        }
        EXPECT_TRUE(told);
        EXPECT_FALSE(draws.awaitAll());
    }
    draws.stop();
    for (std::thread& t : helpers)
        t.join();
    EXPECT_EQ(failed.load(), started >= 2 ? 1 : 0);
}

TEST(StripedDraws, HelpersThatJoinWithoutAStartOrTooLateGoHome)
{
    pq::StripedDraws never(2, 16, 16);
    std::thread early([&] { EXPECT_EQ(never.join(), -1); });
    // The run ended before it started its helpers.
    never.stop();
    early.join();

    pq::StripedDraws draws(1, 16, 16);
    EXPECT_EQ(draws.start(), 0); // nobody came within the wait
    EXPECT_EQ(draws.join(), -1);
    draws.stop();
}

} // namespace
