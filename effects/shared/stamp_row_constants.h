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

// Bilinear sampling of four columns: the two texel columns and rows each
// reads, its weights, and the rectangle's cover (0 outside it, which makes
// the stamp pixel 0).
struct LinearQuarter {
    __m128i xa, xb, ya, yb;
    __m128 wx, wy, cover;
};

__attribute__((target("avx2"), always_inline)) inline LinearQuarter LocateLinear(const StampRowConstants& k,
                                                                               __m128i column)
{
    const StampQuarterPosition p = LocateQuarter(k, column);
    const __m128i x0 = _mm256_cvttpd_epi32(p.flx), y0 = _mm256_cvttpd_epi32(p.fly);
    const __m128i zeroI = _mm_setzero_si128(), oneI = _mm_set1_epi32(1);
    LinearQuarter q;
    q.xa = _mm_min_epi32(_mm_max_epi32(x0, zeroI), k.maxX);
    q.xb = _mm_min_epi32(_mm_max_epi32(_mm_add_epi32(x0, oneI), zeroI), k.maxX);
    q.ya = _mm_min_epi32(_mm_max_epi32(y0, zeroI), k.maxY);
    q.yb = _mm_min_epi32(_mm_max_epi32(_mm_add_epi32(y0, oneI), zeroI), k.maxY);
    q.wx = _mm256_cvtpd_ps(_mm256_sub_pd(p.fx, p.flx));
    q.wy = _mm256_cvtpd_ps(_mm256_sub_pd(p.fy, p.fly));
    q.cover = _mm256_cvtpd_ps(p.cover);
    return q;
}

// The texels at xa and xb of the plane offsets `row` (xb is xa + 1 or, at
// the plane's right edge, xa itself).
__attribute__((target("avx2"), always_inline)) inline void TexelPair(const uint8_t* alpha, int last, __m256i row,
                                                                    __m256i xa, __m256i xb, __m256& left,
                                                                    __m256& right)
{
    const __m256i bytes = TexelBytesAt(alpha, last, _mm256_add_epi32(row, xa));
    const __m256i lowByte = _mm256_set1_epi32(255);
    const __m256i a = _mm256_and_si256(bytes, lowByte);
    const __m256i b = _mm256_and_si256(_mm256_srli_epi32(bytes, 8), lowByte);
    left = _mm256_cvtepi32_ps(a);
    right = _mm256_cvtepi32_ps(_mm256_blendv_epi8(b, a, _mm256_cmpeq_epi32(xa, xb)));
}

// The bilinear alpha of eight columns (a: the first four, b: the next).
__attribute__((target("avx2"), always_inline)) inline __m256 BilinearAlpha(const StampCell::Level& level, int last,
                                                                          const LinearQuarter& a,
                                                                          const LinearQuarter& b)
{
    const __m256i width = _mm256_set1_epi32(level.width);
    const __m256i xa = _mm256_set_m128i(b.xa, a.xa), xb = _mm256_set_m128i(b.xb, a.xb);
    const __m256 wx = _mm256_set_m128(b.wx, a.wx), wy = _mm256_set_m128(b.wy, a.wy);
    __m256 p00, p01, p10, p11;
    TexelPair(level.alpha.data(), last, _mm256_mullo_epi32(_mm256_set_m128i(b.ya, a.ya), width), xa, xb, p00, p01);
    TexelPair(level.alpha.data(), last, _mm256_mullo_epi32(_mm256_set_m128i(b.yb, a.yb), width), xa, xb, p10, p11);
    const __m256 oneF = _mm256_set1_ps(1.0f);
    const __m256 restX = _mm256_sub_ps(oneF, wx), restY = _mm256_sub_ps(oneF, wy);
    const __m256 top = _mm256_add_ps(_mm256_mul_ps(p00, restX), _mm256_mul_ps(p01, wx));
    const __m256 bottom = _mm256_add_ps(_mm256_mul_ps(p10, restX), _mm256_mul_ps(p11, wx));
    return _mm256_add_ps(_mm256_mul_ps(top, restY), _mm256_mul_ps(bottom, wy));
}

// The stamp's four channels for the mask m (colour times m), rounded half
// to even and saturated to bytes, one channel a vector.
__attribute__((target("avx2"), always_inline)) inline void StampChannels(const __m256 colour[4], __m256 m,
                                                                        __m256i channel[4])
{
    const __m256 magic = _mm256_set1_ps(12582912.0f);
    const __m256i zeroI = _mm256_setzero_si256(), byteMax = _mm256_set1_epi32(255);
    for (int c = 0; c < 4; ++c) {
        const __m256 r = _mm256_sub_ps(_mm256_add_ps(_mm256_mul_ps(colour[c], m), magic), magic);
        channel[c] = _mm256_min_epi32(_mm256_max_epi32(_mm256_cvttps_epi32(r), zeroI), byteMax);
    }
}

// The same channels packed into eight pixels.
__attribute__((target("avx2"), always_inline)) inline __m256i StampPixels(const __m256 colour[4], __m256 m)
{
    __m256i channel[4];
    StampChannels(colour, m, channel);
    __m256i pixel = _mm256_setzero_si256();
    for (int c = 0; c < 4; ++c)
        pixel = _mm256_or_si256(pixel, _mm256_slli_epi32(channel[c], 8 * c));
    return pixel;
}

} // namespace pq
