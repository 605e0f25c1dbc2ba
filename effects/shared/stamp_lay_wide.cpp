#include "effects/shared/stamp_row_constants.h"

#include <algorithm>
#include <immintrin.h>

namespace pq {
namespace {

// Bilinear stamp pixels laid over the canvas row d eight at a time.
__attribute__((target("avx2"))) int LayLinearRowAvx2(const DrawPlan& plan, gfx::Pixel* d, int v, int lo, int hi)
{
    const StampCell::Level& level = *plan.level;
    const int64_t texels = int64_t(level.width) * int64_t(level.height);
    if (texels < 4 || texels > (int64_t(1) << 30))
        return lo;
    const StampRowConstants k = MakeStampRowConstants(plan, level, v);
    const int last = int(texels - 4);
    const __m256 strength = _mm256_set1_ps(plan.opacity * (1.0f / 255.0f));
    const __m256i zeroI = _mm256_setzero_si256(), byteMax = _mm256_set1_epi32(255);
    __m256 colour[4];
    for (int c = 0; c < 4; ++c)
        colour[c] = _mm256_set1_ps(plan.colour[c]);

    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    for (int u = lo; u <= hi; u += 8) {
        // The last block may stick out past hi: its extra lanes are neither
        // read nor written.
        const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(hi - u + 1), lanes);
        const __m128i first = _mm_add_epi32(_mm_set1_epi32(u), _mm_setr_epi32(0, 1, 2, 3));
        const LinearQuarter a = LocateLinear(k, first), b = LocateLinear(k, _mm_add_epi32(first, _mm_set1_epi32(4)));
        // Texel positions run monotonically along the block: its first and
        // last samples bound the texels it reads. Where those are all blank
        // every stamp pixel is 0 and the canvas stays as it is.
        const int xFirst = _mm_cvtsi128_si32(a.xa), xLast = _mm_extract_epi32(b.xa, 3);
        const int yFirst = _mm_cvtsi128_si32(a.ya), yLast = _mm_extract_epi32(b.ya, 3);
        if (!level.inkIn(std::min(xFirst, xLast), std::min(yFirst, yLast),
                         std::max(_mm_cvtsi128_si32(a.xb), _mm_extract_epi32(b.xb, 3)),
                         std::max(_mm_cvtsi128_si32(a.yb), _mm_extract_epi32(b.yb, 3))))
            continue;
        const __m256 m =
            _mm256_mul_ps(_mm256_mul_ps(BilinearAlpha(level, last, a, b), _mm256_set_m128(b.cover, a.cover)), strength);
        __m256i t[4];
        StampChannels(colour, m, t);
        // Over the canvas: T.c + ((D.c k + (D.c k >> 7)) >> 8), k = 255 - T.A;
        // a stamp pixel with no alpha leaves the canvas pixel alone.
        const __m256i canvas = _mm256_maskload_epi32(reinterpret_cast<const int*>(d + u), live);
        const __m256i rest = _mm256_sub_epi32(byteMax, t[3]);
        __m256i out = zeroI;
        for (int c = 0; c < 4; ++c) {
            const __m256i dc = _mm256_and_si256(_mm256_srli_epi32(canvas, 8 * c), byteMax);
            const __m256i dk = _mm256_mullo_epi16(dc, rest); // below 2^16: the 32-bit product
            const __m256i sum =
                _mm256_add_epi32(t[c], _mm256_srli_epi32(_mm256_add_epi32(dk, _mm256_srli_epi32(dk, 7)), 8));
            out = _mm256_or_si256(out, _mm256_slli_epi32(sum, 8 * c));
        }
        out = _mm256_blendv_epi8(out, canvas, _mm256_cmpeq_epi32(t[3], zeroI));
        _mm256_maskstore_epi32(reinterpret_cast<int*>(d + u), live, out);
    }
    return hi + 1;
}

} // namespace

int LayLinearRowWide(const DrawPlan& plan, gfx::Pixel* d, int v, int lo, int hi)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (!avx2 || hi < lo)
        return lo;
    return LayLinearRowAvx2(plan, d, v, lo, hi);
}

} // namespace pq
