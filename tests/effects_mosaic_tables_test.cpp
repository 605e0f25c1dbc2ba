// The mosaics' shortcuts against the plain computations they stand for: the
// 32-bit colour sums against the 64-bit ones, four-pixel colour runs against
// single pixels, and the per-level seed core test against the evaluations.
#include "mosaic_blocked_fixture.h"

#include "effects/stylize/space_filling/bit_plane.h"
#include "effects/stylize/space_filling/color_runs.h"
#include "effects/stylize/space_filling/color_sat.h"
#include "effects/stylize/space_filling/placement_context.h"
#include "effects/stylize/space_filling/seed_core.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace pq::stylize;
using pqtest::mosaic::ExpectSame;
using BlockedFixture = pqtest::mosaic::BlockedFixture<160, 120, 5, 700>;

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

TEST(MosaicTables, FourPixelColourRunsMatchThePlainSums)
{
    // Runs of every length around the four-pixel blocks, every step, with
    // and without a column map, on the brightest pixels.
    const Picture pic(700, 3, 9);
    std::vector<int> cols(size_t(pic.w));
    platform::Random rng(4);
    for (auto& c : cols)
        c = rng.random(pic.w);
    for (const int* map : {static_cast<const int*>(nullptr), static_cast<const int*>(cols.data())})
        for (int step = 1; step <= 3; ++step)
            for (int i = 0; i < 600; ++i) {
                const int a = rng.random(40), b = a + rng.random(i < 300 ? 40 : pic.w - a);
                ColorSums plain, fast;
                SumRunPlain(pic.rows[size_t(i % 3)], map, a, b, step, plain);
                SumRun(pic.rows[size_t(i % 3)], map, a, b, step, fast);
                SCOPED_TRACE(testing::Message() << a << ".." << b << " step " << step << " map " << (map != nullptr));
                ExpectSameSums(fast, plain);
            }
}

TEST(MosaicTables, SeedCoreTurnsDownOnlyWhatTheEvaluationsTurnDown)
{
    // Blocked pixels are edges and patches of coverage; the evaluations
    // that read the edge map and the coverage are the reference.
    BlockedFixture f;
    platform::Random rng(21);
    for (int i = 0; i < 12; ++i) {
        const int x0 = rng.random(BlockedFixture::kW - 10), y0 = rng.random(BlockedFixture::kH - 10);
        for (int y = y0; y < y0 + 3 + rng.random(8); ++y)
            for (int x = x0; x < x0 + 3 + rng.random(8); ++x)
                if (!f.covered.get(x, y)) {
                    f.covered.set(x, y);
                    f.blocked.set(x, y);
                    ++f.tiles[size_t(y / 16) * size_t(f.ctx.tilesX) + size_t(x / 16)];
                }
    }
    constexpr float kLevel = BlockedFixture::kLevel, kTol = 10000000000.0f;
    const float sizes[] = {1.5f, 2.0f, 2.6f, 4.3f, 5.9f, 7.5f, 9.3f, 12.2f, 17.3f, 24.0f};
    int blocked = 0, blockedIn = 0, plainBlocked = 0;
    for (const float size : sizes)
        for (const bool triangle : {false, true}) {
            f.ctx.blocked = &f.blocked;
            f.ctx.blockedLevel = kLevel;
            const float inRadius = triangle ? size * 0.5f : size;
            const SeedCore core(f.ctx, size, inRadius, kLevel);
            for (int i = 0; i < 400; ++i) {
                const bool centred = i % 2 == 0;
                const float cx = centred ? float(rng.random(BlockedFixture::kW)) + 0.5f
                                         : float(rng.random(BlockedFixture::kW * 64)) / 64.0f;
                const float cy = centred ? float(rng.random(BlockedFixture::kH)) + 0.5f
                                         : float(rng.random(BlockedFixture::kH * 64)) / 64.0f;
                f.ctx.blocked = &f.blocked;
                const bool seedBlocked = core.blocked(cx, cy);
                // On pixel centres it turns down at least what the three
                // rows nearest the centre do.
                if (centred && f.ctx.seedBlocked(cx, cy, size, inRadius, kLevel)) {
                    ++plainBlocked;
                    ASSERT_TRUE(seedBlocked) << size << " at " << cx << "," << cy;
                }
                blocked += seedBlocked;
                for (int r = 0; r < 5; ++r) {
                    const float angle = float(r) / 5.0f * (triangle ? 2.0944f : 1.5708f);
                    const float c = std::cos(angle), s = std::sin(angle);
                    const TriangleCorners t = CornersOf(cx, cy, size, c, s);
                    const PixelBox box =
                        triangle ? f.ctx.triangleBox(cx, cy, size, t) : f.ctx.squareBox(cx, cy, size, c, s);
                    const bool inBox = core.blockedIn(box, cx, cy);
                    blockedIn += inBox;
                    ShapeColor plain, fast;
                    CoreMemo memo(&core);
                    bool a, b;
                    if (triangle) {
                        b = f.ctx.evaluateTriangle(cx, cy, size, c, s, kLevel, kTol, fast, !seedBlocked, &memo);
                        f.ctx.blocked = nullptr;
                        a = f.ctx.evaluateTriangle(cx, cy, size, c, s, kLevel, kTol, plain);
                    } else {
                        b = f.ctx.evaluateSquare(cx, cy, size, c, s, kLevel, kTol, fast, !seedBlocked, &memo);
                        f.ctx.blocked = nullptr;
                        a = f.ctx.evaluateSquare(cx, cy, size, c, s, kLevel, kTol, plain);
                    }
                    f.ctx.blocked = &f.blocked;
                    SCOPED_TRACE(testing::Message() << (triangle ? "triangle " : "square ") << size << " at " << cx
                                                    << "," << cy << " rotation " << r);
                    if (seedBlocked || inBox) {
                        ASSERT_FALSE(a);
                    }
                    ExpectSame(a, plain, b, fast, "through the seed core", i);
                }
            }
        }
    EXPECT_GT(plainBlocked, 100);
    EXPECT_GT(blocked, plainBlocked);
    EXPECT_GT(blockedIn, 1000);
}
