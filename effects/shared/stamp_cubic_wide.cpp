#include "effects/shared/stamp_row_constants.h"
#include "effects/shared/stamp_row_sinks.h"

#include <algorithm>
#include <atomic>
#include <immintrin.h>

namespace pq {
namespace {

std::atomic<bool> wideCubicRows{true};

// Four pixels of a block: the clamped texel columns and rows the cubic reads,
// their weights and the edge coverage, as the plain per-pixel code works
// them out.
struct CubicQuarter {
    __m128i xs[4], ys[4];
    __m256d tx, ty; // the sampling positions' distances past their floors
    __m128 wx[4], wy[4];
    __m128 cover;
};

// The Mitchell weight of four distances, with the plain code's operations
// in its order; the branch's numerator is picked before the one division.
__attribute__((target("avx2"), always_inline)) inline __m256d MitchellPd(__m256d x)
{
    x = _mm256_andnot_pd(_mm256_set1_pd(-0.0), x);
    const __m256d x12 = _mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(12.0), x), x);
    const __m256d x7 = _mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(7.0), x), x), x);
    const __m256d near = _mm256_add_pd(_mm256_sub_pd(x7, x12), _mm256_set1_pd(16.0 / 3.0));
    const __m256d cube = _mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(-7.0 / 3.0), x), x), x);
    const __m256d far = _mm256_add_pd(_mm256_sub_pd(_mm256_add_pd(cube, x12), _mm256_mul_pd(_mm256_set1_pd(20.0), x)),
                                      _mm256_set1_pd(32.0 / 3.0));
    const __m256d below1 = _mm256_cmp_pd(x, _mm256_set1_pd(1.0), _CMP_LT_OQ);
    const __m256d below2 = _mm256_cmp_pd(x, _mm256_set1_pd(2.0), _CMP_LT_OQ);
    const __m256d picked = _mm256_blendv_pd(far, near, below1);
    return _mm256_and_pd(below2, _mm256_div_pd(picked, _mm256_set1_pd(6.0)));
}

// The two branches of the Mitchell weight alone, for distances known to
// lie below 1 (near) or in [1, 2) (far).
__attribute__((target("avx2"), always_inline)) inline __m256d NearMitchellPd(__m256d x)
{
    const __m256d x12 = _mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(12.0), x), x);
    const __m256d x7 = _mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(7.0), x), x), x);
    return _mm256_div_pd(_mm256_add_pd(_mm256_sub_pd(x7, x12), _mm256_set1_pd(16.0 / 3.0)), _mm256_set1_pd(6.0));
}

__attribute__((target("avx2"), always_inline)) inline __m256d FarMitchellPd(__m256d x)
{
    const __m256d x12 = _mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(12.0), x), x);
    const __m256d cube = _mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(-7.0 / 3.0), x), x), x);
    const __m256d far = _mm256_add_pd(_mm256_sub_pd(_mm256_add_pd(cube, x12), _mm256_mul_pd(_mm256_set1_pd(20.0), x)),
                                      _mm256_set1_pd(32.0 / 3.0));
    return _mm256_div_pd(far, _mm256_set1_pd(6.0));
}

__attribute__((target("avx2"), always_inline)) inline void Weights(__m256d t, __m128 w[4])
{
    const __m256d one = _mm256_set1_pd(1.0), two = _mm256_set1_pd(2.0);
    const __m256d x0 = _mm256_add_pd(one, t), x2 = _mm256_sub_pd(one, t), x3 = _mm256_sub_pd(two, t);
    // With t in [0, 1): 1 + t and 2 - t take the far branch and t and
    // 1 - t the near one, unless rounding puts a distance on 1 or 2.
    const __m256d usual = _mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(x0, two, _CMP_LT_OQ), _mm256_cmp_pd(x3, two, _CMP_LT_OQ)),
                                        _mm256_and_pd(_mm256_cmp_pd(x2, one, _CMP_LT_OQ),
                                                      _mm256_cmp_pd(t, _mm256_setzero_pd(), _CMP_GE_OQ)));
    if (_mm256_movemask_pd(usual) == 15) {
        w[0] = _mm256_cvtpd_ps(FarMitchellPd(x0));
        w[1] = _mm256_cvtpd_ps(NearMitchellPd(t));
        w[2] = _mm256_cvtpd_ps(NearMitchellPd(x2));
        w[3] = _mm256_cvtpd_ps(FarMitchellPd(x3));
        return;
    }
    w[0] = _mm256_cvtpd_ps(MitchellPd(x0));
    w[1] = _mm256_cvtpd_ps(MitchellPd(t));
    w[2] = _mm256_cvtpd_ps(MitchellPd(x2));
    w[3] = _mm256_cvtpd_ps(MitchellPd(x3));
}

