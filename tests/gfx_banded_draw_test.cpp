#include "gfx/band_canvas.h"
#include "gfx/banded_draw.h"
#include "image_compare.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using gfx::BandCanvas;
using gfx::ShapeBlend;

// The shapes the ink effects draw: rotated rectangles, bent polylines,
// flattened curves and discs, in translucent colours.
struct Shape {
    int kind = 0;
    double x = 0, y = 0, a = 0, len = 0, width = 0, bend = 0;
    gfx::Pixel color = 0;
    ShapeBlend blend = ShapeBlend::Multiply;
};

std::vector<Shape> RandomShapes(int count, int w, int h, uint32_t seed)
{
    platform::Random rng(seed);
    std::vector<Shape> shapes(static_cast<size_t>(count));
    for (Shape& s : shapes) {
        s.kind = rng.random(4);
        s.x = rng.randomReal() * (w + 40) - 20;
        s.y = rng.randomReal() * (h + 40) - 20;
        s.a = rng.randomReal() * 6.3;
        s.len = rng.randomReal() * 40;
        s.width = rng.randomReal() * 5 - 0.5;
        s.bend = rng.randomReal() * 6 - 3;
        s.color = testimg::Premul(rng.random(256), rng.random(256), rng.random(256), rng.random(256));
        s.blend = rng.random(3) != 0 ? ShapeBlend::Multiply : ShapeBlend::SrcOver;
    }
    return shapes;
}

double Reach(const Shape& s)
{
    return s.len + std::abs(s.bend) + std::abs(s.width) + 2;
}

void DrawShape(BandCanvas& c, const Shape& s)
{
    const double dx = std::cos(s.a), dy = std::sin(s.a);
    const double h = s.len / 2;
    switch (s.kind) {
    case 0: {
        const double wx = -dy * s.width / 2, wy = dx * s.width / 2;
        const QPointF quad[4] = {{s.x - dx * h + wx, s.y - dy * h + wy},
                                 {s.x + dx * s.len + wx, s.y + dy * s.len + wy},
                                 {s.x + dx * s.len - wx, s.y + dy * s.len - wy},
                                 {s.x - dx * h - wx, s.y - dy * h - wy}};
        c.fillPolygon(quad, s.color, s.blend);
        break;
    }
    case 1: {
        const QPointF line[3] = {
            {s.x - dx * h, s.y - dy * h}, {s.x - dy * s.bend, s.y + dx * s.bend}, {s.x + dx * h, s.y + dy * h}};
        c.strokePolyline(line, s.width, s.color, s.blend);
        break;
    }
    case 2: {
        std::vector<QPointF> curve;
        for (int i = 0; i <= 8; ++i) {
            const double t = i / 8.0, u = 1 - t;
            const double cx = s.x - dy * s.bend * 2, cy = s.y + dx * s.bend * 2;
            curve.emplace_back(u * u * (s.x - dx * h) + 2 * u * t * cx + t * t * (s.x + dx * h),
                               u * u * (s.y - dy * h) + 2 * u * t * cy + t * t * (s.y + dy * h));
        }
        c.strokePolyline(curve, s.width / 4, s.color, s.blend);
        break;
    }
    default:
        c.fillCircle(QPointF(s.x, s.y), s.len / 4, s.color, s.blend);
        break;
    }
}

gfx::Image DrawAtOnce(const gfx::Image& background, const std::vector<Shape>& shapes)
{
    gfx::Surface s = gfx::Surface::fromImage(background);
    BandCanvas canvas(s, 0, s.height());
    for (const Shape& shape : shapes)
        DrawShape(canvas, shape);
    return s.snapshot();
}

gfx::Image DrawBanded(const gfx::Image& background, const std::vector<Shape>& shapes, int bandHeight)
{
    gfx::Surface s = gfx::Surface::fromImage(background);
    std::vector<gfx::RowSpan> rows;
    for (const Shape& shape : shapes)
        rows.push_back(gfx::RowSpanOf(shape.y, shape.y, Reach(shape)));
    gfx::DrawInBands(
        s, rows, [&](BandCanvas& c, int i) { DrawShape(c, shapes[size_t(i)]); }, bandHeight);
    return s.snapshot();
}

