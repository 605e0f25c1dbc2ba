#pragma once

#include "gfx/image.h"

#include <vector>

namespace pq {

// The picture smoothed without blurring its edges: every pixel with alpha
// 128 or more becomes the mean (integer division per channel) of the
// pixels of its 5 x 5 neighbourhood, clipped at the border and centre
// included, that also have alpha 128 or more and whose colour lies within
// 35 of its own (|dR| + |dG| + |dB| on the stored bytes); it keeps its
// alpha. Other pixels are copied. Rows run in parallel. Row-major, one
// entry per pixel.
std::vector<gfx::Pixel> SelectiveMean(const gfx::Image& source);

} // namespace pq
