// Bilinear stamps drawn eight columns at a time must give the plain loop's
// bytes, and scoring a stamp with no surface must give the sums of drawing
// it and summing its rows, for every sampling, angle, scale and step.

#include "effects/shared/brush_stamps.h"
#include "effects/shared/stamp_gain.h"
#include "effects/shared/stamp_plan.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <vector>

using gfx::Pixel;

namespace {

constexpr double kDegree = 3.14159265358979 / 180.0;

// Pseudo-random alpha, or a blob blank at its rim (whole blocks read no ink).
pq::StampCell TestCell(int w, int h, uint32_t seed, bool rim)
{
    platform::Random rng(seed);
    std::vector<uint8_t> alpha(size_t(w) * size_t(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!rim || (x >= w / 4 && x < w - w / 4 && y >= h / 3 && y < h - h / 3))
                alpha[size_t(y) * size_t(w) + size_t(x)] = rng.random(5) == 0 ? 0 : uint8_t(rng.random(256));
    alpha.back() = rim ? 0 : 255;
    return pq::StampCell::fromPlane(w, h, std::move(alpha));
}

std::vector<Pixel> Drawn(const pq::Stamp& stamp, int side, const QRect& clip, int step, bool wide)
{
    pq::SetWideLinearRows(wide);
    pq::StampSurface surface(side);
    pq::DrawStamp(surface, stamp, clip, step);
    pq::SetWideLinearRows(true);
    std::vector<Pixel> out;
    for (int v = 0; v < side; ++v)
        out.insert(out.end(), surface.row(v), surface.row(v) + side);
    return out;
}

pq::Stamp StampOf(const pq::StampCell& cell, pq::StampSampling sampling, double size, double angle, float opacity)
{
    pq::Stamp stamp;
    stamp.cell = &cell;
    stamp.sampling = sampling;
    stamp.colour = 0xc8643219u;
    stamp.opacity = opacity;
    stamp.width = size;
    stamp.height = size * 0.8;
    stamp.angle = angle;
    stamp.trimToInk = true;
    return stamp;
}

TEST(StampLinearRows, WideDrawMatchesPlainOverAnglesScalesAndSteps)
{
    const pq::StampCell cells[] = {TestCell(256, 256, 3, false), TestCell(96, 160, 4, true), TestCell(9, 7, 5, false)};
    platform::Random rng(12);
    for (const pq::StampCell& cell : cells)
        for (const auto sampling : {pq::StampSampling::Linear, pq::StampSampling::LinearMipmap})
            for (const double size : {3.0, 17.5, 64.0, 150.0, 301.0})
                for (const int step : {1, 2, 3, 5}) {
                    const pq::Stamp stamp = StampOf(cell, sampling, size, rng.random(360) * kDegree, step == 3 ? 0.45f : 1.0f);
                    const int side = 370;
                    const QRect clip = step == 1 ? QRect(0, 0, side, side) : QRect(31 + step, 40, 251, 260);
                    const std::vector<Pixel> plain = Drawn(stamp, side, clip, step, false);
                    const std::vector<Pixel> wide = Drawn(stamp, side, clip, step, true);
                    ASSERT_EQ(plain, wide) << "size " << size << " step " << step;
                    if (size > 10.0) {
                        EXPECT_NE(plain, std::vector<Pixel>(plain.size(), 0u)) << "nothing drawn";
                    }
                }
}

// A picture of valid premultiplied pixels, some transparent.
std::vector<Pixel> Picture(platform::Random& rng, int side)
{
    std::vector<Pixel> p(size_t(side) * size_t(side));
    for (Pixel& px : p) {
        const int a = rng.random(4) == 0 ? 0 : 255 - rng.random(60);
        px = Pixel(a) << 24 | Pixel(rng.random(a + 1)) << 16 | Pixel(rng.random(a + 1)) << 8 | Pixel(rng.random(a + 1));
    }
    return p;
}

// The sums of drawing the stamp and summing its rows, as the effects did.
pq::StampScore DrawnScore(const pq::Stamp& stamp, int side, const QRect& clip, int step, const std::vector<Pixel>& s,
                          const std::vector<Pixel>& d, int penalty, int64_t& gain)
{
    pq::StampSurface surface(side);
    pq::DrawStamp(surface, stamp, clip, step);
    pq::StampScore score;
    gain = 0;
    const QRect grid = pq::GridWithin(clip, surface.dirtyRect(), step);
    for (int v = grid.top(); v <= grid.bottom(); v += step) {
        const Pixel* sr = s.data() + size_t(v) * size_t(side);
        const Pixel* dr = d.data() + size_t(v) * size_t(side);
        const pq::StampErrorSums e = pq::RowStampErrorsPlain(surface.row(v), sr, dr, grid.left(), grid.right(), step);
        score.errors.before += e.before;
        score.errors.after += e.after;
        score.errors.count += e.count;
        gain += pq::RowStampGainPlain(surface.row(v), sr, dr, grid.left(), grid.right(), step, true, penalty);
    }
    return score;
}

TEST(StampScore, MatchesDrawingAndSummingForEverySampling)
{
    const int side = 200;
    platform::Random rng(41);
    const std::vector<Pixel> source = Picture(rng, side);
    std::vector<Pixel> canvas = Picture(rng, side);
    for (size_t i = 0; i < canvas.size(); i += 3)
        canvas[i] = source[i]; // matched pixels: the penalty case
    const pq::StampCell cells[] = {TestCell(256, 256, 6, false), TestCell(64, 40, 7, true)};
    int cases = 0;
    for (const pq::StampCell& cell : cells)
        for (const auto sampling : {pq::StampSampling::Nearest, pq::StampSampling::Linear,
                                    pq::StampSampling::LinearMipmap, pq::StampSampling::Cubic})
            for (const double size : {4.0, 33.0, 120.0})
                for (const int step : {1, 2, 4})
                    for (const bool wide : {true, false}) {
                        const pq::Stamp stamp = StampOf(cell, sampling, size, rng.random(360) * kDegree, 0.8f);
                        const QRect clip = QRect(3 + step, 7, 181, 190);
                        int64_t gain = 0;
                        const pq::StampScore drawn = DrawnScore(stamp, side, clip, step, source, canvas, 15, gain);
                        pq::SetWideLinearRows(wide);
                        pq::SetWideCubicRows(wide);
                        const pq::StampTarget target{source.data(), side, canvas.data(), side, side / 2, side / 2};
                        const pq::StampScore scored = pq::ScoreStamp(stamp, side, clip, step, target);
                        pq::SetWideLinearRows(true);
                        pq::SetWideCubicRows(true);
                        EXPECT_EQ(scored.errors.before, drawn.errors.before) << size << " " << step;
                        EXPECT_EQ(scored.errors.after, drawn.errors.after) << size << " " << step;
                        EXPECT_EQ(scored.errors.count, drawn.errors.count) << size << " " << step;
                        EXPECT_EQ(scored.gain(true, 15), gain) << size << " " << step;
                        EXPECT_EQ(scored.gain(false, 15), drawn.errors.before - drawn.errors.after);
                        cases += drawn.errors.count > 0;
                    }
    EXPECT_GT(cases, 120);
}

TEST(StampScore, NothingToScoreGivesZeroSums)
{
    const pq::StampCell blank = pq::StampCell::fromPlane(8, 8, std::vector<uint8_t>(64, 0));
    const std::vector<Pixel> pixels(100 * 100, 0xff808080u);
    const pq::StampTarget target{pixels.data(), 100, pixels.data(), 100, 50, 50};
    const pq::StampScore none = pq::ScoreStamp(StampOf(blank, pq::StampSampling::Cubic, 40.0, 0.0, 1.0f), 100,
                                               QRect(0, 0, 100, 100), 1, target);
    EXPECT_EQ(none.errors.count, 0);
    EXPECT_EQ(none.gain(true, 15), 0);
}

} // namespace
