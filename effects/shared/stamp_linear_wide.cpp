#include "effects/shared/stamp_row_constants.h"
#include "effects/shared/stamp_row_sinks.h"

#include <algorithm>
#include <atomic>
#include <immintrin.h>

namespace pq {
namespace {

std::atomic<bool> wideLinearRows{true};

// Four pixels of a block: the clamped texel columns and rows the bilinear
// sample reads, its weights and the edge coverage, as the plain per-pixel
// code works them out.
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
    // Outside the rectangle a cover of 0 makes the pixel 0.
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
    const __m256i width = _mm256_set1_epi32(level.width);
    const int last = int(texels - 4);
    const uint8_t* alpha = level.alpha.data();
    const __m256 strength = _mm256_set1_ps(plan.opacity * (1.0f / 255.0f));
    const __m256 oneF = _mm256_set1_ps(1.0f), magic = _mm256_set1_ps(12582912.0f);
    const __m256i zeroI = _mm256_setzero_si256(), byteMax = _mm256_set1_epi32(255);
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
        const __m256i xa = _mm256_set_m128i(b.xa, a.xa), xb = _mm256_set_m128i(b.xb, a.xb);
        const __m256 wx = _mm256_set_m128(b.wx, a.wx), wy = _mm256_set_m128(b.wy, a.wy);
        __m256 p00, p01, p10, p11;
        TexelPair(alpha, last, _mm256_mullo_epi32(_mm256_set_m128i(b.ya, a.ya), width), xa, xb, p00, p01);
        TexelPair(alpha, last, _mm256_mullo_epi32(_mm256_set_m128i(b.yb, a.yb), width), xa, xb, p10, p11);
        const __m256 restX = _mm256_sub_ps(oneF, wx), restY = _mm256_sub_ps(oneF, wy);
        const __m256 top = _mm256_add_ps(_mm256_mul_ps(p00, restX), _mm256_mul_ps(p01, wx));
        const __m256 bottom = _mm256_add_ps(_mm256_mul_ps(p10, restX), _mm256_mul_ps(p11, wx));
        const __m256 value = _mm256_add_ps(_mm256_mul_ps(top, restY), _mm256_mul_ps(bottom, wy));
        const __m256 m = _mm256_mul_ps(_mm256_mul_ps(value, _mm256_set_m128(b.cover, a.cover)), strength);
        // The stamp's channels, rounded half to even and saturated to bytes.
        __m256i pixel = zeroI;
        for (int c = 0; c < 4; ++c) {
            const __m256 r = _mm256_sub_ps(_mm256_add_ps(_mm256_mul_ps(colour[c], m), magic), magic);
            const __m256i t = _mm256_min_epi32(_mm256_max_epi32(_mm256_cvttps_epi32(r), zeroI), byteMax);
            pixel = _mm256_or_si256(pixel, _mm256_slli_epi32(t, 8 * c));
        }
        sink(u, step, offsets, live, std::min(8, count - n), pixel);
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
