// The wide sampling of a stochastic painting try must count exactly what
// the one-sample-at-a-time loop counts; the marks kept for the process are
// those of cutting the atlas afresh.

#include "effects/painting/stochastic_painting/marks.h"
#include "effects/painting/stochastic_painting/samples.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr int kSide = 250;

std::vector<uint8_t> MarkPlane(uint32_t seed, int inset)
{
    platform::Random rng(seed);
    std::vector<uint8_t> alpha(size_t(kSide) * kSide, 0);
    for (int y = inset; y < kSide - inset / 2; ++y)
        for (int x = inset / 3; x < kSide - inset; ++x)
            alpha[size_t(y) * kSide + size_t(x)] = uint8_t(rng.random(3) == 0 ? rng.random(12) : rng.random(256));
    return alpha;
}

std::vector<gfx::Pixel> PixelRow(uint32_t seed, int width, bool holes)
{
    platform::Random rng(seed);
    std::vector<gfx::Pixel> row(static_cast<size_t>(width));
    for (gfx::Pixel& p : row) {
        const uint32_t a = holes && rng.random(4) == 0 ? uint32_t(rng.random(12)) : 255u;
        const auto c = [&] { return uint32_t(rng.random(int(a) + 1)); };
        p = a << 24 | c() << 16 | c() << 8 | c();
    }
    return row;
}

TEST(StochasticSamples, MarkWeightsKeepTheStrongTexelsScaledByOpacity)
{
    std::vector<uint8_t> alpha(size_t(kSide) * kSide, 0);
    alpha[size_t(40) * kSide + 30] = 11;
    alpha[size_t(90) * kSide + 200] = 255;
    alpha[size_t(60) * kSide + 100] = 10; // not above 10: no weight, not in the box
    alpha[size_t(5) * kSide + 5] = 3;
    const pq::MarkWeights m(alpha.data(), kSide, 128);
    EXPECT_EQ(m.left, 30);
    EXPECT_EQ(m.top, 40);
    EXPECT_EQ(m.width, 171);
    EXPECT_EQ(m.height, 51);
    EXPECT_EQ(m.weights[0], 11 * 128 / 255);
    EXPECT_EQ(m.weights[size_t(50) * 171 + 170], 128);
    EXPECT_EQ(m.weights[size_t(20) * 171 + 70], 0);
    const pq::MarkWeights blank(std::vector<uint8_t>(size_t(kSide) * kSide, 10).data(), kSide, 255);
    EXPECT_EQ(blank.width, 0);
}

TEST(StochasticSamples, WideRowsCountAsThePlainLoop)
{
    const int width = 400;
    platform::Random rng(77);
    int nonZero = 0;
    for (int i = 0; i < 3000; ++i) {
        const pq::MarkWeights mark(MarkPlane(uint32_t(i % 7), 10 + (i % 7) * 12).data(), kSide, 20 + rng.random(236));
        const bool transparent = i % 3 == 0;
        const std::vector<gfx::Pixel> photo = PixelRow(uint32_t(2 * i), width, transparent);
        const std::vector<gfx::Pixel> canvas = PixelRow(uint32_t(2 * i + 1), width, false);
        const int colour[3] = {rng.random(256), rng.random(256), rng.random(256)};
        const double angle = (rng.randomReal() - 0.5) * 14.0;
        pq::SampleRow row;
        row.photo = photo.data();
        row.canvas = canvas.data();
        row.mark = &mark;
        row.side = kSide;
        row.x = rng.random(width);
        row.dy = rng.random(201) - 100;
        row.step = 1 + rng.random(9);
        row.first = rng.random(width);
        row.last = std::min(width - 1, row.first + rng.random(width));
        row.cs = std::cos(angle);
        row.sn = std::sin(angle);
        row.scale = 250.0 / (5.0 + rng.randomReal() * 245.0);
        row.colour = colour;
        row.transparent = transparent;
        const int64_t plain = pq::SampleRowGainPlain(row);
        ASSERT_EQ(pq::SampleRowGain(row), plain) << "row " << i;
        nonZero += plain != 0;
    }
    EXPECT_GT(nonZero, 300); // the rows did land on ink
}

