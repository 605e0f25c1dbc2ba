// The brush-stamp machinery: cells, orientation, drawing against a slow
// reference, clipped and sampled drawing, the pixel rules, the relief and
// the gradient map.
#include "effects/shared/brush_stamps.h"
#include "effects/shared/stamp_cell_cache.h"
#include "engine/repository/brush_sheet.h"
#include "image_compare.h"
#include "platform/thread_pool.h"

#include <QTransform>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

using gfx::Pixel;

// A soft blob with a grain, off centre, so that turning shows.
pq::StampCell Blob(int size = 256)
{
    std::vector<uint8_t> a(size_t(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = (x - size * 0.45) / (size * 0.35), dy = (y - size * 0.55) / (size * 0.2);
            const double r = std::sqrt(dx * dx + dy * dy);
            const int grain = ((x * 7 + y * 13) % 11) * 6;
            a[size_t(y) * size + x] = uint8_t(std::clamp(int((1.0 - r) * 400.0) - grain, 0, 255));
        }
    return pq::StampCell::fromPlane(size, size, a);
}

pq::StampCell Stripe(bool vertical)
{
    std::vector<uint8_t> a(256 * 256, 0);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            if (vertical ? (x >= 120 && x < 136 && y >= 20 && y < 236) : (y >= 120 && y < 136 && x >= 20 && x < 236))
                a[size_t(y) * 256 + x] = 255;
    return pq::StampCell::fromPlane(256, 256, a);
}

// ---- The slow, obvious reference of DrawStamp --------------------------

double RefSample(const pq::StampCell::Level& l, double x, double y, pq::StampSampling sampling)
{
    auto at = [&](int i, int j) {
        return double(l.at(std::clamp(i, 0, l.width - 1), std::clamp(j, 0, l.height - 1)));
    };
    if (sampling == pq::StampSampling::Nearest)
        return at(int(std::floor(x)), int(std::floor(y)));
    const double fx = x - 0.5, fy = y - 0.5;
    const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
    const double tx = fx - ix, ty = fy - iy;
    if (sampling != pq::StampSampling::Cubic)
        return (at(ix, iy) * (1 - tx) + at(ix + 1, iy) * tx) * (1 - ty) +
               (at(ix, iy + 1) * (1 - tx) + at(ix + 1, iy + 1) * tx) * ty;
    // Mitchell B = C = 1/3 written out from its definition.
    auto k = [](double d) {
        const double b = 1.0 / 3.0, c = 1.0 / 3.0;
        d = std::fabs(d);
        if (d < 1)
            return ((12 - 9 * b - 6 * c) * d * d * d + (-18 + 12 * b + 6 * c) * d * d + (6 - 2 * b)) / 6;
        if (d < 2)
            return ((-b - 6 * c) * d * d * d + (6 * b + 30 * c) * d * d + (-12 * b - 48 * c) * d + (8 * b + 24 * c)) / 6;
        return 0.0;
    };
    double sum = 0;
    for (int j = -1; j <= 2; ++j)
        for (int i = -1; i <= 2; ++i)
            sum += at(ix + i, iy + j) * k(tx - i) * k(ty - j);
    return std::clamp(sum, 0.0, 255.0);
}

// Every pixel of a fresh surface from the definition: the pixel centre
// mapped back through the inverse of the drawing transform.
std::vector<Pixel> ReferenceStamp(int side, const pq::Stamp& s)
{
    const double c = side / 2;
    QTransform toDevice;
    toDevice.translate(c, c);
    toDevice.rotateRadians(s.angle);
    const QTransform toLocal = toDevice.inverted();
    const pq::StampCell& cell = *s.cell;
    const double shrink = std::max(cell.width() / s.width, cell.height() / s.height);
    int level = 0;
    if (shrink > 1 && s.sampling == pq::StampSampling::LinearMipmap)
        level = int(std::floor(std::log2(shrink) + 0.5));
    if (shrink > 1 && s.sampling == pq::StampSampling::Cubic)
        level = int(std::floor(std::log2(shrink)));
    level = std::clamp(level, 0, cell.levelCount() - 1);
    const pq::StampCell::Level& l = cell.level(level);
    std::vector<Pixel> out(size_t(side) * side, 0);
    for (int v = 0; v < side; ++v)
        for (int u = 0; u < side; ++u) {
            const QPointF p = toLocal.map(QPointF(u + 0.5, v + 0.5));
            const double cx = std::clamp(s.width / 2 + 0.5 - std::fabs(p.x()), 0.0, 1.0);
            const double cy = std::clamp(s.height / 2 + 0.5 - std::fabs(p.y()), 0.0, 1.0);
            const double a = RefSample(l, (p.x() + s.width / 2) * l.width / s.width,
                                       (p.y() + s.height / 2) * l.height / s.height, s.sampling);
            const double m = a * cx * cy * s.opacity / 255.0;
            Pixel px = 0;
            for (int ch = 0; ch < 4; ++ch)
                px |= Pixel(std::nearbyint(double((s.colour >> (8 * ch)) & 255) * m)) << (8 * ch);
            out[size_t(v) * side + u] = px;
        }
    return out;
}

std::vector<Pixel> PixelsOf(const pq::StampSurface& s)
{
    std::vector<Pixel> v;
    for (int y = 0; y < s.side(); ++y)
        v.insert(v.end(), s.row(y), s.row(y) + s.side());
    return v;
}

pq::Stamp StampOf(const pq::StampCell& cell, double angle, double size, pq::StampSampling sampling)
{
    pq::Stamp s;
    s.cell = &cell;
    s.colour = testimg::Premul(200, 120, 40, 230);
    s.opacity = 0.8f;
    s.angle = angle;
    s.width = s.height = size;
    s.sampling = sampling;
    return s;
}

} // namespace

