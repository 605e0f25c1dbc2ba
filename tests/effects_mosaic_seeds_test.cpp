// The mosaics' fast seed picker against the plain one: same seeds, same
// random states, however coverage, open tiles and contour points lie.
#include "effects/stylize/space_filling/bit_plane.h"
#include "effects/stylize/space_filling/placement_context.h"
#include "effects/stylize/space_filling/rng_jump.h"
#include "effects/stylize/space_filling/seed_picker.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <bit>
#include <vector>

using namespace pq::stylize;

namespace {

constexpr int kTile = 16;

struct SeedFixture {
    SeedFixture(int width, int height) : w(width), h(height), covered(w, h)
    {
        tilesX = (w + kTile - 1) / kTile;
        tilesY = (h + kTile - 1) / kTile;
        tiles.assign(size_t(tilesX * tilesY), 0);
        ctx.w = w;
        ctx.h = h;
        ctx.covered = &covered;
        ctx.tileCoveredCount = tiles.data();
        ctx.tilesX = tilesX;
    }

    void cover(int x, int y)
    {
        if (covered.get(x, y))
            return;
        covered.set(x, y);
        ++tiles[size_t(y / kTile * tilesX + x / kTile)];
    }

    // The open-tile list as the run keeps it: tiles not full, shuffled.
    void listOpenTiles(platform::Random& rng)
    {
        open.clear();
        for (int t = 0; t < tilesX * tilesY; ++t) {
            const int tw = std::min(w, (t % tilesX + 1) * kTile) - t % tilesX * kTile;
            const int th = std::min(h, (t / tilesX + 1) * kTile) - t / tilesX * kTile;
            if (tiles[size_t(t)] < tw * th)
                open.push_back(t);
        }
        for (size_t i = open.size(); i > 1; --i)
            std::swap(open[i - 1], open[size_t(rng.random(int(i)))]);
        ctx.openTiles = open.data();
        ctx.openTilesCount = int(open.size());
    }

    void setContours(std::vector<QPoint> points)
    {
        contours = std::move(points);
        ctx.contourPts = contours.data();
        ctx.contourCount = int(contours.size());
    }

    // Many seeds in a row from both pickers, compared bit for bit, with
    // and without the hints on the draws ahead.
    void expectSamePicks(float half, float contourFrac, int picks, uint32_t seed)
    {
        for (const bool lookAhead : {true, false}) {
            SeedPicker picker(ctx, half, contourFrac, 150, memo);
            picker.forceLookAhead(lookAhead);
            picker.refresh();
            uint32_t plain = seed, fast = seed;
            for (int i = 0; i < picks; ++i) {
                float px = 0, py = 0, fx = 0, fy = 0;
                ctx.pickSeed(half, contourFrac, 150, plain, px, py);
                picker.pick(fast, fx, fy);
                ASSERT_EQ(plain, fast) << "half " << half << " frac " << contourFrac << " pick " << i << " " << lookAhead;
                ASSERT_EQ(std::bit_cast<uint32_t>(px), std::bit_cast<uint32_t>(fx)) << "half " << half << " pick " << i;
                ASSERT_EQ(std::bit_cast<uint32_t>(py), std::bit_cast<uint32_t>(fy)) << "half " << half << " pick " << i;
            }
        }
    }

    int w, h, tilesX = 0, tilesY = 0;
    BitPlane covered;
    std::vector<int> tiles, open;
    SeedPicker::TileMemo memo;
    std::vector<QPoint> contours;
    PlacementContext ctx;
};

} // namespace

