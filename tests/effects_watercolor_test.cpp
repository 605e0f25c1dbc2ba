#include "effect_test_support.h"
#include "watercolor_test_pictures.h"

#include "effects/painting/watercolor/patch_fill.h"
#include "effects/painting/watercolor/polygon_coverage.h"
#include "effects/painting/watercolor/spoke_painter.h"
#include "effects/painting/watercolor/spoke_patch.h"
#include "effects/painting/watercolor/watercolor.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/tick.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <vector>

using namespace pqtest;
using namespace pqtest::watercolor;

namespace {

// The settings of a full run at the default sliders, scaled down.
pq::SpokeSettings SettingsFor(const gfx::Image& src, int shapes, bool transparent = false)
{
    pq::SpokeSettings s;
    s.hasTransparency = transparent;
    s.shapeCount = shapes;
    s.spokeCount = 20;
    s.angleStep = float(2.0 * std::numbers::pi / 20);
    s.complexity = 0.4f;
    s.colourThreshold = 108;
    s.sigma = 0.6f;
    s.opacity = 1.0f;
    s.patchSize = 6.0f;
    (void)src;
    return s;
}

class WatercolorTest : public EffectTest {
protected:
    WatercolorTest() : EffectTest(pq::Watercolor, false) {}

    // The patch stage alone on a canvas, batched or one patch at a time.
    std::vector<gfx::Pixel> paintPatches(const gfx::Image& src, gfx::Surface& canvas, const pq::SpokeSettings& s,
                                         bool doClear, int maxBatch, uint32_t seed)
    {
        auto ctx = pq::EffectRunContext::begin(true);
        platform::ScopedRunContext scope(ctx.get());
        platform::Random rng(seed);
        pq::SpokePainter painter(src, canvas, s, true, doClear);
        painter.setMaxBatch(maxBatch);
        painter.paint(rng);
        return PixelsOf(canvas);
    }
};

} // namespace

// ---- Colour distance, spokes and their smoothing ------------------------

TEST(WatercolorPieces, PixelDistance)
{
    using pq::central_spoke::PixelDistance;
    EXPECT_EQ(PixelDistance(Opaque(0, 0, 0), Opaque(255, 255, 255)), 765);
    EXPECT_EQ(PixelDistance(Opaque(10, 20, 30), Opaque(10, 20, 30)), 0);
    // Green counts twice: sqrt(4 * 10^2).
    EXPECT_EQ(PixelDistance(Opaque(0, 10, 0), Opaque(0, 0, 0)), 20);
    // Empty pixels (alpha below 10): both empty 0, one empty 255.
    EXPECT_EQ(PixelDistance(0x09000000u, 0x00000000u), 0);
    EXPECT_EQ(PixelDistance(0x09000000u, Opaque(0, 0, 0)), 255);
    // Different alphas raise the distance by up to half.
    const int base = PixelDistance(0x80404040u, 0x80000000u);
    EXPECT_GT(PixelDistance(0xFF404040u, 0x80000000u), base);
    EXPECT_EQ(PixelDistance(0xFF000000u, 0x0A000000u), 0 + 0); // equal colours: nothing to raise
}

TEST(WatercolorPieces, SmoothSpokeLengthsWrapsAroundTheRing)
{
    std::vector<int> same(12, 40);
    pq::SmoothSpokeLengths(same, 12, 0.6f);
    EXPECT_EQ(same, std::vector<int>(12, 40));

    // One long spoke spreads to its neighbours on both sides of the wrap.
    std::vector<int> spike(10, 10);
    spike[0] = 110;
    pq::SmoothSpokeLengths(spike, 10, 0.6f);
    const double w1 = std::exp(-0.5 / (0.6 * 0.6));
    double wsum = 1.0;
    for (int b = 1; b <= 3; ++b)
        wsum += 2.0 * std::exp(-0.5 * (b / 0.6) * (b / 0.6));
    EXPECT_EQ(spike[0], platform::Round(10.0 + 100.0 / wsum));
    EXPECT_EQ(spike[1], platform::Round(10.0 + 100.0 * w1 / wsum));
    EXPECT_EQ(spike[9], spike[1]);
    EXPECT_EQ(spike[5], 10);
}