// ---- Pixel rules -------------------------------------------------------

TEST(BrushStampPixels, ErrorWeighsAlphaTwice)
{
    EXPECT_EQ(pq::PixelError(0xFFFFFFFFu, 0x00000000u), 1275);
    EXPECT_EQ(pq::PixelError(0x00000000u, 0xFFFFFFFFu), 1275);
    EXPECT_EQ(pq::PixelError(testimg::Premul(10, 20, 30), testimg::Premul(13, 18, 30)), 5);
}

TEST(BrushStampPixels, StampOverKeepsOpaqueAndSkipsNothing)
{
    const Pixel over = pq::StampOver(0x80400000u, 0xFFFFFFFFu);
    EXPECT_EQ(over >> 24, 255u);
    EXPECT_EQ((over >> 16) & 255, 191u);
    const Pixel opaque = testimg::Premul(1, 2, 3);
    EXPECT_EQ(pq::StampOver(opaque, 0xFF808080u), opaque);
    EXPECT_EQ(pq::StampOver(0u, 0xC0402010u), 0xC0402010u);
    // Valid data in, valid data out.
    for (Pixel t : {0x10080402u, 0x80404040u, 0xFE7F0000u})
        for (Pixel d : {0xFFFFFFFFu, 0x40102030u, 0u}) {
            const Pixel r = pq::StampOver(t, d);
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_LE((r >> (8 * ch)) & 255, r >> 24);
        }
}

// ---- Cells ---------------------------------------------------------------

TEST(BrushStampCells, OrientationFollowsTheMass)
{
    const pq::StampCell blank = pq::StampCell::fromPlane(256, 256, std::vector<uint8_t>(256 * 256, 0));
    EXPECT_FLOAT_EQ(pq::BrushOrientationAngle(blank, 1, 1.0), 0.0f);
    EXPECT_NEAR(pq::BrushOrientationAngle(Stripe(false), 1, 1.0), 0.0, 1e-6);
    EXPECT_NEAR(pq::BrushOrientationAngle(Stripe(true), 1, 1.0), std::numbers::pi / 2, 1e-6);
    EXPECT_NEAR(pq::BrushOrientationAngle(Stripe(true), 21, 1000.0), std::numbers::pi / 2, 1e-6);
    // Too little weight for the watercolour variant: one faint pixel.
    std::vector<uint8_t> faint(256 * 256, 0);
    faint[100] = 200;
    faint[300] = 200;
    EXPECT_FLOAT_EQ(pq::BrushOrientationAngle(pq::StampCell::fromPlane(256, 256, faint), 21, 1000.0), 0.0f);
}

TEST(BrushStampCells, MipLevelsHalveDownToOnePixel)
{
    const pq::StampCell cell = Blob();
    ASSERT_EQ(cell.levelCount(), 9);
    EXPECT_EQ(cell.level(1).width, 128);
    EXPECT_EQ(cell.level(8).width, 1);
    const auto& l0 = cell.level(0);
    const int sum = l0.at(40, 60) + l0.at(41, 60) + l0.at(40, 61) + l0.at(41, 61);
    EXPECT_EQ(cell.level(1).at(20, 30), (sum + 2) / 4);
}

