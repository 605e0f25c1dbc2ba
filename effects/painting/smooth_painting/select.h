#pragma once

// Where smooth painting puts its strokes: one per window of the brush's
// size on a grid, at the window's best-fitting pixel.

#include "effects/painting/smooth_painting/match.h"
#include "effects/painting/smooth_painting/scratch.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pq {

struct SmoothStroke {
    int x = 0, y = 0; // top-left corner of the brush
    int brush = 0;
    gfx::Pixel colour = 0;
    int64_t score = 0;
};

// Windows of size S = brushSize centred on a grid of step max(1, S / 10),
// row by row, left to right: each takes its lowest score, the first in scan
// order on ties, unless every score there is kNoScore; a taken pixel's score
// becomes kNoScore. A pixel with alpha 4 or less is passed over but kept.
// `strokes` is cleared and filled in grid order.
void SelectSmoothStrokes(std::span<Match> table, int w, int h, int brushSize, std::vector<SmoothStroke>& strokes);
// The same with the scratch space (one key per pixel) kept by the caller.
void SelectSmoothStrokes(std::span<Match> table, int w, int h, int brushSize, std::vector<SmoothStroke>& strokes,
                         SmoothScratch<int64_t>& keys);

// The order strokes are drawn in: highest score first, grid order (index)
// on ties; what a stable sort by descending score gives. `keys` is scratch
// space kept between calls.
void SmoothStrokeOrder(const std::vector<SmoothStroke>& strokes, std::vector<uint32_t>& order,
                       SmoothScratch<uint64_t>& keys);

} // namespace pq