TEST(WatercolorPieces, SpokesStopAtColourEdgesAndTheBorder)
{
    // Flat: every step costs 2, so a budget of 41 reaches radius 20.
    const gfx::Image flat = pqtest::SolidImage(100, 9, QColor(90, 120, 150));
    const pq::SpokeField field(flat, false, 108, false, false);
    const gfx::Pixel c = flat.pixel(0, 4);
    EXPECT_EQ(field.grow(10.5, 4.5, 1.0, 0.0, 41, c), 20);
    // The border: the last radius inside. Positions round halves to even,
    // so 10.5 - 11 = -0.5 still lands on column 0.
    EXPECT_EQ(field.grow(10.5, 4.5, -1.0, 0.0, 200, c), 11);
    EXPECT_EQ(field.grow(10.5, 4.5, 0.0, 1.0, 200, c), 4);
    // An edge at x = 20 (reached at r = 9): 184 left, a quarter off, then
    // Round(765 / 8) + 1, leaving 41; the next white step ends the spoke.
    const gfx::Image edge = ImageOf(100, 9, [](int x, int) { return x < 20 ? Opaque(0, 0, 0) : kWhite; });
    const pq::SpokeField edged(edge, false, 108, false, false);
    EXPECT_EQ(edged.grow(10.5, 4.5, 1.0, 0.0, 200, Opaque(0, 0, 0)), 9);
    // With brush complexity 60 and up an empty pixel ends the spoke.
    const gfx::Image hole = ImageOf(100, 9, [](int x, int) { return x == 16 ? 0u : Opaque(200, 0, 0); });
    EXPECT_EQ(pq::SpokeField(hole, true, 108, true, false).grow(10.5, 4.5, 1.0, 0.0, 200, Opaque(200, 0, 0)), 4);
    EXPECT_GT(pq::SpokeField(hole, true, 108, false, false).grow(10.5, 4.5, 1.0, 0.0, 200, Opaque(200, 0, 0)), 15);
}

// ---- Polygon coverage ----------------------------------------------------

TEST(WatercolorPieces, CoverageIsTheAreaInsideEachPixel)
{
    // A square from (2, 1) to (6, 5) and one shifted by half a pixel.
    const std::vector<pq::PointF> square{{2, 1}, {6, 1}, {6, 5}, {2, 5}};
    pq::PolygonCoverage shape;
    shape.set(square, QRect(0, 0, 8, 6));
    pq::CoverageScratch s;
    auto cov = [&](int y) {
        shape.rowPixels(y, s);
        return std::vector<uint8_t>(s.cov.begin(), s.cov.begin() + shape.box().width());
    };
    EXPECT_EQ(cov(3), (std::vector<uint8_t>{0, 0, 255, 255, 255, 255, 0, 0}));
    EXPECT_EQ(cov(0), std::vector<uint8_t>(8, 0));

    const std::vector<pq::PointF> shifted{{2.5f, 1}, {6.5f, 1}, {6.5f, 5}, {2.5f, 5}};
    shape.set(shifted, QRect(0, 0, 8, 6));
    EXPECT_EQ(cov(2), (std::vector<uint8_t>{0, 0, 128, 255, 255, 255, 128, 0}));

    // A triangle reaching out of the box: each pixel's coverage is its area
    // inside the triangle, as counted on a fine grid.
    const std::vector<pq::PointF> triangle{{-5, 0.5f}, {9.3f, 2.2f}, {1.7f, 11.8f}};
    auto inside = [&](double px, double py) {
        bool in = false;
        for (size_t i = 0, j = 2; i < 3; j = i++) {
            const pq::PointF a = triangle[i], b = triangle[j];
            if ((a.y > py) != (b.y > py) && px < (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x)
                in = !in;
        }
        return in;
    };
    shape.set(triangle, QRect(1, 0, 7, 12));
    for (int y = 0; y < 12; ++y) {
        const std::vector<uint8_t> row = cov(y);
        for (int x = 1; x < 8; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 64; ++sy)
                for (int sx = 0; sx < 64; ++sx)
                    hits += inside(x + (sx + 0.5) / 64.0, y + (sy + 0.5) / 64.0) ? 1 : 0;
            EXPECT_NEAR(row[size_t(x - 1)] / 255.0, hits / 4096.0, 0.01) << x << "," << y;
        }
    }
    EXPECT_TRUE(std::all_of(s.acc.begin(), s.acc.end(), [](float a) { return a == 0.0f; }));
}

