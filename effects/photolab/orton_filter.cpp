#include "effects/photolab/orton_filter.h"

#include "effects/photolab/photolab_pixels.h"
#include "engine/runtime/effect_api.h"
#include "gfx/filters.h"
#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace pq {
namespace {

struct OrtonSettings {
    int64_t exposure = 0; // P2, used when positive
    int64_t strength = 0; // P3 per cent of the screen result
    int64_t vibrance = 0; // P4, used when positive
    int shift = 0;        // 2 (P5 - 50), within -100..255 (beyond, every channel ends at 0 or 255 alike)
    float factor = 1.0f;  // 1 + shift / 100 when darkening
    // What a byte becomes when shifted, and a glow byte when exposed.
    std::array<uint8_t, 256> shifted{};
    std::array<uint8_t, 256> exposed{};

    void fillTables()
    {
        for (int c = 0; c < 256; ++c) {
            // Darken (shift < 0: channel times the factor) or lighten
            // (shift > 0: channel plus the shift).
            shifted[size_t(c)] = uint8_t(shift < 0 ? platform::ClampByte(platform::Round(double(c) * double(factor)))
                                                   : platform::ClampByte(c + shift));
            exposed[size_t(c)] = uint8_t(platform::ClampByte(c + c * exposure / 200));
        }
    }
};

void ShiftColours(int c[3], const OrtonSettings& s)
{
    for (int i = 0; i < 3; ++i)
        c[i] = s.shifted[size_t(c[i])];
}

gfx::Pixel OrtonPixel(gfx::Pixel original, gfx::Pixel glow, const OrtonSettings& s)
{
    const int alpha = int(original >> 24);
    if (alpha <= 5)
        return original;
    int o[3], l[3];
    photolab::ColourBytes(original, o);
    photolab::ColourBytes(glow, l);
    if (s.shift != 0) {
        ShiftColours(o, s);
        if (s.shift < 0)
            ShiftColours(l, s);
    }
    if (s.exposure > 0)
        for (int i = 0; i < 3; ++i)
            l[i] = s.exposed[size_t(l[i])];
    int m[3];
    for (int i = 0; i < 3; ++i) {
        const int screen = 255 - (255 - o[i]) * (255 - l[i]) / 255;
        m[i] = platform::ClampByte(o[i] + int64_t(screen - o[i]) * s.strength / 100);
    }
    if (s.vibrance > 0) {
        const int k = gfx::Luma601Fixed8(m[0], m[1], m[2]);
        for (int i = 0; i < 3; ++i)
            m[i] = platform::ClampByte(k + int64_t(m[i] - k) * (s.vibrance + 100) / 100);
    }
    // Premultiplied: the glow and the lift must not push a colour past its alpha.
    return photolab::PackPixel(alpha, m, alpha);
}

} // namespace

void OrtonFilter(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    photolab::CopyInto(source, dest);
    const int w = std::min(source.width(), dest.width());
    const int h = std::min(source.height(), dest.height());
    if (w <= 0 || h <= 0)
        return;

    OrtonSettings s;
    s.exposure = p2;
    s.strength = p3;
    s.vibrance = p4;
    s.shift = int(std::clamp<int64_t>(2 * (int64_t(p5) - 50), -100, 255));
    s.factor = float(1.0 + double(s.shift) / 100.0);
    s.fillTables();

    // A negative glow radius counts as none.
    const float sigma = float(std::max(p1, 0));
    const gfx::Image glow = sigma > 0.0f ? gfx::GaussianBlur(source, sigma, sigma, gfx::EdgeMode::Clamp) : source;
    if (glow.isNull())
        return;

    uint8_t* const bits = dest.bits();
    const qsizetype stride = dest.stride();
    platform::ParallelForRange(0, h, 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            auto* dst = reinterpret_cast<gfx::Pixel*>(bits + y * stride);
            const gfx::Pixel* l = glow.row(y);
            for (int x = 0; x < w; ++x)
                dst[x] = OrtonPixel(dst[x], l[x], s);
        }
    });

    ReportFinished(dest, preview);
}

} // namespace pq
