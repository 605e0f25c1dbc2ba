#pragma once

// The per-row constants the eight-pixel stamp loops share (the stamp's
// rotation, centre, half sizes and scales, broadcast for four doubles, and
// the last texel column and row of its level), and the steps they share.

#include "effects/shared/stamp_plan.h"

#include <cstdint>
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

// Where four columns of a row land on the stamp's level: the sampling
// position and its floor, and the rectangle's cover (0 outside it).
struct StampQuarterPosition {
    __m256d fx, fy, flx, fly, cover;
};

__attribute__((target("avx2"), always_inline)) inline StampQuarterPosition LocateQuarter(const StampRowConstants& k,
                                                                                       __m128i column)
{
    const __m256d half = _mm256_set1_pd(0.5), one = _mm256_set1_pd(1.0), zero = _mm256_setzero_pd();
    const __m256d sign = _mm256_set1_pd(-0.0);
    const __m256d dx = _mm256_sub_pd(_mm256_add_pd(_mm256_cvtepi32_pd(column), half), k.centre);
    const __m256d lx = _mm256_add_pd(_mm256_mul_pd(k.cosA, dx), k.sdy);
    const __m256d ly = _mm256_add_pd(_mm256_mul_pd(k.negSinA, dx), k.cdy);
    const __m256d covX = _mm256_min_pd(_mm256_sub_pd(k.halfW1, _mm256_andnot_pd(sign, lx)), one);
    const __m256d covY = _mm256_min_pd(_mm256_sub_pd(k.halfH1, _mm256_andnot_pd(sign, ly)), one);
    const __m256d inside = _mm256_and_pd(_mm256_cmp_pd(covX, zero, _CMP_GT_OQ), _mm256_cmp_pd(covY, zero, _CMP_GT_OQ));
    StampQuarterPosition p;
    p.fx = _mm256_sub_pd(_mm256_mul_pd(_mm256_add_pd(lx, k.halfW), k.scaleX), half);
    p.fy = _mm256_sub_pd(_mm256_mul_pd(_mm256_add_pd(ly, k.halfH), k.scaleY), half);
    p.flx = _mm256_floor_pd(p.fx);
    p.fly = _mm256_floor_pd(p.fy);
    p.cover = _mm256_and_pd(inside, _mm256_mul_pd(covX, covY));
    return p;
}

// Four bytes of an alpha plane from each of the offsets `at`, the byte at
// the offset lowest; near the plane's end (last: its last offset a 4-byte
// read may start at) they are read from earlier and shifted down.
__attribute__((target("avx2"), always_inline)) inline __m256i TexelBytesAt(const uint8_t* alpha, int last, __m256i at)
{
    const __m256i from = _mm256_min_epi32(at, _mm256_set1_epi32(last));
    const __m256i shift = _mm256_slli_epi32(_mm256_sub_epi32(at, from), 3);
    return _mm256_srlv_epi32(_mm256_i32gather_epi32(reinterpret_cast<const int*>(alpha), from, 1), shift);
}

} // namespace pq
