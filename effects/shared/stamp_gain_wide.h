#pragma once

// Eight stamp, source and canvas pixels at a time: the pixel error, the
// stamp-over composite and the sums a try's gain is made of, with the plain
// code's integer arithmetic. AVX2 only: callers check the processor first.

#include "gfx/image.h"

#include <cstdint>
#include <immintrin.h>

namespace pq::wide {

// Channel c (0 blue .. 3 alpha) of eight pixels.
__attribute__((target("avx2"), always_inline)) inline __m256i Channel(__m256i p, int c)
{
    return _mm256_and_si256(_mm256_srli_epi32(p, 8 * c), _mm256_set1_epi32(255));
}

// PixelError of eight pixel pairs.
__attribute__((target("avx2"), always_inline)) inline __m256i ErrorOf(__m256i s, __m256i d)
{
    __m256i sum = _mm256_abs_epi32(_mm256_sub_epi32(Channel(s, 3), Channel(d, 3)));
    sum = _mm256_add_epi32(sum, sum);
    for (int c = 0; c < 3; ++c)
        sum = _mm256_add_epi32(sum, _mm256_abs_epi32(_mm256_sub_epi32(Channel(s, c), Channel(d, c))));
    return sum;
}

// StampOver of eight pixel pairs, channel by channel as the plain code
// puts it together.
__attribute__((target("avx2"), always_inline)) inline __m256i OverOf(__m256i t, __m256i d)
{
    const __m256i k = _mm256_sub_epi32(_mm256_set1_epi32(255), _mm256_srli_epi32(t, 24));
    __m256i out = _mm256_setzero_si256();
    for (int c = 0; c < 4; ++c) {
        const __m256i dk = _mm256_mullo_epi32(Channel(d, c), k);
        const __m256i part = _mm256_srli_epi32(_mm256_add_epi32(dk, _mm256_srli_epi32(dk, 7)), 8);
        out = _mm256_or_si256(out, _mm256_slli_epi32(_mm256_add_epi32(Channel(t, c), part), 8 * c));
    }
    return out;
}

// Eight sampled pixels from column u on (offsets `lanes`, step apart);
// lanes outside `live` read nothing and hold 0.
__attribute__((target("avx2"), always_inline)) inline __m256i LoadSampled(const gfx::Pixel* p, int u, int step,
                                                                          __m256i lanes, __m256i live, bool whole)
{
    const int* at = reinterpret_cast<const int*>(p + u);
    if (step == 1)
        return whole ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)) : _mm256_maskload_epi32(at, live);
    if (whole)
        return _mm256_i32gather_epi32(at, lanes, 4);
    return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), at, lanes, live, 4);
}

// The sum of eight 32-bit lanes.
__attribute__((target("avx2"), always_inline)) inline int64_t LaneSum(__m256i v)
{
    alignas(32) int32_t parts[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(parts), v);
    int64_t sum = 0;
    for (const int32_t p : parts)
        sum += p;
    return sum;
}

// The number of set lanes of a mask.
__attribute__((target("avx2"), always_inline)) inline int LaneCount(__m256i mask)
{
    return __builtin_popcount(unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(mask))));
}

// Lanes of at most 1275 (or the penalty) a column each: the 32-bit sums
// hold any row a surface can have.
struct GainBlocks {
    __m256i minusPenalty;
    bool penalise;
    __m256i sum;

    __attribute__((target("avx2"), always_inline)) void operator()(__m256i tp, __m256i sp, __m256i dp, __m256i inked)
    {
        const __m256i old = ErrorOf(sp, dp);
        __m256i delta = _mm256_sub_epi32(old, ErrorOf(sp, OverOf(tp, dp)));
        if (penalise)
            delta = _mm256_blendv_epi8(minusPenalty, delta, _mm256_cmpgt_epi32(old, _mm256_setzero_si256()));
        sum = _mm256_add_epi32(sum, _mm256_and_si256(delta, inked));
    }
};

struct ErrorBlocks {
    __m256i before;
    __m256i after;
    int64_t count;

    __attribute__((target("avx2"), always_inline)) void operator()(__m256i tp, __m256i sp, __m256i dp, __m256i inked)
    {
        before = _mm256_add_epi32(before, _mm256_and_si256(ErrorOf(sp, dp), inked));
        after = _mm256_add_epi32(after, _mm256_and_si256(ErrorOf(sp, OverOf(tp, dp)), inked));
        count += LaneCount(inked);
    }
};

} // namespace pq::wide
