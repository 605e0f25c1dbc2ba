#include "effects/shared/stamp_row_constants.h"
#include "effects/shared/stamp_row_sinks.h"

#include <algorithm>
#include <atomic>
#include <immintrin.h>

namespace pq {
namespace {

std::atomic<bool> wideLinearRows{true};

// The stamp's pixels of row v at columns lo, lo + step, ... up to hi, eight
// at a time, handed to `sink`; blocks whose texels are all blank are
// skipped (their pixels are 0).
template <typename Sink>
__attribute__((target("avx2"), always_inline)) inline int LinearRowAvx2(const DrawPlan& plan, int v, int lo, int hi,
                                                                       int step, Sink& sink)
{
    const StampCell::Level& level = *plan.level;
    const int64_t texels = int64_t(level.width) * int64_t(level.height);
    if (texels < 4 || texels > (int64_t(1) << 30))
        return lo;
    const StampRowConstants k = MakeStampRowConstants(plan, level, v);
    const int last = int(texels - 4);
    const __m256 strength = _mm256_set1_ps(plan.opacity * (1.0f / 255.0f));
    __m256 colour[4];
    for (int c = 0; c < 4; ++c)
        colour[c] = _mm256_set1_ps(plan.colour[c]);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m128i steps = _mm_mullo_epi32(_mm_setr_epi32(0, 1, 2, 3), _mm_set1_epi32(step));
    const __m256i offsets = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(step));

    const int count = (hi - lo) / step + 1;
    for (int n = 0; n < count; n += 8) {
        const int u = lo + n * step;
        // The last block may stick out past hi: its extra lanes are left out.
        const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(count - n), lanes);
        const LinearQuarter a = LocateLinear(k, _mm_add_epi32(_mm_set1_epi32(u), steps));
        const LinearQuarter b = LocateLinear(k, _mm_add_epi32(_mm_set1_epi32(u + 4 * step), steps));
        // Texel positions run monotonically along the block: its first and
        // last samples bound the texels it reads.
        const int xa0 = _mm_cvtsi128_si32(a.xa), xa1 = _mm_extract_epi32(b.xa, 3);
        const int xb0 = _mm_cvtsi128_si32(a.xb), xb1 = _mm_extract_epi32(b.xb, 3);
        const int ya0 = _mm_cvtsi128_si32(a.ya), ya1 = _mm_extract_epi32(b.ya, 3);
        const int yb0 = _mm_cvtsi128_si32(a.yb), yb1 = _mm_extract_epi32(b.yb, 3);
        if (!level.inkIn(std::min(xa0, xa1), std::min(ya0, ya1), std::max(xb0, xb1), std::max(yb0, yb1)))
            continue;
        const __m256 m =
            _mm256_mul_ps(_mm256_mul_ps(BilinearAlpha(level, last, a, b), _mm256_set_m128(b.cover, a.cover)), strength);
        sink(u, step, offsets, live, std::min(8, count - n), StampPixels(colour, m));
    }
    return lo + count * step;
}

__attribute__((target("avx2"))) int DrawLinearRowAvx2(const DrawPlan& plan, gfx::Pixel* out, int v, int lo, int hi,
                                                      int step)
{
    wide::StoreSink sink{out};
    return LinearRowAvx2(plan, v, lo, hi, step, sink);
}

__attribute__((target("avx2"))) int ScoreLinearRowAvx2(const DrawPlan& plan, int v, int lo, int hi, int step,
                                                       const gfx::Pixel* s, const gfx::Pixel* d, StampScore& score)
{
    wide::ScoreSink sink{s, d};
    const int next = LinearRowAvx2(plan, v, lo, hi, step, sink);
    sink.addTo(score);
    return next;
}

bool UseWide(int lo, int hi, int step)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 && hi >= lo && step >= 1 && step <= 64 && wideLinearRows.load(std::memory_order_relaxed);
}

} // namespace

int DrawLinearRowWide(const DrawPlan& plan, gfx::Pixel* out, int v, int lo, int hi, int step)
{
    return UseWide(lo, hi, step) ? DrawLinearRowAvx2(plan, out, v, lo, hi, step) : lo;
}

int ScoreLinearRowWide(const DrawPlan& plan, int v, int lo, int hi, int step, const gfx::Pixel* s, const gfx::Pixel* d,
                       StampScore& score)
{
    return UseWide(lo, hi, step) ? ScoreLinearRowAvx2(plan, v, lo, hi, step, s, d, score) : lo;
}

void SetWideLinearRows(bool on)
{
    wideLinearRows.store(on);
}

} // namespace pq
