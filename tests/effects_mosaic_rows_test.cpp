#include "mosaic_blocked_fixture.h"

#include "effects/stylize/space_filling/bit_plane.h"
#include "effects/stylize/space_filling/placement_context.h"
#include "effects/stylize/space_filling/shape_rows.h"
#include "effects/stylize/space_filling/shape_spans.h"
#include "platform/numeric.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using namespace pq::stylize;

namespace {

constexpr float kPi = float(std::numbers::pi);

int StepOf(float size)
{
    return size < 6 ? 1 : std::min(3, platform::Trunc(size / 8) + 1);
}

// The sampled columns of one lattice row as the row spans give them.
std::vector<int> SpanColumns(const auto& shape, int y, int x1, int x2, int step)
{
    std::vector<int> xs;
    ForRowInside(shape, float(y) + 0.5f, x1, x2, step, [&](int x) {
        xs.push_back(x);
        return true;
    });
    return xs;
}

// Every lattice row of a shape centred on pixel (x, y) through its table
// and through its row spans.
void ExpectRowsMatch(const ShapeRows& rows, const auto& shape, int x, int y, const char* what, int i)
{
    ASSERT_TRUE(rows.usable()) << what << " case " << i;
    const PixelBox box = rows.boxAt(x, y);
    const int step = rows.step();
    ASSERT_EQ(rows.rows(), (box.y2 - box.y1) / step + 1);
    for (int j = 0; j < rows.rows(); ++j) {
        const int py = box.y1 + j * step;
        std::vector<int> fromTable;
        for (int px = x + rows.row(j).first; px <= x + rows.row(j).last; px += step)
            fromTable.push_back(px);
        ASSERT_EQ(fromTable, SpanColumns(shape, py, box.x1, box.x2, step)) << what << " case " << i << " row " << j;
    }
}

// The pixel box of a triangle as the evaluation takes it, unclipped.
PixelBox TriangleBox(const TriangleCorners& t)
{
    return {int(std::floor(std::min({t.x0, t.x1, t.x2}))), int(std::floor(std::min({t.y0, t.y1, t.y2}))),
            platform::Ceil(std::max({t.x0, t.x1, t.x2})), platform::Ceil(std::max({t.y0, t.y1, t.y2}))};
}

using RowsFixture = pqtest::mosaic::BlockedFixture<110, 90, 23, 45>;
using pqtest::mosaic::ExpectSame;

} // namespace

TEST(MosaicRows, TablesTakeThePixelsOfTheRowSpans)
{
    // Sizes across the three sample steps, the level's fixed rotations and
    // free angles, centres far out in a 12-megapixel picture.
    platform::Random rng(31);
    ShapeRows rows;
    for (int i = 0; i < 4000; ++i) {
        const float size = 2.0f + float(rng.random(6000)) / 100.0f + (i % 3 == 0 ? 0.0f : 0.37f);
        const int x = 100 + rng.random(4100), y = 100 + rng.random(2700);
        const float cx = float(x) + 0.5f, cy = float(y) + 0.5f;
        const int step = StepOf(size);
        float angle;
        if (i % 2 == 0) {
            const int count = 1 + rng.random(14);
            angle = float(rng.random(count)) / float(count) * (kPi / 2);
        } else {
            angle = float(rng.random(100000)) / 100000.0f * 2 * kPi;
        }
        const float c = std::cos(angle), s = std::sin(angle);
        const int reach = platform::Ceil(size * (std::abs(c) + std::abs(s)));
        BuildSquareRows(rows, reach, step, size, c, s);
        ExpectRowsMatch(rows, SquareSpans(cx, cy, size, c, s), x, y, "square", i);
        BuildDiscRows(rows, platform::Ceil(size), step, size);
        ExpectRowsMatch(rows, DiscSpans{cx, cy, size}, x, y, "disc", i);
    }
}

TEST(MosaicRows, TriangleTablesHoldAcrossTheirBinades)
{
    // A table built at one centre against the row spans at other centres
    // whose corners share its binades, small pictures to 12 megapixels.
    platform::Random rng(37);
    ShapeRows rows;
    int compared = 0;
    for (int i = 0; i < 3000; ++i) {
        const float size = 2.0f + float(rng.random(4000)) / 100.0f + (i % 3 == 0 ? 0.0f : 0.29f);
        const int step = StepOf(size);
        const int count = 1 + rng.random(14);
        const float angle = i % 2 == 0 ? float(rng.random(count)) / float(count) * (2 * kPi / 3)
                                       : float(rng.random(100000)) / 100000.0f * 2 * kPi;
        const float c = std::cos(angle), s = std::sin(angle);
        const int limit = 64 << rng.random(7);
        const int x = rng.random(limit), y = rng.random(limit);
        const float cx = float(x) + 0.5f, cy = float(y) + 0.5f;
        const int kx = BinadeAround(cx, size + 2), ky = BinadeAround(cy, size + 2);
        if (kx < 0 || ky < 0)
            continue;
        const TriangleCorners t = CornersOf(cx, cy, size, c, s);
        BuildTriangleRows(rows, TriangleBox(t), step, x, y, t);
        for (int k = 0; k < 8; ++k) {
            const int x2 = (1 << kx) + rng.random(1 << kx), y2 = (1 << ky) + rng.random(1 << ky);
            const float cx2 = float(x2) + 0.5f, cy2 = float(y2) + 0.5f;
            if (BinadeAround(cx2, size + 2) != kx || BinadeAround(cy2, size + 2) != ky)
                continue;
            const TriangleCorners t2 = CornersOf(cx2, cy2, size, c, s);
            const PixelBox box = TriangleBox(t2), expected = rows.boxAt(x2, y2);
            ASSERT_TRUE(box.x1 == expected.x1 && box.y1 == expected.y1 && box.x2 == expected.x2 &&
                        box.y2 == expected.y2)
                << i;
            ExpectRowsMatch(rows, TriangleSpans(t2, size), x2, y2, "triangle", i);
            ++compared;
        }
    }
    EXPECT_GT(compared, 5000);
}

