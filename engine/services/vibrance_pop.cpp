#include "engine/services/vibrance_pop.h"

#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pq {
namespace {

struct VibranceSettings {
    float v = 0, s = 0, c = 0, p = 0, e = 0;
};

float Unit(float x)
{
    return std::clamp(x, 0.0f, 1.0f);
}

// Un-premultiplied colour channel in 0..1.
float ChannelOf(int stored, int alpha)
{
    if (alpha > 0 && alpha < 255)
        return float(double(stored) * 255.0 / double(alpha) / 255.0);
    return float(double(stored) / 255.0);
}

// The gain's pull toward 1 for hues near skin (35 degrees): 0 far away, 1
// at exactly 35.
float SkinWeight(float r, float g, float b, float mx, float chroma)
{
    float hue = 0.0f;
    if (chroma != 0.0f) {
        if (mx == r)
            hue = (g - b) / chroma * 60.0f;
        else if (mx == g)
            hue = ((b - r) / chroma + 2.0f) * 60.0f;
        else
            hue = ((r - g) / chroma + 4.0f) * 60.0f;
        if (hue < 0.0f)
            hue += 360.0f;
    }
    float d = std::fabs(hue - 35.0f);
    if (d > 180.0f)
        d = 360.0f - d;
    const float near = std::max(0.0f, 1.0f - d / 30.0f);
    return near * near;
}

gfx::Pixel VibrantPixel(gfx::Pixel px, const VibranceSettings& k)
{
    const int a = int(px >> 24);
    const float in[3] = {ChannelOf(int((px >> 16) & 0xFF), a), ChannelOf(int((px >> 8) & 0xFF), a),
                         ChannelOf(int(px & 0xFF), a)};
    const float r = in[0], g = in[1], b = in[2];
    const float y = gfx::Luma601Float(r, g, b);
    const float mx = std::max({r, g, b});
    const float mn = std::min({r, g, b});
    const float chroma = mx - mn;

    // A negative vibrance fades colours toward grey but never past it.
    const float l = float(std::pow(double(std::max(0.0f, 1.0f - chroma)), 1.5));
    const float kv = std::max(0.0f, k.v * 2.0f * l + 1.0f);
    const float ks = std::max(0.0f, k.s + 1.0f);
    float gain = kv * ks;
    const float yb = k.c != 0.0f ? (y - 0.5f) * (k.c * 0.8f + 1.0f) + 0.5f : y;
    if (k.p > 0.0f)
        gain = (gain - 1.0f) * (1.0f - k.p * 0.7f * SkinWeight(r, g, b, mx, chroma)) + 1.0f;

    gfx::Pixel out = gfx::Pixel(a) << 24;
    for (int i = 0; i < 3; ++i) {
        const float changed = Unit(yb + gain * (in[i] - y));
        const float mixed = Unit((1.0f - k.e) * in[i] + k.e * changed);
        int byte = platform::Round(double(mixed * 255.0f));
        if (a < 255)
            byte = byte * a / 255;
        out |= gfx::Pixel(platform::ClampByte(byte)) << (16 - 8 * i);
    }
    return out;
}

} // namespace

void VibrancePop(const gfx::Image& source, gfx::Surface& dest, int vibrance, int saturation, int contrast,
                 int skinProtection, int strength, bool /*Preview*/)
{
    if (source.isNull() || source.width() < 1 || source.height() < 1 || dest.isNull())
        return;
    VibranceSettings k;
    k.v = float(std::clamp(vibrance, -100, 100)) / 100.0f;
    k.s = float(std::clamp(saturation, -100, 100)) / 100.0f;
    k.c = float(std::clamp(contrast, -100, 100)) / 100.0f;
    k.p = float(std::clamp(skinProtection, 0, 100)) / 100.0f;
    k.e = float(std::clamp(strength, 0, 100)) / 100.0f;

    gfx::Surface out = gfx::Surface::make(source.size());
    if (out.isNull())
        return;
    const int w = source.width();
    uint8_t* const bits = out.bits();
    const qsizetype stride = out.stride();
    platform::ParallelForRange(0, source.height(), 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const gfx::Pixel* src = source.row(y);
            auto* dst = reinterpret_cast<gfx::Pixel*>(bits + y * stride);
            for (int x = 0; x < w; ++x)
                dst[x] = VibrantPixel(src[x], k);
        }
    });

    // Dest as if cleared and the result drawn at (0, 0).
    dest.clearPixel(0);
    const int cw = std::min(w, dest.width());
    for (int y = 0; y < std::min(source.height(), dest.height()); ++y)
        std::memcpy(dest.row(y), out.row(y), size_t(cw) * sizeof(gfx::Pixel));
}

} // namespace pq