// ---- Patches -------------------------------------------------------------

TEST_F(WatercolorTest, BatchesPaintAsOnePatchAfterAnother)
{
    const gfx::Image src = Blobs(160, 120, 11);
    const pq::SpokeSettings s = SettingsFor(src, 1500);
    for (const bool doClear : {true, false}) {
        // Paint-over starts from a picture that is partly right already.
        const gfx::Image start = doClear ? pqtest::SolidImage(160, 120, Qt::white) : Blobs(160, 120, 12);
        gfx::Surface one = gfx::Surface::fromImage(start);
        gfx::Surface batched = gfx::Surface::fromImage(start);
        const auto a = paintPatches(src, one, s, doClear, 1, 77);
        const auto b = paintPatches(src, batched, s, doClear, 256, 77);
        EXPECT_EQ(a, b) << "erase " << doClear;
        EXPECT_NE(a, PixelsOf(gfx::Surface::fromImage(start)));
    }
}

// The batch check decides most pixels by the circles the spokes bound;
// few spokes (wide steps between them), many, and big patches on a small
// picture must still come out as one patch after another.
TEST_F(WatercolorTest, BatchesMatchOneByOneForAnySpokeCount)
{
    const gfx::Image src = Blobs(120, 90, 21);
    for (const int spokes : {3, 5, 50}) {
        for (const float size : {3.0f, 25.0f}) {
            pq::SpokeSettings s = SettingsFor(src, 600);
            s.spokeCount = spokes;
            s.angleStep = float(2.0 * std::numbers::pi / spokes);
            s.patchSize = size;
            for (const bool doClear : {true, false}) {
                const gfx::Image start = doClear ? pqtest::SolidImage(120, 90, Qt::white) : Blobs(120, 90, 22);
                gfx::Surface one = gfx::Surface::fromImage(start);
                gfx::Surface batched = gfx::Surface::fromImage(start);
                const auto a = paintPatches(src, one, s, doClear, 1, 5);
                const auto b = paintPatches(src, batched, s, doClear, 256, 5);
                EXPECT_EQ(a, b) << "spokes " << spokes << " size " << size << " erase " << doClear;
            }
        }
    }
}

// The smoothing kept for a run against the ring sum written out plainly.
TEST(WatercolorPieces, KeptSmoothingMatchesThePlainRingSum)
{
    platform::Random rng(3);
    for (const float sigma : {0.3f, 0.6f, 0.8f}) {
        const pq::SpokeSmoothing kept(sigma);
        for (const int n : {2, 3, 5, 20, 70}) {
            std::vector<int> lengths(static_cast<size_t>(n));
            for (int& l : lengths)
                l = 1 + rng.random(300);
            std::vector<int> plain(lengths.size());
            for (int k = 0; k < n; ++k) {
                float sum = 0.0f, weights = 0.0f;
                for (int b = -3; b <= 3; ++b) {
                    const float w = float(std::exp(-0.5 * (double(b) / double(sigma)) * (double(b) / double(sigma))));
                    sum += float(lengths[size_t(((k + b) % n + n) % n)]) * w;
                    weights += w;
                }
                plain[size_t(k)] = platform::Round(double(sum / weights));
            }
            kept.apply(lengths, n);
            EXPECT_EQ(lengths, plain) << sigma << " " << n;
        }
    }
}