TEST(MosaicRows, TablesAreBuiltForShapesAskedForAgain)
{
    ShapeRowsCache cache;
    int builds = 0;
    auto ask = [&](float size, float angle) {
        const float c = std::cos(angle), s = std::sin(angle);
        const int reach = platform::Ceil(size * (std::abs(c) + std::abs(s)));
        const ShapeRows* rows = cache.find(ShapeRowsCache::KeyOf(1, size, c, s), [&](ShapeRows& r) {
            ++builds;
            BuildSquareRows(r, reach, StepOf(size), size, c, s);
        });
        // A table found is the one of this shape.
        if (rows) {
            EXPECT_EQ(rows->boxAt(0, 0).x1, -reach);
            EXPECT_EQ(rows->step(), StepOf(size));
        }
        return rows != nullptr;
    };
    // Free angles: one look-up each and no table.
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(ask(30.0f, float(i) * 0.0123f));
    EXPECT_EQ(builds, 0);
    // Rotations of a level tried in turn: built once each, then found.
    for (int round = 0; round < 4; ++round)
        for (int r = 0; r < 14; ++r)
            EXPECT_EQ(ask(7.5f, float(r) / 14.0f * kPi / 2), round > 0) << round << " " << r;
    EXPECT_EQ(builds, 14);
    // More shapes than are kept: each still gets its own table.
    for (int round = 0; round < 3; ++round)
        for (int r = 0; r < 50; ++r)
            ask(3.0f + float(r), 0.1f);
}

TEST(MosaicRows, EvaluationsThroughTablesMatchTheRowSpans)
{
    // Centres on pixel centres (and a few off them), near and away from the
    // borders, with the blocked plane and without, strict and loose colour
    // tolerance; every case is asked twice, as tables come at the second.
    RowsFixture f;
    platform::Random rng(41);
    const float sizes[] = {2.5f, 3.0f, 4.3f, 5.9f, 6.0f, 7.5f, 8.0f, 12.2f, 16.0f, 17.3f, 24.0f, 31.0f};
    const float tolerances[] = {200.0f, 10000000000.0f};
    int accepted = 0, rejected = 0;
    for (int i = 0; i < 3000; ++i) {
        const bool onCentre = i % 8 != 0;
        const float cx = onCentre ? float(rng.random(RowsFixture::kW)) + 0.5f
                                  : float(rng.random(RowsFixture::kW * 4)) / 4.0f;
        const float cy = onCentre ? float(rng.random(RowsFixture::kH)) + 0.5f
                                  : float(rng.random(RowsFixture::kH * 4)) / 4.0f;
        const float size = sizes[rng.random(12)];
        const int count = 1 + rng.random(40);
        const float angle = float(rng.random(count)) / float(count) * (kPi / 2);
        const float c = std::cos(angle), s = std::sin(angle);
        const float tol = tolerances[rng.random(2)];
        const bool withBlocked = rng.random(2) == 0;
        f.ctx.blocked = withBlocked ? &f.blocked : nullptr;
        f.ctx.blockedLevel = RowsFixture::kLevel;
        f.ctx.rowTables = false;
        ShapeColor sq, disc, tri;
        const bool sqPlain = f.ctx.evaluateSquare(cx, cy, size, c, s, RowsFixture::kLevel, tol, sq);
        const bool discPlain = f.ctx.evaluateCircle(cx, cy, size, RowsFixture::kLevel, tol, disc);
        const bool triPlain = f.ctx.evaluateTriangle(cx, cy, size, c, s, RowsFixture::kLevel, tol, tri);
        f.ctx.rowTables = true;
        for (int again = 0; again < 2; ++again) {
            ShapeColor sq2, disc2, tri2;
            ExpectSame(triPlain, tri, f.ctx.evaluateTriangle(cx, cy, size, c, s, RowsFixture::kLevel, tol, tri2),
                       tri2, "triangle", i);
            ExpectSame(sqPlain, sq, f.ctx.evaluateSquare(cx, cy, size, c, s, RowsFixture::kLevel, tol, sq2), sq2,
                       "square", i);
            ExpectSame(discPlain, disc, f.ctx.evaluateCircle(cx, cy, size, RowsFixture::kLevel, tol, disc2), disc2,
                       "disc", i);
        }
        accepted += sqPlain + discPlain + triPlain;
        rejected += !sqPlain + !discPlain + !triPlain;
    }
    EXPECT_GT(accepted, 300);
    EXPECT_GT(rejected, 300);
}

TEST(MosaicRows, StepArithmeticIsThePlainDivision)
{
    // The sampling steps and one beyond them, on both sides of zero and of
    // every multiple.
    for (int step = 1; step <= 4; ++step)
        for (int v = -13; v <= 40; ++v) {
            ASSERT_EQ(DivStep(v, step), v / step) << v << " / " << step;
            ASSERT_EQ(UpToStep(v, step), (step - v % step) % step) << v << " to " << step;
        }
}
