#pragma once

// The placement context of the space-filling mosaics (squares, discs,
// triangles): the analysed picture and its bookkeeping as the search sees
// them, with the random numbers, table sums, shape tests, candidate
// evaluations and seed picking the search is made of.
//
// Pixel (x, y) has its centre at (x + 0.5, y + 0.5) in shape coordinates;
// planes are row-major, index y * w + x. The mosaic run owns every plane and
// updates coverage, tile counters and open tiles between search phases; the
// context only reads them, so many partitions may search through it at once.

#include "effects/stylize/space_filling/bit_plane.h"
#include "gfx/image.h"

#include <QPoint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pq::stylize {

// Floor and ceiling of a coordinate (|v| < 2^31) as an int, as std::floor
// and std::ceil give them, without a library call.
inline int FloorToInt(float v)
{
    const int i = int(v);
    return float(i) > v ? i - 1 : i;
}

inline int CeilToInt(float v)
{
    const int i = int(v);
    return float(i) < v ? i + 1 : i;
}

// platform::Round of a coordinate (|v| < 2^31): to nearest, halves to even
// (the current rounding mode, as std::nearbyint), without a library call.
inline int RoundToInt(float v)
{
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(double(v)));
#else
    return int(std::nearbyint(double(v)));
#endif
}

// v / step and (step - v % step) % step, the columns from v up to the next
// multiple of step, as those expressions give them: the sampling steps 1, 2
// and 3 divide by a constant, not by a division instruction per row.
inline int DivStep(int v, int step)
{
    switch (step) {
    case 1: return v;
    case 2: return v / 2;
    case 3: return v / 3;
    default: return v / step;
    }
}

inline int UpToStep(int v, int step)
{
    switch (step) {
    case 1: return 0;
    case 2: return (2 - v % 2) % 2;
    case 3: return (3 - v % 3) % 3;
    default: return (step - v % step) % step;
    }
}

// xorshift32: the caller owns the state, one per partition or step.
inline void RngStep(uint32_t& s)
{
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
}

// One step, then s / (2^32 - 1): in (0, 1] for a non-zero state.
inline float RngFloat(uint32_t& s)
{
    RngStep(s);
    return float(double(s) / 4294967295.0);
}

// 0 without a step for bound <= 1; else one step and s mod bound.
inline int RngInt(uint32_t& s, int bound)
{
    if (bound <= 1)
        return 0;
    RngStep(s);
    return int(s % uint32_t(bound));
}

// A candidate shape: centre, size (half side, radius or circumradius),
// rotation, mean colour and score.
struct Candidate {
    float x = 0, y = 0, half = 0;
    float cosR = 1, sinR = 0;
    uint8_t r8 = 0, g8 = 0, b8 = 0;
    float score = 0;
};

// The centre of a calm, uniform island and the largest half side of an
// axis-aligned square around it that holds no edge and stays within the
// colour tolerance.
struct UniformCenter {
    int x = 0, y = 0;
    float maxHalf = 0;
};

// What an accepted evaluation found.
struct ShapeColor {
    uint8_t r = 0, g = 0, b = 0;
    float score = 0;
};

// Sums of R, G, B and of their squares (stored bytes) over a set of pixels.
struct ColorSums {
    int64_t r = 0, g = 0, b = 0, r2 = 0, g2 = 0, b2 = 0;

    void add(gfx::Pixel p)
    {
        const int64_t pr = (p >> 16) & 255, pg = (p >> 8) & 255, pb = p & 255;
        r += pr;
        g += pg;
        b += pb;
        r2 += pr * pr;
        g2 += pg * pg;
        b2 += pb * pb;
    }
    void add(const ColorSums& o)
    {
        r += o.r;
        g += o.g;
        b += o.b;
        r2 += o.r2;
        g2 += o.g2;
        b2 += o.b2;
    }
};

// Mean colour of `count` pixels from their sums, and the colour spread: the
// variances of R, G and B added up. Means and spread in single precision,
// as the scores use them.
struct ColorStats {
    float meanR, meanG, meanB, variance;
};

inline ColorStats ColorSpread(const ColorSums& s, int64_t count)
{
    const double n = double(count);
    const float mr = float(double(s.r) / n), mg = float(double(s.g) / n), mb = float(double(s.b) / n);
    const double v = (double(s.r2) / n - double(mr * mr)) + (double(s.g2) / n - double(mg * mg)) +
                     (double(s.b2) / n - double(mb * mb));
    return {mr, mg, mb, float(v)};
}

// Shape tests; the boundary counts as inside.
inline bool PointInSquare(float px, float py, float cx, float cy, float half, float cosR, float sinR)
{
    const float dx = px - cx, dy = py - cy;
    const float u = dx * cosR + dy * sinR;
    const float v = dy * cosR - dx * sinR;
    return (u < 0 ? -u : u) <= half && (v < 0 ? -v : v) <= half;
}