TEST(WatercolorPieces, APatchIsKeptWhenItCutsTheErrorByTheGain)
{
    // Canvas 100, photo 110: a patch of 120 is as far off (30 = 30), one of
    // 108 cuts the error to a fifth, one of 104 only to three fifths.
    const std::vector<pq::PointF> square{{1, 1}, {5, 1}, {5, 5}, {1, 5}};
    pq::PolygonCoverage shape;
    shape.set(square, QRect(1, 1, 4, 4));
    const gfx::Image photo = pqtest::SolidImage(6, 6, QColor(110, 110, 110));
    auto tryPaint = [&](int level, float gain) {
        gfx::Surface canvas = gfx::Surface::make(6, 6);
        canvas.clear(QColor(100, 100, 100));
        const bool kept = pq::CommitPatchIfCloser(shape, Opaque(level, level, level), canvas, photo, gain);
        EXPECT_EQ(canvas.row(3)[3], kept ? Opaque(level, level, level) : Opaque(100, 100, 100));
        EXPECT_EQ(canvas.row(0)[0], Opaque(100, 100, 100));
        return kept;
    };
    EXPECT_FALSE(tryPaint(120, 1.0f));
    EXPECT_TRUE(tryPaint(108, 1.7f));
    EXPECT_TRUE(tryPaint(104, 1.6f));
    EXPECT_FALSE(tryPaint(104, 1.7f));
    // Half-transparent paint keeps part of the canvas: 64 + 100 * 127 / 255.
    gfx::Surface canvas = gfx::Surface::make(6, 6);
    canvas.clear(QColor(100, 100, 100));
    EXPECT_TRUE(pq::CommitPatchIfCloser(shape, 0x80404040u, canvas, photo, 1.0f));
    EXPECT_EQ(canvas.row(3)[3], 0xFF000000u | 0x717171u);
}

TEST_F(WatercolorTest, PaintOverKeepsOnlyPatchesThatImproveThePicture)
{
    const gfx::Image src = Blobs(120, 90, 3);
    const pq::SpokeSettings s = SettingsFor(src, 800);
    // A canvas that already is the photo: nothing gets closer, nothing changes.
    gfx::Surface same = gfx::Surface::fromImage(src);
    EXPECT_EQ(paintPatches(src, same, s, false, 256, 5), PixelsOf(gfx::Surface::fromImage(src)));
    // From a blank canvas the picture moves towards the photo.
    gfx::Surface blank = gfx::Surface::make(120, 90);
    blank.clear(Qt::white);
    auto error = [&](const std::vector<gfx::Pixel>& px) {
        int64_t e = 0;
        for (int i = 0; i < 120 * 90; ++i)
            for (int sh = 0; sh <= 16; sh += 8)
                e += std::abs(int(px[size_t(i)] >> sh & 0xFF) - int(src.pixel(i % 120, i / 120) >> sh & 0xFF));
        return e;
    };
    const int64_t before = error(PixelsOf(blank));
    const int64_t after = error(paintPatches(src, blank, s, false, 256, 5));
    EXPECT_LT(after, before / 2);
}

TEST(WatercolorPieces, PatchesKeepTheSeedColourUnpremultiplied)
{
    // A half-transparent orange, stored (64, 32, 16) at alpha 128, painted
    // at full opacity onto a transparent canvas.
    // Few small patches, so that most painted pixels are painted once.
    const gfx::Image src = pqtest::SolidImage(100, 100, QColor(128, 64, 32, 128));
    ASSERT_EQ(src.pixel(0, 0), 0x80402010u);
    gfx::Surface canvas = gfx::Surface::make(100, 100);
    pq::SpokeSettings s = SettingsFor(src, 2, true);
    s.patchSize = 3.0f;
    auto ctx = pq::EffectRunContext::begin(true);
    platform::ScopedRunContext scope(ctx.get());
    platform::Random rng(9);
    pq::SpokePainter(src, canvas, s, true, true).paint(rng);
    // Inside a patch the canvas holds the seed's own pixel, not a darker one.
    int painted = 0;
    for (const gfx::Pixel p : PixelsOf(canvas))
        if ((p >> 24) == 128) {
            ++painted;
            EXPECT_NEAR(int((p >> 16) & 0xFF), 64, 1);
            EXPECT_NEAR(int((p >> 8) & 0xFF), 32, 1);
        }
    EXPECT_GT(painted, 0);
    EXPECT_TRUE(ValidPremultiplied(canvas));
}

