// Drawing a cubic stamp eight columns at a time must give the bytes of the
// plain per-pixel loop, for every angle, scale, sampling step and clip.

#include "effects/shared/brush_stamps.h"
#include "effects/shared/stamp_plan.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <vector>

using gfx::Pixel;

namespace {

// Pseudo-random alpha with ink up to every edge and zeros sprinkled in, or
// a soft blob blank at its rim (so whole blocks read no ink).
pq::StampCell TestCell(int w, int h, uint32_t seed, bool rim)
{
    platform::Random rng(seed);
    std::vector<uint8_t> alpha(size_t(w) * size_t(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (rim && (x < w / 4 || x >= w - w / 4 || y < h / 3 || y >= h - h / 3))
                continue;
            alpha[size_t(y) * size_t(w) + size_t(x)] = rng.random(5) == 0 ? 0 : uint8_t(rng.random(256));
        }
    alpha.back() = rim ? 0 : 255; // the plane's last texel, read at the far edge
    return pq::StampCell::fromPlane(w, h, std::move(alpha));
}

std::vector<Pixel> Drawn(const pq::Stamp& stamp, int side, const QRect& clip, int step, bool wide)
{
    pq::SetWideCubicRows(wide);
    pq::StampSurface surface(side);
    pq::DrawStamp(surface, stamp, clip, step);
    pq::SetWideCubicRows(true);
    std::vector<Pixel> out;
    for (int v = 0; v < side; ++v)
        out.insert(out.end(), surface.row(v), surface.row(v) + side);
    return out;
}

::testing::AssertionResult SameBothWays(const pq::Stamp& stamp, int side, const QRect& clip, int step,
                                        bool expectInk = true)
{
    const std::vector<Pixel> plain = Drawn(stamp, side, clip, step, false);
    const std::vector<Pixel> wide = Drawn(stamp, side, clip, step, true);
    size_t inked = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        inked += plain[i] != 0;
        if (plain[i] != wide[i])
            return ::testing::AssertionFailure() << "pixel " << i % size_t(side) << "," << i / size_t(side) << ": "
                                                 << std::hex << wide[i] << " != " << plain[i];
    }
    if (expectInk && inked == 0)
        return ::testing::AssertionFailure() << "nothing drawn";
    return ::testing::AssertionSuccess();
}

TEST(StampCubicRows, WideDrawMatchesPlainOverAnglesScalesAndSteps)
{
    const pq::StampCell cells[] = {TestCell(256, 256, 3, false), TestCell(96, 160, 4, true), TestCell(9, 7, 5, false)};
    platform::Random rng(11);
    int cases = 0;
    for (const pq::StampCell& cell : cells)
        for (const double size : {3.0, 17.5, 64.0, 150.0, 301.0})
            for (const int step : {1, 2, 3, 4}) {
                pq::Stamp stamp;
                stamp.cell = &cell;
                stamp.sampling = pq::StampSampling::Cubic;
                stamp.colour = 0xc8643219u;
                stamp.opacity = step == 3 ? 0.45f : 1.0f;
                stamp.width = size;
                stamp.height = size * (step == 2 ? 0.6 : 1.0);
                stamp.trimToInk = step != 4;
                stamp.angle = rng.random(360) * 3.14159265358979 / 180.0;
                const int side = 370;
                const QRect clip = step == 1 ? QRect(0, 0, side, side) : QRect(31 + step, 40, 251, 260);
                EXPECT_TRUE(SameBothWays(stamp, side, clip, step, size > 10.0)) << "size " << size << " step " << step;
                ++cases;
            }
    EXPECT_EQ(cases, 60);
}

TEST(StampCubicRows, RightAnglesAndExactHalvesMatchPlain)
{
    // Turns by multiples of 90 degrees put samples on texel centres and
    // halves, where floor and the weights' branches sit on their edges.
    const pq::StampCell cell = TestCell(64, 64, 8, false);
    for (const int degrees : {0, 90, 180, 270, 45})
        for (const double size : {32.0, 64.0, 128.0}) {
            pq::Stamp stamp;
            stamp.cell = &cell;
            stamp.sampling = pq::StampSampling::Cubic;
            stamp.colour = 0xffffffffu;
            stamp.width = stamp.height = size;
            stamp.angle = degrees * 3.14159265358979 / 180.0;
            EXPECT_TRUE(SameBothWays(stamp, 200, QRect(0, 0, 200, 200), 1)) << degrees << " " << size;
        }
}

} // namespace
