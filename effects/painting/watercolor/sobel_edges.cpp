#include "effects/painting/watercolor/sobel_edges.h"

#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pq {
namespace {

// The stroke layer as the darkening each pixel received (saturated at 255;
// 0 where no stroke went). Darkening only subtracts and stops at 0, so the
// order in which strokes land does not matter.
struct StrokeLayer {
    int w = 0;
    int h = 0;
    bool hasAlpha = false;
    std::vector<uint8_t> dark;

    // The layer's pixel: opaque grey where strokes went, else white, or
    // transparent for sources that are not opaque.
    gfx::Pixel pixel(size_t i) const
    {
        const uint32_t d = dark[i];
        if (d == 0)
            return hasAlpha ? 0u : 0xFFFFFFFFu;
        const uint32_t g = 255 - d;
        return 0xFF000000u | g << 16 | g << 8 | g;
    }
};

std::vector<uint8_t> LumaPlane(const gfx::Image& src)
{
    const int w = src.width(), h = src.height();
    std::vector<uint8_t> luma(size_t(w) * size_t(h));
    platform::ParallelForRange(0, h, 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const gfx::Pixel* row = src.row(y);
            uint8_t* out = luma.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) {
                const gfx::Pixel p = row[x];
                out[x] = uint8_t(gfx::Luma601Hundredths(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)));
            }
        }
    });
    return luma;
}

// Strokes of the edge pixels of rows y0..y1-1 (interior rows only).
void StrokeRows(StrokeLayer& layer, const std::vector<uint8_t>& luma, int y0, int y1, int threshold, int darkness,
                int length, int maxCount)
{
    const int w = layer.w, h = layer.h;
    uint8_t* dark = layer.dark.data();
    const int64_t fade = (150 - int64_t(darkness)) / 4;
    auto darken = [&](int x, int y, int64_t amount) {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return;
        uint8_t& d = dark[size_t(y) * size_t(w) + size_t(x)];
        d = uint8_t(std::min<int64_t>(255, int64_t(d) + amount));
    };
    for (int y = y0; y < y1; ++y) {
        const uint8_t* up = luma.data() + size_t(y - 1) * size_t(w);
        const uint8_t* mid = up + w;
        const uint8_t* down = mid + w;
        for (int x = 1; x < w - 1; ++x) {
            const int a = up[x - 1], b = up[x], c = up[x + 1];
            const int d = mid[x - 1], f = mid[x + 1];
            const int g = down[x - 1], hh = down[x], i = down[x + 1];
            const int gx = std::clamp((a - c + 2 * d - 2 * f + g - i) / 4, -255, 255);
            const int gy = std::clamp((a + 2 * b + c - g - 2 * hh - i) / 4, -255, 255);
            const int agx = std::abs(gx), agy = std::abs(gy);
            const int m = (agx + agy) / 2;
            if (m < threshold || std::abs(agx - agy) <= 1)
                continue;
            const int count = int(std::min<int64_t>(int64_t(length) * (m / 4) / 50, maxCount));
            if (count <= 0)
                continue;
            // Single precision throughout, so that strokes along vertical
            // and horizontal edges come out the same on every build.
            const float angle = gx != 0 ? std::atan(float(gy) / float(gx)) + 1.5707f : 3.14159f;
            const float ca = std::cos(angle);
            const float sa = std::sin(angle);
            const int64_t start = int64_t(length) * (m / 2) / 50 - fade;
            for (int j = 0; j <= count; ++j) {
                const int64_t amount = start - j;
                if (amount <= 0)
                    break;
                const int dx = int(std::floor(float(j) * ca));
                const int dy = int(std::floor(float(j) * sa));
                darken(x - dx, y - dy, amount);
                darken(x + dx, y + dy, amount);
            }
        }
    }
}

