// Pencil Sketch 2's parts: line points, line gains, the place chain and the
// candidate stream, each against the plain one-by-one form.
#include "effects/sketch/pencil_sketch_2/chain.h"
#include "effects/sketch/pencil_sketch_2/lines.h"
#include "effects/sketch/pencil_sketch_2/stream.h"

#include "platform/random.h"
#include "platform/thread_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

using namespace pq::pencil;

namespace {

// The error walk as the effect was first written: both axes may step at
// every point.
std::vector<int32_t> WalkedLine(LineEnds e, const TiledIndex& at)
{
    std::vector<int32_t> out;
    const int dx = std::abs(e.x1 - e.x0), dy = std::abs(e.y1 - e.y0);
    const int sx = e.x0 < e.x1 ? 1 : -1, sy = e.y0 < e.y1 ? 1 : -1;
    int err = dx - dy;
    for (;;) {
        out.push_back(int32_t(at(e.x0, e.y0)));
        if (e.x0 == e.x1 && e.y0 == e.y1)
            break;
        const int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            e.x0 += sx;
        }
        if (e2 < dx) {
            err += dx;
            e.y0 += sy;
        }
    }
    return out;
}

// Cells of random tones, flags and ranges; about one in `blank` not inked.
std::vector<Cell> RandomCells(size_t n, uint32_t seed, int blank)
{
    platform::Random rng(seed);
    std::vector<Cell> cells(n);
    for (Cell& c : cells) {
        c.sheet = uint8_t(rng.random(256));
        c.target = uint8_t(rng.random(256));
        c.flags = uint8_t((rng.random(blank) == 0 ? 0 : kInked) | (rng.random(3) == 0 ? rng.random(41) : 0));
        c.darken = uint8_t(rng.random(256));
    }
    return cells;
}

} // namespace

TEST(PencilSketch2Lines, PointsFollowTheErrorWalk)
{
    const int w = 301, h = 203;
    const TiledIndex at(w, h);
    const TiledAxes axes(w, h);
    std::vector<int32_t> points(size_t(2 * kMaxExtent + 1));
    auto check = [&](const LineEnds& e) {
        const std::vector<int32_t> walked = WalkedLine(e, at);
        ASSERT_EQ(LinePointCount(e), int(walked.size()));
        RasteriseLine(e, axes, points.data());
        for (size_t k = 0; k < walked.size(); ++k)
            ASSERT_EQ(points[k], walked[k]) << e.x0 << "," << e.y0 << " to " << e.x1 << "," << e.y1 << " point " << k;
    };
    // Every short line out of one place, all octants and both ends.
    for (int dy = -14; dy <= 14; ++dy)
        for (int dx = -14; dx <= 14; ++dx)
            check({150, 100, 150 + dx, 100 + dy});
    platform::Random rng(5);
    for (int n = 0; n < 3000; ++n)
        check({rng.random(w), rng.random(h), rng.random(w), rng.random(h)});
}

TEST(PencilSketch2Lines, LinesReachingTooFarAreNotDrawn)
{
    EXPECT_EQ(LinePointCount({0, 0, kMaxExtent, 3}), kMaxExtent + 1);
    EXPECT_EQ(LinePointCount({0, 5, 2, 6 + kMaxExtent}), 0);
    EXPECT_EQ(LinePointCount({kMaxExtent + 1, 0, 0, 0}), 0);
    EXPECT_EQ(LinePointCount({7, 7, 7, 7}), 1);
}

TEST(PencilSketch2Lines, EightWideGainsMatchThePlainSum)
{
    const FadeTables fades;
    std::vector<uint8_t> longFade;
    platform::Random rng(11);
    for (int np : {1, 2, 3, 7, 8, 9, 16, 22, 63, 107, kShortLine, 129, 700, 2 * kMaxExtent + 1})
        for (int blank : {1, 2, 50}) {
            std::vector<Cell> cells = RandomCells(size_t(np + 8), uint32_t(np * 7 + blank), blank);
            for (size_t k = size_t(np); k < cells.size(); ++k)
                cells[k] = Cell{0, 0, 0, 0};
            const uint8_t* fade = fades.forShort(std::min(np, kShortLine));
            if (np > kShortLine) {
                FadeTables::fill(np, longFade);
                fade = longFade.data();
            }
            for (int tone : {0, 1, 128, 254, 255, rng.random(256)})
                EXPECT_EQ(LineGain(cells.data(), fade, np, tone), LineGainPlain(cells.data(), fade, np, tone))
                    << np << " points, tone " << tone;
        }
}

