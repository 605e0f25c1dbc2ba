#pragma once

// The finishing steps of Watercolor 2 after its washes: paper-grained fill
// of what no wash covered, brightness, dark edge accents and saturation.

#include "effects/painting/watercolor_2/region_washes.h"
#include "gfx/surface.h"

#include <cstdint>
#include <vector>

namespace pq {

struct FinishSettings {
    bool erase = true;        // touch every pixel, not only painted ones
    int64_t brightLevel = 127; // 127 leaves the brightness
    bool edges = false;
    int edgeMax = 0;          // the most an edge darkens
    int saturationShift = 0;  // -100..100 nominally; 0 leaves the colours
};

// Every solid pixel no wash painted becomes the smoothed source over the
// paper, with the source's alpha. Rows in parallel.
void FillUnpainted(const WashPlanes& planes, const WashPaper& paper, gfx::Surface& canvas);

// Edge strength of the smoothed source at every interior pixel that is
// solid with its four neighbours (0 elsewhere), stronger in dark areas, at
// most edgeMax.
std::vector<uint16_t> WashEdgeMap(const WashPlanes& planes, int edgeMax);

// Brightness, edge darkening (where `edges` holds a map) and saturation, in
// that order, on every pixel the settings allow. Rows in parallel.
void FinishWashes(const WashPlanes& planes, const std::vector<uint16_t>& edges, const FinishSettings& settings,
                  gfx::Surface& canvas);

} // namespace pq
