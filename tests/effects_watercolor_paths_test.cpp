// The watercolour painter's fast paths against the plain ones they stand
// for, over random and edge inputs.

#include "watercolor_test_pictures.h"

#include "effects/painting/watercolor/patch_fill.h"
#include "effects/painting/watercolor/polygon_coverage.h"
#include "effects/painting/watercolor/spoke_patch.h"
#include "effects/painting/watercolor/spoke_reach.h"
#include "platform/random.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
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

// A picture too big for the caches is walked in tiles, asked for ahead.
TEST(WatercolorPaths, TiledWalkMatchesThePlainWalk)
{
    const gfx::Image src = Blobs(1500, 1450, 8);
    const pq::SpokeField field(src, false, 108, false, false);
    platform::Random rng(6);
    for (int n = 0; n < 400; ++n) {
        const double angle = double(float(rng.random(20)) * float(2.0 * std::numbers::pi / 20));
        const int x = rng.random(src.width()), y = rng.random(src.height());
        const gfx::Pixel seed = src.pixel(x, y);
        const int budget = rng.random(3000);
        ASSERT_EQ(field.grow(x + 0.5, y + 0.5, std::cos(angle), std::sin(angle), budget, seed),
                  field.growPlain(x + 0.5, y + 0.5, std::cos(angle), std::sin(angle), budget, seed))
            << x << "," << y << " angle " << angle << " budget " << budget;
    }
}


namespace {

// Star-shaped outlines as the painter grows them, odd ones with few or
// crossing edges, and boxes that cut them off or leave room around them.
struct OutlineCase {
    std::vector<pq::PointF> polygon;
    QRect box;
};

std::vector<OutlineCase> Outlines()
{
    platform::Random rng(99);
    auto real = [&](double lo, double hi) { return lo + (hi - lo) * rng.randomReal(); };
    std::vector<OutlineCase> out;
    for (int n = 0; n < 120; ++n) {
        const int spokes = n % 4 == 0 ? 3 + rng.random(3) : 8 + rng.random(40);
        const double cx = real(-5.0, 45.0), cy = real(-5.0, 35.0);
        const double longest = n % 3 == 0 ? real(1.0, 4.0) : real(4.0, 60.0);
        std::vector<pq::PointF> polygon;
        for (int k = 0; k < spokes; ++k) {
            const double angle = 2.0 * std::numbers::pi * k / spokes, l = real(1.0, longest);
            polygon.push_back({float(cx + l * std::cos(angle)), float(cy + l * std::sin(angle))});
        }
        if (n % 10 == 0)
            std::swap(polygon[1], polygon[2]); // edges that cross
        const QRect all(int(std::floor(cx - longest)), int(std::floor(cy - longest)), int(2 * longest) + 2,
                        int(2 * longest) + 2);
        const QRect box = n % 2 == 0 ? all : all.intersected(QRect(0, 0, 40, 30));
        if (!box.isEmpty())
            out.push_back({polygon, box});
    }
    out.push_back({{{2.0f, 1.0f}, {6.0f, 1.0f}, {6.0f, 5.0f}, {2.0f, 5.0f}}, QRect(0, 0, 8, 6)});
    out.push_back({{{0.5f, 0.5f}, {30.0f, 0.75f}, {3.0f, 1.25f}}, QRect(0, 0, 31, 2)}); // shallow edges
    return out;
}

// A premultiplied pixel of alpha a.
gfx::Pixel RandomPremultiplied(platform::Random& rng, int a)
{
    return gfx::Pixel(a) << 24 | gfx::Pixel(rng.random(a + 1)) << 16 | gfx::Pixel(rng.random(a + 1)) << 8 |
           gfx::Pixel(rng.random(a + 1));
}

} // namespace

TEST(WatercolorPaths, BandRowsMatchWholeRows)
{
    pq::CoverageScratch whole, band;
    platform::Random rng(5);
    for (const OutlineCase& c : Outlines()) {
        pq::PolygonCoverage shape;
        shape.set(c.polygon, c.box);
        for (int y0 = c.box.top(); y0 <= c.box.bottom(); y0 += 1 + rng.random(16)) {
            const int y1 = std::min(c.box.bottom() + 1, y0 + 1 + rng.random(16));
            shape.selectRows(y0, y1, band);
            for (int y = y0; y < y1; ++y) {
                shape.row(y, whole);
                shape.selectedRow(y, band);
                std::vector<uint8_t> a(size_t(c.box.width())), b(size_t(c.box.width()));
                for (const auto& [runs, cov, out] : {std::tie(whole.runs, whole.cov, a), std::tie(band.runs, band.cov, b)})
                    for (const pq::CoverageRun& r : runs)
                        for (int x = r.x0; x < r.x1; ++x)
                            out[size_t(x)] = r.value < 0 ? cov[size_t(x)] : uint8_t(r.value);
                ASSERT_EQ(a, b) << "row " << y << " of band " << y0 << ".." << y1;
            }
        }
    }
}