TEST(PencilSketch2Lines, FadesArePaddedWithZeros)
{
    const FadeTables fades;
    for (int np = 1; np <= kShortLine; ++np) {
        const uint8_t* f = fades.forShort(np);
        for (int k = 0; k < np; ++k)
            ASSERT_EQ(f[k], FadeOf(np, k)) << np << " " << k;
        for (int k = np; k % 8 != 0; ++k)
            ASSERT_EQ(f[k], 0) << np << " " << k;
    }
}

TEST(PencilSketch2Chain, ChunkVerdictsDrawTheSamePlacesAsDrawingDirectly)
{
    // Every phase kind: no distance test (pct up to 4, 0 without the
    // rejection draw), the test with every r read, and r above 255 turned
    // down unread; and lengths with and without a range.
    for (const auto& [w, h] : {std::pair{97, 61}, std::pair{3, 40}, std::pair{250, 3}}) {
        const TiledIndex at(w, h);
        const TiledAxes axes(w, h);
        std::vector<Cell> cells = RandomCells(at.size(), uint32_t(w * h), 9);
        const LayShape shape{w, h, 10, 45};
        BlockGrid blocks;
        blocks.columns = (w >> blocks.shift) + 1;
        const std::atomic<uint32_t> lines{3};
        platform::WorkBell bell;
        PlaceChain chain(cells.data(), axes, shape, blocks, lines, bell);
        ASSERT_TRUE(chain.valid());
        chain.takeCodes();
        chain.prepare();
        chain.setHelped(true);
        for (int pct : {0, 3, 4, 5, 20, 51, 52, 100})
            for (int lengthRange : {122, 1, 0, -5}) {
                const uint32_t seed = uint32_t(pct * 1000 + lengthRange + w);
                chain.restart(seed, pct, lengthRange);
                platform::Random direct(seed);
                for (int n = 0; n < 1500; ++n) {
                    Placement a, b;
                    PlaceReads readsA, readsB;
                    chain.draw(a, readsA);
                    chain.place(direct, b, readsB, pct, lengthRange, false);
                    ASSERT_EQ(a.seedStart, b.seedStart) << w << "x" << h << " pct " << pct << " candidate " << n;
                    ASSERT_EQ(a.seedAfter, b.seedAfter) << w << "x" << h << " pct " << pct << " candidate " << n;
                    ASSERT_EQ(a.x, b.x);
                    ASSERT_EQ(a.y, b.y);
                    ASSERT_EQ(a.a, b.a);
                    ASSERT_EQ(a.seedB, b.seedB);
                    ASSERT_EQ(readsA.count, readsB.count);
                    for (int k = 0; k < std::min(readsA.count, kPlaceReads); ++k)
                        ASSERT_EQ(readsA.block[size_t(k)], readsB.block[size_t(k)]);
                }
            }
    }
}

TEST(PencilSketch2Chain, PlacesFollowTheSheetAsLinesChangeIt)
{
    // Distances whose lowest bit decides: the codes keep all but that bit,
    // and the cells tell the rest.
    const int w = 64, h = 48;
    const TiledIndex at(w, h);
    const TiledAxes axes(w, h);
    std::vector<Cell> cells = RandomCells(at.size(), 77, 1000);
    BlockGrid blocks;
    blocks.columns = (w >> blocks.shift) + 1;
    const std::atomic<uint32_t> lines{0};
    platform::WorkBell bell;
    PlaceChain chain(cells.data(), axes, LayShape{w, h, 3, 20}, blocks, lines, bell);
    chain.takeCodes();
    chain.prepare();
    chain.setHelped(true);
    platform::Random rng(9);
    for (int round = 0; round < 20; ++round) {
        for (int n = 0; n < 200; ++n) {
            const int32_t i = axes.at(rng.random(w), rng.random(h));
            cells[size_t(i)].sheet = uint8_t(std::clamp(int(cells[size_t(i)].target) + rng.random(9) - 4, 0, 255));
            chain.update(i, cells[size_t(i)]);
        }
        const uint32_t seed = rng.seed();
        chain.restart(seed, 6 + round, 60);
        platform::Random direct(seed);
        for (int n = 0; n < 300; ++n) {
            Placement a, b;
            PlaceReads reads;
            chain.draw(a, reads);
            chain.place(direct, b, reads, 6 + round, 60, false);
            ASSERT_EQ(a.seedAfter, b.seedAfter) << round << " " << n;
            ASSERT_EQ(a.x, b.x);
            ASSERT_EQ(a.y, b.y);
        }
    }
}

