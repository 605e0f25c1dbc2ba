#pragma once

// Smooth painting's fit of one brush at eight neighbouring centres of a
// row at once: the pixels of the mark on the picture, their mean colour and
// the alpha-weighted error against it, a pixel off the picture counting
// (alpha * 255) >> 5 as in the plain loop.

#include "effects/painting/smooth_painting/fit.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pq {

constexpr int kSmoothLanes = 8;

// The picture the fits read and its row sums, whose margin is at least the
// brush size + kSmoothLanes.
struct SmoothPicture {
    const gfx::Pixel* base = nullptr;
    ptrdiff_t stride = 0; // in pixels
    int width = 0, height = 0;
    const SmoothRowSums* sums = nullptr;
};

// One brush laid out for the lanes: its pixels (alpha above 9) row by row.
struct SmoothLaneBrush {
    int size = 0, half = 0;
    int left = 0, right = -1, top = 0, bottom = -1; // the pixels' extent from the centre
    SmoothBrushFit fit;                             // the runs and the blocked layout
    std::vector<int> rowDy, rowEnd;                 // each row's offset and its pixels' end
    std::vector<int> dx;
    std::vector<ptrdiff_t> at;     // picture offset from the centre
    std::vector<uint32_t> weight;  // alpha | alpha << 16
    std::vector<int32_t> outside;  // (alpha * 255) >> 5
};
SmoothLaneBrush LayOutSmoothLanes(const SmoothBrush& brush, const SmoothPicture& picture);

// What a brush gives at the centres (x + i, y): the pixels on the picture,
// their mean (r << 16 | g << 8 | b, each sum / count; 0 for none) and the
// error over all the brush's pixels.
struct SmoothLaneFit {
    int32_t count[kSmoothLanes];
    uint32_t mean[kSmoothLanes];
    int32_t error[kSmoothLanes];
};

// For 0 <= x < width, 0 <= y < height; centres past the right edge are
// fitted like the others. AVX2 where the processor has it, else the plain
// per-centre fit.
void FitSmoothLanes(const SmoothPicture& picture, const SmoothLaneBrush& brush, int x, int y, SmoothLaneFit& out);
void FitSmoothLanesPlain(const SmoothPicture& picture, const SmoothLaneBrush& brush, int x, int y,
                         SmoothLaneFit& out);

} // namespace pq