namespace {

// A sheet of `cells` cells (8 per row) in which cell i is painted when
// paint(i) is true, as a mark crossing the middle column or beside it.
gfx::Image Sheet(int width, int rows, const std::function<int(int)>& paint)
{
    return testimg::MakeImage(width, rows * 256, [&](int x, int y) -> Pixel {
        const int i = (y / 256) * 8 + x / 256;
        const int cx = x % 256, cy = y % 256;
        switch (paint(i)) {
        case 1: return (cx > 100 && cx < 156 && cy > 50 && cy < 200) ? 0xFF202020u : 0u; // crosses the centre column
        case 2: return (cx < 60 && cy > 50 && cy < 200) ? 0xFF202020u : 0u;              // off the centre column
        default: return 0u;
        }
    });
}

} // namespace

TEST(BrushStampCells, TestedCuttingKeepsCellsWithPaintOnTheMiddleColumn)
{
    // Cells 0, 2 and 9 are marked through the middle, cell 1 beside it.
    const gfx::Image sheet = Sheet(2048, 2, [](int i) { return i == 0 || i == 2 || i == 9 ? 1 : i == 1 ? 2 : 0; });
    const std::vector<pq::StampCell> cells = pq::CutTestedCells(sheet);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0].alphaAt(128, 128), 255);
    // A narrower sheet stops at the first cell crossing its edge, even with
    // a second row below.
    const gfx::Image narrow = Sheet(1000, 2, [](int) { return 1; });
    EXPECT_EQ(pq::CutTestedCells(narrow).size(), 3u);
    // Rows of cells only: a sheet shorter than a cell has none.
    EXPECT_TRUE(pq::CutTestedCells(testimg::MakeSolid(2048, 200, 0xFF000000u)).empty());
    EXPECT_TRUE(pq::CutTestedCells(gfx::Image()).empty());
}

TEST(BrushStampCells, UsableCellsAreCountedAsTheCuttingsTakeThem)
{
    const gfx::Image sheet = Sheet(2048, 2, [](int i) { return i == 0 || i == 2 || i == 9 ? 1 : i == 1 ? 2 : 0; });
    EXPECT_EQ(pq::TestedCellCount(sheet), int(pq::CutTestedCells(sheet).size()));
    EXPECT_EQ(pq::TestedCellCount(Sheet(1000, 2, [](int) { return 1; })), 3);
    EXPECT_EQ(pq::TestedCellCount(gfx::Image()), 0);
    // Counted, any paint will do, off the middle too; cells past the
    // sheet hold none.
    EXPECT_EQ(pq::InkedCellCount(sheet, 16), 4);
    EXPECT_EQ(pq::InkedCellCount(sheet, 2), 2);
    EXPECT_EQ(pq::InkedCellCount(Sheet(2048, 1, [](int) { return 1; }), 12), 8);
    EXPECT_EQ(pq::InkedCellCount(sheet, 0), 0);
    EXPECT_EQ(pq::InkedCellCount(gfx::Image(), 3), 0);
    // The middle test keeps alpha above 10; a single faint pixel is ink.
    for (const int alpha : {10, 11}) {
        const gfx::Image faint = testimg::MakeImage(256, 256, [&](int x, int y) -> Pixel {
            return x == 128 && y == 160 ? Pixel(alpha) << 24 : 0u;
        });
        EXPECT_EQ(pq::TestedCellCount(faint), alpha > 10 ? 1 : 0) << alpha;
        EXPECT_EQ(pq::InkedCellCount(faint, 1), 1) << alpha;
    }
    EXPECT_EQ(pq::InkedCellCount(testimg::MakeSolid(256, 256, 0u), 1), 0);
}

TEST(BrushStampCells, CountedCuttingFillsBeyondTheSheetWithBlankCells)
{
    const gfx::Image sheet = Sheet(2048, 1, [](int) { return 1; });
    const std::vector<pq::StampCell> cells = pq::CutCountedCells(sheet, 12);
    ASSERT_EQ(cells.size(), 12u);
    EXPECT_FALSE(cells[7].isBlank());
    EXPECT_TRUE(cells[8].isBlank());
    EXPECT_EQ(cells[11].width(), 256);
    EXPECT_TRUE(pq::CutCountedCells(sheet, 0).empty());
    EXPECT_TRUE(pq::CutCountedCells(sheet, -3).empty());
}

