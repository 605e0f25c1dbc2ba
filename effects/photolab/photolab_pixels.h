#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

#include <algorithm>

namespace pq::photolab {

// The stored colour bytes R, G, B of a pixel.
inline void ColourBytes(gfx::Pixel p, int c[3])
{
    c[0] = int((p >> 16) & 0xFF);
    c[1] = int((p >> 8) & 0xFF);
    c[2] = int(p & 0xFF);
}

// A pixel of the given alpha whose colours are clamped to 0..limit.
inline gfx::Pixel PackPixel(int alpha, const int c[3], int limit)
{
    auto byte = [&](int v) { return gfx::Pixel(std::clamp(v, 0, limit)); };
    return gfx::Pixel(alpha) << 24 | byte(c[0]) << 16 | byte(c[1]) << 8 | byte(c[2]);
}

// Dest cleared to transparent with Image copied to its top-left corner.
void CopyInto(const gfx::Image& image, gfx::Surface& dest);

} // namespace pq::photolab
