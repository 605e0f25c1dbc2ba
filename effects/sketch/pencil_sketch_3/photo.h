#pragma once

// The photo side of Pencil Sketch 3: the photo planes the strokes follow,
// their local contrast boost, and the tint the colour pass gives a grey.

#include "effects/sketch/pencil_support.h"
#include "gfx/image.h"

#include <cstdint>

namespace pq::pencil {

inline int Red(uint32_t p) { return int((p >> 16) & 0xFF); }
inline int Green(uint32_t p) { return int((p >> 8) & 0xFF); }
inline int Blue(uint32_t p) { return int(p & 0xFF); }

// Row by row: the photo over white (0x00RRGGBB from premultiplied bytes
// c + 255 - a, white where a < 10) and its alpha.
void BuildPhotoPlanes(const gfx::Image& source, Plane<uint32_t>& photo, Plane<uint8_t>& alpha);

// Each channel pushed away from a blend of its 9 x 9 neighbourhood and the
// picture's mean (window coordinates clamped to the picture).
void EnhanceLocalContrast(Plane<uint32_t>& photo, int w, int h, int amount);

// The colour pass on paper grey g over a photo pixel at strength u (0..1).
uint32_t TintedGrey(int g, uint32_t photo, double u);

} // namespace pq::pencil
