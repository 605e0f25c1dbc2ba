// Smooth painting's fast paths against plain ones: the stroke order, the
// span blend, the stroke drawing, the speck removal and the selection's kept
// scratch space.
#include "effects/painting/smooth_painting/blend.h"
#include "effects/painting/smooth_painting/draw.h"
#include "effects/painting/smooth_painting/match.h"
#include "effects/painting/smooth_painting/select.h"

#include "platform/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

std::vector<uint32_t> PlainOrder(const std::vector<pq::SmoothStroke>& strokes)
{
    std::vector<uint32_t> order(strokes.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return strokes[a].score > strokes[b].score; });
    return order;
}

std::vector<pq::SmoothStroke> RandomStrokes(size_t n, uint32_t seed, int range, int64_t offset)
{
    platform::Random rng(seed);
    std::vector<pq::SmoothStroke> strokes(n);
    for (pq::SmoothStroke& s : strokes)
        s.score = offset + rng.random(range);
    return strokes;
}

// The speck removal pixel by pixel in scan order.
void PlainRemoveSpecks(std::vector<gfx::Pixel>& c, int w, int h)
{
    const auto grey = [](gfx::Pixel p) { return int(((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255)) / 3; };
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            gfx::Pixel& p = c[size_t(y * w + x)];
            if ((p >> 24) <= 9)
                continue;
            int n = 0, k = 0, sr = 0, sg = 0, sb = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const gfx::Pixel q = c[size_t((y + dy) * w + x + dx)];
                    if ((dx == 0 && dy == 0) || (q >> 24) <= 9)
                        continue;
                    ++n;
                    sr += int((q >> 16) & 255);
                    sg += int((q >> 8) & 255);
                    sb += int(q & 255);
                    k += grey(q) < grey(p) - 30;
                }
            if (n > 0 && k > 5)
                p = 0xFF000000u | gfx::Pixel(sr / n) << 16 | gfx::Pixel(sg / n) << 8 | gfx::Pixel(sb / n);
        }
}

} // namespace

TEST(SmoothSpecks, RowsPassedOverKeepTheScanOrderResult)
{
    // Dark ground with bright dots, clusters of them (whose removal feeds
    // the next row's), transparent holes and speck-free rows.
    platform::Random rng(41);
    for (const QSize size : {QSize(3, 3), QSize(5, 40), QSize(64, 48), QSize(200, 7)})
        for (int density : {2, 20, 200}) {
            const int w = size.width(), h = size.height();
            std::vector<gfx::Pixel> plain(size_t(w) * size_t(h));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int kind = (y / 3) % 4 == 3 ? 3 : rng.random(density);
                    const uint32_t v = kind == 0 ? 200 + uint32_t(rng.random(56)) : uint32_t(rng.random(60));
                    plain[size_t(y * w + x)] =
                        kind == 1 && rng.random(4) == 0 ? 0u : 0xFF000000u | v << 16 | v << 8 | uint32_t(rng.random(256));
                }
            // A speck above two bright pixels in a row that has none until
            // it is removed.
            for (int x = 2; density == 200 && x + 2 < w && h >= 6; x += 7) {
                const int y = 2 + rng.random(h - 5);
                for (const QPoint p : {QPoint(x, y - 1), QPoint(x - 1, y), QPoint(x, y), QPoint(x, y + 1)})
                    plain[size_t(p.y() * w + p.x())] = 0xFFF0F0F0u;
            }
            gfx::Surface canvas = gfx::Surface::make(size);
            for (int y = 0; y < h; ++y)
                std::copy_n(plain.data() + size_t(y * w), w, canvas.row(y));
            PlainRemoveSpecks(plain, w, h);
            pq::RemoveBrightSpecks(canvas);
            for (int y = 0; y < h; ++y)
                ASSERT_TRUE(std::equal(plain.data() + size_t(y * w), plain.data() + size_t(y * w + w), canvas.row(y)))
                    << w << "x" << h << " density " << density << " row " << y;
        }
}

TEST(SmoothStrokeOrder, WorstFirstWithTiesInIndexOrder)
{
    pq::SmoothScratch<uint64_t> keys;
    uint32_t seed = 1;
    // Small and sliced (parallel) sizes, crowded ties and spread scores,
    // and scores too large for the compact keys.
    for (const size_t n : {size_t(0), size_t(1), size_t(7), size_t(5000), size_t(70001), size_t(300000)})
        for (const int range : {2, 50, 1 << 30})
            for (const int64_t offset : {int64_t(0), int64_t(1) << 33}) {
                const std::vector<pq::SmoothStroke> strokes = RandomStrokes(n, seed++, range, offset);
                std::vector<uint32_t> order{9, 9};
                pq::SmoothStrokeOrder(strokes, order, keys);
                ASSERT_EQ(order, PlainOrder(strokes)) << n << " strokes, range " << range << " offset " << offset;
            }
}