namespace {

// What strokes taking candidates from a stream see and leave: every
// candidate's outcome, then the sheet. With `stretch`, stretches of that
// many strokes run in turn with the helpers and alone.
std::vector<int64_t> StrokeRecord(int w, int h, int helpers, int poolWorkers = -1, int stretch = 0)
{
    const TiledIndex at(w, h);
    std::vector<Cell> cells = RandomCells(at.size(), 3, 12);
    std::vector<float> angle(at.size());
    platform::Random rng(4);
    for (size_t i = 0; i < cells.size(); ++i) {
        cells[i].sheet = 255;
        cells[i].flags = uint8_t(cells[i].flags | (rng.random(20) == 0 ? kFlat : 0));
        const int kind = rng.random(4);
        angle[i] = kind == 0 ? kHatchA : kind == 1 ? kHatchB : float(rng.random(31416) / 10000.0);
    }
    if (poolWorkers < 0)
        poolWorkers = helpers;
    platform::ConfigureThreadPool(poolWorkers, poolWorkers);
    CandidateStream stream(cells.data(), angle.data(), LayShape{w, h, 4, 60});
    stream.takeCodes();
    stream.start(99);
    std::vector<int64_t> record;
    constexpr int kStrokes = 3000;
    const int stretchLength = stretch > 0 ? stretch : kStrokes;
    for (int from = 0; from < kStrokes; from += stretchLength) {
        stream.withHelpers(from / stretchLength % 2 ? 0 : helpers, [&] {
            for (int s = from; s < std::min(kStrokes, from + stretchLength); ++s) {
                if (s % 40 == 0)
                    stream.setPhase(s / 40 % 3 == 0 ? 3 : s / 40 * 9 % 101);
                int64_t best = 0, stale = 0;
                for (int c = 0; c <= 30; ++c) {
                    const Outcome& o = stream.next();
                    record.push_back(o.drawable ? o.score * 256 + o.tone : -1);
                    if (!o.drawable)
                        continue;
                    if (o.score < best) {
                        best = o.score;
                        stream.keep();
                        stale = 0;
                    }
                    if (++stale >= 6) {
                        if (best < 0)
                            break;
                        stale = 0;
                    }
                }
                if (best < 0)
                    stream.commitKept();
            }
        });
    }
    platform::ConfigureDefaultThreadPool();
    record.push_back(stream.seed());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            record.push_back(cells[at(x, y)].sheet);
    return record;
}

} // namespace

TEST(PencilSketch2Stream, HelpersLeaveEveryCandidateAsDrawingAloneWould)
{
    // A small sheet drawn over often: candidates judged and laid out ahead
    // keep reading blocks lines have since changed.
    for (const auto& [w, h] : {std::pair{90, 70}, std::pair{40, 300}}) {
        const std::vector<int64_t> alone = StrokeRecord(w, h, 0);
        for (int helpers : {1, 3, 6})
            EXPECT_EQ(StrokeRecord(w, h, helpers), alone) << w << "x" << h << " with " << helpers << " helpers";
    }
}

TEST(PencilSketch2Stream, StretchesWithHelpersAndAloneInTurnLeaveWhatAloneLeaves)
{
    const std::vector<int64_t> alone = StrokeRecord(90, 70, 0);
    for (const int stretch : {5, 37, 400})
        EXPECT_EQ(StrokeRecord(90, 70, 3, 3, stretch), alone) << "stretches of " << stretch;
}

TEST(PencilSketch2Stream, HelpersAskedForNeedNoPoolOfThatSize)
{
    // More helpers asked for than the pool has, or a pool larger than
    // asked: the body never waits for a helper that cannot come.
    const std::vector<int64_t> alone = StrokeRecord(90, 70, 0);
    for (const auto& [helpers, workers] : {std::pair{3, 1}, std::pair{3, 0}, std::pair{1, 7}, std::pair{4, 2}})
        EXPECT_EQ(StrokeRecord(90, 70, helpers, workers), alone) << helpers << " helpers, " << workers << " workers";
}

TEST(PencilSketch2Stream, AHelperThatFailsEndsTheRunWithItsFailure)
{
    platform::ConfigureThreadPool(3, 3);
    platform::SetPoolWorkerHookForTests([] { throw std::bad_alloc(); });
    EXPECT_THROW(StrokeRecord(90, 70, 3, 3), std::bad_alloc);
    platform::SetPoolWorkerHookForTests({});
    platform::ConfigureDefaultThreadPool();
    // And the next run goes as ever.
    EXPECT_EQ(StrokeRecord(90, 70, 3), StrokeRecord(90, 70, 0));
}
