#pragma once

// How smooth painting lays a stroke's colour over the canvas:
// per channel (c k + d (255 - k) + 127) / 255 with k the brush alpha.

#include "gfx/image.h"

#include <cstdint>
#include <cstring>

namespace pq {

inline gfx::Pixel SmoothBlend(gfx::Pixel c, gfx::Pixel d, uint32_t k)
{
    const uint32_t rest = 255u - k;
    gfx::Pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= (((c >> shift) & 255u) * k + ((d >> shift) & 255u) * rest + 127u) / 255u << shift;
    return out;
}

// SmoothBlend on n pixels of `row` with alphas `a`, four pixels at a time
// in 16-bit lanes (then two, then one): the sum is at most 65152, where
// (v + 1 + (v >> 8)) >> 8 equals v / 255. An alpha of 0 leaves a pixel as
// it is.
[[gnu::always_inline]] inline void SmoothBlendSpan(gfx::Pixel* row, const uint8_t* a, int n, gfx::Pixel colour)
{
    using Bytes4 = uint8_t __attribute__((vector_size(4)));
    using Bytes8 = uint8_t __attribute__((vector_size(8)));
    using Bytes16 = uint8_t __attribute__((vector_size(16)));
    using Words8 = uint16_t __attribute__((vector_size(16)));
    using Words16 = uint16_t __attribute__((vector_size(32)));
    Words16 c;
    for (int i = 0; i < 16; ++i)
        c[i] = uint16_t((colour >> (8 * (i % 4))) & 255u);
    int u = 0;
    for (; u + 4 <= n; u += 4) {
        Bytes16 d8;
        std::memcpy(&d8, row + u, sizeof(d8));
        const Words16 d = __builtin_convertvector(d8, Words16);
        Bytes4 k4;
        std::memcpy(&k4, a + u, sizeof(k4));
        const Words16 k = __builtin_convertvector(
            __builtin_shufflevector(k4, k4, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3), Words16);
        Words16 v = c * k + d * (255 - k) + 127;
        v = (v + 1 + (v >> 8)) >> 8;
        const Bytes16 out = __builtin_convertvector(v, Bytes16);
        std::memcpy(row + u, &out, sizeof(out));
    }
    if (u + 2 <= n) {
        const Words8 c8 = __builtin_shufflevector(c, c, 0, 1, 2, 3, 4, 5, 6, 7);
        Bytes8 d8;
        std::memcpy(&d8, row + u, sizeof(d8));
        const Words8 d = __builtin_convertvector(d8, Words8);
        const uint16_t k0 = a[u], k1 = a[u + 1];
        const Words8 k = {k0, k0, k0, k0, k1, k1, k1, k1};
        Words8 v = c8 * k + d * (255 - k) + 127;
        v = (v + 1 + (v >> 8)) >> 8;
        const Bytes8 out = __builtin_convertvector(v, Bytes8);
        std::memcpy(row + u, &out, sizeof(out));
        u += 2;
    }
    if (u < n)
        row[u] = SmoothBlend(colour, row[u], a[u]);
}

} // namespace pq
