#include "mosaic_blocked_fixture.h"

#include "effects/stylize/space_filling/bit_plane.h"
#include "effects/stylize/space_filling/placement_context.h"
#include "gfx/resample.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace pq::stylize;

namespace {

using BlockedFixture = pqtest::mosaic::BlockedFixture<90, 70, 5, 60>;
using pqtest::mosaic::ExpectSame;

} // namespace

TEST(MosaicProbes, TwinPlanesKeepTheirOwnBits)
{
    BitPlane a, b;
    BitPlane::MakeTwins(130, 5, a, b);
    a.set(64, 2);
    b.set(129, 4);
    EXPECT_TRUE(a.get(64, 2));
    EXPECT_FALSE(b.get(64, 2));
    EXPECT_TRUE(b.get(129, 4));
    EXPECT_FALSE(a.get(129, 4));
    EXPECT_TRUE(a.any(2, 0, 129));
    EXPECT_FALSE(a.any(2, 65, 129));
    EXPECT_FALSE(b.any(2, 0, 129));
    EXPECT_FALSE(b.any(4, 0, 128));
    EXPECT_TRUE(b.any(4, 1, 129));
    b.word(3, 1) = ~uint64_t(0);
    EXPECT_TRUE(b.get(100, 3));
    EXPECT_FALSE(a.any(3, 0, 129));
}

TEST(MosaicProbes, LatticeTestReadsEveryStepthColumn)
{
    // Twins, so that the word masks must skip the other plane's lanes.
    BitPlane plane, other;
    BitPlane::MakeTwins(333, 6, plane, other);
    platform::Random rng(17);
    for (int y = 0; y < 6; ++y) {
        other.word(y, 2) = ~uint64_t(0);
        for (int n = 0; n < y * 3; ++n)
            plane.set(rng.random(333), y);
    }
    for (int i = 0; i < 20000; ++i) {
        const int y = rng.random(6), step = 1 + rng.random(4);
        int a = rng.random(333), b = rng.random(333);
        if (a > b)
            std::swap(a, b);
        bool plain = false;
        for (int x = a; x <= b; x += step)
            plain = plain || plane.get(x, y);
        ASSERT_EQ(plane.anyOnLattice(y, a, b, step), plain) << "row " << y << " " << a << ".." << b << " step " << step;
    }
}

TEST(MosaicProbes, BlockedPlaneGivesTheVerdictsOfTheEdgeMap)
{
    BlockedFixture f;
    platform::Random rng(11);
    constexpr float kPi = float(std::numbers::pi);
    constexpr float kTol = 10000000000.0f;
    const float sizes[] = {1.5f, 2.0f, 2.6f, 4.3f, 5.9f, 7.5f, 12.2f, 17.3f};
    int rejected = 0, accepted = 0;
    for (int i = 0; i < 3000; ++i) {
        const float cx = float(rng.random(BlockedFixture::kW * 4)) / 4.0f;
        const float cy = float(rng.random(BlockedFixture::kH * 4)) / 4.0f;
        const float size = sizes[rng.random(8)];
        const float angle = float(rng.random(1000)) / 1000.0f * kPi;
        const float c = std::cos(angle), s = std::sin(angle);
        ShapeColor a, b;
        f.ctx.blocked = nullptr;
        const bool squarePlain = f.ctx.evaluateSquare(cx, cy, size, c, s, BlockedFixture::kLevel, kTol, a);
        const bool discPlain = f.ctx.evaluateCircle(cx, cy, size, BlockedFixture::kLevel, kTol, b);
        ShapeColor t;
        const bool trianglePlain = f.ctx.evaluateTriangle(cx, cy, size, c, s, BlockedFixture::kLevel, kTol, t);
        f.ctx.blocked = &f.blocked;
        f.ctx.blockedLevel = BlockedFixture::kLevel;
        ShapeColor a2, b2, t2;
        ExpectSame(squarePlain, a, f.ctx.evaluateSquare(cx, cy, size, c, s, BlockedFixture::kLevel, kTol, a2), a2,
                   "square", i);
        ExpectSame(discPlain, b, f.ctx.evaluateCircle(cx, cy, size, BlockedFixture::kLevel, kTol, b2), b2, "disc",
                   i);
        ExpectSame(trianglePlain, t,
                   f.ctx.evaluateTriangle(cx, cy, size, c, s, BlockedFixture::kLevel, kTol, t2), t2, "triangle", i);
        // A blocked seed turns every shape and rotation down.
        if (f.ctx.seedBlocked(cx, cy, size, size, BlockedFixture::kLevel)) {
            ++rejected;
            ASSERT_FALSE(squarePlain) << i;
            ASSERT_FALSE(discPlain) << i;
        } else {
            accepted += squarePlain;
        }
        if (f.ctx.seedBlocked(cx, cy, size, size * 0.5f, BlockedFixture::kLevel)) {
            ASSERT_FALSE(trianglePlain) << i;
        }
        EXPECT_FALSE(f.ctx.seedBlocked(cx, cy, size, size, BlockedFixture::kLevel + 0.1f));
    }
    EXPECT_GT(rejected, 50);
    EXPECT_GT(accepted, 50);
}

