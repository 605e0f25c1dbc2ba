#pragma once

// What the eight-pixel stamp row loops do with a block of stamp pixels:
// store them on a surface row, or score them against the source and canvas
// pixels they would be laid over (StampScore). AVX2 only.

#include "effects/shared/stamp_gain.h"
#include "effects/shared/stamp_gain_wide.h"

#include <algorithm>
#include <immintrin.h>

namespace pq::wide {

// Every sink takes the block's first column u, the sampling step, the lanes'
// column offsets (0, step, .. 7 step), the mask of lanes at or before the
// row's last column and their number, and the eight stamp pixels.
struct StoreSink {
    gfx::Pixel* out;

    __attribute__((target("avx2"), always_inline)) void operator()(int u, int step, __m256i, __m256i live, int liveCount,
                                                                   __m256i pixel)
    {
        if (step == 1) {
            _mm256_maskstore_epi32(reinterpret_cast<int*>(out + u), live, pixel);
            return;
        }
        alignas(32) gfx::Pixel lanesOut[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanesOut), pixel);
        for (int i = 0; i < liveCount; ++i)
            out[u + i * step] = lanesOut[i];
    }
};

// Source row s and canvas row d, indexed by stamp column. Lane sums of one
// row stay far below 2^31 (at most 1275 a column).
struct ScoreSink {
    const gfx::Pixel* s;
    const gfx::Pixel* d;
    __m256i before = _mm256_setzero_si256();
    __m256i after = _mm256_setzero_si256();
    __m256i matchedAfter = _mm256_setzero_si256();
    int64_t count = 0;
    int64_t matched = 0;

    __attribute__((target("avx2"), always_inline)) void operator()(int u, int step, __m256i offsets, __m256i live,
                                                                   int liveCount, __m256i pixel)
    {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i inked = _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_srli_epi32(pixel, 24), zero), live);
        if (_mm256_testz_si256(inked, inked))
            return;
        const bool whole = liveCount == 8;
        const __m256i sp = LoadSampled(s, u, step, offsets, live, whole);
        const __m256i dp = LoadSampled(d, u, step, offsets, live, whole);
        const __m256i old = ErrorOf(sp, dp);
        const __m256i now = _mm256_and_si256(ErrorOf(sp, OverOf(pixel, dp)), inked);
        const __m256i match = _mm256_and_si256(_mm256_cmpeq_epi32(old, zero), inked);
        before = _mm256_add_epi32(before, _mm256_and_si256(old, inked));
        after = _mm256_add_epi32(after, now);
        matchedAfter = _mm256_add_epi32(matchedAfter, _mm256_and_si256(now, match));
        count += LaneCount(inked);
        matched += LaneCount(match);
    }

    __attribute__((target("avx2"), always_inline)) void addTo(StampScore& score) const
    {
        score.errors.before += LaneSum(before);
        score.errors.after += LaneSum(after);
        score.errors.count += count;
        score.matched += matched;
        score.matchedAfter += LaneSum(matchedAfter);
    }
};

} // namespace pq::wide
