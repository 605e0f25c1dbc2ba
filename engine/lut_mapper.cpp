#include "engine/lut_mapper.h"

#include "gfx/pixel_math.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <algorithm>

namespace pq {
namespace {

using gfx::px::F4;

inline F4 entry(const TLUTRGBf* t, int i)
{
    const TLUTRGBf& e = t[i];
    return F4{e.R, e.G, e.B, 0.0f};
}

// Round(v) limited to 0..255, halves to even; not-a-number gives 0.
inline int toByte(float v)
{
    v = v >= 0.0f ? v : 0.0f;
    v = v <= 255.0f ? v : 255.0f;
    return int(gfx::px::roundEven(v));
}

} // namespace

LUTMapper::LUTMapper(const CubeLUT& lut, float intensity)
    : table_(lut.LUT.data()), intensity_(std::clamp(intensity, 0.0f, 1.0f)), mix_(intensity_ < 1.0f)
{
    const int n = lut.LUTSize;
    const float last = float(n - 1);
    auto axis = [&](Axis& a, float lo, float hi, int stride) {
        const float width = hi - lo;
        const float inv = width > 0.0f ? 1.0f / width : 1.0f;
        for (int v = 0; v < 256; ++v) {
            float x = (float(v) / 255.0f - lo) * inv * last;
            x = x >= 0.0f ? x : 0.0f; // also for not-a-number
            x = x <= last ? x : last;
            const int i0 = int(x);
            a.base[size_t(v)] = i0 * stride;
            a.step[size_t(v)] = i0 < n - 1 ? stride : 0;
            a.frac[size_t(v)] = x - float(i0);
        }
    };
    axis(red_, lut.DomainMin.R, lut.DomainMax.R, 1);
    axis(green_, lut.DomainMin.G, lut.DomainMax.G, n);
    axis(blue_, lut.DomainMin.B, lut.DomainMax.B, n * n);
}

void LUTMapper::mapColour(int r, int g, int b, int out[3]) const
{
    const int i = red_.base[size_t(r)] + green_.base[size_t(g)] + blue_.base[size_t(b)];
    const int sx = red_.step[size_t(r)], sy = green_.step[size_t(g)], sz = blue_.step[size_t(b)];
    const float fx = red_.frac[size_t(r)], fy = green_.frac[size_t(g)], fz = blue_.frac[size_t(b)];

    // The tetrahedron from C000 to C111 through the corners a and b, with
    // the weights of the three edges in the order the fractions rank.
    int ia, ib;
    float w1, w2, w3;
    if (fx >= fy) {
        if (fy >= fz) {
            ia = i + sx, ib = i + sx + sy, w1 = fx, w2 = fy, w3 = fz;
        } else if (fx >= fz) {
            ia = i + sx, ib = i + sx + sz, w1 = fx, w2 = fz, w3 = fy;
        } else {
            ia = i + sz, ib = i + sx + sz, w1 = fz, w2 = fx, w3 = fy;
        }
    } else {
        if (fz >= fy) {
            ia = i + sz, ib = i + sy + sz, w1 = fz, w2 = fy, w3 = fx;
        } else if (fz >= fx) {
            ia = i + sy, ib = i + sy + sz, w1 = fy, w2 = fz, w3 = fx;
        } else {
            ia = i + sy, ib = i + sx + sy, w1 = fy, w2 = fx, w3 = fz;
        }
    }
    const F4 c000 = entry(table_, i), ca = entry(table_, ia), cb = entry(table_, ib),
             c111 = entry(table_, i + sx + sy + sz);
    F4 v = c000 + gfx::px::splat(w1) * (ca - c000);
    v = v + gfx::px::splat(w2) * (cb - ca);
    v = v + gfx::px::splat(w3) * (c111 - cb);
    v = v * gfx::px::splat(255.0f);
    out[0] = toByte(v[0]);
    out[1] = toByte(v[1]);
    out[2] = toByte(v[2]);
    if (mix_) {
        const int in[3] = {r, g, b};
        for (int c = 0; c < 3; ++c)
            out[c] = toByte(float(in[c]) + float(out[c] - in[c]) * intensity_);
    }
}

void LUTMapper::mapRow(const gfx::Pixel* src, gfx::Pixel* dst, int width) const
{
    int out[3];
    for (int x = 0; x < width; ++x) {
        const gfx::Pixel p = src[x];
        const int a = int(p >> 24);
        if (a == 0) {
            dst[x] = p;
            continue;
        }
        int r = int((p >> 16) & 0xFF), g = int((p >> 8) & 0xFF), b = int(p & 0xFF);
        if (a == 255) {
            mapColour(r, g, b, out);
            dst[x] = 0xFF000000u | gfx::Pixel(out[0]) << 16 | gfx::Pixel(out[1]) << 8 | gfx::Pixel(out[2]);
            continue;
        }
        r = std::min(255, r * 255 / a);
        g = std::min(255, g * 255 / a);
        b = std::min(255, b * 255 / a);
        mapColour(r, g, b, out);
        dst[x] = gfx::Pixel(a) << 24 | gfx::Pixel(out[0] * a / 255) << 16 | gfx::Pixel(out[1] * a / 255) << 8 |
                 gfx::Pixel(out[2] * a / 255);
    }
}

gfx::Image MapLUTToImage(const gfx::Image& source, const CubeLUT& lut, int intensityPercent)
{
    if (source.isNull() || !lut.valid())
        return {};
    QImage out = gfx::newPixelImage(source.size());
    if (out.isNull())
        return {};
    const LUTMapper mapper(lut, float(std::clamp(intensityPercent, 0, 100)) / 100.0f);
    uchar* const base = out.bits();
    const qsizetype stride = out.bytesPerLine();
    platform::parallelForRange(0, source.height(), 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            mapper.mapRow(source.row(y), reinterpret_cast<gfx::Pixel*>(base + stride * y), source.width());
    });
    return gfx::Image::adopt(std::move(out));
}

} // namespace pq
