#include "effects/shared/stamp_gain.h"

#include "effects/shared/stamp_gain_wide.h"
#include "effects/shared/stamp_pixels.h"

namespace pq {
namespace {

using namespace wide;

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
        const __m256i tp = LoadSampled(t, u, step, lanes, live, whole);
        const __m256i inked = _mm256_cmpgt_epi32(_mm256_srli_epi32(tp, 24), zero);
        if (_mm256_testz_si256(inked, inked))
            continue;
        block(tp, LoadSampled(s, u, step, lanes, live, whole), LoadSampled(d, u, step, lanes, live, whole), inked);
    }
}

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
