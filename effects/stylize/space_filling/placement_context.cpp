#include "effects/stylize/space_filling/placement_context.h"

#include "effects/stylize/space_filling/color_runs.h"
#include "effects/stylize/space_filling/color_sat.h"
#include "effects/stylize/space_filling/seed_core.h"
#include "effects/stylize/space_filling/shape_rows.h"
#include "effects/stylize/space_filling/shape_spans.h"

#include "platform/numeric.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pq::stylize {
namespace {

constexpr int kTile = 16;

uint8_t MeanByte(float mean)
{
    return uint8_t(platform::ClampByte(platform::Round(mean)));
}

// (x, y) of a centre on the pixel centre (x + 0.5, y + 0.5), far enough
// below 2^22 that cx - 0.5 and the offsets of pixel centres from it are
// exact.
bool OnPixelCentre(float cx, float cy, int& x, int& y)
{
    const float fx = cx - 0.5f, fy = cy - 0.5f;
    if (!(fx >= 0 && fy >= 0 && fx < 4194304.0f && fy < 4194304.0f))
        return false;
    x = int(fx);
    y = int(fy);
    return float(x) == fx && float(y) == fy;
}

// The rows coreBlocked() reads for a centre on a pixel centre whose pixel
// box is `box` about its pixel, by offset, into rows.setCore(). With the
// centre at (X + 0.5, Y + 0.5) its row offsets and reaches are the same
// for every X and Y, and the columns X - floor(half) .. X + floor(half) as
// long as the rounding of its double sums cannot cross a whole number (the
// half width keeps clear of one, X and Y stay below 2^22); otherwise the
// core stays unknown.
void SetCoreRows(ShapeRows& rows, const PixelBox& box, int step, float inRadius)
{
    const double r = double(inRadius) * 0.999 - 0.01;
    ShapeRows::CoreRow found[3];
    int count = 0;
    if (!box.empty() && r > 0) {
        const int rowCount = (box.y2 - box.y1) / step + 1;
        const int middle = int(std::floor(double(-box.y1) / step + 0.5));
        for (const int j : {middle, middle - 1, middle + 1}) {
            if (j < 0 || j >= rowCount)
                continue;
            const int dy = box.y1 + j * step;
            const double reach = r * r - double(dy) * double(dy);
            if (reach < 0)
                continue;
            const double half = std::sqrt(reach);
            const double frac = half - std::floor(half);
            if (!(frac > 1e-6 && frac < 1 - 1e-6 && half < double(1 << 20)))
                return;
            int a = std::max(box.x1, -int(std::floor(half)));
            const int b = std::min(box.x2, int(std::floor(half)));
            if (step > 1)
                a += (step - (a - box.x1) % step) % step;
            if (a <= b)
                found[count++] = {dy, a, b};
        }
    }
    rows.setCore(found, count);
}

// The row table of `key` as this thread keeps it, when it holds for the
// shape centred on pixel (x, y) with pixel box `box`.
template <typename Build>
const ShapeRows* RowsFor(const ShapeRowsCache::Key& key, const PixelBox& box, int x, int y, int step, Build&& build)
{
    thread_local ShapeRowsCache cache;
    const ShapeRows* rows = cache.find(key, build);
    if (!rows || rows->step() != step)
        return nullptr;
    const PixelBox b = rows->boxAt(x, y);
    return b.x1 == box.x1 && b.y1 == box.y1 && b.x2 == box.x2 && b.y2 == box.y2 ? rows : nullptr;
}

} // namespace

bool PlacementContext::bboxAllTilesEmpty(int xMin, int yMin, int xMax, int yMax) const
{
    const int tx0 = xMin / kTile, tx1 = xMax / kTile, ty0 = yMin / kTile, ty1 = yMax / kTile;
    for (int ty = ty0; ty <= ty1; ++ty)
        for (int tx = tx0; tx <= tx1; ++tx)
            if (tileCoveredCount[ty * tilesX + tx] != 0)
                return false;
    return true;
}

