#pragma once

// Small pictures the watercolour tests paint from.

#include "effect_test_support.h"

#include "platform/numeric.h"
#include "platform/random.h"

#include <cmath>
#include <cstdint>
#include <functional>

namespace pqtest::watercolor {

inline constexpr gfx::Pixel kWhite = 0xFFFFFFFFu;

inline gfx::Pixel Opaque(int r, int g, int b)
{
    return 0xFF000000u | gfx::Pixel(r) << 16 | gfx::Pixel(g) << 8 | gfx::Pixel(b);
}

inline gfx::Image ImageOf(int w, int h, const std::function<gfx::Pixel(int, int)>& fn)
{
    gfx::Surface s = gfx::Surface::make(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.row(y)[x] = fn(x, y);
    return s.snapshot();
}

// Soft colour blobs with seeded noise; with alpha, a tenth of the pixels
// are transparent and a tenth half transparent.
inline gfx::Image Blobs(int w, int h, uint32_t seed, bool withAlpha = false)
{
    platform::Random rng(seed);
    return ImageOf(w, h, [&](int x, int y) {
        const double t = 0.5 + 0.45 * std::sin(x * 0.13) * std::cos(y * 0.11);
        auto ch = [&](double k) { return platform::ClampByte(int(255 * t * k) + rng.random(40) - 20); };
        int a = 255;
        if (withAlpha) {
            const int r = rng.random(10);
            a = r == 0 ? 0 : (r == 1 ? 128 : 255);
        }
        const int r = ch(1.0) * a / 255, g = ch(0.7) * a / 255, b = ch(0.4) * a / 255;
        return gfx::Pixel(a) << 24 | gfx::Pixel(r) << 16 | gfx::Pixel(g) << 8 | gfx::Pixel(b);
    });
}

inline int Grey(gfx::Pixel p)
{
    return int(p & 0xFF);
}

} // namespace pqtest::watercolor
