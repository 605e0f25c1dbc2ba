#pragma once

// The soft blend of Brushstrokes 2's strokes on all three colour bytes at
// once: each byte in a 16-bit field of a 64-bit word, so that one multiply
// weighs all three. Sums of two weighed bytes stay below 65536, so fields
// never carry.

#include "gfx/image.h"

#include <cstdint>

namespace pq {

// The three colour bytes of a pixel in 16-bit fields.
inline uint64_t SpreadColour(gfx::Pixel p)
{
    return uint64_t(p & 0xFF) | uint64_t((p >> 8) & 0xFF) << 16 | uint64_t((p >> 16) & 0xFF) << 32;
}

// The fields back as an opaque pixel.
inline gfx::Pixel PackOpaque(uint64_t v)
{
    return 0xFF000000u | gfx::Pixel(v & 0xFF) | gfx::Pixel((v >> 16) & 0xFF) << 8 |
           gfx::Pixel((v >> 32) & 0xFF) << 16;
}

// Each field divided by 255, rounding down; exact for fields up to 65025.
inline uint64_t FieldsDiv255(uint64_t v)
{
    constexpr uint64_t kOnes = 0x0000000100010001ull, kLow = 0x000000FF00FF00FFull;
    return ((v + kOnes + ((v >> 8) & kLow)) >> 8) & kLow;
}

// Per channel ((255 - o) d + o ((d (255 - a) + c a) div 255)) div 255 with
// an opaque alpha: colour c laid with mask alpha a and opacity o over d.
inline gfx::Pixel BlendSoft(gfx::Pixel d, uint64_t spreadColour, uint64_t a, uint64_t o)
{
    const uint64_t ds = SpreadColour(d);
    const uint64_t c1 = FieldsDiv255(ds * (255 - a) + spreadColour * a);
    return PackOpaque(FieldsDiv255(ds * (255 - o) + c1 * o));
}

} // namespace pq