// ---- The effect ----------------------------------------------------------

TEST_F(WatercolorTest, AFullyTransparentSourceGivesATransparentResult)
{
    const gfx::Image clear = pqtest::SolidImage(40, 30, Qt::transparent);
    const gfx::Surface full = run(clear, 30, 40, 40, 100, 20, false);
    EXPECT_EQ(PixelsOf(full), std::vector<gfx::Pixel>(40 * 30, 0u));
    // A preview paints on white whatever the source.
    const gfx::Surface preview = run(clear, 30, 40, 40, 100, 20, true);
    EXPECT_EQ(PixelsOf(preview), std::vector<gfx::Pixel>(40 * 30, kWhite));
    EXPECT_EQ(host->lastProgress, 101);
}

TEST_F(WatercolorTest, ACancelledRunLeavesDestUntouched)
{
    const gfx::Image src = Blobs(50, 40, 2);
    gfx::Surface dest = gfx::Surface::make(src.size());
    dest.clear(QColor(1, 2, 3));
    const auto before = PixelsOf(dest);
    auto ctx = pq::EffectRunContext::begin(false);
    host->shared->cancel.request();
    platform::ScopedRunContext scope(ctx.get());
    EXPECT_THROW(pq::Watercolor(src, dest, 30, 40, 40, 100, 20, false), pq::EAbort);
    EXPECT_EQ(PixelsOf(dest), before);
}

TEST_F(WatercolorTest, OpaquePhotosBecomeOpaquePaintings)
{
    const gfx::Image src = Blobs(90, 70, 8);
    const gfx::Surface out = run(src, 10, 40, 20, 100, 20, false);
    EXPECT_TRUE(ValidPremultiplied(out));
    for (const gfx::Pixel p : PixelsOf(out))
        ASSERT_EQ(p >> 24, 255u);
    // Close to the photo on the whole, yet not the photo.
    int64_t diff = 0;
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 90; ++x)
            diff += std::abs(int(out.row(y)[x] >> 16 & 0xFF) - int(src.pixel(x, y) >> 16 & 0xFF));
    EXPECT_GT(diff, 0);
    EXPECT_LT(diff / (90 * 70), 40);
    EXPECT_EQ(host->lastProgress, 101);
}

TEST_F(WatercolorTest, SemiTransparentSourcesGiveValidPixels)
{
    const gfx::Image src = Blobs(80, 60, 21, true);
    for (const bool preview : {false, true}) {
        const gfx::Surface out = run(src, 5, 70, 30, 60, 50, preview);
        EXPECT_TRUE(ValidPremultiplied(out)) << preview;
    }
}

TEST_F(WatercolorTest, EraseOffPaintsOverThePreviousResult)
{
    const gfx::Image src = Blobs(70, 50, 6);
    // Over the photo itself no patch helps, so the generator makes no
    // difference; on a fresh canvas it does.
    host->eraseOn = false;
    host->result = src;
    const auto over1 = PixelsOf(run(src, 5, 40, 20, 100, 20, false, 1));
    const auto over2 = PixelsOf(run(src, 5, 40, 20, 100, 20, false, 2));
    EXPECT_EQ(over1, over2);
    // The manual brush's region of the result wins over the result.
    auto ctx = pq::EffectRunContext::begin(false);
    ctx->backgroundImage = pqtest::SolidImage(70, 50, Qt::blue);
    ctx->rng.setSeed(1);
    gfx::Surface onBrush = gfx::Surface::make(src.size());
    {
        platform::ScopedRunContext scope(ctx.get());
        pq::Watercolor(src, onBrush, 5, 40, 20, 100, 20, false);
    }
    EXPECT_NE(PixelsOf(onBrush), over1);
    host->eraseOn = true;
    EXPECT_NE(PixelsOf(run(src, 5, 40, 20, 100, 20, false, 1)), PixelsOf(run(src, 5, 40, 20, 100, 20, false, 2)));
}