TEST(BrushStampCells, KeptSheetCellsMatchAFreshCutAndFollowTheSheet)
{
    // Two sheets of the same size with different marks: each keeps its own.
    const gfx::Image first = Sheet(2048, 1, [](int i) { return i % 2 == 0 ? 1 : 0; });
    const gfx::Image second = Sheet(2048, 1, [](int i) { return i < 5 ? 1 : i == 5 ? 2 : 0; });
    const pq::OrientationRule rule{21, 1000.0};
    for (const gfx::Image& sheet : {first, second, first}) {
        const auto kept = pq::TestedSheetCells(sheet, rule);
        const std::vector<pq::StampCell> fresh = pq::CutTestedCells(sheet);
        ASSERT_EQ(kept->cells.size(), fresh.size());
        ASSERT_EQ(kept->angles.size(), fresh.size());
        for (size_t i = 0; i < fresh.size(); ++i) {
            EXPECT_EQ(kept->cells[i].level(0).alpha, fresh[i].level(0).alpha);
            EXPECT_EQ(kept->angles[i], pq::BrushOrientationAngle(fresh[i], 21, 1000.0));
        }
        EXPECT_EQ(pq::TestedSheetCells(sheet, rule), kept); // shared, not cut again
    }
    EXPECT_EQ(pq::TestedSheetCells(first, rule)->cells.size(), 4u);
    EXPECT_EQ(pq::TestedSheetCells(second, rule)->cells.size(), 5u);
    EXPECT_TRUE(pq::TestedSheetCells(first, std::nullopt)->angles.empty());

    // Counted cuts keep their count and their rule apart.
    const auto twelve = pq::CountedSheetCells(second, 12, pq::OrientationRule{1, 1.0});
    ASSERT_EQ(twelve->cells.size(), 12u);
    EXPECT_TRUE(twelve->cells[6].isBlank());
    EXPECT_EQ(twelve->angles[11], 0.0f);
    EXPECT_EQ(twelve->angles[0], pq::BrushOrientationAngle(twelve->cells[0], 1, 1.0));
    EXPECT_EQ(pq::CountedSheetCells(second, 3, pq::OrientationRule{1, 1.0})->cells.size(), 3u);
    EXPECT_TRUE(pq::CountedSheetCells(second, -2, std::nullopt)->cells.empty());
    EXPECT_TRUE(pq::TestedSheetCells(gfx::Image(), rule)->cells.empty());
}

// ---- Drawing ---------------------------------------------------------------

TEST(BrushStampDrawing, MatchesTheReferenceForEverySampling)
{
    const pq::StampCell cell = Blob();
    const int side = 240;
    for (pq::StampSampling sampling : {pq::StampSampling::Nearest, pq::StampSampling::Linear,
                                       pq::StampSampling::LinearMipmap, pq::StampSampling::Cubic})
        for (double size : {17.0, 60.0, 150.0, 300.0})
            for (double angle : {0.0, 0.7, 2.9}) {
                const pq::Stamp stamp = StampOf(cell, angle, size, sampling);
                pq::StampSurface surface(side);
                pq::DrawStamp(surface, stamp, surface.rect());
                const std::vector<Pixel> ref = ReferenceStamp(side, stamp);
                const std::vector<Pixel> got = PixelsOf(surface);
                int off = 0, worst = 0;
                for (size_t i = 0; i < ref.size(); ++i)
                    for (int ch = 0; ch < 4; ++ch) {
                        const int d = std::abs(int((ref[i] >> (8 * ch)) & 255) - int((got[i] >> (8 * ch)) & 255));
                        worst = std::max(worst, d);
                        off += d > 0;
                    }
                EXPECT_LE(worst, 1) << int(sampling) << " size " << size << " angle " << angle;
                EXPECT_LT(off, 40) << int(sampling) << " size " << size << " angle " << angle;
            }
}

