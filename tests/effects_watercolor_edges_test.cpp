#include "watercolor_test_pictures.h"

#include "effects/painting/watercolor/sobel_edges.h"

using namespace pqtest;
using namespace pqtest::watercolor;

// Edge strokes: the Sobel layer and its multiply over the painting.

TEST(WatercolorEdges, AFlatPictureGetsNoStrokes)
{
    const gfx::Image flat = pqtest::SolidImage(20, 16, QColor(30, 160, 90));
    gfx::Surface layer = gfx::Surface::make(20, 16);
    pq::SobelEffectSource(flat, layer, 5, 230, 10);
    EXPECT_EQ(PixelsOf(layer), std::vector<gfx::Pixel>(20 * 16, kWhite));
    const gfx::Image painting = Blobs(20, 16, 4);
    for (const int p5 : {-50, 0, 20, 100, 1000}) {
        gfx::Surface dest = gfx::Surface::fromImage(painting);
        pq::OverlaySobelEdges(flat, dest, 5, 230, 10, p5);
        EXPECT_EQ(dest.snapshot().toQImage(), painting.toQImage()) << p5;
    }
}

TEST(WatercolorEdges, AGreyStepNeedsFortyLevels)
{
    for (const int step : {39, 40}) {
        const gfx::Image src = ImageOf(20, 20, [&](int x, int) { return x < 10 ? Opaque(0, 0, 0) : Opaque(step, step, step); });
        gfx::Surface layer = gfx::Surface::make(20, 20);
        pq::SobelEffectSource(src, layer, 5, 230, 10);
        const auto px = PixelsOf(layer);
        const bool stroked = std::any_of(px.begin(), px.end(), [](gfx::Pixel p) { return p != kWhite; });
        EXPECT_EQ(stroked, step == 40) << step;
    }
}

TEST(WatercolorEdges, VerticalEdgesGetVerticalStrokes)
{
    // M = 20: strokes of one step each way, 22 at the centre (twice) and 21.
    const gfx::Image src = ImageOf(20, 20, [](int x, int) { return x < 10 ? Opaque(0, 0, 0) : Opaque(40, 40, 40); });
    gfx::Surface layer = gfx::Surface::make(20, 20);
    pq::SobelEffectSource(src, layer, 5, 230, 10);
    for (const int x : {9, 10}) {
        EXPECT_EQ(Grey(layer.row(10)[x]), 255 - 44 - 42) << x;
        EXPECT_EQ(Grey(layer.row(1)[x]), 255 - 44 - 21) << x;
        EXPECT_EQ(Grey(layer.row(0)[x]), 255 - 21) << x; // the tip of the first row's stroke
    }
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(layer.row(y)[8], kWhite);
        EXPECT_EQ(layer.row(y)[11], kWhite);
    }
    // The same edge lying down gives horizontal strokes.
    const gfx::Image flat = ImageOf(20, 20, [](int, int y) { return y < 10 ? Opaque(0, 0, 0) : Opaque(40, 40, 40); });
    pq::SobelEffectSource(flat, layer, 5, 230, 10);
    EXPECT_EQ(Grey(layer.row(9)[10]), 255 - 44 - 42);
    EXPECT_EQ(Grey(layer.row(9)[0]), 255 - 21);
    EXPECT_EQ(layer.row(8)[10], kWhite);
}

TEST(WatercolorEdges, TransparentSourcesGetOpaqueStrokesOnATransparentLayer)
{
    const gfx::Image src = ImageOf(20, 20, [](int x, int) { return x < 10 ? 0u : Opaque(200, 200, 200); });
    gfx::Surface layer = gfx::Surface::make(20, 20);
    pq::SobelEffectSource(src, layer, 5, 230, 10);
    EXPECT_EQ(layer.row(10)[2], 0u);
    EXPECT_EQ(layer.row(10)[9] >> 24, 255u);
    EXPECT_LT(Grey(layer.row(10)[9]), 255);
    EXPECT_TRUE(ValidPremultiplied(layer));
}

TEST(WatercolorEdges, StrokesMultiplyAtTheOpacity)
{
    const gfx::Image src = ImageOf(20, 20, [](int x, int) { return x < 10 ? Opaque(0, 0, 0) : Opaque(40, 40, 40); });
    const gfx::Image painting = pqtest::SolidImage(20, 20, QColor(200, 100, 50));
    gfx::Surface none = gfx::Surface::fromImage(painting);
    pq::OverlaySobelEdges(src, none, 5, 230, 10, 0);
    EXPECT_EQ(none.snapshot().toQImage(), painting.toQImage());
    gfx::Surface full = gfx::Surface::fromImage(painting);
    pq::OverlaySobelEdges(src, full, 5, 230, 10, 100);
    // Layer grey 169 multiplies 200 to 133 at full strength.
    EXPECT_EQ((full.row(10)[9] >> 16) & 0xFF, gfx::Pixel((200 * 169 + 127) / 255));
    EXPECT_EQ(full.row(10)[2], painting.pixel(2, 10));
    gfx::Surface half = gfx::Surface::fromImage(painting);
    pq::OverlaySobelEdges(src, half, 5, 230, 10, 50);
    const int r = int((half.row(10)[9] >> 16) & 0xFF);
    EXPECT_GT(r, 133);
    EXPECT_LT(r, 200);
}
