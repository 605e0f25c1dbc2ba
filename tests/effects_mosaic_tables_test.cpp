// The mosaics' shortcuts against the plain computations they stand for: the
// 32-bit colour sums against the 64-bit ones, and the per-level seed core
// test against the context's own.
#include "effects/stylize/bit_plane.h"
#include "effects/stylize/color_sat.h"
#include "effects/stylize/placement_context.h"
#include "effects/stylize/seed_core.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <vector>

using namespace pq::stylize;

namespace {

struct Picture {
    Picture(int width, int height, uint32_t seed) : w(width), h(height), pixels(size_t(w) * size_t(h))
    {
        // Bright, so that the sums of squares of the whole picture pass 2^32.
        platform::Random rng{seed};
        for (auto& p : pixels)
            p = 0xFF000000u | uint32_t(200 + rng.random(56)) << 16 | uint32_t(rng.random(256)) << 8 |
                uint32_t(230 + rng.random(26));
        for (int y = 0; y < h; ++y)
            rows.push_back(pixels.data() + size_t(y) * size_t(w));
    }
    int w, h;
    std::vector<uint32_t> pixels;
    std::vector<const uint32_t*> rows;
};

void ExpectSameSums(const ColorSums& a, const ColorSums& b)
{
    EXPECT_EQ(a.r, b.r);
    EXPECT_EQ(a.g, b.g);
    EXPECT_EQ(a.b, b.b);
    EXPECT_EQ(a.r2, b.r2);
    EXPECT_EQ(a.g2, b.g2);
    EXPECT_EQ(a.b2, b.b2);
}

} // namespace

TEST(MosaicTables, NarrowColourSumsAreExactUpToTheirLargestBox)
{
    const Picture pic(420, 330, 9);
    const ColorSat narrow(pic.rows.data(), pic.w, pic.h, false), wide(pic.rows.data(), pic.w, pic.h, true);
    ASSERT_FALSE(narrow.wide());
    // The largest square the narrow table allows, in each corner: its sums
    // of squares come close to 2^32, and the running sums have wrapped.
    const int side = 257;
    ASSERT_LE(int64_t(side) * side, ColorSat::kNarrowBoxPixels);
    for (const auto& [x, y] : {std::pair{0, 0}, {pic.w - side, 0}, {0, pic.h - side}, {pic.w - side, pic.h - side}}) {
        SCOPED_TRACE(testing::Message() << x << "," << y);
        ExpectSameSums(narrow.get(x, y, x + side - 1, y + side - 1), wide.get(x, y, x + side - 1, y + side - 1));
    }
    platform::Random rng(4);
    for (int i = 0; i < 3000; ++i) {
        const int bw = 1 + rng.random(side), bh = 1 + rng.random(side);
        const int x = rng.random(pic.w - bw + 1), y = rng.random(pic.h - bh + 1);
        SCOPED_TRACE(testing::Message() << x << "," << y << " " << bw << "x" << bh);
        ExpectSameSums(narrow.get(x, y, x + bw - 1, y + bh - 1), wide.get(x, y, x + bw - 1, y + bh - 1));
    }
    // A single pixel is itself.
    ColorSums one;
    one.add(pic.pixels[size_t(7) * size_t(pic.w) + 5]);
    ExpectSameSums(narrow.get(5, 7, 5, 7), one);
}

TEST(MosaicTables, SeedCoreAnswersAsTheContext)
{
    const int w = 150, h = 110;
    BitPlane blocked(w, h), covered(w, h);
    platform::Random rng(21);
    // Scattered blocked pixels and a few solid patches.
    for (int i = 0; i < 900; ++i)
        blocked.set(rng.random(w), rng.random(h));
    for (int y = 40; y < 60; ++y)
        for (int x = 70; x < 95; ++x)
            blocked.set(x, y);
    PlacementContext ctx;
    ctx.w = w;
    ctx.h = h;
    ctx.covered = &covered;
    ctx.blocked = &blocked;
    ctx.blockedLevel = 0.4f;
    // In-radii whose half widths fall near whole numbers, and plain ones.
    const float radii[] = {0.005f, 0.5f, 1.0f, 1.0110110f, 1.41f, 2.0f, 2.0120120f, 3.0030030f, 4.2f, 5.9f};
    for (const float r : radii) {
        for (const float level : {0.4f, 0.5f}) {
            const SeedCore core(ctx, r, r, level);
            for (int i = 0; i < 4000; ++i) {
                float cx, cy;
                if (i % 3 == 0) {
                    cx = float(rng.random(100000)) / 100000.0f * float(w + 4) - 2.0f;
                    cy = float(rng.random(100000)) / 100000.0f * float(h + 4) - 2.0f;
                } else {
                    cx = float(rng.random(w)) + 0.5f;
                    cy = float(rng.random(h)) + 0.5f;
                }
                ASSERT_EQ(core.blocked(cx, cy), ctx.seedBlocked(cx, cy, r, r, level))
                    << "radius " << r << " level " << level << " at " << cx << "," << cy;
            }
        }
    }
    // Sizes sampled every other pixel or more are never blocked at the seed.
    const SeedCore large(ctx, 8.0f, 8.0f, 0.4f);
    EXPECT_FALSE(large.blocked(80.5f, 50.5f));
}