PixelBox PlacementContext::smallBox(float cx, float cy, float size) const
{
    return {std::max(0, CeilToInt(cx - size - 1.0f)), std::max(0, CeilToInt(cy - size - 1.0f)),
            std::min(w - 1, FloorToInt(cx + size)), std::min(h - 1, FloorToInt(cy + size))};
}

PixelBox PlacementContext::reachBox(float cx, float cy, int e) const
{
    return {std::max(0, FloorToInt(cx) - e), std::max(0, FloorToInt(cy) - e), std::min(w - 1, CeilToInt(cx) + e),
            std::min(h - 1, CeilToInt(cy) + e)};
}

PixelBox PlacementContext::triangleBox(float cx, float cy, float r, const TriangleCorners& t) const
{
    if (r <= 2)
        return smallBox(cx, cy, r);
    return {std::max(0, FloorToInt(std::min({t.x0, t.x1, t.x2}))), std::max(0, FloorToInt(std::min({t.y0, t.y1, t.y2}))),
            std::min(w - 1, CeilToInt(std::max({t.x0, t.x1, t.x2}))),
            std::min(h - 1, CeilToInt(std::max({t.y0, t.y1, t.y2})))};
}

bool PlacementContext::coreBlocked(const PixelBox& box, int step, float cx, float cy, float inRadius) const
{
    // Shrunk well beyond the rounding of the exact shape tests, so every
    // pixel centre tested here passes them.
    const double r = double(inRadius) * 0.999 - 0.01;
    if (box.empty() || r <= 0)
        return false;
    // The three lattice rows nearest the centre, the middle one first: its
    // words share a cache line with the seed's coverage just probed.
    const int rows = DivStep(box.y2 - box.y1, step) + 1;
    const int middle = int(std::floor((double(cy) - 0.5 - box.y1) / step + 0.5));
    for (const int j : {middle, middle - 1, middle + 1}) {
        if (j < 0 || j >= rows)
            continue;
        const int y = box.y1 + j * step;
        const double dy = double(y) + 0.5 - double(cy);
        const double reach = r * r - dy * dy;
        if (reach < 0)
            continue;
        const double half = std::sqrt(reach);
        int a = std::max(box.x1, int(std::ceil(double(cx) - half - 0.5)));
        const int b = std::min(box.x2, int(std::floor(double(cx) + half - 0.5)));
        if (step > 1)
            a += UpToStep(a - box.x1, step);
        if (a > b)
            continue;
        if (blocked->anyOnLattice(y, a, b, step))
            return true;
    }
    return false;
}

bool PlacementContext::coreBlockedIn(CoreMemo* memo, const PixelBox& box, int step, float cx, float cy,
                                     float inRadius, const ShapeRows* rows, int x, int y) const
{
    auto test = [&] {
        if (memo && memo->core() && memo->core()->serves(step, inRadius))
            return memo->core()->blockedIn(box, cx, cy);
        if (!rows || !rows->coreKnown())
            return coreBlocked(box, step, cx, cy, inRadius);
        for (int i = 0; i < rows->coreCount(); ++i) {
            const ShapeRows::CoreRow& c = rows->coreRow(i);
            if (blocked->anyOnLattice(y + c.dy, x + c.first, x + c.last, step))
                return true;
        }
        return false;
    };
    if (!memo)
        return test();
    if (const bool* known = memo->find(box))
        return *known;
    const bool answer = test();
    memo->store(box, answer);
    return answer;
}