TEST(BrushStampDrawing, TheTintIsTakenAsStoredNotDarkenedAgain)
{
    // An opaque cell in a half-transparent colour gives that colour itself;
    // premultiplying it a second time would give about R 16.
    const pq::StampCell solid = pq::StampCell::fromPlane(8, 8, std::vector<uint8_t>(64, 255));
    pq::Stamp s = StampOf(solid, 0.0, 20.0, pq::StampSampling::Linear);
    s.colour = 0x80402010u;
    s.opacity = 1.0f;
    pq::StampSurface surface(40);
    pq::DrawStamp(surface, s, surface.rect());
    EXPECT_EQ(surface.at(20, 20), 0x80402010u);
    // Opacity scales every channel alike.
    s.opacity = 0.5f;
    pq::DrawStamp(surface, s, surface.rect());
    EXPECT_EQ(surface.at(20, 20), 0x40201008u);
}

TEST(BrushStampDrawing, ClippedAndSampledDrawsGiveTheSameBytes)
{
    const pq::StampCell cell = Blob();
    const pq::Stamp stamp = StampOf(cell, 0.4, 180.0, pq::StampSampling::LinearMipmap);
    pq::StampSurface full(260);
    pq::DrawStamp(full, stamp, full.rect());

    // A surface dirtied by a bigger stamp first: drawing clears it.
    pq::StampSurface reused(260);
    pq::DrawStamp(reused, StampOf(cell, 1.0, 250.0, pq::StampSampling::Cubic), reused.rect());
    const QRect clip(QPoint(61, 47), QPoint(199, 230));
    pq::DrawStamp(reused, stamp, clip);
    for (int v = 0; v < 260; ++v)
        for (int u = 0; u < 260; ++u)
            ASSERT_EQ(reused.at(u, v), clip.contains(u, v) ? full.at(u, v) : 0u) << u << "," << v;

    pq::DrawStamp(reused, stamp, clip, 4);
    for (int v = 0; v < 260; ++v)
        for (int u = 0; u < 260; ++u) {
            const bool onGrid = clip.contains(u, v) && (u - clip.left()) % 4 == 0 && (v - clip.top()) % 4 == 0;
            ASSERT_EQ(reused.at(u, v), onGrid ? full.at(u, v) : 0u) << u << "," << v;
        }
    reused.clear();
    EXPECT_EQ(PixelsOf(reused), std::vector<Pixel>(260 * 260, 0u));
}

// Ink in a small patch away from every edge of the cell, so that trimming
// to the ink has something to cut on each side.
pq::StampCell Patch()
{
    std::vector<uint8_t> a(256 * 256, 0);
    for (int y = 150; y < 231; ++y)
        for (int x = 37; x < 112; ++x)
            a[size_t(y) * 256 + x] = uint8_t(std::min(255, 40 + ((x * 11 + y * 5) % 9) * 30 + (x - 37) * 2));
    return pq::StampCell::fromPlane(256, 256, a);
}

TEST(BrushStampDrawing, TrimmingToTheInkGivesTheSameBytes)
{
    const pq::StampCell cell = Patch();
    const pq::StampSampling samplings[] = {pq::StampSampling::Nearest, pq::StampSampling::Linear,
                                           pq::StampSampling::LinearMipmap, pq::StampSampling::Cubic};
    pq::StampSurface plain(300), trimmed(300);
    const QRect clip(QPoint(23, 31), QPoint(281, 270));
    for (const pq::StampSampling sampling : samplings)
        for (const double size : {9.0, 37.5, 120.0, 255.0, 400.0})
            for (const double angle : {0.0, 0.3, 1.5707963267948966, 2.9, -1.1})
                for (const int step : {1, 3}) {
                    pq::Stamp stamp = StampOf(cell, angle, size, sampling);
                    pq::DrawStamp(plain, stamp, clip, step);
                    stamp.trimToInk = true;
                    pq::DrawStamp(trimmed, stamp, clip, step);
                    ASSERT_EQ(PixelsOf(trimmed), PixelsOf(plain))
                        << int(sampling) << " size " << size << " angle " << angle << " step " << step;
                    EXPECT_TRUE(plain.dirtyRect().contains(trimmed.dirtyRect()) || trimmed.dirtyRect().isEmpty());
                }
}

