#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Livelier colours that spare saturated ones and skin tones: Source's
// un-premultiplied colours are spread away from their grey by a gain that
// grows as the chroma falls (Vibrance), times 1 + Saturation, around a grey
// stretched by Contrast; hues near 35 degrees keep up to 70 % of their
// colour (SkinProtection); Strength mixes the new colour with the old one.
// Vibrance, Saturation and Contrast count in -100..100, SkinProtection and
// Strength in 0..100 (values beyond are clamped). Dest is cleared and
// receives the result at (0, 0); it may be the surface Source was taken
// from. Nothing happens for an empty source or a null Dest. Preview is
// accepted and not used.
void VibrancePop(const gfx::Image& source, gfx::Surface& dest, int vibrance, int saturation, int contrast,
                 int skinProtection, int strength, bool preview);

} // namespace pq