TEST(MosaicSeeds, FastRemainderIsTheRemainder)
{
    platform::Random rng(3);
    const uint32_t bounds[] = {2, 3, 7, 16, 255, 4097, 65536, 1000003, 0x7FFFFFFFu, 0xFFFFFFFFu};
    const uint32_t edges[] = {0, 1, 2, 15, 16, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    for (const uint32_t d : bounds) {
        const FastMod mod(d);
        for (const uint32_t s : edges)
            ASSERT_EQ(mod(s), s % d) << s << " mod " << d;
        uint32_t s = 12345;
        for (int i = 0; i < 20000; ++i) {
            RngStep(s);
            ASSERT_EQ(mod(s), s % d) << s << " mod " << d;
        }
    }
    for (int i = 0; i < 20000; ++i) {
        const uint32_t d = uint32_t(rng.random(1 << 30)) + 2, s = uint32_t(rng.random(1 << 30)) * 4u + 3u;
        ASSERT_EQ(FastMod(d)(s), s % d);
    }
}

TEST(MosaicSeeds, JumpsAreThatManySteps)
{
    platform::Random rng(8);
    for (int steps = 1; steps <= 4; ++steps) {
        const RngJump jump(steps);
        for (int i = 0; i < 5000; ++i) {
            const uint32_t start = i < 32 ? uint32_t(1) << i : uint32_t(rng.random(1 << 30)) * 4u + uint32_t(i & 3);
            uint32_t s = start;
            for (int k = 0; k < steps; ++k)
                RngStep(s);
            ASSERT_EQ(jump(start), s) << steps << " steps from " << start;
        }
    }
}

TEST(MosaicSeeds, TheFastPickerDrawsTheSameSeedsAsCoverageGrows)
{
    // Odd sizes: narrow tiles at the right and bottom border.
    SeedFixture f(203, 154);
    platform::Random rng(11);
    std::vector<QPoint> points;
    for (int i = 0; i < 300; ++i)
        points.emplace_back(1 + rng.random(201), 1 + rng.random(152));
    f.setContours(points);
    const float halves[] = {0.5f, 1.0f, 1.33f, 2.5f, 6.0f, 19.0f, 80.0f};
    const float fracs[] = {0.0f, 0.1f, 0.3333f, 1.0f};
    uint32_t seed = 1;
    // Blocks of coverage, then nearly everything: most draws then miss and
    // whole tiles and contour neighbourhoods are covered.
    for (int round = 0; round < 5; ++round) {
        const int blocks = round < 4 ? 40 * (round + 1) : 0;
        for (int b = 0; b < blocks; ++b) {
            const int x0 = rng.random(203), y0 = rng.random(154), bw = 3 + rng.random(30), bh = 3 + rng.random(30);
            for (int y = y0; y < std::min(154, y0 + bh); ++y)
                for (int x = x0; x < std::min(203, x0 + bw); ++x)
                    f.cover(x, y);
        }
        if (round == 4)
            for (int y = 0; y < 154; ++y)
                for (int x = 0; x < 203; ++x)
                    if ((x * 7 + y * 13) % 97 != 0)
                        f.cover(x, y);
        f.listOpenTiles(rng);
        for (const float half : halves)
            for (const float frac : fracs)
                f.expectSamePicks(half, frac, 300, seed++);
    }
}

TEST(MosaicSeeds, OnePickerFollowsCoverageFromRefreshToRefresh)
{
    // A picker serves a whole level: what it learnt about contour points
    // and tiles must hold, or be learnt again, as coverage grows between
    // its refreshes.
    SeedFixture f(180, 131);
    platform::Random rng(23);
    std::vector<QPoint> points;
    for (int i = 0; i < 400; ++i)
        points.emplace_back(1 + rng.random(178), 1 + rng.random(129));
    f.setContours(points);
    f.listOpenTiles(rng);
    for (const float half : {1.0f, 4.0f, 12.0f}) {
        SeedPicker picker(f.ctx, half, 0.5f, 150, f.memo);
        uint32_t plain = 77, fast = 77;
        for (int round = 0; round < 8; ++round) {
            for (int b = 0; b < 25; ++b) {
                const int x0 = rng.random(180), y0 = rng.random(131), bw = 4 + rng.random(40), bh = 4 + rng.random(40);
                for (int y = y0; y < std::min(131, y0 + bh); ++y)
                    for (int x = x0; x < std::min(180, x0 + bw); ++x)
                        f.cover(x, y);
            }
            f.listOpenTiles(rng);
            picker.refresh();
            for (int i = 0; i < 200; ++i) {
                float px = 0, py = 0, fx = 0, fy = 0;
                f.ctx.pickSeed(half, 0.5f, 150, plain, px, py);
                picker.pick(fast, fx, fy);
                ASSERT_EQ(plain, fast) << "half " << half << " round " << round << " pick " << i;
                ASSERT_EQ(std::bit_cast<uint32_t>(px), std::bit_cast<uint32_t>(fx)) << half << " " << round << " " << i;
                ASSERT_EQ(std::bit_cast<uint32_t>(py), std::bit_cast<uint32_t>(fy)) << half << " " << round << " " << i;
            }
        }
    }
}

TEST(MosaicSeeds, TheFastPickerWithoutOpenTilesOrContours)
{
    SeedFixture f(100, 80);
    platform::Random rng(2);
    for (int i = 0; i < 6000; ++i)
        f.cover(rng.random(100), rng.random(80));
    // No open tiles listed: anywhere within the margins.
    f.expectSamePicks(3.0f, 0.5f, 500, 7);
    // One contour point, one open tile.
    f.setContours({QPoint(50, 40)});
    f.open = {5};
    f.ctx.openTiles = f.open.data();
    f.ctx.openTilesCount = 1;
    f.expectSamePicks(3.0f, 0.5f, 500, 8);
    f.expectSamePicks(2.0f, 0.0f, 500, 9);
    // Everything covered: every seed is the last of its 151 draws.
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x)
            f.cover(x, y);
    f.listOpenTiles(rng);
    f.ctx.openTilesCount = 0;
    f.expectSamePicks(4.0f, 0.2f, 200, 10);
}

