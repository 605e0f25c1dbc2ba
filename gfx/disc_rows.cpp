#include "gfx/disc_rows.h"

#include <algorithm>
#include <cmath>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PQ_DISC_AVX2 1
#endif

namespace gfx {
namespace {

using cover::BlendOne;
using cover::Ink;
using cover::ToCoverage;

// The coverage of a pixel whose centre lies sqrt(d2) from a disc's centre:
// reach - distance, as a byte.
inline uint32_t DiscCoverage(double reach, double d2)
{
    return ToCoverage(float(reach - std::sqrt(d2)));
}

// Pixels xa..xb of a disc row blended with `ink`, each with the coverage
// of its centre (x + 0.5 - cx, yc), one pixel at a time.
void DiscRowPlain(Pixel* line, int xa, int xb, double cx, double yc, double reach, const Ink& ink, ShapeBlend blend)
{
    for (int x = xa; x <= xb; ++x) {
        const double xc = x + 0.5 - cx;
        const uint32_t cov = DiscCoverage(reach, xc * xc + yc * yc);
        if (cov)
            line[x] = BlendOne(line[x], ink, cov, blend);
    }
}

#ifdef PQ_DISC_AVX2
// Coverage blended over a run of pixels; every pixel is written (coverage
// 0 gives it back as it was), so the loop vectorises.
template <ShapeBlend kBlend>
__attribute__((target("avx2"))) inline void BlendRun(Pixel* __restrict line, const uint32_t* __restrict cov, int n,
                                                    const Ink& ink)
{
    for (int i = 0; i < n; ++i)
        line[i] = BlendOne(line[i], ink, cov[i], kBlend);
}

// DiscRowPlain with four coverages at a time: the same double steps, the
// float rounding of cvtpd2ps and ToCoverage's limits as max / min (c > 0
// ? c : 0, c < 1 ? c : 1), no fused multiply-add.
__attribute__((target("avx2"))) void DiscRowAvx2(Pixel* line, int xa, int xb, double cx, double yc, double reach,
                                                 const Ink& ink, ShapeBlend blend)
{
    constexpr int kRun = 64;
    uint32_t cov[kRun];
    const double yc2 = yc * yc;
    const __m256d half = _mm256_set1_pd(0.5), centre = _mm256_set1_pd(cx), dy2 = _mm256_set1_pd(yc2),
                  outer = _mm256_set1_pd(reach);
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), scale = _mm_set1_ps(255.0f),
                 halfF = _mm_set1_ps(0.5f);
    for (int x0 = xa; x0 <= xb; x0 += kRun) {
        const int n = std::min(kRun, xb - x0 + 1);
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            const __m128i xs = _mm_add_epi32(_mm_set1_epi32(x0 + i), _mm_setr_epi32(0, 1, 2, 3));
            const __m256d xc = _mm256_sub_pd(_mm256_add_pd(_mm256_cvtepi32_pd(xs), half), centre);
            const __m256d d = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(xc, xc), dy2));
            __m128 c = _mm256_cvtpd_ps(_mm256_sub_pd(outer, d));
            c = _mm_min_ps(_mm_max_ps(c, zero), one);
            const __m128i q = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(c, scale), halfF));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cov + i), q);
        }
        for (; i < n; ++i) {
            const double xc = x0 + i + 0.5 - cx;
            cov[i] = DiscCoverage(reach, xc * xc + yc2);
        }
        if (blend == ShapeBlend::SrcOver)
            BlendRun<ShapeBlend::SrcOver>(line + x0, cov, n, ink);
        else
            BlendRun<ShapeBlend::Multiply>(line + x0, cov, n, ink);
    }
}
#endif

} // namespace

DiscRowFn DiscRow()
{
#ifdef PQ_DISC_AVX2
    static const DiscRowFn kRow = __builtin_cpu_supports("avx2") ? DiscRowAvx2 : DiscRowPlain;
    return kRow;
#else
    return DiscRowPlain;
#endif
}

} // namespace gfx
