#include "effects/painting/smooth_painting/draw.h"

#include "effects/painting/smooth_painting/blend.h"

#include <immintrin.h>

#include <algorithm>

namespace pq {
namespace {

// SmoothBlend on four pixels in 16-bit lanes: the sum is at most 65152,
// where (v * 0x8081) >> 23 equals v / 255.
__attribute__((target("avx2"), always_inline)) inline __m256i Blend4(__m256i d, __m256i c, const uint16_t* k,
                                                                     const uint16_t* rest)
{
    const __m256i ck = _mm256_mullo_epi16(c, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(k)));
    const __m256i dr = _mm256_mullo_epi16(d, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rest)));
    const __m256i v = _mm256_add_epi16(_mm256_add_epi16(ck, dr), _mm256_set1_epi16(127));
    return _mm256_srli_epi16(_mm256_mulhi_epu16(v, _mm256_set1_epi16(int16_t(0x8081))), 7);
}

__attribute__((target("avx2"), always_inline)) inline __m256i Widen(const gfx::Pixel* p)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

__attribute__((target("avx2"))) void DrawAvx2(const SmoothDrawn& s, const SmoothStrokeInk& ink, gfx::Pixel* base,
                                              ptrdiff_t stride, int v0, int v1)
{
    const gfx::Pixel c = s.colour;
    const __m256i colour = _mm256_set1_epi64x(int64_t(uint64_t(c & 255u) | uint64_t((c >> 8) & 255u) << 16 |
                                                      uint64_t((c >> 16) & 255u) << 32 | uint64_t(c >> 24) << 48));
    const SmoothStrokeInk::Blocks* blocks = ink.blocks.data();
    const uint16_t* weights = ink.k.data();
    const uint16_t* rests = ink.rest.data();
    gfx::Pixel* corner = base + ptrdiff_t(s.y) * stride + s.x;
    for (int v = v0; v < v1; ++v) {
        const SmoothStrokeInk::Blocks b = blocks[v];
        gfx::Pixel* row = corner + ptrdiff_t(v) * stride + b.from;
        const uint16_t* k = weights + b.weightAt;
        const uint16_t* rest = rests + b.weightAt;
        for (int i = 0; i < b.eights; ++i, row += 8, k += 32, rest += 32) {
            const __m256i lo = Blend4(Widen(row), colour, k, rest);
            const __m256i hi = Blend4(Widen(row + 4), colour, k + 16, rest + 16);
            const __m256i out = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row), out);
        }
        if (b.fours != 0) {
            const __m256i lo = Blend4(Widen(row), colour, k, rest);
            const __m256i out = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, lo), 0xD8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row), _mm256_castsi256_si128(out));
        }
    }
}

} // namespace

SmoothStrokeInk MakeSmoothStrokeInk(const SmoothBrush& brush)
{
    SmoothStrokeInk ink;
    const int size = brush.size;
    ink.size = size;
    ink.alpha = brush.alpha;
    ink.first.assign(size_t(size), size);
    ink.last.assign(size_t(size), -1);
    ink.blockLeft = size;
    for (int v = 0; v < size; ++v) {
        const uint8_t* a = brush.alpha.data() + size_t(v) * size_t(size);
        for (int u = 0; u < size; ++u)
            if (a[u] != 0) {
                ink.first[size_t(v)] = std::min(ink.first[size_t(v)], u);
                ink.last[size_t(v)] = u;
            }
        const int first = ink.first[size_t(v)], last = ink.last[size_t(v)];
        const int blocks = first > last ? 0 : (last - first + 4) / 4;
        ink.blocks.push_back({first, blocks / 2, blocks % 2, uint32_t(ink.k.size())});
        for (int u = first; u < first + 4 * blocks; ++u) {
            const uint16_t k = u <= last ? a[u] : 0;
            ink.k.insert(ink.k.end(), 4, k);
            ink.rest.insert(ink.rest.end(), 4, uint16_t(255 - k));
        }
        if (blocks > 0) {
            ink.inkTop = ink.inkBottom > 0 ? ink.inkTop : v;
            ink.inkBottom = v + 1;
            ink.blockLeft = std::min(ink.blockLeft, first);
            ink.blockRight = std::max(ink.blockRight, first + 4 * blocks);
        }
    }
    if (ink.blockLeft > ink.blockRight)
        ink.blockLeft = ink.blockRight = 0;
    return ink;
}

__attribute__((target_clones("avx2", "default"))) void DrawSmoothStrokePlain(const SmoothDrawn& s,
                                                                              const SmoothStrokeInk& ink,
                                                                              gfx::Pixel* base, ptrdiff_t stride,
                                                                              int width, int top, int bottom)
{
    const int size = ink.size;
    const int u0 = std::max(0, -s.x), u1 = std::min(size, width - s.x);
    const int v0 = std::max(0, top - s.y), v1 = std::min(size, bottom - s.y);
    for (int v = v0; v < v1; ++v) {
        const int from = std::max(u0, ink.first[size_t(v)]), to = std::min(u1 - 1, ink.last[size_t(v)]);
        if (from > to)
            continue;
        gfx::Pixel* row = base + ptrdiff_t(s.y + v) * stride + s.x;
        SmoothBlendSpan(row + from, ink.alpha.data() + size_t(v) * size_t(size) + size_t(from), to - from + 1,
                        s.colour);
    }
}

void DrawSmoothStroke(const SmoothDrawn& s, const SmoothStrokeInk& ink, gfx::Pixel* base, ptrdiff_t stride, int width,
                      int top, int bottom)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (!avx2 || s.x + ink.blockLeft < 0 || s.x + ink.blockRight > width) {
        DrawSmoothStrokePlain(s, ink, base, stride, width, top, bottom);
        return;
    }
    DrawAvx2(s, ink, base, stride, std::max(ink.inkTop, top - s.y), std::min(ink.inkBottom, bottom - s.y));
}

} // namespace pq
