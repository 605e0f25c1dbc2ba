#include "effects/ink/comic_print/rows.h"

#include "gfx/luma.h"
#include "platform/numeric.h"

#include <algorithm>
#include <cstring>

// The vector lambdas below are inlined: their ABI does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace pq::comic {
namespace {

inline uint32_t Div255(uint32_t v)
{
    v += 128;
    return (v + (v >> 8)) >> 8;
}

inline uint8_t ToByte(double v)
{
    return uint8_t(platform::Round(std::clamp(v * 255.0, 0.0, 255.0)));
}

#pragma GCC push_options
#pragma GCC optimize("vect-cost-model=dynamic")

using V4d = double __attribute__((vector_size(32)));
using V4f = float __attribute__((vector_size(16)));
using V4i = int32_t __attribute__((vector_size(16)));
using V4l = int64_t __attribute__((vector_size(32)));

// SeparatePixels' steps four pixels at a time in vector types, with every
// branch a choice between lanes. Conversions to float come before limits
// (the same values: rounding keeps the order and the limits are whole
// numbers). kBoost: -1 scales the inks down by k, 0 keeps them, 1 scales
// them up (at most 1).
template <int kBoost>
inline __attribute__((always_inline)) void Separate4(const gfx::Pixel* src, double k, float u, uint8_t* c0,
                                                     uint8_t* c1, uint8_t* c2, uint8_t* c3)
{
    // Lanes as doubles, and back to floats (rounded to nearest, as float()).
    auto D = [](V4f v) { return __builtin_convertvector(v, V4d); };
    auto F = [](V4d v) { return __builtin_convertvector(v, V4f); };
    // Round half to even of lanes within +-2^31 (the default rounding
    // mode, as platform::Round), limited to 0..255: adding and taking away
    // 1.5 x 2^52 leaves no fraction.
    auto RoundByte = [](V4d v) {
        const V4d magic = V4d{} + 6755399441055744.0;
        V4i r = __builtin_convertvector((v + magic) - magic, V4i);
        r = r < 0 ? 0 : r;
        return r > 255 ? 255 : r;
    };
    V4i p;
    std::memcpy(&p, src, sizeof p);
    const V4i a = (p >> 24) & 255;
    const V4d da = __builtin_convertvector(a > 0 ? a : 1, V4d);
    auto unpremultiplied = [&](V4i c) {
        const V4f un = F(__builtin_convertvector(c, V4d) * 255.0 / da);
        return un < 255.0f ? un : 255.0f;
    };
    const V4f r = unpremultiplied((p >> 16) & 255), g = unpremultiplied((p >> 8) & 255), b = unpremultiplied(p & 255);
    const V4f lum = F(0.299 * D(r) + 0.587 * D(g) + 0.114 * D(b));
    auto boosted = [&](V4f c) {
        V4f v = F((D(lum) * 10000.0 + (D(c) - D(lum)) * 14500.0) / 10000.0);
        v = v < 0.0f ? 0.0f : v;
        return 255.0f < v ? 255.0f : v;
    };
    const V4f br = boosted(r), bg = boosted(g), bb = boosted(b);
    V4f most = br;
    most = most < bg ? bg : most;
    most = most < bb ? bb : most;
    const V4f black = F(1.0 - D(most) / 255.0);
    const V4d kp = D(F(D(black) * double(u)));
    auto ink = [&](V4f c) {
        V4f v = F((1.0 - D(c) / 255.0 - kp) / (1.0 - kp));
        if constexpr (kBoost < 0) {
            v = F(D(v) * k);
        } else if constexpr (kBoost > 0) {
            v = F(D(v) * k);
            v = v < 1.0f ? v : 1.0f;
        }
        return RoundByte(D(v) * 255.0);
    };
    const V4i solid = black >= 0.999f;
    const V4i keep = a != 0 && solid == 0;
    const V4i ic = keep ? ink(br) : 0, im = keep ? ink(bg) : 0, iy = keep ? ink(bb) : 0;
    const V4i kb = keep ? RoundByte(D(black) * 255.0) : (a != 0 ? 255 : 0);
    for (int j = 0; j < 4; ++j) {
        c0[j] = uint8_t(ic[j]);
        c1[j] = uint8_t(im[j]);
        c2[j] = uint8_t(iy[j]);
        c3[j] = uint8_t(kb[j]);
    }
}

// Compiled for AVX2 as well as for the baseline; the version picked only
// changes the speed (no fused multiply-add in either).
template <int kBoost>
inline __attribute__((always_inline)) void Separate(const gfx::Pixel* src, int w, double k, float u, uint8_t* c0,
                                                    uint8_t* c1, uint8_t* c2, uint8_t* c3)
{
    int x = 0;
    for (; x + 4 <= w; x += 4)
        Separate4<kBoost>(src + x, k, u, c0 + x, c1 + x, c2 + x, c3 + x);
    if (x < w) {
        gfx::Pixel rest[4] = {};
        uint8_t out[4][4];
        std::memcpy(rest, src + x, size_t(w - x) * sizeof(gfx::Pixel));
        Separate4<kBoost>(rest, k, u, out[0], out[1], out[2], out[3]);
        for (int j = 0; x + j < w; ++j) {
            c0[x + j] = out[0][j];
            c1[x + j] = out[1][j];
            c2[x + j] = out[2][j];
            c3[x + j] = out[3][j];
        }
    }
}

__attribute__((target_clones("avx2", "default"))) void SeparateAny(const gfx::Pixel* src, int w, double k, float u,
                                                                    uint8_t* c0, uint8_t* c1, uint8_t* c2,
                                                                    uint8_t* c3)
{
    if (k < 1.0)
        Separate<-1>(src, w, k, u, c0, c1, c2, c3);
    else if (k > 1.0)
        Separate<1>(src, w, k, u, c0, c1, c2, c3);
    else
        Separate<0>(src, w, k, u, c0, c1, c2, c3);
}

__attribute__((target_clones("avx2", "default"))) void MultiplyAny(gfx::Pixel* __restrict paper,
                                                                    const gfx::Pixel* __restrict layer, int w)
{
    for (int x = 0; x < w; ++x) {
        const gfx::Pixel s = layer[x], d = paper[x];
        const gfx::Pixel m = 0xFF000000u | Div255(((s >> 16) & 255) * ((d >> 16) & 255)) << 16 |
                             Div255(((s >> 8) & 255) * ((d >> 8) & 255)) << 8 | Div255((s & 255) * (d & 255));
        paper[x] = s == 0xFFFFFFFFu ? d : m;
    }
}

#pragma GCC pop_options

} // namespace

