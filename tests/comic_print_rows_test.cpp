#include "effects/ink/comic_print/rows.h"
#include "gfx/band_canvas.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// The vectorised rows of the comic print and of disc filling must give the
// bytes of the plain pixel-by-pixel code, on every kind of pixel.

namespace {

// A premultiplied pixel: its colour bytes at most its alpha.
gfx::Pixel Premultiplied(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return a << 24 | std::min(r, a) << 16 | std::min(g, a) << 8 | std::min(b, a);
}

// Random pixels with transparent, faint, half and opaque ones, pure black,
// white, grey ramps and saturated colours among them.
std::vector<gfx::Pixel> VariedPixels(int count, uint32_t seed)
{
    platform::Random random(seed);
    const uint32_t alphas[] = {0, 1, 2, 5, 128, 200, 254, 255, 255, 255};
    std::vector<gfx::Pixel> row;
    for (int i = 0; i < count; ++i) {
        const uint32_t a = alphas[random.random(10)];
        switch (random.random(4)) {
        case 0:
            row.push_back(Premultiplied(a, random.random(256), random.random(256), random.random(256)));
            break;
        case 1: {
            const uint32_t v = uint32_t(random.random(4)) * 85u;
            row.push_back(Premultiplied(a, v, v, v));
            break;
        }
        case 2:
            row.push_back(Premultiplied(a, random.random(2) * 255u, random.random(2) * 255u, random.random(2) * 255u));
            break;
        default:
            row.push_back(Premultiplied(255, uint32_t(i) & 255u, 255u - (uint32_t(i) & 255u), 3u));
        }
    }
    return row;
}

TEST(ComicPrintRows, SeparationMatchesPixelByPixel)
{
    const std::vector<gfx::Pixel> src = VariedPixels(4099, 17);
    for (const double k : {0.0, 0.02, 0.5, 1.0, 1.3, 2.0, 4.0}) {
        const float u = float(std::clamp(0.65 - 0.15 * k, 0.25, 0.75));
        // Every width up to 9 covers the tails of four-pixel groups.
        for (const int width : {1, 2, 3, 4, 5, 7, 9, 4099}) {
            const size_t plane = size_t(width);
            std::vector<uint8_t> fast(4 * plane, 7), plain(4 * plane, 9);
            pq::comic::SeparateRow(src.data(), width, k, u, fast.data(), plane);
            pq::comic::SeparatePixels(src.data(), width, k, u, plain.data(), plane);
            ASSERT_EQ(fast, plain) << "k " << k << " width " << width;
        }
    }
}

TEST(ComicPrintRows, TransparentGivesNoInkAndBlackOnlyK)
{
    const gfx::Pixel src[2] = {0x00000000u, 0xFF000000u};
    std::vector<uint8_t> inks(8, 99);
    pq::comic::SeparateRow(src, 2, 1.0, 0.5f, inks.data(), 2);
    EXPECT_EQ(inks, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 255}));
}

TEST(ComicPrintRows, MultiplyKeepsPaperUnderWhite)
{
    std::vector<gfx::Pixel> paper = {0xFF102030u, 0xFFFFFFFFu, 0xFF808080u, 0xFF000000u};
    const std::vector<gfx::Pixel> layer = {0xFFFFFFFFu, 0xFF00C8FFu, 0xFF808080u, 0xFFFFFFFFu};
    pq::comic::MultiplyRow(paper.data(), layer.data(), 4);
    EXPECT_EQ(paper, (std::vector<gfx::Pixel>{0xFF102030u, 0xFF00C8FFu, 0xFF404040u, 0xFF000000u}));
}

// fillCircle's coverage for discs of a pixel or more, pixel by pixel:
// radius + 0.5 less the distance of the pixel centre, as a byte.
void PlainDisc(std::vector<gfx::Pixel>& px, int w, int h, double cx, double cy, double radius, gfx::Pixel color,
               gfx::ShapeBlend blend)
{
    const double reach = radius + 0.5;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double xc = x + 0.5 - cx, yc = y + 0.5 - cy;
            if (std::abs(yc) >= reach)
                continue;
            const float c = float(reach - std::sqrt(xc * xc + yc * yc));
            const int cov = c <= 0.0f ? 0 : (c >= 1.0f ? 255 : int(c * 255.0f + 0.5f));
            if (cov)
                px[size_t(y) * w + x] = gfx::BlendCoverage(px[size_t(y) * w + x], color, cov, blend);
        }
}

TEST(ComicPrintRows, DiscsMatchPixelByPixel)
{
    platform::Random random(5);
    const int w = 97, h = 61;
    for (const gfx::ShapeBlend blend : {gfx::ShapeBlend::SrcOver, gfx::ShapeBlend::Multiply}) {
        gfx::Surface surface = gfx::Surface::make(w, h);
        std::vector<gfx::Pixel> plain = VariedPixels(w * h, 9);
        for (int y = 0; y < h; ++y)
            std::memcpy(surface.bits() + y * surface.stride(), plain.data() + size_t(y) * w, size_t(w) * 4);
        for (int i = 0; i < 300; ++i) {
            // Centres partly off the surface, radii from 1 to wider than it.
            const double cx = random.randomReal() * 130.0 - 15.0, cy = random.randomReal() * 90.0 - 15.0;
            const double radius = i % 50 == 0 ? 60.0 + random.randomReal() * 40.0 : 1.0 + random.randomReal() * 9.0;
            const gfx::Pixel color = i % 3 == 0 ? 0xFF00C8FFu : VariedPixels(1, uint32_t(i))[0];
            gfx::BandCanvas(surface, 0, h).fillCircle(QPointF(cx, cy), radius, color, blend);
            PlainDisc(plain, w, h, cx, cy, radius, color, blend);
        }
        for (int y = 0; y < h; ++y)
            ASSERT_EQ(std::memcmp(surface.bits() + y * surface.stride(), plain.data() + size_t(y) * w, size_t(w) * 4),
                      0)
                << "row " << y;
    }
}

// A canvas over a band buffer draws what the whole-surface canvas draws
// in those rows.
TEST(ComicPrintRows, BandBufferCanvasDrawsTheSameRows)
{
    const int w = 40, h = 30, top = 11, bottom = 19;
    gfx::Surface whole = gfx::Surface::make(w, h, 0xFFFFFFFFu);
    std::vector<gfx::Pixel> band(size_t(bottom - top) * w, 0xFFFFFFFFu);
    auto bandCanvas = gfx::BandCanvas::overBand(reinterpret_cast<uchar*>(band.data()), w * 4, w, h, top, bottom);
    for (const auto& [x, y, r] : {std::tuple{12.3, 14.7, 6.2}, {30.0, 9.5, 3.0}, {5.5, 25.0, 8.0}}) {
        gfx::BandCanvas(whole, 0, h).fillCircle(QPointF(x, y), r, 0xFF0000C0u, gfx::ShapeBlend::SrcOver);
        bandCanvas.fillCircle(QPointF(x, y), r, 0xFF0000C0u, gfx::ShapeBlend::SrcOver);
    }
    for (int y = top; y < bottom; ++y)
        EXPECT_EQ(std::memcmp(whole.bits() + y * whole.stride(), band.data() + size_t(y - top) * w, size_t(w) * 4), 0)
            << "row " << y;
}

} // namespace