__attribute__((target("avx2"), always_inline)) inline CubicQuarter LocateCubic(const StampRowConstants& k, __m128i column)
{
    const StampQuarterPosition p = LocateQuarter(k, column);
    // Outside the rectangle positions may be far off: the cover of 0 masks
    // them, the clamping keeps their reads on the plane.
    const __m128i x0 = _mm256_cvttpd_epi32(p.flx), y0 = _mm256_cvttpd_epi32(p.fly);
    const __m128i zeroI = _mm_setzero_si128();
    CubicQuarter q;
    for (int i = 0; i < 4; ++i) {
        const __m128i offset = _mm_set1_epi32(i - 1);
        q.xs[i] = _mm_min_epi32(_mm_max_epi32(_mm_add_epi32(x0, offset), zeroI), k.maxX);
        q.ys[i] = _mm_min_epi32(_mm_max_epi32(_mm_add_epi32(y0, offset), zeroI), k.maxY);
    }
    q.tx = _mm256_sub_pd(p.fx, p.flx);
    q.ty = _mm256_sub_pd(p.fy, p.fly);
    q.cover = _mm256_cvtpd_ps(p.cover);
    return q;
}

// The weights of a located quarter; only blocks with ink need them.
__attribute__((target("avx2"), always_inline)) inline void WeighCubic(CubicQuarter& q)
{
    Weights(q.tx, q.wx);
    Weights(q.ty, q.wy);
}

// The texels at the plane offsets `at`, as floats.
__attribute__((target("avx2"), always_inline)) inline __m256 TexelsAt(const uint8_t* alpha, int last, __m256i at)
{
    return _mm256_cvtepi32_ps(_mm256_and_si256(TexelBytesAt(alpha, last, at), _mm256_set1_epi32(255)));
}