inline bool PointInCircle(float px, float py, float cx, float cy, float r)
{
    const float dx = px - cx, dy = py - cy;
    return dx * dx + dy * dy <= r * r;
}

// An equilateral triangle with its corners on the circle of radius r around
// the centre, the first at angle A.
struct TriangleCorners {
    float x0, y0, x1, y1, x2, y2;
};

inline TriangleCorners CornersOf(float cx, float cy, float r, float cosA, float sinA)
{
    constexpr float kSin120 = 0.8660254f;
    return {cx + r * cosA,
            cy + r * sinA,
            cx + r * (-0.5f * cosA - kSin120 * sinA),
            cy + r * (-0.5f * sinA + kSin120 * cosA),
            cx + r * (-0.5f * cosA + kSin120 * sinA),
            cy + r * (-0.5f * sinA - kSin120 * cosA)};
}

inline bool PointInCorners(float px, float py, const TriangleCorners& t)
{
    const float d0 = (px - t.x0) * (t.y1 - t.y0) - (t.x1 - t.x0) * (py - t.y0);
    const float d1 = (px - t.x1) * (t.y2 - t.y1) - (t.x2 - t.x1) * (py - t.y1);
    const float d2 = (px - t.x2) * (t.y0 - t.y2) - (t.x0 - t.x2) * (py - t.y2);
    return (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
}

inline bool PointInTriangle(float px, float py, float cx, float cy, float r, float cosA, float sinA)
{
    return PointInCorners(px, py, CornersOf(cx, cy, r, cosA, sinA));
}

// An inclusive pixel box; empty when x2 < x1 or y2 < y1.
class ColorSat;
class ShapeRows;

struct PixelBox {
    int x1 = 0, y1 = 0, x2 = -1, y2 = -1;
    bool empty() const { return x2 < x1 || y2 < y1; }
};

class SeedCore;

// The core test answers for the rotations of one centre, size and edge
// limit, by pixel box: the answer depends on nothing else, so rotations
// whose boxes match share it. Reset for each new centre. With a seed core
// of the level, the answers are the seed core's.
class CoreMemo {
public:
    CoreMemo() = default;
    explicit CoreMemo(const SeedCore* core) : core_(core) {}
    const SeedCore* core() const { return core_; }

    void reset() { count_ = 0; }
    // The answer stored for `box`, or null.
    const bool* find(const PixelBox& box) const
    {
        for (int i = 0; i < count_; ++i) {
            const PixelBox& b = entries_[i].box;
            if (b.x1 == box.x1 && b.y1 == box.y1 && b.x2 == box.x2 && b.y2 == box.y2)
                return &entries_[i].blocked;
        }
        return nullptr;
    }
    void store(const PixelBox& box, bool blocked)
    {
        if (count_ < kCapacity)
            entries_[count_++] = {box, blocked};
    }

private:
    static constexpr int kCapacity = 16;
    struct Entry {
        PixelBox box;
        bool blocked;
    };
    Entry entries_[kCapacity];
    int count_ = 0;
    const SeedCore* core_ = nullptr;
};

class PlacementContext {
public:
    int w = 0, h = 0;
    // Row y of the analysed picture (stored premultiplied bytes).
    const gfx::Pixel* const* srcRows = nullptr;
    // Where evaluations read colours, when given: pixel (x, y) of the
    // analysed picture is colorRows[y][colorCols[x]], in a smaller picture
    // that holds the same pixels (the half-size one a full run's analysis
    // is enlarged from), so that scattered reads hit the caches more often.
    const gfx::Pixel* const* colorRows = nullptr;
    const int* colorCols = nullptr;
    const float* edgeMap = nullptr; // 0..1
    const BitPlane* covered = nullptr;
    // Sums of R, G, B and their squares over boxes of the analysed picture;
    // absent means no prefilter.
    const ColorSat* sat = nullptr;
    // Covered pixels per 16 x 16 tile, tilesX tiles a row.
    const int* tileCoveredCount = nullptr;
    int tilesX = 0;
    const QPoint* contourPts = nullptr;
    int contourCount = 0;
    // Optional: set where a pixel is covered or its edge exceeds
    // blockedLevel. Evaluations at exactly that edge limit read it instead
    // of the edge map and the coverage.
    const BitPlane* blocked = nullptr;
    float blockedLevel = 0;
    // Shapes centred on a pixel centre take the pixels they sample from
    // tables kept per thread, shape, size and rotation; false works every
    // row out from the shape (the tables give the same pixels).
    bool rowTables = true;
    // Tiles not yet full, in no particular order.
    const int* openTiles = nullptr;
    int openTilesCount = 0;

    // True when no tile the box touches holds a covered pixel.
    bool bboxAllTilesEmpty(int xMin, int yMin, int xMax, int yMax) const;

    // The pixel box of a shape of `size` around (cx, cy) that is not a
    // triangle: the small box for size <= 2, else reach `e` around the
    // centre; clipped to the picture.
    PixelBox smallBox(float cx, float cy, float size) const;
    PixelBox reachBox(float cx, float cy, int e) const;
    // The pixel boxes the evaluations scan.
    PixelBox squareBox(float cx, float cy, float half, float cosR, float sinR) const
    {
        return half <= 2 ? smallBox(cx, cy, half) : reachBox(cx, cy, CeilToInt(half * (std::abs(cosR) + std::abs(sinR))));
    }
    PixelBox circleBox(float cx, float cy, float r) const
    {
        return r <= 2 ? smallBox(cx, cy, r) : reachBox(cx, cy, CeilToInt(r));
    }
    PixelBox triangleBox(float cx, float cy, float r, const TriangleCorners& t) const;

    // Pixels between samples in each direction for shapes of this size.
    static int SampleStep(float size) { return size < 6 ? 1 : std::min(3, int(size / 8) + 1); }

    // True when the shape may go here: then `found` holds its mean colour
    // and score (size^2 scaled down linearly as the colour spread nears the
    // tolerance). A sampled pixel with an edge above edgeRejectLevel, a
    // covered one, a spread above colorTolSq or at most one sampled pixel
    // rejects.
    // `seedClear`: seedBlocked() already answered false for this centre,
    // size and limit, so its test is not repeated.
    // `memo`, when given, holds the core tests of this centre's other
    // rotations (same size and limit).
    bool evaluateSquare(float cx, float cy, float half, float cosR, float sinR, float edgeRejectLevel,
                        float colorTolSq, ShapeColor& found, bool seedClear = false, CoreMemo* memo = nullptr) const;
    bool evaluateCircle(float cx, float cy, float r, float edgeRejectLevel, float colorTolSq, ShapeColor& found,
                        bool seedClear = false, CoreMemo* memo = nullptr) const;
    bool evaluateTriangle(float cx, float cy, float r, float cosA, float sinA, float edgeRejectLevel,
                          float colorTolSq, ShapeColor& found, bool seedClear = false,
                          CoreMemo* memo = nullptr) const;

    // A centre for a new candidate of size `half`: near a contour point with
    // probability contourFrac, else in an open tile (anywhere when none is
    // listed), kept `half` * 1.42 from the borders; up to retries + 1 draws
    // until one lands on an uncovered pixel (the last one otherwise).
    void pickSeed(float half, float contourFrac, int retries, uint32_t& rng, float& sx, float& sy) const;

    // True when every evaluation of a shape of `size` centred at (cx, cy)
    // with this edge limit rejects, whatever its rotation: shapes sampled on
    // every pixel all contain the circle of radius inRadius around their
    // centre, and a blocked pixel well inside it rejects them.
    bool seedBlocked(float cx, float cy, float size, float inRadius, float edgeRejectLevel) const
    {
        return blocked && edgeRejectLevel == blockedLevel && SampleStep(size) == 1 &&
               coreBlocked(PixelBox{0, 0, w - 1, h - 1}, 1, cx, cy, inRadius);
    }

    // The evaluation's own core test is seedBlocked()'s (same pixels) for
    // shapes sampled on every pixel.
    bool coreTestedBySeed(float size, bool seedClear) const { return seedClear && SampleStep(size) == 1; }

private:
    friend class SeedCore;
    // True when a sampled pixel well inside the circle of radius inRadius
    // around (cx, cy), which every shape of the evaluation contains, is
    // blocked: then the evaluation rejects, whatever the rotation.
    bool coreBlocked(const PixelBox& box, int step, float cx, float cy, float inRadius) const;
    // coreBlocked() through `memo` when there is one, and through the core
    // rows of `rows` (a shape centred on pixel (x, y)) when they are known.
    bool coreBlockedIn(CoreMemo* memo, const PixelBox& box, int step, float cx, float cy, float inRadius,
                       const ShapeRows* rows = nullptr, int x = 0, int y = 0) const;
    // `rows`, when given, holds the sampled pixels of the shape by offset
    // from the pixel its centre lies on, in column centreX.
    template <typename Shape>
    bool evaluate(const PixelBox& box, float size, const Shape& shape, float edgeRejectLevel, float colorTolSq,
                  ShapeColor& found, const ShapeRows* rows = nullptr, int centreX = 0) const;
};

} // namespace pq::stylize
