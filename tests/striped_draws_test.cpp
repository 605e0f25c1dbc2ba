// Helpers laying strokes stripe by stripe must give every pixel its strokes
// in the order they were pushed, and a wait over a box must leave none of
// the box's strokes unlaid.

#include "effects/painting/stochastic_painting/striped_draws.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
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