TEST(BrushStampDrawing, GridWithinKeepsExactlyTheGridPointsInTheBox)
{
    const QRect grid(QPoint(5, 9), QPoint(60, 47));
    const QRect boxes[] = {QRect(QPoint(0, 0), QPoint(70, 70)), QRect(QPoint(7, 10), QPoint(30, 33)),
                           QRect(QPoint(6, 10), QPoint(8, 12)), QRect(QPoint(58, 44), QPoint(90, 90)),
                           QRect(QPoint(61, 0), QPoint(80, 80)), QRect()};
    for (const QRect& box : boxes)
        for (const int step : {1, 2, 3, 4, 5}) {
            const QRect r = pq::GridWithin(grid, box, step);
            for (int v = 0; v < 100; ++v)
                for (int u = 0; u < 100; ++u) {
                    const bool onGrid = grid.contains(u, v) && (u - grid.left()) % step == 0 &&
                                        (v - grid.top()) % step == 0 && box.contains(u, v);
                    const bool walked = r.contains(u, v) && (u - r.left()) % step == 0 && (v - r.top()) % step == 0;
                    ASSERT_EQ(walked, onGrid) << u << "," << v << " step " << step;
                }
        }
}

TEST(BrushStampDrawing, ThreadCountNeverChangesAStamp)
{
    const pq::StampCell cell = Blob();
    const pq::Stamp stamp = StampOf(cell, 2.2, 400.0, pq::StampSampling::Cubic);
    platform::ConfigureThreadPool(0, 0);
    pq::StampSurface serial(600);
    pq::DrawStamp(serial, stamp, serial.rect());
    platform::ConfigureThreadPool(5, 5);
    pq::StampSurface pooled(600);
    pq::DrawStamp(pooled, stamp, pooled.rect());
    platform::ConfigureDefaultThreadPool();
    EXPECT_EQ(PixelsOf(serial), PixelsOf(pooled));
}

TEST(BrushStampDrawing, NothingToDrawLeavesTheSurfaceClear)
{
    const pq::StampCell cell = Blob();
    pq::StampSurface surface(100);
    pq::Stamp tiny = StampOf(cell, 0, 0.2, pq::StampSampling::Linear);
    pq::Stamp clear = StampOf(cell, 0, 50, pq::StampSampling::Linear);
    clear.opacity = 0.0f;
    for (const pq::Stamp& stamp : {tiny, clear}) {
        pq::DrawStamp(surface, stamp, surface.rect());
        EXPECT_TRUE(surface.dirtyRect().isEmpty());
    }
    pq::Stamp none = StampOf(cell, 0, 50, pq::StampSampling::Linear);
    none.cell = nullptr;
    pq::DrawStamp(surface, none, surface.rect());
    EXPECT_EQ(PixelsOf(surface), std::vector<Pixel>(100 * 100, 0u));
}

// ---- Relief, commit, gradient map -------------------------------------------

TEST(BrushStampRelief, KeepsAlphaAndStaysInsideItsRadius)
{
    const pq::StampCell cell = Blob();
    pq::StampSurface surface(200);
    pq::DrawStamp(surface, StampOf(cell, 0.3, 120.0, pq::StampSampling::Linear), surface.rect());
    const std::vector<Pixel> before = PixelsOf(surface);
    const int size = 120, radius = size / 2 + size / 4, c = surface.centre();
    pq::ApplyImpastoRelief(surface, size, 35, surface.rect().adjusted(1, 1, -1, -1));
    const std::vector<Pixel> after = PixelsOf(surface);
    int changed = 0;
    for (int v = 0; v < 200; ++v)
        for (int u = 0; u < 200; ++u) {
            const size_t i = size_t(v) * 200 + u;
            ASSERT_EQ(after[i] >> 24, before[i] >> 24);
            if (std::abs(u - c) + std::abs(v - c) >= radius) {
                ASSERT_EQ(after[i], before[i]) << u << "," << v;
            }
            changed += after[i] != before[i];
            for (int ch = 0; ch < 3; ++ch)
                ASSERT_LE((after[i] >> (8 * ch)) & 255, after[i] >> 24);
        }
    EXPECT_GT(changed, 100);
}

TEST(BrushStampCommit, LaysTheWindowOverTheCanvasWhereItLands)
{
    pq::StampSurface stamp(9);
    const pq::StampCell solid = pq::StampCell::fromPlane(4, 4, std::vector<uint8_t>(16, 255));
    pq::Stamp s = StampOf(solid, 0.0, 5.0, pq::StampSampling::Nearest);
    s.colour = 0xFF102030u;
    s.opacity = 1.0f;
    pq::DrawStamp(stamp, s, stamp.rect());
    gfx::Surface canvas = gfx::Surface::make(6, 6);
    canvas.clearPixel(0xFFFFFFFFu);
    // Centred on the corner pixel: only the quarter inside lands, its
    // outer ring half covered.
    pq::CommitStamp(stamp, stamp.rect(), canvas, 0, 0);
    EXPECT_EQ(canvas.row(0)[0], 0xFF102030u);
    EXPECT_EQ(canvas.row(1)[1], 0xFF102030u);
    EXPECT_NE(canvas.row(2)[1], 0xFF102030u);
    EXPECT_NE(canvas.row(2)[1], 0xFFFFFFFFu);
    EXPECT_EQ(canvas.row(3)[3], 0xFFFFFFFFu);
    EXPECT_EQ(pq::WindowOnCanvas(stamp.rect(), 4, 0, 0, 6, 6), QRect(4, 4, 5, 5));
}