TEST_F(WatercolorTest, ScriptValuesFarOutsideTheSlidersStaySound)
{
    // Iterations beyond 100 count as 100 (a preview's step count follows
    // them; unbounded, 100000 would mean millions of steps here).
    const gfx::Image src = Blobs(16, 12, 13);
    const gfx::Surface busy = run(src, 100000, 100000, 100000, 100000, 100000, true);
    EXPECT_TRUE(ValidPremultiplied(busy));
    const int cases[][5] = {{0, 100000, 100000, 100000, 100000},
                            {-1000, -1000, -1000, -1000, -1000},
                            {0, 5, 0, 0, 0},
                            {-1, 100, 3, 50, 100}};
    for (const auto& c : cases) {
        const gfx::Surface out = run(src, c[0], c[1], c[2], c[3], c[4], false);
        EXPECT_TRUE(ValidPremultiplied(out)) << c[1];
    }
}

TEST_F(WatercolorTest, DestOfAnotherSizeGetsThePictureAtItsCorner)
{
    const gfx::Image src = Blobs(30, 20, 1);
    gfx::Surface dest = gfx::Surface::make(40, 10);
    auto ctx = pq::EffectRunContext::begin(true);
    platform::ScopedRunContext scope(ctx.get());
    pq::Watercolor(src, dest, 3, 40, 10, 100, 20, true);
    EXPECT_EQ(dest.row(5)[10] >> 24, 255u);
    EXPECT_EQ(dest.row(5)[35], 0u);
}

// ---- Intermediate pictures ------------------------------------------------

namespace {

// Keeps every picture a run shows, with a copy of what it held when shown.
class KeepingHost : public FakeHost {
public:
    std::vector<gfx::Image> shown;
    std::vector<QImage> copies;

    void setResultImage(const gfx::Image& image) override
    {
        shown.push_back(image);
        copies.push_back(image.toQImage().copy());
        FakeHost::setResultImage(image);
    }
};

} // namespace

TEST_F(WatercolorTest, PicturesTheWindowStillHoldsAreNeverPaintedOver)
{
    auto keeping = std::make_unique<KeepingHost>();
    pq::SetEngineHost(keeping.get());
    std::atomic<uint32_t> now{0};
    platform::SetTickSource([&] { return now += 1000; }); // every report shows the canvas
    run(Blobs(120, 90, 5), 2, 40, 10, 100, 20, false);
    pq::SetEngineHost(host.get());

    ASSERT_GE(keeping->shown.size(), 3u);
    for (size_t k = 0; k < keeping->shown.size(); ++k)
        EXPECT_EQ(keeping->shown[k].toQImage(), keeping->copies[k]) << "picture " << k;
    EXPECT_NE(keeping->copies.front(), keeping->copies[keeping->copies.size() / 2]);
}

TEST_F(WatercolorTest, ShowingTheCanvasLeavesThePaintingAsItIs)
{
    const gfx::Image src = Blobs(120, 90, 6);
    platform::SetTickSource([] { return 0u; }); // never shown
    const auto quiet = PixelsOf(run(src, 2, 40, 10, 100, 20, false));
    // Shown after every batch, each picture let go of at once, so that the
    // run copies into the same buffers again and again.
    std::atomic<uint32_t> now{0};
    platform::SetTickSource([&] { return now += 1000; });
    EXPECT_EQ(PixelsOf(run(src, 2, 40, 10, 100, 20, false)), quiet);
}