TEST(StochasticSamples, WideBoxesCountAsThePlainRows)
{
    // Boxes of every step and odd size, clipped at the picture's edges; the
    // cut to the mark's box leaves out only samples that add nothing.
    const int width = 97, height = 61;
    platform::Random rng(5);
    std::vector<gfx::Pixel> photo, canvas;
    for (int y = 0; y < height; ++y) {
        const std::vector<gfx::Pixel> p = PixelRow(uint32_t(3 * y), width, y % 4 == 0);
        const std::vector<gfx::Pixel> c = PixelRow(uint32_t(3 * y + 1), width, false);
        photo.insert(photo.end(), p.begin(), p.end());
        canvas.insert(canvas.end(), c.begin(), c.end());
    }
    int nonZero = 0;
    for (int i = 0; i < 1500; ++i) {
        const pq::MarkWeights mark(MarkPlane(uint32_t(i % 5), 20 + (i % 5) * 15).data(), kSide, 20 + rng.random(236));
        const int colour[3] = {rng.random(256), rng.random(256), rng.random(256)};
        const double angle = i % 11 == 0 ? double(i % 4) * 1.5707963267948966 : rng.randomReal() * 7.0;
        const int reach = 1 + rng.random(40);
        pq::SampleBox b;
        b.photo = photo.data();
        b.canvas = canvas.data();
        b.photoStride = b.canvasStride = width;
        b.mark = &mark;
        b.side = kSide;
        b.x = rng.random(width);
        b.y = rng.random(height);
        b.left = std::max(0, b.x - reach);
        b.top = std::max(0, b.y - reach);
        b.right = std::min(width - 1, b.x + reach);
        b.bottom = std::min(height - 1, b.y + reach);
        b.step = 1 + rng.random(6);
        b.cs = std::cos(angle);
        b.sn = std::sin(angle);
        b.scale = 250.0 / (2.0 * reach + rng.randomReal() * 10.0);
        b.colour = colour;
        b.transparent = i % 3 == 0;
        pq::SampleBox uncut = b;
        uncut.uLo = uncut.vLo = -1e6;
        uncut.uHi = uncut.vHi = 1e6;
        b.uLo = mark.left - 1.5 - 125.0;
        b.uHi = mark.left + mark.width - 1 + 1.5 - 125.0;
        b.vLo = mark.top - 1.5 - 125.0;
        b.vHi = mark.top + mark.height - 1 + 1.5 - 125.0;
        const int64_t plain = pq::SampleBoxGainPlain(b);
        ASSERT_EQ(pq::SampleBoxGain(b), plain) << "box " << i;
        ASSERT_EQ(pq::SampleBoxGain(uncut), plain) << "box " << i;
        nonZero += plain != 0;
    }
    EXPECT_GT(nonZero, 300);
}

TEST(StochasticSamples, SamplesOnTexelHalvesRoundToEven)
{
    // Exact quarter turns at integer scales put samples on .5 positions,
    // where the rounding of both loops must agree.
    const pq::MarkWeights mark(MarkPlane(3, 0).data(), kSide, 255);
    const std::vector<gfx::Pixel> photo = PixelRow(8, 300, false), canvas = PixelRow(9, 300, false);
    const int colour[3] = {250, 10, 128};
    for (double scale : {0.5, 1.5, 2.5, 12.5})
        for (int turn = 0; turn < 4; ++turn) {
            pq::SampleRow row;
            row.photo = photo.data();
            row.canvas = canvas.data();
            row.mark = &mark;
            row.side = kSide;
            row.x = 150;
            row.dy = 3;
            row.first = 0;
            row.last = 299;
            row.cs = turn % 2 == 0 ? (turn == 0 ? 1.0 : -1.0) : 0.0;
            row.sn = turn % 2 == 1 ? (turn == 1 ? 1.0 : -1.0) : 0.0;
            row.scale = scale;
            row.colour = colour;
            EXPECT_EQ(pq::SampleRowGain(row), pq::SampleRowGainPlain(row)) << scale << " " << turn;
        }
}

} // namespace

TEST(StochasticSamples, KeptMarksAreTheAtlasCutAfreshAndShareTheirCells)
{
    // Dark blobs of different sizes on white, five 250-pixel cells a row.
    const gfx::Image atlas = gfx::Image::adopt([] {
        QImage image(5 * kSide, 8 * kSide, QImage::Format_ARGB32_Premultiplied);
        image.fill(0xFFFFFFFFu);
        for (int i = 0; i < 38; ++i)
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x) {
                    const int dx = x - 125, dy = (y - 125) * (1 + i % 3);
                    if (dx * dx + dy * dy < (20 + 2 * i) * (20 + 2 * i)) {
                        const int grey = (x * 3 + i * 7) % 200;
                        image.setPixel(kSide * (i % 5) + x, kSide * (i / 5) + y, qRgb(grey, grey, grey));
                    }
                }
        return image;
    }());
    const auto faint = pq::CutStochasticMarks(atlas, 40);
    const auto strong = pq::CutStochasticMarks(atlas, 230);
    ASSERT_EQ(faint->marks.size(), 38u);
    EXPECT_EQ(pq::CutStochasticMarks(atlas, 40), faint); // kept, not cut again
    for (size_t i = 0; i < faint->marks.size(); ++i) {
        const pq::StochasticMark& m = faint->marks[i];
        const pq::StampCell fresh = pq::StampCell::fromDarkness(
            atlas, QRect(kSide * int(i % 5), kSide * int(i / 5), kSide, kSide), 1.0);
        ASSERT_EQ(m.cell.level(0).alpha, fresh.level(0).alpha) << i;
        EXPECT_EQ(m.angle, pq::BrushOrientationAngle(fresh, 1, 1.0)) << i;
        // Both opacities weigh the same cells.
        EXPECT_EQ(strong->marks[i].cell.level(0).alpha.data(), m.cell.level(0).alpha.data()) << i;
        for (const auto& [made, opacity] : {std::pair{faint, 40}, std::pair{strong, 230}}) {
            const pq::MarkWeights expected(fresh.level(0).alpha.data(), kSide, opacity);
            const pq::MarkWeights& got = made->weights[i];
            EXPECT_EQ(std::tie(got.left, got.top, got.width, got.height),
                      std::tie(expected.left, expected.top, expected.width, expected.height))
                << i;
            EXPECT_EQ(got.weights, expected.weights) << i << " " << opacity;
            EXPECT_EQ(m.strong.isEmpty(), expected.width == 0) << i;
            if (!m.strong.isEmpty()) {
                EXPECT_EQ(m.strong, QRect(expected.left, expected.top, expected.width, expected.height)) << i;
            }
        }
    }
    EXPECT_TRUE(pq::CutStochasticMarks(gfx::Image(), 40)->marks.empty());
}