// Sum of coverage of an opaque black shape multiplied onto white, in pixels.
template <typename Fn>
double InkedArea(int w, int h, Fn&& draw)
{
    gfx::Surface s = gfx::Surface::make(w, h);
    s.clear(Qt::white);
    BandCanvas c(s, 0, h);
    draw(c);
    double sum = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sum += (255 - testimg::Channel(s.row(y)[x], 0)) / 255.0;
    return sum;
}

TEST(BandedDraw, GivesThePictureOfOneCanvasWhateverTheBands)
{
    const gfx::Image background = testimg::MakeNoise(173, 141, 3, false);
    const std::vector<Shape> shapes = RandomShapes(3000, 173, 141, 11);
    const gfx::Image whole = DrawAtOnce(background, shapes);
    EXPECT_TRUE(testimg::IsValidPremultiplied(whole));
    for (int band : {1, 5, 16, 64, 400})
        EXPECT_TRUE(testimg::ImagesNear(whole, DrawBanded(background, shapes, band))) << "band height " << band;
    const gfx::Image serial = testimg::RunSerially([&] { return DrawBanded(background, shapes, 8); });
    EXPECT_TRUE(testimg::ImagesNear(whole, serial));
}

TEST(BandedDraw, RowSpansAreConservativeAndSafe)
{
    const gfx::RowSpan r = gfx::RowSpanOf(10.2, 12.7, 1.5);
    EXPECT_EQ(r.top, 8);
    EXPECT_EQ(r.bottom, 15);
    const gfx::RowSpan bad = gfx::RowSpanOf(std::nan(""), 3.0, 1.0);
    EXPECT_GT(bad.top, bad.bottom);
    const gfx::RowSpan far = gfx::RowSpanOf(-1e300, 1e300, 1.0);
    EXPECT_LT(far.top, 0);
    EXPECT_GT(far.bottom, 100000);

    // Shapes wholly outside the surface or with empty spans are skipped; a
    // shape is drawn once in every band it touches.
    gfx::Surface s = gfx::Surface::make(10, 10);
    int calls = 0;
    const std::vector<gfx::RowSpan> rows = {{-20, -5}, {12, 30}, {5, 4}, {-1'000'000'000, 1'000'000'000}};
    gfx::DrawInBands(
        s, rows, [&](BandCanvas&, int) { ++calls; }, 4);
    EXPECT_EQ(calls, 3);
}

TEST(BandCanvas, CoverageMatchesTheAreaOfEachShape)
{
    // Axis-aligned rectangle on pixel edges: exact, with half-covered edges.
    gfx::Surface s = gfx::Surface::make(20, 20);
    s.clear(Qt::white);
    BandCanvas c(s, 0, 20);
    const QPointF rect[4] = {{2, 3}, {10, 3}, {10, 7.5}, {2, 7.5}};
    c.fillPolygon(rect, 0xFF000000u, ShapeBlend::Multiply);
    EXPECT_EQ(s.row(3)[2], 0xFF000000u);
    EXPECT_EQ(s.row(6)[9], 0xFF000000u);
    EXPECT_EQ(s.row(2)[5], 0xFFFFFFFFu);
    EXPECT_EQ(s.row(5)[10], 0xFFFFFFFFu);
    EXPECT_NEAR(testimg::Channel(s.row(7)[5], 0), 128, 1);

    const double rotated = InkedArea(60, 60, [](BandCanvas& c) {
        const QPointF quad[4] = {{10.3, 20.1}, {45.7, 40.2}, {42.2, 46.4}, {6.8, 26.3}};
        c.fillPolygon(quad, 0xFF000000u, ShapeBlend::Multiply);
    });
    const double quadArea = 0.5 * std::abs((45.7 - 10.3) * (46.4 - 20.1) - (42.2 - 10.3) * (40.2 - 20.1) +
                                           (42.2 - 10.3) * (26.3 - 20.1) - (6.8 - 10.3) * (46.4 - 20.1));
    EXPECT_NEAR(rotated, quadArea, 0.5);

    for (double r : {0.45, 0.8, 2.5, 9.3})
        EXPECT_NEAR(InkedArea(40, 40,
                              [&](BandCanvas& c) {
                                  c.fillCircle({20.3, 19.6}, r, 0xFF000000u, ShapeBlend::Multiply);
                              }),
                    M_PI * r * r, 0.06 * M_PI * r * r + 0.3)
            << "radius " << r;

    // A stroke covers about length x width (plus its round caps); thin ones
    // keep their ink by fading.
    for (double w : {0.3, 1.0, 2.5}) {
        const QPointF line[3] = {{5.2, 7.1}, {20.4, 20.6}, {35.3, 9.9}};
        const double len = std::hypot(15.2, 13.5) + std::hypot(14.9, 10.7);
        const double area =
            InkedArea(40, 30, [&](BandCanvas& c) { c.strokePolyline(line, w, 0xFF000000u, ShapeBlend::Multiply); });
        const double ew = std::max(w, 1.0), expected = len * w + (w >= 1 ? M_PI * ew * ew / 4 : w * M_PI / 4);
        EXPECT_NEAR(area, expected, 0.12 * expected) << "width " << w;
    }
}

