#pragma once

// The steps of smooth painting that read the working picture: the oriented
// brushes, the contrast map, the per-pixel match, the blank fill and the
// speck removal.

#include "gfx/image.h"
#include "gfx/surface.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pq {

class SmoothRowSums;

constexpr int kSmoothOrientations = 7;
constexpr int64_t kNoScore = 999999999;

struct BrushPixel {
    int dx = 0, dy = 0; // from the stroke centre
    uint8_t alpha = 0;  // 10..255
};

// One orientation of the mark: its S x S alpha and the pixels with alpha
// above 9, row-major.
struct SmoothBrush {
    int size = 0;
    std::vector<uint8_t> alpha;
    std::vector<BrushPixel> pixels;
};

// The seven orientations of atlas cell (column 1, row `row`) at size S:
// orientation i turned by i * 180 / 7 + 90 degrees.
std::vector<SmoothBrush> MakeSmoothBrushes(const gfx::Image& atlas, int row, int size);

struct Match {
    int64_t score = kNoScore;
    int brush = 0;
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

// Local contrast: the mean distance of a pixel's colour to its 8
// neighbours' mean, 0 on the outer border and where alpha is 9 or less.
std::vector<uint8_t> BuildContrastMap(const gfx::Image& work);

// The best orientation and mean colour under it for every pixel, rows in
// parallel; jitter from one generator per row seeded from `seed` and the row.
// `sums` holds the picture's row sums with a margin of at least the brush
// size + 8. `table` has room for every pixel, row-major, and every entry is
// written.
void MatchPixels(const gfx::Image& work, const SmoothRowSums& sums, const std::vector<uint8_t>& contrast,
                 const std::vector<SmoothBrush>& brushes, uint32_t seed, Match* table);
// The same for several seeds in one sweep, table i from seed i: each fit
// is made once for all of them.
void MatchPixels(const gfx::Image& work, const SmoothRowSums& sums, const std::vector<uint8_t>& contrast,
                 const std::vector<SmoothBrush>& brushes, std::span<const uint32_t> seeds,
                 std::span<Match* const> tables);

// Fills pixels still much brighter on the canvas than in the picture with
// the mean colour of small regions (within 25 pixels of their seed).
void FillBlankPixels(const gfx::Image& work, gfx::Surface& canvas);

// Replaces pixels with 6 or more neighbours far darker than themselves by
// their neighbours' mean, in scan order.
void RemoveBrightSpecks(gfx::Surface& canvas);

} // namespace pq
