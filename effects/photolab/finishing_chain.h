#pragma once

#include "gfx/filters.h"
#include "gfx/image.h"

#include <array>

namespace pq {

// The colour matrix of the photo-lab filters: contrast Fc about mid-grey
// (when |Fc - 1| > 0.001), then brightness offset Ob (when |Ob| > 0.001),
// then saturation Fs (when |Fs - 1| > 0.001) with the luma weights
// gfx::kLuma709Rounded. Rows R, G, B, A; columns R, G, B, A, offset; units
// 0..1.
std::array<float, 20> AdjustmentColorMatrix(float ob, float fc, float fs);

// The finishing chain: the colour matrix, then a Gaussian blur of
// blurSigma (when above 0) with the given edge mode, or else the 3 x 3
// sharpening 0, -K, 0 / -K, 1 + 4K, -K / 0, -K, 0 (when K is above 0,
// edges clamped, alpha convolved). Null when memory runs out.
gfx::Image ApplyFinishingChain(const gfx::Image& image, const std::array<float, 20>& matrix, float blurSigma,
                               float sharpenK, gfx::EdgeMode blurEdge);

} // namespace pq
