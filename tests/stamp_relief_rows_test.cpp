// The relief and the commit worked eight pixels at a time must give the
// plain loops' bytes for any alpha pattern, strength, radius and window.

#include "effects/shared/brush_stamps.h"
#include "effects/shared/stamp_relief_wide.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <vector>

using gfx::Pixel;

namespace {

// A surface whose last draw covers nearly all of it, its pixels then
// replaced: valid premultiplied ones with smooth and jumping alpha, or any
// bytes at all.
pq::StampSurface Surface(int side, platform::Random& rng, bool anyBytes)
{
    static const pq::StampCell cell = pq::StampCell::fromPlane(4, 4, std::vector<uint8_t>(16, 255));
    pq::Stamp stamp;
    stamp.cell = &cell;
    stamp.colour = 0xffffffffu;
    stamp.width = stamp.height = side;
    pq::StampSurface surface(side);
    pq::DrawStamp(surface, stamp, surface.rect());
    for (int v = 0; v < side; ++v)
        for (int u = 0; u < side; ++u) {
            Pixel& p = surface.row(v)[u];
            if (anyBytes) {
                p = Pixel(rng.random(1 << 16)) << 16 | Pixel(rng.random(1 << 16));
                continue;
            }
            const int a = rng.random(6) == 0 ? rng.random(8) : std::min(255, 120 + (u * 7 + v * 3) % 136 + rng.random(9));
            p = Pixel(a) << 24 | Pixel(rng.random(a + 1)) << 16 | Pixel(rng.random(a + 1)) << 8 | Pixel(rng.random(a + 1));
        }
    return surface;
}

std::vector<Pixel> PixelsOf(const pq::StampSurface& s)
{
    std::vector<Pixel> out;
    for (int v = 0; v < s.side(); ++v)
        out.insert(out.end(), s.row(v), s.row(v) + s.side());
    return out;
}

TEST(StampReliefRows, WideReliefMatchesPlainOverSizesStrengthsAndWindows)
{
    platform::Random rng(17);
    int cases = 0;
    for (const bool anyBytes : {false, true})
        for (const int size : {3, 9, 30, 61, 140})
            for (const int strength : {20, 30, 35, 1000}) {
                const int side = 160;
                const int seed = rng.random(1 << 20);
                const QRect window = QRect(1 + rng.random(9), 1 + rng.random(9), 140 + rng.random(9), 137);
                pq::SetWideReliefRows(false);
                platform::Random a{uint32_t(seed)}, b{uint32_t(seed)};
                pq::StampSurface plain = Surface(side, a, anyBytes);
                pq::ApplyImpastoRelief(plain, size, strength, window);
                pq::SetWideReliefRows(true);
                pq::StampSurface wide = Surface(side, b, anyBytes);
                pq::ApplyImpastoRelief(wide, size, strength, window);
                ASSERT_EQ(PixelsOf(plain), PixelsOf(wide)) << size << " " << strength << " " << anyBytes;
                ++cases;
            }
    EXPECT_EQ(cases, 40);
}

TEST(StampReliefRows, WideReliefAndCommitMatchPlainOnACanvas)
{
    for (const int x : {0, 37, 119}) {
        std::vector<Pixel> results[2];
        for (const bool on : {false, true}) {
            platform::Random same{uint32_t(x + 5)};
            pq::StampSurface stamp = Surface(120, same, false);
            gfx::Surface canvas = gfx::Surface::make(150, 130, 0xff204060u);
            for (int y = 0; y < canvas.height(); y += 3)
                canvas.row(y)[y % 150] = 0x80402010u;
            pq::SetWideReliefRows(on);
            pq::ApplyReliefAndCommit(stamp, 61, 35, QRect(2, 3, 110, 112), QRect(0, 0, 120, 120), canvas, x, 64);
            pq::SetWideReliefRows(true);
            for (int y = 0; y < canvas.height(); ++y)
                results[on].insert(results[on].end(), canvas.row(y), canvas.row(y) + canvas.width());
        }
        EXPECT_EQ(results[0], results[1]) << x;
    }
}

} // namespace
