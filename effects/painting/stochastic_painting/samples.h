#pragma once

// The gain of one row of a stochastic painting try: how much closer to the
// photo the sampled canvas pixels of the row get under the mark.

#include "gfx/image.h"

#include <cstdint>
#include <vector>

namespace pq {

// A mark's weight per texel of its plane for one opacity: alpha * opacity
// / 255 where alpha is above 10, else 0 (no effect). Kept only for the box
// of the texels above 10 (0 elsewhere), with padding after it for wide reads.
struct MarkWeights {
    int left = 0, top = 0, width = 0, height = 0; // the box in the plane
    std::vector<uint8_t> weights;                 // width x height, row by row

    MarkWeights() = default;
    MarkWeights(const uint8_t* alpha, int side, int opacity);
};

struct SampleRow {
    const gfx::Pixel* photo = nullptr; // the photo's and the canvas's row
    const gfx::Pixel* canvas = nullptr;
    const MarkWeights* mark = nullptr; // of the try's mark
    int side = 0;                      // of the mark's plane
    int x = 0, dy = 0;                 // the stroke's centre column, the row's offset from it
    int first = 0, last = 0,
        step = 1; // columns first, first + step, ... up to last
    double cs = 1.0, sn = 0.0, scale = 1.0;
    const int* colour = nullptr; // the stroke's unpremultiplied R, G, B
    bool transparent = false;    // photo pixels with alpha below 10 count nothing
};

// Sum over the row's samples that land on the mark of, per channel,
// |photo - canvas| - |photo - painted|, painted = (colour k + canvas (255 - k))
// / 255 with k the texel's weight (0 off the plane). The texel is the mark's at
// Round((dx cos - dy sin) scale + C), Round((dx sin + dy cos) scale + C), C =
// side / 2.
int64_t SampleRowGain(const SampleRow& row);
// The same sum one sample at a time.
int64_t SampleRowGainPlain(const SampleRow& row);

// A whole try: the photo's and canvas's samples at multiples of step in the
// box around the stroke's centre.
struct SampleBox {
    const gfx::Pixel* photo = nullptr; // row 0 of the photo and of the canvas
    const gfx::Pixel* canvas = nullptr;
    qsizetype photoStride = 0, canvasStride = 0; // in pixels
    const MarkWeights* mark = nullptr;
    int side = 0;
    int x = 0, y = 0;                             // the stroke's centre
    int left = 0, top = 0, right = -1, bottom = -1; // the box, edges included
    int step = 1;
    double cs = 1.0, sn = 0.0, scale = 1.0;
    // Bounds on the mark positions less C where a sample may count: each
    // row's columns are cut to those that can reach them.
    double uLo = 0.0, uHi = 0.0, vLo = 0.0, vHi = 0.0;
    const int* colour = nullptr;
    bool transparent = false;
};

// SampleRowGain summed over the box's rows, each cut to the columns that can
// reach the bounds.
int64_t SampleBoxGain(const SampleBox& box);
// The same with SampleRowGainPlain.
int64_t SampleBoxGainPlain(const SampleBox& box);

} // namespace pq
