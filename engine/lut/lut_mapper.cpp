#include "engine/lut/lut_mapper.h"

#include "gfx/pixel_math.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pq {
namespace {

using gfx::px::F4;

// One entry as R, G, B and a fourth lane that is never used. All but the
// last entry are read with one 16-byte load (the fourth lane then holds
// the next entry's red).
inline F4 Entry(const LUTColor* t, int i, int last)
{
    if (i < last) {
        F4 v;
        std::memcpy(&v, t + i, sizeof v);
        return v;
    }
    return F4{t[i].r, t[i].g, t[i].b, 0.0f};
}

// Round(v) limited to 0..255, halves to even; not-a-number gives 0.
inline int ToByte(float v)
{
    v = v >= 0.0f ? v : 0.0f;
    v = v <= 255.0f ? v : 255.0f;
    return int(gfx::px::RoundEven(v));
}

} // namespace

LUTMapper::LUTMapper(const CubeLUT& lut, float intensity)
    : table_(lut.lut.data()),
      last_(int(lut.lut.size()) - 1),
      intensity_(std::clamp(intensity, 0.0f, 1.0f)),
      mix_(intensity_ < 1.0f)
{
    const int n = lut.lutSize;
    const float last = float(n - 1);
    auto axis = [&](Axis& a, float lo, float hi, int stride) {
        const float width = hi - lo;
        const float inv = width > 0.0f ? 1.0f / width : 1.0f;
        for (int v = 0; v < 256; ++v) {
            float x = (float(v) / 255.0f - lo) * inv * last;
            x = x >= 0.0f ? x : 0.0f; // also for not-a-number
            x = x <= last ? x : last;
            const int i0 = int(x);
            a[size_t(v)] = {i0 * stride, i0 < n - 1 ? stride : 0, x - float(i0)};
        }
    };
    axis(red_, lut.domainMin.r, lut.domainMax.r, 1);
    axis(green_, lut.domainMin.g, lut.domainMax.g, n);
    axis(blue_, lut.domainMin.b, lut.domainMax.b, n * n);
}

inline void LUTMapper::mapColour(int r, int g, int b, int out[3]) const
{
    const AxisPoint& pr = red_[size_t(r)];
    const AxisPoint& pg = green_[size_t(g)];
    const AxisPoint& pb = blue_[size_t(b)];
    const int i = pr.base + pg.base + pb.base;
    const int sx = pr.step, sy = pg.step, sz = pb.step;
    const float fx = pr.frac, fy = pg.frac, fz = pb.frac;

    // The tetrahedron from C000 to C111 through corners a and b: a is one
    // step along the axis of the largest fraction, b one more along the
    // second; the weights are the fractions in that order. Ties go as the
    // six cases rank them: fx >= fy >= fz; fx >= fz > fy; fz > fx >= fy;
    // fz >= fy > fx; fy > fz >= fx; fy > fx > fz. Chosen without branches
    // (the order changes from pixel to pixel).
    static constexpr uint8_t kOrder[6][3] = {{0, 1, 2}, {0, 2, 1}, {2, 0, 1}, {2, 1, 0}, {1, 2, 0}, {1, 0, 2}};
    const int xy = fx >= fy, yz = fy >= fz, xz = fx >= fz, zy = fz >= fy, zx = fz >= fx;
    const int k = xy * (1 - yz) * (2 - xz) + (1 - xy) * (3 + (1 - zy) * (2 - zx));
    const int steps[3] = {sx, sy, sz};
    const float fractions[3] = {fx, fy, fz};
    const uint8_t* order = kOrder[k];
    const int ia = i + steps[order[0]];
    const int ib = ia + steps[order[1]];
    const float w1 = fractions[order[0]], w2 = fractions[order[1]], w3 = fractions[order[2]];
    const F4 c000 = Entry(table_, i, last_), ca = Entry(table_, ia, last_), cb = Entry(table_, ib, last_),
             c111 = Entry(table_, i + sx + sy + sz, last_);
    F4 v = c000 + gfx::px::Splat(w1) * (ca - c000);
    v = v + gfx::px::Splat(w2) * (cb - ca);
    v = v + gfx::px::Splat(w3) * (c111 - cb);
    // Round(v 255) limited to 0..255; not-a-number gives 0.
    v = v * gfx::px::Splat(255.0f);
    v = v >= gfx::px::Splat(0.0f) ? v : gfx::px::Splat(0.0f);
    v = v <= gfx::px::Splat(255.0f) ? v : gfx::px::Splat(255.0f);
    const gfx::px::I4 q = __builtin_convertvector(gfx::px::RoundEven(v), gfx::px::I4);
    out[0] = q[0];
    out[1] = q[1];
    out[2] = q[2];
    if (mix_) {
        const int in[3] = {r, g, b};
        for (int c = 0; c < 3; ++c)
            out[c] = ToByte(float(in[c]) + float(out[c] - in[c]) * intensity_);
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
    QImage out = gfx::NewPixelImage(source.size());
    if (out.isNull())
        return {};
    const LUTMapper mapper(lut, float(std::clamp(intensityPercent, 0, 100)) / 100.0f);
    uchar* const base = out.bits();
    const qsizetype stride = out.bytesPerLine();
    platform::ParallelForRange(0, source.height(), 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            mapper.mapRow(source.row(y), reinterpret_cast<gfx::Pixel*>(base + stride * y), source.width());
    });
    return gfx::Image::adopt(std::move(out));
}

} // namespace pq