void SeparateRow(const gfx::Pixel* src, int width, double k, float u, uint8_t* inks, size_t plane)
{
    SeparateAny(src, width, k, u, inks, inks + plane, inks + 2 * plane, inks + 3 * plane);
}

void SeparatePixels(const gfx::Pixel* src, int width, double k, float u, uint8_t* inks, size_t plane)
{
    for (int x = 0; x < width; ++x) {
        uint8_t* const ink[4] = {inks + x, inks + plane + x, inks + 2 * plane + x, inks + 3 * plane + x};
        const gfx::Pixel p = src[x];
        const int a = int(p >> 24);
        if (a == 0) {
            for (uint8_t* c : ink)
                *c = 0;
            continue;
        }
        float ch[3] = {float((p >> 16) & 255), float((p >> 8) & 255), float(p & 255)};
        if (a < 255)
            for (float& c : ch)
                c = float(std::min(255.0, double(c) * 255.0 / a));
        const float lum = float(gfx::Luma601(ch[0], ch[1], ch[2]));
        for (float& c : ch)
            c = float(std::clamp((double(lum) * 10000.0 + (double(c) - lum) * 14500.0) / 10000.0, 0.0, 255.0));
        const float black = float(1.0 - std::max({ch[0], ch[1], ch[2]}) / 255.0);
        if (black >= 0.999f) {
            for (int c = 0; c < 3; ++c)
                *ink[c] = 0;
            *ink[3] = 255;
            continue;
        }
        const float kp = float(double(black) * u);
        for (int c = 0; c < 3; ++c) {
            float v = float((1.0 - ch[c] / 255.0 - kp) / (1.0 - kp));
            if (k < 1.0)
                v = float(v * k);
            else if (k > 1.0)
                v = float(std::min(1.0, v * k));
            *ink[c] = ToByte(v);
        }
        *ink[3] = ToByte(black);
    }
}

void MultiplyRow(gfx::Pixel* paper, const gfx::Pixel* layer, int width)
{
    MultiplyAny(paper, layer, width);
}

void DarkenRow(gfx::Pixel* row, const uint8_t* mask, const uint8_t* alpha, int width)
{
    for (int x = 0; x < width; ++x) {
        const uint32_t m = mask[x];
        if (m == 0 || alpha[x] == 0)
            continue;
        const gfx::Pixel p = row[x];
        const uint32_t keep = 255 - m;
        row[x] = (p & 0xFF000000u) | (((p >> 16) & 255) * keep / 255) << 16 | (((p >> 8) & 255) * keep / 255) << 8 |
                 ((p & 255) * keep / 255);
    }
}

} // namespace pq::comic