// False when the source is too small for the operator (no strokes).
bool BuildStrokeLayer(const gfx::Image& src, int threshold, int darkness, int length, StrokeLayer& layer)
{
    layer.w = src.width();
    layer.h = src.height();
    if (layer.w < 3 || layer.h < 3)
        return false;
    layer.hasAlpha = !src.isOpaque();
    layer.dark.assign(size_t(layer.w) * size_t(layer.h), 0);
    const std::vector<uint8_t> luma = LumaPlane(src);

    // A stroke reaches at most maxCount pixels from its centre; beyond twice
    // the picture's size every offset lies outside it.
    const int64_t reach = length > 0 ? int64_t(length) * 63 / 50 : 0;
    const int maxCount = int(std::min<int64_t>(reach, 2 * int64_t(std::max(layer.w, layer.h)) + 2));
    // Bands taller than two reaches: bands of one parity never write to the
    // same pixels, so each parity runs in parallel.
    const int bandHeight = std::max(32, 2 * maxCount + 1);
    const int first = 1, last = layer.h - 1; // interior rows [first, last)
    const int bands = (last - first + bandHeight - 1) / bandHeight;
    for (int parity = 0; parity < 2; ++parity) {
        const int count = (bands - parity + 1) / 2;
        platform::ParallelFor(0, count, [&](int k) {
            const int band = 2 * k + parity;
            const int y0 = first + band * bandHeight;
            const int y1 = std::min(last, y0 + bandHeight);
            StrokeRows(layer, luma, y0, y1, threshold, darkness, length, maxCount);
        });
    }
    return true;
}

// a * b / 255 rounded, a and b in 0..255.
inline uint32_t Mul255(uint32_t a, uint32_t b)
{
    const uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

} // namespace

void SobelEffectSource(const gfx::Image& source, gfx::Surface& dest, int threshold, int darkness, int length)
{
    if (source.isNull() || dest.isNull())
        return;
    dest.clear(Qt::transparent);
    StrokeLayer layer;
    if (!BuildStrokeLayer(source, threshold, darkness, length, layer))
        return;
    const int w = std::min(layer.w, dest.width());
    const int h = std::min(layer.h, dest.height());
    platform::ParallelForRange(0, h, 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            gfx::Pixel* out = dest.row(y);
            const size_t base = size_t(y) * size_t(layer.w);
            for (int x = 0; x < w; ++x)
                out[x] = layer.pixel(base + size_t(x));
        }
    });
}

void OverlaySobelEdges(const gfx::Image& source, gfx::Surface& dest, int threshold, int darkness, int length,
                       int opacityPercent)
{
    if (source.isNull() || dest.isNull() || source.width() <= 0 || source.height() <= 0)
        return;
    const float opacity = float(std::clamp(opacityPercent, 0, 100)) / 100.0f;
    const uint32_t oa = uint32_t(platform::Round(double(opacity) * 255.0));
    if (oa == 0)
        return;
    StrokeLayer layer;
    if (!BuildStrokeLayer(source, threshold, darkness, length, layer))
        return; // a transparent layer changes nothing
    const int w = std::min(layer.w, dest.width());
    const int h = std::min(layer.h, dest.height());
    // Multiply of premultiplied colours:
    // r = s (1 - da) + d (1 - sa) + s d, the layer faded to the opacity.
    platform::ParallelForRange(0, h, 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            gfx::Pixel* out = dest.row(y);
            const size_t base = size_t(y) * size_t(layer.w);
            for (int x = 0; x < w; ++x) {
                const gfx::Pixel l = layer.pixel(base + size_t(x));
                const gfx::Pixel d = out[x];
                if (l == 0 || (l == 0xFFFFFFFFu && (d >> 24) == 255))
                    continue; // transparent, or white over opaque
                const uint32_t sa = Mul255(l >> 24, oa);
                const uint32_t da = d >> 24;
                gfx::Pixel r = 0;
                for (int shift = 0; shift <= 24; shift += 8) {
                    const uint32_t s = shift == 24 ? sa : Mul255(l >> shift & 0xFF, oa);
                    const uint32_t dc = d >> shift & 0xFF;
                    const uint32_t v = (s * (255 - da) + dc * (255 - sa) + s * dc + 127) / 255;
                    r |= std::min<uint32_t>(v, 255) << shift;
                }
                out[x] = r;
            }
        }
    });
}

} // namespace pq