TEST(MosaicSeeds, TheTileMemoFollowsCoverageAtTileBorders)
{
    // Pixels on the first row and column of a tile are probed by the tiles
    // to their left and above too: covering them one by one must reach the
    // memo of those tiles.
    SeedFixture f(160, 128);
    platform::Random rng(5);
    for (int round = 0; round < 40; ++round) {
        for (int i = 0; i < 150; ++i) {
            const int x = rng.random(2) ? rng.random(10) * kTile : rng.random(160);
            const int y = rng.random(2) ? rng.random(8) * kTile : rng.random(128);
            f.cover(x, y);
        }
        f.listOpenTiles(rng);
        f.expectSamePicks(3.0f, 0.0f, 300, uint32_t(round + 1));
    }
}

TEST(MosaicSeeds, OnePixelBorderTilesKeepTheDrawOrder)
{
    // Border tiles one pixel wide or high draw their offset without a step,
    // so the draws looked at ahead fall out of step with the real ones.
    SeedFixture f(177, 145);
    platform::Random rng(21);
    std::vector<QPoint> points;
    for (int i = 0; i < 120; ++i)
        points.emplace_back(1 + rng.random(175), 1 + rng.random(143));
    f.setContours(points);
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 5000; ++i)
            f.cover(rng.random(177), rng.random(145));
        f.listOpenTiles(rng);
        f.expectSamePicks(1.0f, 0.0f, 400, uint32_t(100 + round));
        f.expectSamePicks(2.5f, 0.3f, 400, uint32_t(200 + round));
        f.expectSamePicks(5.0f, 0.05f, 400, uint32_t(300 + round));
    }
}

TEST(MosaicSeeds, TheDrawsLookedAtAheadAreTheDrawsTaken)
{
    // Everything covered: each seed takes all of its draws, each stepping
    // the state as the look-ahead expects, so its hints are never wasted.
    SeedFixture f(96, 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 96; ++x)
            f.cover(x, y);
    for (int t = 0; t < f.tilesX * f.tilesY; ++t)
        f.open.push_back(t);
    f.ctx.openTiles = f.open.data();
    f.ctx.openTilesCount = int(f.open.size());
    f.setContours({QPoint(10, 10), QPoint(50, 30), QPoint(80, 70)});
    for (const float frac : {0.0f, 0.4f, 1.0f}) {
        SeedPicker picker(f.ctx, 3.0f, frac, 150, f.memo);
        picker.refresh();
        uint32_t s = 99, ahead = 99;
        for (int pick = 0; pick < 50; ++pick) {
            float x, y;
            picker.pick(s, x, y);
            for (int draw = 0; draw <= 150; ++draw)
                ahead = picker.prefetchDraw(ahead);
            ASSERT_EQ(s, ahead) << "frac " << frac << " pick " << pick;
        }
    }
}
