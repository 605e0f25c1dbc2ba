#pragma once

// The coarse edge map the stamping effects turn their strokes by: the Sobel
// gradient of a small grey copy of the picture, at most 256 cells wide.

#include "gfx/image.h"

#include <cstdint>
#include <vector>

namespace pq {

struct GradientInfo {
    float angle = 0.0f;    // radians, atan2(gy, gx)
    uint8_t magnitude = 0; // |gx| + |gy|, at most 255
};

struct GradientMap {
    int width = 0;
    int height = 0;
    std::vector<GradientInfo> cells; // row-major

    const GradientInfo& at(int x, int y) const { return cells[size_t(y) * size_t(width) + size_t(x)]; }
    // The cell of canvas position (x, y) of a w x h picture:
    // (x * width div w, y * height div h), clamped to the map.
    const GradientInfo& cellOf(int x, int y, int w, int h) const;
};

// What the gradient is taken of: the grey (30 R + 59 G + 11 B) div 100 of
// the stored bytes, or the stored red byte alone.
enum class GradientTone { Grey, Red };

// The map of an image of WI x HI pixels: GW = WI when WI < 256, else 256;
// GH = Round(HI * GW / WI), at least 1 row (very wide pictures would get none
// otherwise). The image is shrunk to GW x GH bilinearly from its nearest mip
// level, reduced to `tone`, and every inner cell gets the 3 x 3 Sobel
// gradient; border cells stay zero. An empty map for a null image.
GradientMap BuildGradientMap(const gfx::Image& image, GradientTone tone = GradientTone::Grey);

} // namespace pq