template <typename Shape>
bool PlacementContext::evaluate(const PixelBox& box, float size, const Shape& shape, float edgeRejectLevel,
                                float colorTolSq, ShapeColor& found, const ShapeRows* rows, int centreX) const
{
    found.score = 0;
    if (box.empty())
        return false;
    // Every test below only rejects, so their order does not change the
    // answer: the cheap ones go first.
    const int64_t boxPixels = int64_t(box.x2 - box.x1 + 1) * (box.y2 - box.y1 + 1);
    const bool prefilter = sat && size >= 6 && boxPixels >= 4;
    auto prefilterRejects = [&] { return ColorSpread(sat->get(box.x1, box.y1, box.x2, box.y2), boxPixels).variance > 1.5f * colorTolSq; };
    const bool useBlocked = blocked && edgeRejectLevel == blockedLevel;
    // Only the box sums and the plain coverage reads need to know.
    const bool tilesEmpty = (prefilter || !useBlocked) && bboxAllTilesEmpty(box.x1, box.y1, box.x2, box.y2);
    // Near placed shapes a covered pixel usually rejects within a few
    // samples; elsewhere the box sums reject an uneven area at once.
    if (prefilter && tilesEmpty && prefilterRejects())
        return false;
    const bool small = size <= 2;
    const int step = SampleStep(size);
    // Calls run(a, b) for the runs of sampled pixels a, a + step, ... <= b
    // of row y in the shape, left to right, until it returns false.
    auto rowRuns = [&](int y, auto&& run) {
        if (small)
            return run(box.x1, box.x2);
        if (rows) {
            const ShapeRows::Run& r = rows->row(DivStep(y - box.y1, step));
            return r.first > r.last || run(centreX + r.first, centreX + r.last);
        }
        return ForRowRuns(shape, float(y) + 0.5f, box.x1, box.x2, step, run);
    };
    // Calls fn(x, y) for every sampled pixel in the shape, in row order,
    // until it returns false.
    auto forSamples = [&](auto&& fn) {
        for (int y = box.y1; y <= box.y2; y += step) {
            const bool whole = rowRuns(y, [&](int a, int b) {
                for (int x = a; x <= b; x += step)
                    if (!fn(x, y))
                        return false;
                return true;
            });
            if (!whole)
                return false;
        }
        return true;
    };
    ColorSums sums;
    int64_t count = 0;
    auto pixelPtr = [&](int x, int y) { return colorCols ? &colorRows[y][colorCols[x]] : &srcRows[y][x]; };
    auto pixelAt = [&](int x, int y) { return *pixelPtr(x, y); };
    auto add = [&](int x, int y) {
        sums.add(pixelAt(x, y));
        ++count;
        return true;
    };
    if (useBlocked) {
        // Most shapes are turned down here, on a few words of bits. A seed
        // lies on a free pixel, so what blocks a shape is mostly near its
        // centre: the rows are tried from the centre outwards (every test
        // only rejects, so the order does not change the answer). The runs
        // found clear are kept for the colour sums.
        struct SampleRun {
            int y, a, b;
        };
        constexpr int kMaxRuns = 512;
        SampleRun runs[kMaxRuns];
        int runCount = 0;
        bool allKept = true;
        auto rowClear = [&](int y) {
            auto clear = [&](int a, int b) {
                if (blocked->anyOnLattice(y, a, b, step))
                    return false;
                if (runCount < kMaxRuns)
                    runs[runCount++] = {y, a, b};
                else
                    allKept = false;
                return true;
            };
            return rowRuns(y, clear);
        };
        const int rows = DivStep(box.y2 - box.y1, step) + 1;
        const int middle = std::clamp(int((shape.centreY() - 0.5f - float(box.y1)) / float(step)), 0, rows - 1);
        for (int d = 0; middle + d < rows || middle - d >= 0; ++d) {
            if (middle + d < rows && !rowClear(box.y1 + (middle + d) * step))
                return false;
            if (d > 0 && middle - d >= 0 && !rowClear(box.y1 + (middle - d) * step))
                return false;
        }
        // The box sums reject before the shape's own sums are worked out.
        if (prefilter && !tilesEmpty && prefilterRejects())
            return false;
        if (allKept) {
            // Integer sums: the order of the runs does not matter.
            for (int i = 0; i < runCount; ++i)
                __builtin_prefetch(pixelPtr(runs[i].a, runs[i].y));
            for (int i = 0; i < runCount; ++i) {
                const SampleRun& run = runs[i];
                if (colorCols)
                    SumRun(colorRows[run.y], colorCols, run.a, run.b, step, sums);
                else
                    SumRun(srcRows[run.y], nullptr, run.a, run.b, step, sums);
                count += DivStep(run.b - run.a, step) + 1;
            }
        } else {
            forSamples(add);
        }
    } else if (!forSamples([&](int x, int y) {
                   const size_t i = size_t(y) * size_t(w) + size_t(x);
                   return !(edgeMap[i] > edgeRejectLevel || (!tilesEmpty && covered->get(x, y))) && add(x, y);
               })) {
        return false;
    }
    if (prefilter && !tilesEmpty && prefilterRejects())
        return false;
    if (count <= 1)
        return false;
    const ColorStats s = ColorSpread(sums, count);
    if (s.variance > colorTolSq)
        return false;
    found.r = MeanByte(s.meanR);
    found.g = MeanByte(s.meanG);
    found.b = MeanByte(s.meanB);
    found.score = size * size * (1.0f - s.variance / std::max(1.0f, colorTolSq));
    return true;
}

