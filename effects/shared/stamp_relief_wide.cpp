#include "effects/shared/stamp_relief_wide.h"

#include "effects/shared/stamp_gain_wide.h"

#include <atomic>
#include <immintrin.h>

namespace pq {
namespace {

std::atomic<bool> wideReliefRows{true};

using wide::Channel;

// n / d for integers of magnitude below 2^24, truncated towards zero as C++
// divides: the float quotient never crosses an integer.
__attribute__((target("avx2"), always_inline)) inline __m256i DivideExact(__m256i n, __m256 d)
{
    return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(n), d));
}

__attribute__((target("avx2"), always_inline)) inline __m256i Clamp(__m256i v, int lo, int hi)
{
    return _mm256_min_epi32(_mm256_max_epi32(v, _mm256_set1_epi32(lo)), _mm256_set1_epi32(hi));
}

__attribute__((target("avx2"))) int ReliefRowAvx2(gfx::Pixel* row, const gfx::Pixel* above, const gfx::Pixel* below,
                                                  int left, int right, int c, int dv, int radius, int strength)
{
    const __m256 ten = _mm256_set1_ps(10.0f), full = _mm256_set1_ps(255.0f);
    const __m256 radiusF = _mm256_set1_ps(float(radius));
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i zero = _mm256_setzero_si256(), byteMax = _mm256_set1_epi32(255);
    const __m256i strengthV = _mm256_set1_epi32(strength);
    int u = left;
    for (; u + 7 <= right; u += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + u));
        const __m256i a = _mm256_srli_epi32(p, 24);
        const __m256i d = _mm256_add_epi32(_mm256_abs_epi32(_mm256_sub_epi32(_mm256_add_epi32(_mm256_set1_epi32(u), lanes),
                                                                             _mm256_set1_epi32(c))),
                                           _mm256_set1_epi32(dv));
        __m256i active = _mm256_and_si256(_mm256_cmpgt_epi32(a, _mm256_set1_epi32(5)),
                                          _mm256_cmpgt_epi32(_mm256_set1_epi32(radius), d));
        if (_mm256_testz_si256(active, active))
            continue;
        const __m256i right1 = _mm256_srli_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + u + 1)), 24);
        const __m256i left1 = _mm256_srli_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + u - 1)), 24);
        const __m256i up = _mm256_srli_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(above + u)), 24);
        const __m256i down = _mm256_srli_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(below + u)), 24);
        const __m256i gx = Clamp(_mm256_sub_epi32(right1, left1), -40, 40);
        const __m256i gy = Clamp(_mm256_sub_epi32(down, up), -40, 40);
        __m256i h = DivideExact(_mm256_mullo_epi32(_mm256_sub_epi32(gx, gy), strengthV), ten);
        h = DivideExact(_mm256_mullo_epi32(h, DivideExact(_mm256_mullo_epi32(a, a), full)), full);
        // Inactive lanes may lie past the radius: their fade is never used.
        const __m256i f = _mm256_sub_epi32(byteMax, DivideExact(_mm256_mullo_epi32(d, byteMax), radiusF));
        h = DivideExact(_mm256_mullo_epi32(h, DivideExact(_mm256_mullo_epi32(f, f), full)), full);
        h = Clamp(h, -50, 50);
        active = _mm256_andnot_si256(_mm256_cmpeq_epi32(h, zero), active);
        if (_mm256_testz_si256(active, active))
            continue;
        const __m256i lighten = _mm256_cmpgt_epi32(h, zero);
        // Darkening: ch (255 - (-h) / 2) >> 8.
        const __m256i keep = _mm256_sub_epi32(byteMax, _mm256_srli_epi32(_mm256_sub_epi32(zero, h), 1));
        __m256i out = _mm256_and_si256(p, _mm256_set1_epi32(int(0xFF000000u)));
        for (int ch = 0; ch < 3; ++ch) {
            const __m256i v = Channel(p, ch);
            // Lightening: clamp(ch + ((a - ch) h) / 512, 0, 255), the quotient
            // truncated towards zero.
            const __m256i x = _mm256_mullo_epi32(_mm256_sub_epi32(a, v), h);
            const __m256i q = _mm256_srai_epi32(_mm256_add_epi32(x, _mm256_and_si256(_mm256_srai_epi32(x, 31),
                                                                                     _mm256_set1_epi32(511))),
                                                9);
            const __m256i lit = Clamp(_mm256_add_epi32(v, q), 0, 255);
            const __m256i dark = _mm256_srli_epi32(_mm256_mullo_epi32(v, keep), 8);
            out = _mm256_or_si256(out, _mm256_slli_epi32(_mm256_blendv_epi8(dark, lit, lighten), 8 * ch));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + u), _mm256_blendv_epi8(p, out, active));
    }
    return u;
}

__attribute__((target("avx2"))) int CommitRowAvx2(const gfx::Pixel* t, gfx::Pixel* d, int left, int right)
{
    const __m256i zero = _mm256_setzero_si256();
    int u = left;
    for (; u + 7 <= right; u += 8) {
        const __m256i tp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + u));
        const __m256i inked = _mm256_cmpgt_epi32(_mm256_srli_epi32(tp, 24), zero);
        if (_mm256_testz_si256(inked, inked))
            continue;
        const __m256i dp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + u));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + u), _mm256_blendv_epi8(dp, wide::OverOf(tp, dp), inked));
    }
    return u;
}

bool UseWide()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 && wideReliefRows.load(std::memory_order_relaxed);
}

} // namespace

int ReliefRowWide(gfx::Pixel* row, const gfx::Pixel* above, const gfx::Pixel* below, int left, int right, int c,
                  int dv, int radius, int strength)
{
    // Products stay below 2^24 for any strength a caller uses.
    if (!UseWide() || right - left < 7 || strength < 0 || strength > 1000 || radius > 30000)
        return left;
    return ReliefRowAvx2(row, above, below, left, right, c, dv, radius, strength);
}

int CommitRowWide(const gfx::Pixel* t, gfx::Pixel* d, int left, int right)
{
    if (!UseWide() || right - left < 7)
        return left;
    return CommitRowAvx2(t, d, left, right);
}

void SetWideReliefRows(bool on)
{
    wideReliefRows.store(on);
}

} // namespace pq
