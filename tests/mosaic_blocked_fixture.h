#pragma once

// A patchy picture whose blocked pixels are also its only edges, and a
// placement context over it, so the blocked-plane shortcuts and the plain
// edge and coverage reads can be set side by side.

#include "image_compare.h"

#include "effects/stylize/space_filling/bit_plane.h"
#include "effects/stylize/space_filling/placement_context.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pqtest::mosaic {

template <int W, int H, uint32_t Seed, int Edges>
struct BlockedFixture {
    static constexpr int kW = W, kH = H;
    static constexpr float kLevel = 0.5f;

    BlockedFixture()
        : picture(testimg::MakeImage(kW, kH, [](int x, int y) {
              return testimg::Premul(40 + (x * 7 + y * 3) % 90, 100 + (x / 5) % 40, 30 + (y / 3) % 50);
          })),
          edges(size_t(kW) * kH, 0.0f), covered(kW, kH), blocked(kW, kH),
          tiles(size_t((kW + 15) / 16) * size_t((kH + 15) / 16), 0)
    {
        for (int y = 0; y < kH; ++y)
            rows.push_back(picture.row(y));
        platform::Random rng(Seed);
        for (int i = 0; i < Edges; ++i) {
            const int x = rng.random(kW), y = rng.random(kH);
            edges[size_t(y) * kW + size_t(x)] = 1.0f;
            blocked.set(x, y);
        }
        ctx.w = kW;
        ctx.h = kH;
        ctx.srcRows = rows.data();
        ctx.edgeMap = edges.data();
        ctx.covered = &covered;
        ctx.tileCoveredCount = tiles.data();
        ctx.tilesX = (kW + 15) / 16;
    }

    gfx::Image picture;
    std::vector<const gfx::Pixel*> rows;
    std::vector<float> edges;
    pq::stylize::BitPlane covered, blocked;
    std::vector<int> tiles;
    pq::stylize::PlacementContext ctx;
};

// Two evaluations agree: both accept with the same colour and score, or
// both reject.
inline void ExpectSame(bool a, const pq::stylize::ShapeColor& fa, bool b, const pq::stylize::ShapeColor& fb,
                       const char* what, int i)
{
    ASSERT_EQ(a, b) << what << " case " << i;
    if (a) {
        ASSERT_EQ(fa.r, fb.r) << what << " case " << i;
        ASSERT_EQ(fa.g, fb.g) << what << " case " << i;
        ASSERT_EQ(fa.b, fb.b) << what << " case " << i;
        ASSERT_EQ(fa.score, fb.score) << what << " case " << i;
    }
}

} // namespace pqtest::mosaic