TEST(MosaicProbes, RotationsSharingTheirCoreTestsGetTheirOwnVerdicts)
{
    // The rotations of one centre, tried in a row through one memo of core
    // tests, against each tried alone; sizes from 6 up are sampled every
    // 2nd or 3rd pixel, where the core test depends on the pixel box.
    BlockedFixture f;
    f.ctx.blocked = &f.blocked;
    f.ctx.blockedLevel = BlockedFixture::kLevel;
    platform::Random rng(17);
    constexpr float kTol = 10000000000.0f;
    const float sizes[] = {2.6f, 5.9f, 6.0f, 7.5f, 9.3f, 12.2f, 17.3f, 24.0f};
    const int rotations[] = {3, 5, 6, 14};
    int rejected = 0;
    for (int i = 0; i < 1500; ++i) {
        const float cx = float(rng.random(BlockedFixture::kW * 2)) / 2.0f;
        const float cy = float(rng.random(BlockedFixture::kH * 2)) / 2.0f;
        const float size = sizes[rng.random(8)];
        const int count = rotations[rng.random(4)];
        for (const bool triangle : {false, true}) {
            const float range = triangle ? float(2 * std::numbers::pi / 3) : float(std::numbers::pi / 2);
            CoreMemo memo;
            for (int r = 0; r < count; ++r) {
                const float angle = float(r) / float(count) * range;
                const float c = std::cos(angle), s = std::sin(angle);
                ShapeColor alone, shared;
                bool a, b;
                if (triangle) {
                    a = f.ctx.evaluateTriangle(cx, cy, size, c, s, BlockedFixture::kLevel, kTol, alone);
                    b = f.ctx.evaluateTriangle(cx, cy, size, c, s, BlockedFixture::kLevel, kTol, shared, false, &memo);
                } else {
                    a = f.ctx.evaluateSquare(cx, cy, size, c, s, BlockedFixture::kLevel, kTol, alone);
                    b = f.ctx.evaluateSquare(cx, cy, size, c, s, BlockedFixture::kLevel, kTol, shared, false, &memo);
                }
                ExpectSame(a, alone, b, shared, triangle ? "triangle" : "square", i);
                rejected += !a;
            }
        }
    }
    EXPECT_GT(rejected, 1000);
}

TEST(MosaicProbes, ColoursReadFromTheCoarsePictureMatchTheEnlargedOne)
{
    // A full run analyses a half-size picture enlarged by nearest neighbour,
    // and reads its colours from the half-size one through the index maps;
    // odd and even sizes alike must give the same evaluations.
    constexpr float kTol = 10000000000.0f;
    for (const int w : {90, 91}) {
        const int h = w == 90 ? 70 : 71;
        const gfx::Image coarse = testimg::MakeImage(w / 2, h / 2, [](int x, int y) {
            return testimg::Premul(20 + (x * 13 + y * 7) % 200, 60 + (x * y) % 150, 10 + (y * 5) % 230);
        });
        const gfx::Image analysed = gfx::ResizeNearest(coarse, w, h);
        ASSERT_FALSE(analysed.isNull());
        std::vector<const gfx::Pixel*> rows, coarseRows;
        for (int y = 0; y < h; ++y)
            rows.push_back(analysed.row(y));
        const std::vector<int> rowMap = gfx::NearestIndices(h, coarse.height());
        const std::vector<int> cols = gfx::NearestIndices(w, coarse.width());
        for (int y = 0; y < h; ++y)
            coarseRows.push_back(coarse.row(rowMap[size_t(y)]));
        std::vector<float> edges(size_t(w) * size_t(h), 0.0f);
        BitPlane covered(w, h), blocked(w, h);
        std::vector<int> tiles(size_t((w + 15) / 16) * size_t((h + 15) / 16), 0);
        PlacementContext plain;
        plain.w = w;
        plain.h = h;
        plain.srcRows = rows.data();
        plain.edgeMap = edges.data();
        plain.covered = &covered;
        plain.tileCoveredCount = tiles.data();
        plain.tilesX = (w + 15) / 16;
        PlacementContext mapped = plain;
        mapped.colorRows = coarseRows.data();
        mapped.colorCols = cols.data();
        platform::Random rng(23);
        for (int i = 0; i < 1500; ++i) {
            const float cx = float(rng.random(w * 4)) / 4.0f, cy = float(rng.random(h * 4)) / 4.0f;
            const float size = 1.5f + float(rng.random(300)) / 10.0f;
            const float angle = float(rng.random(1000)) / 1000.0f * 3.0f;
            const float c = std::cos(angle), s = std::sin(angle);
            for (const bool useBlocked : {false, true}) {
                for (PlacementContext* ctx : {&plain, &mapped}) {
                    ctx->blocked = useBlocked ? &blocked : nullptr;
                    ctx->blockedLevel = 0.5f;
                }
                ShapeColor a, b;
                ExpectSame(plain.evaluateSquare(cx, cy, size, c, s, 0.5f, kTol, a), a,
                           mapped.evaluateSquare(cx, cy, size, c, s, 0.5f, kTol, b), b, "square", i);
                ExpectSame(plain.evaluateCircle(cx, cy, size, 0.5f, kTol, a), a,
                           mapped.evaluateCircle(cx, cy, size, 0.5f, kTol, b), b, "disc", i);
                ExpectSame(plain.evaluateTriangle(cx, cy, size, c, s, 0.5f, kTol, a), a,
                           mapped.evaluateTriangle(cx, cy, size, c, s, 0.5f, kTol, b), b, "triangle", i);
            }
        }
    }
}
