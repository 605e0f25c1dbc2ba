#include "effects/shared/stamp_row_constants.h"

#include <algorithm>
#include <immintrin.h>

namespace pq {
namespace {

// One half (four columns) of a block: the position in the plane, the
// bilinear weights and the edge coverage, as the plain per-pixel code works
// them out.
struct Quarter {
    __m128i xa, xb, ya, yb;
    __m128 wx, wy, cover;
};

__attribute__((target("avx2"))) inline Quarter Locate(const StampRowConstants& k, int u)
{
    const __m128i column = _mm_add_epi32(_mm_set1_epi32(u), _mm_setr_epi32(0, 1, 2, 3));
    const StampQuarterPosition p = LocateQuarter(k, column);
    const __m128i x0 = _mm256_cvttpd_epi32(p.flx), y0 = _mm256_cvttpd_epi32(p.fly);
    const __m128i zeroI = _mm_setzero_si128(), oneI = _mm_set1_epi32(1);
    Quarter q;
    q.xa = _mm_min_epi32(_mm_max_epi32(x0, zeroI), k.maxX);
    q.xb = _mm_min_epi32(_mm_max_epi32(_mm_add_epi32(x0, oneI), zeroI), k.maxX);
    q.ya = _mm_min_epi32(_mm_max_epi32(y0, zeroI), k.maxY);
    q.yb = _mm_min_epi32(_mm_max_epi32(_mm_add_epi32(y0, oneI), zeroI), k.maxY);
    q.wx = _mm256_cvtpd_ps(_mm256_sub_pd(p.fx, p.flx));
    q.wy = _mm256_cvtpd_ps(_mm256_sub_pd(p.fy, p.fly));
    // Outside the rectangle nothing is drawn: a cover of 0 gives a stamp
    // pixel of 0, which leaves the canvas as it is.
    q.cover = _mm256_cvtpd_ps(p.cover);
    return q;
}

// The two neighbouring texels at xa and xb of the plane offsets `row`.
__attribute__((target("avx2"))) inline void Texels(const uint8_t* alpha, int last, __m256i row, __m256i xa, __m256i xb,
                                                   __m256& left, __m256& right)
{
    const __m256i at = _mm256_add_epi32(row, xa);
    const __m256i bytes = TexelBytesAt(alpha, last, at);
    const __m256i lowByte = _mm256_set1_epi32(255);
    const __m256i a = _mm256_and_si256(bytes, lowByte);
    const __m256i b = _mm256_and_si256(_mm256_srli_epi32(bytes, 8), lowByte);
    left = _mm256_cvtepi32_ps(a);
    right = _mm256_cvtepi32_ps(_mm256_blendv_epi8(b, a, _mm256_cmpeq_epi32(xa, xb)));
}

__attribute__((target("avx2"))) int LayLinearRowAvx2(const DrawPlan& plan, gfx::Pixel* d, int v, int lo, int hi)
{
    const StampCell::Level& level = *plan.level;
    const int64_t texels = int64_t(level.width) * int64_t(level.height);
    if (texels < 4 || texels > (int64_t(1) << 30))
        return lo;
    const StampRowConstants k = MakeStampRowConstants(plan, level, v);
    const __m256i width = _mm256_set1_epi32(level.width);
    const int last = int(texels - 4);
    const __m256 strength = _mm256_set1_ps(plan.opacity * (1.0f / 255.0f));
    const __m256 oneF = _mm256_set1_ps(1.0f), magic = _mm256_set1_ps(12582912.0f);
    const __m256i zeroI = _mm256_setzero_si256(), byteMax = _mm256_set1_epi32(255);
    __m256 colour[4];
    for (int c = 0; c < 4; ++c)
        colour[c] = _mm256_set1_ps(plan.colour[c]);

    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    for (int u = lo; u <= hi; u += 8) {
        // The last block may stick out past hi: its extra lanes are neither
        // read nor written.
        const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(hi - u + 1), lanes);
        const Quarter a = Locate(k, u), b = Locate(k, u + 4);
        // Texel positions run monotonically along the block: its first and
        // last samples bound the texels it reads. Where those are all blank
        // every stamp pixel is 0 and the canvas stays as it is.
        const int xFirst = _mm_cvtsi128_si32(a.xa), xLast = _mm_extract_epi32(b.xa, 3);
        const int yFirst = _mm_cvtsi128_si32(a.ya), yLast = _mm_extract_epi32(b.ya, 3);
        if (!level.inkIn(std::min(xFirst, xLast), std::min(yFirst, yLast),
                         std::max(_mm_cvtsi128_si32(a.xb), _mm_extract_epi32(b.xb, 3)),
                         std::max(_mm_cvtsi128_si32(a.yb), _mm_extract_epi32(b.yb, 3))))
            continue;
        const __m256i xa = _mm256_set_m128i(b.xa, a.xa), xb = _mm256_set_m128i(b.xb, a.xb);
        const __m256 wx = _mm256_set_m128(b.wx, a.wx), wy = _mm256_set_m128(b.wy, a.wy);
        __m256 p00, p01, p10, p11;
        const __m256i ya = _mm256_mullo_epi32(_mm256_set_m128i(b.ya, a.ya), width);
        const __m256i yb = _mm256_mullo_epi32(_mm256_set_m128i(b.yb, a.yb), width);
        Texels(level.alpha.data(), last, ya, xa, xb, p00, p01);
        Texels(level.alpha.data(), last, yb, xa, xb, p10, p11);
        const __m256 restX = _mm256_sub_ps(oneF, wx), restY = _mm256_sub_ps(oneF, wy);
        const __m256 top = _mm256_add_ps(_mm256_mul_ps(p00, restX), _mm256_mul_ps(p01, wx));
        const __m256 bottom = _mm256_add_ps(_mm256_mul_ps(p10, restX), _mm256_mul_ps(p11, wx));
        const __m256 alpha = _mm256_add_ps(_mm256_mul_ps(top, restY), _mm256_mul_ps(bottom, wy));
        const __m256 m = _mm256_mul_ps(_mm256_mul_ps(alpha, _mm256_set_m128(b.cover, a.cover)), strength);

        // The stamp's channels, rounded half to even and saturated to bytes.
        __m256i t[4];
        for (int c = 0; c < 4; ++c) {
            const __m256 r = _mm256_sub_ps(_mm256_add_ps(_mm256_mul_ps(colour[c], m), magic), magic);
            t[c] = _mm256_min_epi32(_mm256_max_epi32(_mm256_cvttps_epi32(r), zeroI), byteMax);
        }
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
