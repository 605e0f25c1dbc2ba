#pragma once

#include "gfx/band_canvas.h"

#include <cstdint>

// One pixel at a time: a colour blended with a coverage byte, as the band
// canvas draws its shapes.
namespace gfx::cover {

inline uint32_t Div255(uint32_t v)
{
    v += 128;
    return (v + (v >> 8)) >> 8;
}

// A colour split into channels, for blending one pixel after another.
struct Ink {
    uint32_t a, r, g, b;
    explicit Ink(Pixel c) : a(c >> 24), r((c >> 16) & 255), g((c >> 8) & 255), b(c & 255) {}
};

inline Pixel BlendOne(Pixel d, const Ink& ink, uint32_t cov, ShapeBlend blend)
{
    // The colour scaled by coverage stays premultiplied (each channel scaled
    // alike, so none exceeds the alpha).
    const uint32_t sa = Div255(ink.a * cov), sr = Div255(ink.r * cov), sg = Div255(ink.g * cov),
                   sb = Div255(ink.b * cov);
    const uint32_t da = d >> 24, dr = (d >> 16) & 255, dg = (d >> 8) & 255, db = d & 255;
    uint32_t a, r, g, b;
    if (blend == ShapeBlend::SrcOver) {
        const uint32_t k = 255 - sa;
        a = sa + Div255(da * k);
        r = sr + Div255(dr * k);
        g = sg + Div255(dg * k);
        b = sb + Div255(db * k);
    } else {
        // s d + s (1 - da) + d (1 - sa); every colour numerator is at most
        // the alpha numerator, so colour never exceeds alpha.
        const uint32_t ks = 255 - da, kd = 255 - sa;
        a = Div255(sa * 255 + da * kd);
        r = Div255(sr * dr + sr * ks + dr * kd);
        g = Div255(sg * dg + sg * ks + dg * kd);
        b = Div255(sb * db + sb * ks + db * kd);
    }
    return (a << 24) | (r << 16) | (g << 8) | b;
}

inline uint32_t ToCoverage(float c)
{
    return c <= 0.0f ? 0u : (c >= 1.0f ? 255u : static_cast<uint32_t>(c * 255.0f + 0.5f));
}

} // namespace gfx::cover