TEST(SmoothBlend, SpanMatchesThePixelFormulaForEveryValue)
{
    // Every colour byte against every canvas byte and alpha, in all four
    // channels, with spans of odd and even length.
    std::vector<gfx::Pixel> row(256), expected(256);
    std::vector<uint8_t> alpha(256);
    for (int k = 0; k < 256; ++k)
        alpha[size_t(k)] = uint8_t(k);
    for (uint32_t c = 0; c < 256; ++c) {
        const gfx::Pixel colour = c | (255 - c) << 8 | (c * 7 % 256) << 16 | (c * 13 % 256) << 24;
        for (uint32_t d = 0; d < 256; ++d) {
            const gfx::Pixel under = (d * 3 % 256) | d << 8 | (255 - d) << 16 | (d * 11 % 256) << 24;
            const int n = 255 + int(d % 2);
            for (int u = 0; u < n; ++u) {
                row[size_t(u)] = under;
                expected[size_t(u)] = pq::SmoothBlend(colour, under, alpha[size_t(u)]);
            }
            if (n == 255)
                row[255] = expected[255] = 0x12345678u; // past the span: untouched
            pq::SmoothBlendSpan(row.data(), alpha.data(), n, colour);
            ASSERT_EQ(row, expected) << "colour " << c << " canvas " << d;
        }
    }
}

TEST(SmoothBlend, ZeroAlphaLeavesThePixel)
{
    std::vector<gfx::Pixel> row = {0x80402010u, 0xFFFFFFFFu, 0x01020304u};
    const std::vector<gfx::Pixel> before = row;
    const std::vector<uint8_t> alpha(3, 0);
    pq::SmoothBlendSpan(row.data(), alpha.data(), 3, 0xFF00FF00u);
    EXPECT_EQ(row, before);
}

TEST(SmoothDraw, BlocksMatchThePlainSpansOnAndOffTheCanvas)
{
    // Brushes with empty, full and holed rows; strokes inside, across every
    // edge and outside; bands cutting them; every stroke over the last.
    platform::Random rng(31);
    for (const int size : {8, 9, 12, 17, 30, 50}) {
        pq::SmoothBrush brush;
        brush.size = size;
        brush.alpha.assign(size_t(size) * size_t(size), 0);
        for (int v = 0; v < size; ++v) {
            const int kind = rng.random(4);
            const int from = kind == 1 ? 0 : rng.random(size), to = kind == 1 ? size - 1 : from + rng.random(size - from);
            for (int u = from; u <= to && kind != 0; ++u)
                brush.alpha[size_t(v) * size_t(size) + size_t(u)] = uint8_t(kind == 3 && u % 3 == 0 ? 0 : rng.random(256));
        }
        const pq::SmoothStrokeInk ink = pq::MakeSmoothStrokeInk(brush);
        for (const int width : {size + 3, 61}) {
            const int height = 45, stride = width + 5;
            std::vector<gfx::Pixel> fast(size_t(stride) * size_t(height));
            for (gfx::Pixel& p : fast)
                p = rng.next();
            std::vector<gfx::Pixel> plain = fast;
            for (int i = 0; i < 300; ++i) {
                const pq::SmoothDrawn s{rng.random(width + 2 * size) - size - 1, rng.random(height + size) - size,
                                        rng.next(), 0};
                const int top = rng.random(3) == 0 ? 0 : rng.random(height), bottom = top + 1 + rng.random(height - top);
                pq::DrawSmoothStroke(s, ink, fast.data(), stride, width, top, bottom);
                pq::DrawSmoothStrokePlain(s, ink, plain.data(), stride, width, top, bottom);
                ASSERT_EQ(fast, plain) << "size " << size << " width " << width << " stroke " << s.x << "," << s.y;
            }
        }
    }
}

TEST(SmoothSelection, KeptScratchSpaceGivesTheSameStrokes)
{
    // One scratch vector through pictures of different shapes, as the
    // painter keeps it from pass to pass.
    pq::SmoothScratch<int64_t> keys;
    const int shapes[][3] = {{60, 40, 17}, {13, 90, 8}, {90, 13, 25}, {60, 40, 17}};
    uint32_t seed = 11;
    for (const auto& shape : shapes) {
        platform::Random rng(seed++);
        std::vector<pq::Match> table(size_t(shape[0]) * size_t(shape[1]));
        for (pq::Match& m : table) {
            m.score = rng.random(8) == 0 ? pq::kNoScore : rng.random(20);
            m.a = 255;
        }
        std::vector<pq::Match> plainTable = table;
        std::vector<pq::SmoothStroke> expected, got;
        pq::SelectSmoothStrokes(plainTable, shape[0], shape[1], shape[2], expected);
        pq::SelectSmoothStrokes(table, shape[0], shape[1], shape[2], got, keys);
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].x, expected[i].x);
            EXPECT_EQ(got[i].y, expected[i].y);
            EXPECT_EQ(got[i].score, expected[i].score);
        }
    }
}
