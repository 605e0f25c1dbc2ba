#pragma once

// The numbers Watercolor Flow derives from its five sliders. Sliders are
// taken as given (scripts may pass any value); only the cell size is kept
// at 1 or more.

#include <cstdint>

namespace pq::flow {

struct FlowSettings {
    float warp = 0;         // how far washes' borders wander (wetness)
    float densityWobble = 0; // how much the pigment density varies (wetness)
    float detail = 0;       // 0..1: merge threshold, pull towards the photo
    int cellSize = 1;       // pixels per cell of the colour grid, at least 1
    float warpFrequency = 0;
    float densityFrequency = 0;
    float dilution = 0;     // scales every pigment's density
    float colourFactor = 0; // scales the palette's saturation
    float lineStrength = 0; // contour lines, 0 for none
    int smoothingRadius = 2; // cells of the colour grid's box mean
};

FlowSettings DeriveFlowSettings(int p1, int p2, int p3, int p4, int p5);

// The largest island of one pigment that its neighbours absorb, in pixels:
// at most the picture's area; 1 or less means no clean-up.
int64_t CleanupSize(const FlowSettings& s, int64_t area);

} // namespace pq::flow