TEST(WatercolorPaths, FilledRowsMatchPixelByPixel)
{
    platform::Random rng(17);
    pq::CoverageScratch s;
    for (const OutlineCase& c : Outlines()) {
        const QRect box = c.box.intersected(QRect(0, 0, 40, 30));
        if (box.isEmpty())
            continue;
        pq::PolygonCoverage shape;
        shape.set(c.polygon, box);
        for (const int alpha : {255, 255, 200, 31, 1}) {
            const gfx::Pixel paint = RandomPremultiplied(rng, alpha);
            gfx::Surface canvas = gfx::Surface::make(40, 30);
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x)
                    canvas.row(y)[x] = RandomPremultiplied(rng, rng.random(3) == 0 ? 255 : rng.random(256));
            const gfx::Image before = canvas.snapshot();
            pq::FillPatch(shape, paint, canvas);
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    ASSERT_EQ(canvas.row(y)[x], pq::FillPatchPixel(shape, x, y, paint, before.pixel(x, y), s))
                        << x << "," << y << " paint " << std::hex << paint;
        }
    }
}

// Pixels the reach test settles must have the coverage it claims: whole
// inside, none outside; the rest go to the coverage itself.
TEST(WatercolorPaths, ReachAgreesWithTheCoverage)
{
    platform::Random rng(31);
    pq::CoverageScratch s;
    int settled = 0, outline = 0;
    for (const int spokes : {3, 4, 5, 7, 12, 20, 33, 50}) {
        const float step = float(2.0 * std::numbers::pi / spokes);
        std::vector<double> cosines, sines;
        for (int k = 0; k <= spokes; ++k) {
            cosines.push_back(std::cos(double(float(k) * step)));
            sines.push_back(std::sin(double(float(k) * step)));
        }
        const pq::SpokeSectors sectors(cosines, sines, spokes, step);
        for (int n = 0; n < 40; ++n) {
            // Spokes as grown: whole lengths, mostly close to their
            // neighbours', now and then far shorter.
            const int longest = 1 + rng.random(n % 4 == 0 ? 12 : 90);
            std::vector<int> lengths(static_cast<size_t>(spokes));
            int walk = longest;
            for (int& l : lengths) {
                walk = std::clamp(walk + rng.random(7) - 3, 1, longest);
                l = rng.random(8) == 0 ? 1 + rng.random(longest) : walk;
            }
            const int cx = rng.random(120), cy = rng.random(90);
            std::vector<pq::PointF> polygon{{float(cx + 0.5 + lengths[0]), float(cy + 0.5)}};
            for (int j = 1; j <= spokes; ++j) {
                const double l = lengths[size_t(j % spokes)];
                polygon.push_back({float(cx + 0.5 + l * cosines[size_t(j)]), float(cy + 0.5 + l * sines[size_t(j)])});
            }
            const QRect box = QRect(cx - longest - 1, cy - longest - 1, 2 * longest + 3, 2 * longest + 3)
                                  .intersected(QRect(0, 0, 120, 90));
            pq::PolygonCoverage shape;
            shape.set(polygon, box);
            const auto [shortest, most] = std::minmax_element(lengths.begin(), lengths.end());
            const double inner = *shortest * std::cos(0.5 * double(step)) - 2.0, outer = *most + 2.0;
            pq::SpokeReach reach;
            reach.set(sectors, polygon, cx, cy, box, inner > 0.0 ? float(inner * inner) : 0.0f,
                      float(outer * outer));
            for (int y = box.top() - 1; y <= box.bottom() + 1; ++y) {
                if (y >= box.top() && y <= box.bottom())
                    shape.rowPixels(y, s);
                for (int x = box.left() - 1; x <= box.right() + 1; ++x) {
                    const pq::Reach r = reach.at(sectors, x, y);
                    const bool inBox = box.contains(x, y);
                    const int cov = inBox ? s.cov[size_t(x - box.left())] : 0;
                    if (r == pq::Reach::Outline) {
                        ++outline;
                        continue;
                    }
                    ASSERT_EQ(cov, r == pq::Reach::Inside ? 255 : 0)
                        << "spokes " << spokes << " pixel " << x << "," << y << " centre " << cx << "," << cy;
                    ++settled;
                }
            }
        }
    }
    // Only pixels the outline passes near need the coverage.
    EXPECT_GT(settled, 16 * outline);
}
