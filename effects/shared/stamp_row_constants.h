#pragma once

// The per-row constants the eight-pixel stamp loops share: the stamp's
// rotation, centre, half sizes and scales, broadcast for four doubles, and
// the last texel column and row of its level.

#include "effects/shared/stamp_plan.h"

#include <immintrin.h>

namespace pq {

struct StampRowConstants {
    __m256d sdy, cdy, cosA, negSinA, centre, halfW1, halfH1, halfW, halfH, scaleX, scaleY;
    __m128i maxX, maxY;
};

// Row v of the stamp `plan` draws, its level `level`.
__attribute__((target("avx2"))) inline StampRowConstants MakeStampRowConstants(const DrawPlan& plan,
                                                                               const StampCell::Level& level, int v)
{
    const double dy = v + 0.5 - plan.centre;
    StampRowConstants k;
    k.sdy = _mm256_set1_pd(plan.sinA * dy);
    k.cdy = _mm256_set1_pd(plan.cosA * dy);
    k.cosA = _mm256_set1_pd(plan.cosA);
    k.negSinA = _mm256_set1_pd(-plan.sinA);
    k.centre = _mm256_set1_pd(plan.centre);
    k.halfW1 = _mm256_set1_pd(plan.halfW + 0.5);
    k.halfH1 = _mm256_set1_pd(plan.halfH + 0.5);
    k.halfW = _mm256_set1_pd(plan.halfW);
    k.halfH = _mm256_set1_pd(plan.halfH);
    k.scaleX = _mm256_set1_pd(plan.scaleX);
    k.scaleY = _mm256_set1_pd(plan.scaleY);
    k.maxX = _mm_set1_epi32(level.width - 1);
    k.maxY = _mm_set1_epi32(level.height - 1);
    return k;
}

} // namespace pq