bool PlacementContext::evaluateSquare(float cx, float cy, float half, float cosR, float sinR, float edgeRejectLevel,
                                      float colorTolSq, ShapeColor& found, bool seedClear, CoreMemo* memo) const
{
    const int reach = CeilToInt(half * (std::abs(cosR) + std::abs(sinR)));
    const PixelBox box = squareBox(cx, cy, half, cosR, sinR);
    const int step = SampleStep(half);
    int x = 0, y = 0;
    const ShapeRows* rows = nullptr;
    if (rowTables && half > 2 && OnPixelCentre(cx, cy, x, y))
        rows = RowsFor(ShapeRowsCache::KeyOf(1, half, cosR, sinR), box, x, y, step, [&](ShapeRows& r) {
            BuildSquareRows(r, reach, step, half, cosR, sinR);
            SetCoreRows(r, {-reach, -reach, reach + 1, reach + 1}, step, half);
        });
    if (blocked && edgeRejectLevel == blockedLevel && !coreTestedBySeed(half, seedClear) &&
        coreBlockedIn(memo, box, step, cx, cy, half, rows, x, y)) {
        found.score = 0;
        return false;
    }
    return evaluate(box, half, SquareSpans{cx, cy, half, cosR, sinR}, edgeRejectLevel, colorTolSq, found, rows, x);
}

bool PlacementContext::evaluateCircle(float cx, float cy, float r, float edgeRejectLevel, float colorTolSq,
                                      ShapeColor& found, bool seedClear, CoreMemo* memo) const
{
    const int reach = CeilToInt(r);
    const PixelBox box = circleBox(cx, cy, r);
    const int step = SampleStep(r);
    int x = 0, y = 0;
    const ShapeRows* rows = nullptr;
    if (rowTables && r > 2 && OnPixelCentre(cx, cy, x, y))
        rows = RowsFor(ShapeRowsCache::KeyOf(2, r, 1.0f, 0.0f), box, x, y, step, [&](ShapeRows& rr) {
            BuildDiscRows(rr, reach, step, r);
            SetCoreRows(rr, {-reach, -reach, reach + 1, reach + 1}, step, r);
        });
    if (blocked && edgeRejectLevel == blockedLevel && !coreTestedBySeed(r, seedClear) &&
        coreBlockedIn(memo, box, step, cx, cy, r, rows, x, y)) {
        found.score = 0;
        return false;
    }
    return evaluate(box, r, DiscSpans{cx, cy, r}, edgeRejectLevel, colorTolSq, found, rows, x);
}