// The stamp's pixels of row v at columns lo, lo + step, ... up to hi, eight
// at a time, handed to `sink`; blocks whose texels are all blank are
// skipped (their pixels are 0).
template <typename Sink>
__attribute__((target("avx2"), always_inline)) inline int CubicRowAvx2(const DrawPlan& plan, int v, int lo, int hi,
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
    const __m256 zeroF = _mm256_setzero_ps(), maxF = _mm256_set1_ps(255.0f);
    const __m256i byteMax = _mm256_set1_epi32(255);
    __m256 colour[4];
    for (int c = 0; c < 4; ++c)
        colour[c] = _mm256_set1_ps(plan.colour[c]);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m128i steps = _mm_mullo_epi32(_mm_setr_epi32(0, 1, 2, 3), _mm_set1_epi32(step));
    const __m256i offsets = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(step));

    const int count = (hi - lo) / step + 1;
    for (int n = 0; n < count; n += 8) {
        const int u = lo + n * step;
        // The last block may stick out past hi: its extra lanes are not
        // written.
        const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(count - n), lanes);
        CubicQuarter a = LocateCubic(k, _mm_add_epi32(_mm_set1_epi32(u), steps));
        CubicQuarter b = LocateCubic(k, _mm_add_epi32(_mm_set1_epi32(u + 4 * step), steps));
        // Texel positions run monotonically along the block: its first and
        // last samples bound the texels it reads. Where those are all blank
        // every stamp pixel is 0, as the clear surface already is.
        const int x0a = _mm_cvtsi128_si32(a.xs[0]), x0b = _mm_extract_epi32(b.xs[0], 3);
        const int x3a = _mm_cvtsi128_si32(a.xs[3]), x3b = _mm_extract_epi32(b.xs[3], 3);
        const int y0a = _mm_cvtsi128_si32(a.ys[0]), y0b = _mm_extract_epi32(b.ys[0], 3);
        const int y3a = _mm_cvtsi128_si32(a.ys[3]), y3b = _mm_extract_epi32(b.ys[3], 3);
        if (!level.inkIn(std::min(x0a, x0b), std::min(y0a, y0b), std::max(x3a, x3b), std::max(y3a, y3b)))
            continue;
        WeighCubic(a);
        WeighCubic(b);
        __m256i xs[4];
        __m256 wx[4];
        for (int i = 0; i < 4; ++i) {
            xs[i] = _mm256_set_m128i(b.xs[i], a.xs[i]);
            wx[i] = _mm256_set_m128(b.wx[i], a.wx[i]);
        }
        // Away from the plane's side edges the four columns are adjacent:
        // one read per row brings all four.
        const bool adjacent = _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_sub_epi32(xs[3], xs[0]),
                                                                      _mm256_set1_epi32(3))) == -1;
        __m256 sum = zeroF;
        for (int j = 0; j < 4; ++j) {
            const __m256i row = _mm256_mullo_epi32(_mm256_set_m128i(b.ys[j], a.ys[j]), width);
            __m256 texel[4];
            if (adjacent) {
                const __m256i four = _mm256_i32gather_epi32(reinterpret_cast<const int*>(alpha),
                                                            _mm256_add_epi32(row, xs[0]), 1);
                for (int i = 0; i < 4; ++i)
                    texel[i] = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(four, 8 * i), byteMax));
            } else {
                for (int i = 0; i < 4; ++i)
                    texel[i] = TexelsAt(alpha, last, _mm256_add_epi32(row, xs[i]));
            }
            __m256 line = _mm256_mul_ps(texel[0], wx[0]);
            for (int i = 1; i < 4; ++i)
                line = _mm256_add_ps(line, _mm256_mul_ps(texel[i], wx[i]));
            sum = _mm256_add_ps(sum, _mm256_mul_ps(line, _mm256_set_m128(b.wy[j], a.wy[j])));
        }
        const __m256 clamped = _mm256_min_ps(_mm256_max_ps(sum, zeroF), maxF);
        const __m256 m = _mm256_mul_ps(_mm256_mul_ps(clamped, _mm256_set_m128(b.cover, a.cover)), strength);
        sink(u, step, offsets, live, std::min(8, count - n), StampPixels(colour, m));
    }
    return lo + count * step;
}

__attribute__((target("avx2"))) int DrawCubicRowAvx2(const DrawPlan& plan, gfx::Pixel* out, int v, int lo, int hi,
                                                     int step)
{
    wide::StoreSink sink{out};
    return CubicRowAvx2(plan, v, lo, hi, step, sink);
}

__attribute__((target("avx2"))) int ScoreCubicRowAvx2(const DrawPlan& plan, int v, int lo, int hi, int step,
                                                      const gfx::Pixel* s, const gfx::Pixel* d, StampScore& score)
{
    wide::ScoreSink sink{s, d};
    const int next = CubicRowAvx2(plan, v, lo, hi, step, sink);
    sink.addTo(score);
    return next;
}

} // namespace

int DrawCubicRowWide(const DrawPlan& plan, gfx::Pixel* out, int v, int lo, int hi, int step)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (!avx2 || hi < lo || step < 1 || !wideCubicRows.load(std::memory_order_relaxed))
        return lo;
    return DrawCubicRowAvx2(plan, out, v, lo, hi, step);
}

int ScoreCubicRowWide(const DrawPlan& plan, int v, int lo, int hi, int step, const gfx::Pixel* s, const gfx::Pixel* d,
                      StampScore& score)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (!avx2 || hi < lo || step < 1 || step > 64 || !wideCubicRows.load(std::memory_order_relaxed))
        return lo;
    return ScoreCubicRowAvx2(plan, v, lo, hi, step, s, d, score);
}

void SetWideCubicRows(bool on)
{
    wideCubicRows.store(on);
}

} // namespace pq
