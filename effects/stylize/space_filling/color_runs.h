#pragma once

// The colour sums of the pixels an evaluation samples, a run of a row at a
// time: row[x] (row[cols[x]] with a column map) for x = a, a + step, ...
// <= b. Whole numbers, so four pixels at a time give the sums one at a time
// does.

#include "effects/stylize/space_filling/placement_context.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pq::stylize {

// One pixel at a time.
inline void SumRunPlain(const gfx::Pixel* row, const int* cols, int a, int b, int step, ColorSums& sums)
{
    ColorSums run; // kept in registers, away from the caller's sums
    for (int x = a; x <= b; x += step)
        run.add(row[cols ? cols[x] : x]);
    sums.add(run);
}

#if defined(__SSE2__)
namespace detail {

// Adds four pixels' bytes to the per-channel sums and sums of squares
// (32-bit lanes in B, G, R, A order).
inline void AddFour(__m128i v, __m128i& sum, __m128i& squares)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
    const __m128i pairs = _mm_add_epi16(lo, hi);
    sum = _mm_add_epi32(sum, _mm_add_epi32(_mm_unpacklo_epi16(pairs, zero), _mm_unpackhi_epi16(pairs, zero)));
    // 255^2 fits 16 unsigned bits.
    const __m128i lo2 = _mm_mullo_epi16(lo, lo), hi2 = _mm_mullo_epi16(hi, hi);
    squares = _mm_add_epi32(squares, _mm_add_epi32(_mm_unpacklo_epi16(lo2, zero), _mm_unpackhi_epi16(lo2, zero)));
    squares = _mm_add_epi32(squares, _mm_add_epi32(_mm_unpacklo_epi16(hi2, zero), _mm_unpackhi_epi16(hi2, zero)));
}

inline void Flush(__m128i& sum, __m128i& squares, ColorSums& run)
{
    alignas(16) uint32_t s[4], q[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(s), sum);
    _mm_store_si128(reinterpret_cast<__m128i*>(q), squares);
    run.b += s[0];
    run.g += s[1];
    run.r += s[2];
    run.b2 += q[0];
    run.g2 += q[1];
    run.r2 += q[2];
    sum = squares = _mm_setzero_si128();
}

} // namespace detail
#endif

inline void SumRun(const gfx::Pixel* row, const int* cols, int a, int b, int step, ColorSums& sums)
{
#if defined(__SSE2__)
    const int n = DivStep(b - a, step) + 1;
    if (n < 8) {
        SumRunPlain(row, cols, a, b, step, sums);
        return;
    }
    ColorSums run;
    __m128i sum = _mm_setzero_si128(), squares = _mm_setzero_si128();
    // 32-bit lanes hold the squares of up to 66051 pixels.
    constexpr int kFlushEvery = 4096;
    int x = a, k = 0;
    for (; k + 4 <= n; k += 4, x += 4 * step) {
        __m128i v;
        if (!cols && step == 1)
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        else if (!cols)
            v = _mm_setr_epi32(int(row[x]), int(row[x + step]), int(row[x + 2 * step]), int(row[x + 3 * step]));
        else
            v = _mm_setr_epi32(int(row[cols[x]]), int(row[cols[x + step]]), int(row[cols[x + 2 * step]]),
                               int(row[cols[x + 3 * step]]));
        detail::AddFour(v, sum, squares);
        if ((k + 4) % kFlushEvery == 0)
            detail::Flush(sum, squares, run);
    }
    detail::Flush(sum, squares, run);
    for (; k < n; ++k, x += step)
        run.add(row[cols ? cols[x] : x]);
    sums.add(run);
#else
    SumRunPlain(row, cols, a, b, step, sums);
#endif
}

} // namespace pq::stylize
