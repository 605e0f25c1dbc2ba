// The watercolour painter's fast paths against the plain ones they stand
// for, over random and edge inputs.

#include "watercolor_test_pictures.h"

#include "effects/painting/spoke_patch.h"
#include "platform/random.h"

#include <cmath>
#include <numbers>
#include <vector>

using namespace pqtest::watercolor;

namespace {

constexpr gfx::Pixel kNear = 0xFF78828Cu; // (120, 130, 140)

// Pictures a spoke meets: blobs, hard colour edges, noise, and pixels of
// several alphas.
std::vector<gfx::Image> WalkPictures()
{
    std::vector<gfx::Image> out;
    out.push_back(Blobs(97, 61, 3));
    out.push_back(Blobs(64, 80, 4, true));
    out.push_back(ImageOf(90, 70, [](int x, int y) { return (x / 9 + y / 7) % 2 ? Opaque(20, 60, 200) : kWhite; }));
    platform::Random rng(11);
    out.push_back(ImageOf(50, 50, [&](int, int) { return Opaque(rng.random(256), rng.random(256), rng.random(256)); }));
    // Colours close to kNear: step costs on both sides of every rise.
    out.push_back(ImageOf(80, 80, [&](int, int) {
        auto near = [&](int v) { return v + rng.random(81) - 40; };
        return Opaque(near(120), near(130), near(140));
    }));
    out.push_back(ImageOf(40, 30, [&](int x, int) {
        const int a = x % 5 == 0 ? 5 : (x % 7 == 0 ? 200 : 255);
        return gfx::Pixel(a) << 24 | gfx::Pixel(a / 2) << 16 | gfx::Pixel(a / 3) << 8 | gfx::Pixel(a / 4);
    }));
    return out;
}

} // namespace

TEST(WatercolorPaths, EightStepWalkMatchesThePlainWalk)
{
    platform::Random rng(2024);
    int compared = 0;
    for (const gfx::Image& src : WalkPictures()) {
        for (const int threshold : {-1, 0, 15, 60, 108, 140, 400}) {
            for (const bool transparent : {false, true}) {
                const pq::SpokeField field(src, transparent, threshold, rng.random(2) == 0, rng.random(2) == 0);
                for (int n = 0; n < 300; ++n) {
                    // Spoke directions as the painter makes them, and axis ones
                    // whose positions land on halves.
                    const int spokes = 3 + rng.random(40);
                    const double angle = n % 5 == 0 ? double(rng.random(4)) * std::numbers::pi / 2
                                                    : double(float(rng.random(spokes)) *
                                                             float(2.0 * std::numbers::pi / spokes));
                    const int x = rng.random(src.width() + 4) - 2, y = rng.random(src.height() + 4) - 2;
                    const gfx::Pixel seed = n % 7 == 0   ? gfx::Pixel(rng.random(1 << 30)) * 4u
                                            : n % 2 == 0 ? kNear
                                                         : src.pixel(std::clamp(x, 0, src.width() - 1),
                                                                   std::clamp(y, 0, src.height() - 1));
                    const int budget = n % 11 == 0 ? rng.random(4) - 1 : rng.random(n % 3 == 0 ? 3000 : 200);
                    const double cx = x + 0.5, cy = y + 0.5;
                    ASSERT_EQ(field.grow(cx, cy, std::cos(angle), std::sin(angle), budget, seed),
                              field.growPlain(cx, cy, std::cos(angle), std::sin(angle), budget, seed))
                        << "threshold " << threshold << " at " << x << "," << y << " angle " << angle << " budget "
                        << budget << " seed " << std::hex << seed;
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 6 * 7 * 2 * 300);
}