// A canvas of varied, partly transparent premultiplied pixels.
gfx::Surface PatternCanvas(int w, int h)
{
    gfx::Surface canvas = gfx::Surface::make(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = (x * 37 + y * 11) % 7 == 0 ? 90 : 255;
            canvas.row(y)[x] = testimg::Premul((x * 5) % 256, (y * 3) % 256, (x * y) % 256, a);
        }
    return canvas;
}

std::vector<Pixel> CanvasPixels(const gfx::Surface& canvas)
{
    std::vector<Pixel> out;
    for (int y = 0; y < canvas.height(); ++y)
        out.insert(out.end(), canvas.row(y), canvas.row(y) + canvas.width());
    return out;
}

TEST(BrushStampCommit, OnePassLayingMatchesDrawingThenCommitting)
{
    const pq::StampCell cell = Blob();
    const int side = 363, c = side / 2;
    pq::StampSurface surface(side);
    int checked = 0;
    for (pq::StampSampling sampling : {pq::StampSampling::Linear, pq::StampSampling::Nearest,
                                       pq::StampSampling::LinearMipmap, pq::StampSampling::Cubic})
        for (double size : {6.0, 23.5, 71.0, 180.0, 250.0})
            for (double angle : {0.0, 0.37, -2.6, 4.1})
                for (QPoint at : {QPoint(150, 100), QPoint(3, 5), QPoint(296, 197), QPoint(-20, 60)}) {
                    pq::Stamp stamp = StampOf(cell, angle, size, sampling);
                    stamp.trimToInk = size > 50.0;
                    stamp.opacity = float(0.3 + angle * angle / 20.0);
                    const int reach = int(std::ceil(size * 0.75));
                    const QRect clip(c - reach, c - reach, 2 * reach + 1, 2 * reach - 3);
                    gfx::Surface expected = PatternCanvas(300, 200);
                    const QRect window = pq::WindowOnCanvas(clip.intersected(surface.rect()), c, at.x(), at.y(),
                                                            expected.width(), expected.height());
                    pq::DrawStamp(surface, stamp, window);
                    pq::CommitStamp(surface, window, expected, at.x(), at.y());
                    gfx::Surface got = PatternCanvas(300, 200);
                    pq::DrawStampOver(stamp, side, clip, got, at.x(), at.y());
                    ASSERT_EQ(CanvasPixels(got), CanvasPixels(expected))
                        << int(sampling) << " size " << size << " angle " << angle << " at " << at.x() << ","
                        << at.y();
                    ++checked;
                }
    EXPECT_EQ(checked, 320);
}

TEST(BrushStampCommit, OnePassLayingIgnoresTheThreadCount)
{
    const pq::StampCell cell = Blob();
    const pq::Stamp stamp = StampOf(cell, 1.1, 420.0, pq::StampSampling::Linear);
    platform::ConfigureThreadPool(0, 0);
    gfx::Surface serial = PatternCanvas(500, 450);
    pq::DrawStampOver(stamp, 700, QRect(0, 0, 700, 700), serial, 240, 230);
    platform::ConfigureThreadPool(5, 5);
    gfx::Surface pooled = PatternCanvas(500, 450);
    pq::DrawStampOver(stamp, 700, QRect(0, 0, 700, 700), pooled, 240, 230);
    platform::ConfigureDefaultThreadPool();
    EXPECT_EQ(CanvasPixels(serial), CanvasPixels(pooled));
    EXPECT_NE(CanvasPixels(serial), CanvasPixels(PatternCanvas(500, 450)));
}

