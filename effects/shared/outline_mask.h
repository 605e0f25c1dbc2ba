#pragma once

#include "gfx/image.h"

#include <cstdint>
#include <vector>

namespace pq {

// An 8-bit coverage mask of ink contours (0 no ink, 255 full ink), row by
// row, Width x Height bytes. Edges come from a Canny-like detector whose
// thresholds follow Strength and the local density of edges; every kept edge
// pixel is stamped as a small anti-aliased dot whose opacity grows with the
// edge strength and whose radius grows with Thickness and with the local
// disorder of the gradient. Too small a picture gives an all-zero mask.
// Raises EAbort when the run is cancelled.
void ComputeOutlineMask(const gfx::Image& source, int width, int height, int strength, int thickness,
                        std::vector<uint8_t>& mask);

} // namespace pq