TEST(BandCanvas, BlendsKeepPremultipliedPixelsAndHonourTheModes)
{
    // Opaque paper: multiply by grey 18 at full coverage gives grey 18 * v / 255.
    EXPECT_EQ(gfx::BlendCoverage(0xFFFFFFFFu, 0xFF121212u, 255, ShapeBlend::Multiply), 0xFF121212u);
    EXPECT_EQ(gfx::BlendCoverage(0xFF808080u, 0xFF000000u, 0, ShapeBlend::Multiply), 0xFF808080u);
    EXPECT_EQ(gfx::BlendCoverage(0x00000000u, 0xFF102030u, 255, ShapeBlend::SrcOver), 0xFF102030u);
    platform::Random rng(4);
    for (int i = 0; i < 20000; ++i) {
        const gfx::Pixel d = testimg::Premul(rng.random(256), rng.random(256), rng.random(256), rng.random(256));
        const gfx::Pixel c = testimg::Premul(rng.random(256), rng.random(256), rng.random(256), rng.random(256));
        for (ShapeBlend b : {ShapeBlend::SrcOver, ShapeBlend::Multiply}) {
            const gfx::Pixel p = gfx::BlendCoverage(d, c, rng.random(256), b);
            const int a = testimg::Channel(p, 3);
            ASSERT_LE(testimg::Channel(p, 0), a);
            ASSERT_LE(testimg::Channel(p, 1), a);
            ASSERT_LE(testimg::Channel(p, 2), a);
            ASSERT_GE(a, testimg::Channel(d, 3));
        }
    }
}

TEST(BandCanvas, AbsurdShapesStayInsideTheSurface)
{
    gfx::Surface s = gfx::Surface::make(30, 20);
    s.clear(Qt::white);
    BandCanvas c(s, 0, 20);
    const QPointF huge[4] = {{-1e12, -1e12}, {1e12, -1e12}, {1e12, 1e12}, {-1e12, 1e12}};
    c.fillPolygon(huge, 0xFF000000u, ShapeBlend::SrcOver);
    EXPECT_EQ(s.row(10)[15], 0xFF000000u);
    const QPointF nan[3] = {{std::nan(""), 1}, {3, 4}, {5, 6}};
    c.fillPolygon(nan, 0xFFFF0000u, ShapeBlend::SrcOver);
    c.strokePolyline(nan, 2, 0xFFFF0000u, ShapeBlend::SrcOver);
    c.fillCircle({15, 10}, 1e9, 0xFF00FF00u, ShapeBlend::SrcOver);
    EXPECT_EQ(s.row(0)[0], 0xFF00FF00u);
    EXPECT_EQ(s.row(19)[29], 0xFF00FF00u);
}

} // namespace