TEST(BrushStampRelief, ReliefAndCommitInOnePassMatchTheTwoSteps)
{
    const pq::StampCell cell = Blob();
    const int side = 301, c = side / 2;
    int checked = 0;
    for (double size : {20.0, 64.0, 150.0})
        for (double angle : {0.0, 0.8, -2.2})
            for (QPoint at : {QPoint(150, 100), QPoint(4, 190), QPoint(-30, 40)}) {
                const pq::Stamp stamp = StampOf(cell, angle, size, pq::StampSampling::LinearMipmap);
                const int s = int(size), r = s / 2 + 2;
                const QRect relief(c - r, c - r, 2 * r + 1, 2 * r + 1);
                const QRect window =
                    pq::WindowOnCanvas(QRect(c - s, c - s, 2 * s, 2 * s + 3), c, at.x(), at.y(), 300, 200);
                pq::StampSurface twoSteps(side), onePass(side);
                pq::DrawStamp(twoSteps, stamp, window);
                pq::DrawStamp(onePass, stamp, window);
                gfx::Surface expected = PatternCanvas(300, 200), got = PatternCanvas(300, 200);
                pq::ApplyImpastoRelief(twoSteps, s, 20, relief.intersected(window));
                pq::CommitStamp(twoSteps, window, expected, at.x(), at.y());
                pq::ApplyReliefAndCommit(onePass, s, 20, relief.intersected(window), window, got, at.x(), at.y());
                ASSERT_EQ(CanvasPixels(got), CanvasPixels(expected)) << size << " " << angle << " " << at.x();
                ASSERT_EQ(PixelsOf(onePass), PixelsOf(twoSteps));
                ++checked;
            }
    EXPECT_EQ(checked, 27);
}

TEST(BrushStampGradients, MapsEdgesAndKeepsARowForWidePictures)
{
    const gfx::Image edge = testimg::MakeImage(64, 40, [](int x, int) { return x < 32 ? 0xFF000000u : 0xFFFFFFFFu; });
    const pq::GradientMap map = pq::BuildGradientMap(edge);
    ASSERT_EQ(map.width, 64);
    ASSERT_EQ(map.height, 40);
    EXPECT_EQ(map.at(32, 20).magnitude, 255);
    EXPECT_NEAR(map.at(32, 20).angle, 0.0, 1e-6); // grey rises to the right
    EXPECT_EQ(map.at(10, 20).magnitude, 0);
    EXPECT_EQ(map.at(0, 20).magnitude, 0); // borders stay zero
    const pq::GradientMap big = pq::BuildGradientMap(testimg::MakeSolid(1024, 512, 0xFF808080u));
    EXPECT_EQ(big.width, 256);
    EXPECT_EQ(big.height, 128);
    const pq::GradientMap wide = pq::BuildGradientMap(testimg::MakeSolid(6000, 10, 0xFF808080u));
    EXPECT_EQ(wide.height, 1);
    EXPECT_EQ(&wide.cellOf(5999, 9, 6000, 10), &wide.at(255, 0));
}

TEST(BrushStampGradients, TheRedToneSeesOnlyTheRedChannel)
{
    // A step in green alone and one in red alone: the grey sees both, the
    // red tone only the red one.
    const gfx::Image greenStep =
        testimg::MakeImage(64, 40, [](int x, int) { return x < 32 ? 0xFF200020u : 0xFF20FF20u; });
    const gfx::Image redStep = testimg::MakeImage(64, 40, [](int x, int) { return x < 32 ? 0xFF202020u : 0xFFFF2020u; });
    EXPECT_GT(pq::BuildGradientMap(greenStep).at(32, 20).magnitude, 15);
    EXPECT_EQ(pq::BuildGradientMap(greenStep, pq::GradientTone::Red).at(32, 20).magnitude, 0);
    const pq::GradientMap red = pq::BuildGradientMap(redStep, pq::GradientTone::Red);
    EXPECT_EQ(red.at(32, 20).magnitude, 255); // (255 - 32) * 4, capped
    EXPECT_NEAR(red.at(32, 20).angle, 0.0, 1e-6);
    // One level of red: |gx| = 4 on each side of the step, no more.
    const gfx::Image faint = testimg::MakeImage(64, 40, [](int x, int) { return x < 32 ? 0xFF80FF00u : 0xFF8100FFu; });
    const pq::GradientMap faintRed = pq::BuildGradientMap(faint, pq::GradientTone::Red);
    EXPECT_EQ(faintRed.at(31, 20).magnitude, 4);
    EXPECT_EQ(faintRed.at(32, 20).magnitude, 4);
    EXPECT_EQ(faintRed.at(30, 20).magnitude, 0);
}