bool PlacementContext::evaluateTriangle(float cx, float cy, float r, float cosA, float sinA, float edgeRejectLevel,
                                        float colorTolSq, ShapeColor& found, bool seedClear, CoreMemo* memo) const
{
    const TriangleCorners t = CornersOf(cx, cy, r, cosA, sinA);
    const PixelBox box = triangleBox(cx, cy, r, t);
    const int step = SampleStep(r);
    int x = 0, y = 0;
    const ShapeRows* rows = nullptr;
    // Tables are built from unclipped boxes only.
    if (rowTables && r > 2 && box.x1 > 0 && box.y1 > 0 && box.x2 < w - 1 && box.y2 < h - 1 &&
        OnPixelCentre(cx, cy, x, y)) {
        const int kx = BinadeAround(cx, r + 2), ky = BinadeAround(cy, r + 2);
        if (kx >= 0 && ky >= 0)
            rows = RowsFor(ShapeRowsCache::KeyOf(3u + (uint32_t(kx) << 8) + (uint32_t(ky) << 16), r, cosA, sinA), box,
                           x, y, step, [&](ShapeRows& rr) {
                               BuildTriangleRows(rr, box, step, x, y, t);
                               SetCoreRows(rr, {box.x1 - x, box.y1 - y, box.x2 - x, box.y2 - y}, step, r * 0.5f);
                           });
    }
    // The inscribed circle of the triangle has half its circumradius.
    if (blocked && edgeRejectLevel == blockedLevel && !coreTestedBySeed(r, seedClear) &&
        coreBlockedIn(memo, box, step, cx, cy, r * 0.5f, rows, x, y)) {
        found.score = 0;
        return false;
    }
    return evaluate(box, r, TriangleSpans{t, r}, edgeRejectLevel, colorTolSq, found, rows, x);
}

void PlacementContext::pickSeed(float half, float contourFrac, int retries, uint32_t& rng, float& sx,
                                float& sy) const
{
    float m = half * 1.42f;
    if (m > float(w) / 2 - 1)
        m = std::max(1.0f, float(w) / 2 - 1);
    if (m > float(h) / 2 - 1)
        m = std::max(1.0f, float(h) / 2 - 1);
    constexpr float kTwoPi = float(2 * std::numbers::pi);
    while (retries >= 0) {
        bool fromContour = false;
        if (contourCount > 0)
            fromContour = contourFrac > RngFloat(rng);
        if (fromContour) {
            const QPoint p = contourPts[RngInt(rng, contourCount)];
            const float angle = RngFloat(rng) * kTwoPi;
            sx = float(p.x()) + half * std::cos(angle);
            sy = float(p.y()) + half * std::sin(angle);
        } else if (openTilesCount <= 0) {
            sx = m + RngFloat(rng) * (float(w - 1) - 2 * m);
            sy = m + RngFloat(rng) * (float(h - 1) - 2 * m);
        } else {
            const int t = openTiles[RngInt(rng, openTilesCount)];
            const int tx = t % tilesX, ty = t / tilesX;
            const int tw = std::min(w, (tx + 1) * kTile) - tx * kTile;
            const int th = std::min(h, (ty + 1) * kTile) - ty * kTile;
            sx = float(tx * kTile + RngInt(rng, tw)) + 0.5f;
            sy = float(ty * kTile + RngInt(rng, th)) + 0.5f;
        }
        if (sx < m)
            sx = m;
        if (sx > float(w - 1) - m)
            sx = float(w - 1) - m;
        if (sy < m)
            sy = m;
        if (sy > float(h - 1) - m)
            sy = float(h - 1) - m;
        --retries;
        const int px = std::clamp(platform::Round(sx), 0, w - 1);
        const int py = std::clamp(platform::Round(sy), 0, h - 1);
        if (!covered->get(px, py))
            break;
    }
}

} // namespace pq::stylize
