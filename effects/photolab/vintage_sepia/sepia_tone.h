#pragma once

#include "effects/photolab/film_look.h"
#include "gfx/image.h"

namespace pq {

// The Sepia look's settings, derived from its sliders.
struct SepiaSettings {
    int retention = 0;  // K1 of 256
    int toning = 0;     // K2 of 256
    int grain = 0;      // P4
    int amplitude = 0;  // hash grain amplitude
    gfx::Image texture; // null: hash grain only
    int textureMean = 0;
};

// One pixel of alpha 5 or more, from premultiplied bytes to premultiplied
// bytes: colour retention, sepia toning, grain (hash and film texture at
// textureX of textureRow, when given), vignette.
gfx::Pixel SepiaPixel(gfx::Pixel p, int x, int y, const SepiaSettings& s, const gfx::Pixel* textureRow,
                      int textureX, const film::Vignette& vignette);

// Row y of width w toned in place: every pixel of alpha 5 or more becomes
// SepiaPixel's result (texture column x mod textureWidth); the others stay.
void ToneSepiaRow(gfx::Pixel* row, int y, int w, const SepiaSettings& s, const gfx::Pixel* textureRow,
                  int textureWidth, const film::Vignette& vignette);

} // namespace pq
