#include "effects/shared/stamp_gain.h"

#include "effects/shared/stamp_pixels.h"

#include <immintrin.h>

namespace pq {
namespace {

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

// Eight sampled pixels from column u on; lanes outside `live` read nothing
// and hold 0.
__attribute__((target("avx2"), always_inline)) inline __m256i Load(const gfx::Pixel* p, int u, int step, __m256i lanes,
                                                                   __m256i live, bool whole)
{
    const int* at = reinterpret_cast<const int*>(p + u);
    if (step == 1)
        return whole ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)) : _mm256_maskload_epi32(at, live);
    if (whole)
        return _mm256_i32gather_epi32(at, lanes, 4);
    return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), at, lanes, live, 4);
}

// Hands each block of eight sampled columns with some ink to `block` as
// the stamp, source and canvas pixels and the mask of inked lanes. The last
// block may stick out past hi: its extra lanes read nothing and hold 0.
template <typename Block>
__attribute__((target("avx2"), always_inline)) inline void ForInkedBlocks(const gfx::Pixel* t, const gfx::Pixel* s,
                                                                          const gfx::Pixel* d, int lo, int hi,
                                                                          int step, Block& block)
{
    const int count = (hi - lo) / step + 1;
    const __m256i index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i lanes = _mm256_mullo_epi32(index, _mm256_set1_epi32(step));
    const __m256i zero = _mm256_setzero_si256();
    for (int n = 0; n < count; n += 8) {
        const int u = lo + n * step;
        const bool whole = count - n >= 8;
        const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(count - n), index);
        const __m256i tp = Load(t, u, step, lanes, live, whole);
        const __m256i inked = _mm256_cmpgt_epi32(_mm256_srli_epi32(tp, 24), zero);
        if (_mm256_testz_si256(inked, inked))
            continue;
        block(tp, Load(s, u, step, lanes, live, whole), Load(d, u, step, lanes, live, whole), inked);
    }
}

// The sum of eight 32-bit lanes.
__attribute__((target("avx2"))) int64_t LaneSum(__m256i v)
{
    alignas(32) int32_t parts[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(parts), v);
    int64_t sum = 0;
    for (const int32_t p : parts)
        sum += p;
    return sum;
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
        count += __builtin_popcount(unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(inked))));
    }
};

__attribute__((target("avx2"))) int64_t GainAvx2(const gfx::Pixel* t, const gfx::Pixel* s, const gfx::Pixel* d, int lo,
                                                 int hi, int step, bool penalise, int penalty)
{
    GainBlocks blocks{_mm256_set1_epi32(-penalty), penalise, _mm256_setzero_si256()};
    ForInkedBlocks(t, s, d, lo, hi, step, blocks);
    return LaneSum(blocks.sum);
}

__attribute__((target("avx2"))) StampErrorSums ErrorsAvx2(const gfx::Pixel* t, const gfx::Pixel* s,
                                                          const gfx::Pixel* d, int lo, int hi, int step)
{
    ErrorBlocks blocks{_mm256_setzero_si256(), _mm256_setzero_si256(), 0};
    ForInkedBlocks(t, s, d, lo, hi, step, blocks);
    StampErrorSums sums;
    sums.before = LaneSum(blocks.before);
    sums.after = LaneSum(blocks.after);
    sums.count = blocks.count;
    return sums;
}

} // namespace

StampErrorSums RowStampErrorsPlain(const gfx::Pixel* t, const gfx::Pixel* s, const gfx::Pixel* d, int lo, int hi,
                                   int step)
{
    StampErrorSums sums;
    for (int u = lo; u <= hi; u += step) {
        if ((t[u] >> 24) == 0)
            continue;
        sums.before += PixelError(s[u], d[u]);
        sums.after += PixelError(s[u], StampOver(t[u], d[u]));
        ++sums.count;
    }
    return sums;
}

StampErrorSums RowStampErrors(const gfx::Pixel* t, const gfx::Pixel* s, const gfx::Pixel* d, int lo, int hi, int step)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (!avx2 || hi < lo || step < 1 || step > 64)
        return RowStampErrorsPlain(t, s, d, lo, hi, step);
    return ErrorsAvx2(t, s, d, lo, hi, step);
}

int64_t RowStampGainPlain(const gfx::Pixel* t, const gfx::Pixel* s, const gfx::Pixel* d, int lo, int hi, int step,
                          bool penalise, int penalty)
{
    int64_t gain = 0;
    for (int u = lo; u <= hi; u += step) {
        if ((t[u] >> 24) == 0)
            continue;
        const int old = PixelError(s[u], d[u]);
        if (!penalise || old > 0)
            gain += old - PixelError(s[u], StampOver(t[u], d[u]));
        else
            gain -= penalty;
    }
    return gain;
}

int64_t RowStampGain(const gfx::Pixel* t, const gfx::Pixel* s, const gfx::Pixel* d, int lo, int hi, int step,
                     bool penalise, int penalty)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    // Gathers take offsets of 32 bits: keep steps small.
    if (!avx2 || hi < lo || step < 1 || step > 64)
        return RowStampGainPlain(t, s, d, lo, hi, step, penalise, penalty);
    return GainAvx2(t, s, d, lo, hi, step, penalise, penalty);
}

} // namespace pq
