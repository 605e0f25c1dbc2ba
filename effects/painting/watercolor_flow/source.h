#pragma once

// What Watercolor Flow reads of the photo: its grey levels, where it is
// nearly white, and its thinned edges.

#include "effects/painting/watercolor_flow/planes.h"

#include <vector>

namespace pq::flow {

// Grey levels of the filtered source and the white-paper mask (grey plus
// a little noise at 235 or more). Rows in parallel.
void GreyAndWhite(FlowPlanes& planes);

// The byte plane blurred by two rounds of a horizontal then vertical box
// mean of the given radius, clipped at the borders.
std::vector<float> BoxBlurField(const std::vector<uint8_t>& plane, int w, int h, int radius);

// Sobel magnitude of the lightly blurred grey, kept only where it is a
// ridge across the edge, divided by 5.5. Rows in parallel; a cancellation
// point between its stages.
void EdgePlane(FlowPlanes& planes);

} // namespace pq::flow
