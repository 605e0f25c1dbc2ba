#include "effects/photolab/vintage_sepia/sepia_tone.h"

#include "effects/photolab/photolab_pixels.h"
#include "gfx/luma.h"
#include "platform/numeric.h"

#include <algorithm>
#include <vector>

namespace pq {


gfx::Pixel SepiaPixel(gfx::Pixel p, int x, int y, const SepiaSettings& s, const gfx::Pixel* textureRow,
                      int textureX, const film::Vignette& vignette)
{
    const int a = int(p >> 24);
    int c[3];
    photolab::ColourBytes(p, c);
    if (a != 255)
        for (int& v : c)
            v = v * 255 / a;

    const int l = gfx::Luma601Fixed8(c[0], c[1], c[2]);
    for (int& v : c)
        v = l + (v - l) * s.retention / 256;

    const int sepia[3] = {std::min(255, (112 * c[0] + 195 * c[1] + 50 * c[2]) >> 8),
                          std::min(255, (86 * c[0] + 170 * c[1] + 42 * c[2]) >> 8),
                          (56 * c[0] + 117 * c[1] + 26 * c[2]) >> 8};
    for (int i = 0; i < 3; ++i)
        c[i] = c[i] + (sepia[i] - c[i]) * s.toning / 256;

    if (s.grain > 0) {
        int grain = film::GrainHash(x, y) * s.amplitude / 256;
        if (textureRow)
            grain += (film::FilmGrey(textureRow[textureX]) - s.textureMean) * s.grain / 100;
        for (int& v : c)
            v = platform::ClampByte(v + grain);
    }

    if (vignette.active()) {
        const float f = vignette.factor(x, y);
        if (f != 1.0f)
            for (int& v : c)
                v = film::Vignette::apply(v, f);
    }

    for (int& v : c)
        v = platform::ClampByte(v);
    if (a < 255)
        for (int& v : c)
            v = v * a / 255;
    return photolab::PackPixel(a, c, 255);
}

namespace {

#pragma GCC push_options
#pragma GCC optimize("vect-cost-model=dynamic")

// Round half to even of v, |v| below 2^22, as film::RoundSmall does.
inline float RoundByteProduct(float v)
{
    const float magic = 12582912.0f; // 1.5 * 2^23: leaves no fraction bits
    return (v + magic) - magic;
}

// Each column's grain: the position's hash scaled by the amplitude, plus
// the film texture's deviation (texture column x mod textureWidth) when
// there is a texture.
__attribute__((target_clones("avx2", "default"))) void GrainRow(int* __restrict g, int y, int w,
                                                                 const gfx::Pixel* __restrict textureRow, int tw,
                                                                 int amplitude, int textureMean, int grain)
{
    for (int x = 0; x < w; ++x)
        g[x] = film::GrainHash(x, y) * amplitude / 256;
    if (textureRow)
        for (int x0 = 0; x0 < w; x0 += tw) {
            const int n = std::min(tw, w - x0);
            for (int i = 0; i < n; ++i)
                g[x0 + i] += (film::FilmGrey(textureRow[i]) - textureMean) * grain / 100;
        }
}

// The opaque pixels of a row with SepiaPixel's integer steps, in a loop
// GCC vectorises; the others are left as they are. g holds each column's
// grain, f its vignette factor. Inlined into each version of ToneOpaqueRow.
template <bool kGrain, bool kVignette>
inline __attribute__((always_inline)) void ToneOpaque(gfx::Pixel* __restrict row, int w, const int* __restrict g, const float* __restrict f, int retention,
                int toning)
{
    for (int x = 0; x < w; ++x) {
        const gfx::Pixel p = row[x];
        int c0 = int((p >> 16) & 0xFF), c1 = int((p >> 8) & 0xFF), c2 = int(p & 0xFF);
        const int l = gfx::Luma601Fixed8(c0, c1, c2);
        c0 = l + (c0 - l) * retention / 256;
        c1 = l + (c1 - l) * retention / 256;
        c2 = l + (c2 - l) * retention / 256;
        const int s0 = std::min(255, (112 * c0 + 195 * c1 + 50 * c2) >> 8);
        const int s1 = std::min(255, (86 * c0 + 170 * c1 + 42 * c2) >> 8);
        const int s2 = (56 * c0 + 117 * c1 + 26 * c2) >> 8;
        c0 = c0 + (s0 - c0) * toning / 256;
        c1 = c1 + (s1 - c1) * toning / 256;
        c2 = c2 + (s2 - c2) * toning / 256;
        if constexpr (kGrain) {
            c0 = std::clamp(c0 + g[x], 0, 255);
            c1 = std::clamp(c1 + g[x], 0, 255);
            c2 = std::clamp(c2 + g[x], 0, 255);
        }
        if constexpr (kVignette) {
            // A factor of 1 gives the channel back. Channels are 0..255 here
            // and factors 0..1, so RoundSmall's magic-number rounding always
            // applies: written out, without its branch, the loop vectorises.
            c0 = int(RoundByteProduct(float(c0) * f[x]));
            c1 = int(RoundByteProduct(float(c1) * f[x]));
            c2 = int(RoundByteProduct(float(c2) * f[x]));
        }
        c0 = std::clamp(c0, 0, 255);
        c1 = std::clamp(c1, 0, 255);
        c2 = std::clamp(c2, 0, 255);
        const gfx::Pixel toned = 0xFF000000u | gfx::Pixel(c0) << 16 | gfx::Pixel(c1) << 8 | gfx::Pixel(c2);
        // A mask rather than a choice: GCC would move the toning into the
        // branch, which then does not vectorise.
        const gfx::Pixel opaque = 0u - gfx::Pixel((p >> 24) == 255);
        row[x] = (toned & opaque) | (p & ~opaque);
    }
}

// Compiled for AVX2 as well as for the baseline; the version picked only
// changes the speed (no fused multiply-add in either).
__attribute__((target_clones("avx2", "default"))) void ToneOpaqueRow(gfx::Pixel* row, int w, const int* g,
                                                                      const float* f, int retention, int toning)
{
    if (g && f)
        ToneOpaque<true, true>(row, w, g, f, retention, toning);
    else if (g)
        ToneOpaque<true, false>(row, w, g, f, retention, toning);
    else if (f)
        ToneOpaque<false, true>(row, w, g, f, retention, toning);
    else
        ToneOpaque<false, false>(row, w, g, f, retention, toning);
}

#pragma GCC pop_options

} // namespace

// The row's grain and vignette first, then the opaque pixels in one
// vectorised loop, then the pixels of other alpha from 5 up one by one.
void ToneSepiaRow(gfx::Pixel* row, int y, int w, const SepiaSettings& s, const gfx::Pixel* textureRow, int tw,
                  const film::Vignette& vignette)
{
    thread_local std::vector<int> grain;
    thread_local std::vector<float> factor;
    const bool grained = s.grain > 0;
    const bool vignetted = vignette.active();
    if (grained) {
        grain.resize(size_t(w));
        GrainRow(grain.data(), y, w, textureRow, tw, s.amplitude, s.textureMean, s.grain);
    }
    if (vignetted) {
        factor.resize(size_t(w));
        vignette.factors(y, w, factor.data());
    }
    ToneOpaqueRow(row, w, grained ? grain.data() : nullptr, vignetted ? factor.data() : nullptr, s.retention,
                  s.toning);
    for (int x = 0; x < w; ++x) {
        const gfx::Pixel a = row[x] >> 24;
        if (a >= 5 && a < 255)
            row[x] = SepiaPixel(row[x], x, y, s, textureRow, x % tw, vignette);
    }
}

} // namespace pq
