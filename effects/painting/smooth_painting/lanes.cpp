#include "effects/painting/smooth_painting/lanes.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdlib>

namespace pq {
namespace {

void FitOnePlain(const SmoothPicture& p, const SmoothLaneBrush& b, int cx, int y, int32_t& count, uint32_t& mean,
                 int32_t& error)
{
    const int n = b.fit.pixels;
    // The blocked error reads the brush's whole square.
    const bool inside = n > 0 && b.size >= kFitLanes && cx >= b.half && cx + b.size - 1 - b.half < p.width &&
                        y >= b.half && y + b.size - 1 - b.half < p.height;
    const auto onPicture = [&](int qx, int qy) { return qx >= 0 && qx < p.width && qy >= 0 && qy < p.height; };
    int sr = 0, sg = 0, sb = 0, k = 0;
    if (inside) {
        UnpackSmoothSums(SmoothFitSum(p.sums->at(cx, y), b.fit), sr, sg, sb);
        k = n;
    } else {
        for (size_t r = 0, i = 0; r < b.rowDy.size(); ++r)
            for (; i < size_t(b.rowEnd[r]); ++i) {
                const int qx = cx + b.dx[i], qy = y + b.rowDy[r];
                if (!onPicture(qx, qy))
                    continue;
                const gfx::Pixel q = p.base[ptrdiff_t(qy) * p.stride + qx];
                sr += int((q >> 16) & 255u);
                sg += int((q >> 8) & 255u);
                sb += int(q & 255u);
                ++k;
            }
    }
    const int mr = k > 0 ? sr / k : 0, mg = k > 0 ? sg / k : 0, mb = k > 0 ? sb / k : 0;
    count = k;
    mean = uint32_t(mr) << 16 | uint32_t(mg) << 8 | uint32_t(mb);
    if (inside) {
        error = int32_t(SmoothFitError(p.base + ptrdiff_t(y) * p.stride + cx, b.fit, mr, mg, mb, kNoScore));
        return;
    }
    int32_t e = 0;
    for (size_t r = 0, i = 0; r < b.rowDy.size(); ++r)
        for (; i < size_t(b.rowEnd[r]); ++i) {
            const int qx = cx + b.dx[i], qy = y + b.rowDy[r];
            if (!onPicture(qx, qy)) {
                e += b.outside[i];
                continue;
            }
            const gfx::Pixel q = p.base[ptrdiff_t(qy) * p.stride + qx];
            const int d = std::abs(int((q >> 16) & 255u) - mr) + std::abs(int((q >> 8) & 255u) - mg) +
                          std::abs(int(q & 255u) - mb);
            e += (d * int32_t(b.weight[i] & 0xFFFFu)) >> 5;
        }
    error = e;
}

// One channel's sums of lanes 0-3 (lo) and 4-7 (hi), in order, over the
// counts: in floats, exact for values below 2^24.
__attribute__((target("avx2"), always_inline)) inline __m256i ChannelMeans(__m256i lo, __m256i hi, int shift,
                                                                           __m256 count)
{
    const __m256i mask = _mm256_set1_epi64x(0x1FFFFF);
    const __m128i by = _mm_cvtsi32_si128(shift);
    const __m256i a = _mm256_and_si256(_mm256_srl_epi64(lo, by), mask);
    const __m256i b = _mm256_and_si256(_mm256_srl_epi64(hi, by), mask);
    // The pack interleaves the halves: 0 4 1 5 2 6 3 7.
    const __m256i order = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    const __m256i sums = _mm256_permutevar8x32_epi32(_mm256_or_si256(a, _mm256_slli_epi64(b, 32)), order);
    return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(sums), count));
}

// The lanes' mean colours from the row sums at the first centre.
__attribute__((target("avx2"))) __m256i MeansAvx2(const uint64_t* sums, const SmoothBrushFit& fit, __m256i count)
{
    __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
    const size_t runs = fit.runFrom.size();
    for (size_t i = 0; i < runs; ++i) {
        const uint64_t* to = sums + fit.runTo[i];
        const uint64_t* from = sums + fit.runFrom[i];
        lo = _mm256_add_epi64(lo, _mm256_sub_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(to)),
                                                   _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from))));
        hi = _mm256_add_epi64(hi, _mm256_sub_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + 4)),
                                                   _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + 4))));
    }
    const __m256 n = _mm256_cvtepi32_ps(_mm256_max_epi32(count, _mm256_set1_epi32(1)));
    const __m256i r = ChannelMeans(lo, hi, 0, n), g = ChannelMeans(lo, hi, 21, n), b = ChannelMeans(lo, hi, 42, n);
    return _mm256_or_si256(b, _mm256_or_si256(_mm256_slli_epi32(g, 8), _mm256_slli_epi32(r, 16)));
}

// The lanes whose column x + lane is on the picture.
__attribute__((target("avx2"), always_inline)) inline __m256i OnPicture(int x, int width)
{
    const __m256i column = _mm256_add_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(x));
    return _mm256_and_si256(_mm256_cmpgt_epi32(column, _mm256_set1_epi32(-1)),
                            _mm256_cmpgt_epi32(_mm256_set1_epi32(width), column));
}

// (|b - mb| + |g - mg| + |r - mr|) * alpha >> 5 for the eight pixels at q.
__attribute__((target("avx2"), always_inline)) inline __m256i PixelErrors(__m256i q, __m256i mean, uint32_t weight)
{
    const __m256i diff = _mm256_sub_epi8(_mm256_max_epu8(q, mean), _mm256_min_epu8(q, mean));
    // b + g and r in 16 bits, then times alpha and added in 32.
    const __m256i pairs = _mm256_maddubs_epi16(diff, _mm256_set1_epi32(0x00010101));
    return _mm256_srli_epi32(_mm256_madd_epi16(pairs, _mm256_set1_epi32(int(weight))), 5);
}

__attribute__((target("avx2"))) void FitAvx2(const SmoothPicture& p, const SmoothLaneBrush& b, int x, int y,
                                             SmoothLaneFit& out)
{
    const bool inside = x + b.left >= 0 && x + kSmoothLanes - 1 + b.right < p.width && y + b.top >= 0 &&
                        y + b.bottom < p.height;
    const gfx::Pixel* centre = p.base + ptrdiff_t(y) * p.stride + x;
    const size_t n = b.dx.size();
    const auto rowOnPicture = [&](size_t r) { return y + b.rowDy[r] >= 0 && y + b.rowDy[r] < p.height; };
    __m256i count = _mm256_set1_epi32(int(n));
    if (!inside) {
        count = _mm256_setzero_si256();
        for (size_t r = 0, i = 0; r < b.rowDy.size(); i = size_t(b.rowEnd[r++])) {
            if (!rowOnPicture(r))
                continue;
            for (; i < size_t(b.rowEnd[r]); ++i)
                count = _mm256_sub_epi32(count, OnPicture(x + b.dx[i], p.width));
        }
    }
    const __m256i mean = MeansAvx2(p.sums->at(x, y), b.fit, count);
    __m256i e = _mm256_setzero_si256();
    if (inside) {
        for (size_t i = 0; i < n; ++i) {
            const __m256i q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(centre + b.at[i]));
            e = _mm256_add_epi32(e, PixelErrors(q, mean, b.weight[i]));
        }
    } else {
        int32_t off = 0;
        for (size_t r = 0, i = 0; r < b.rowDy.size(); ++r) {
            if (!rowOnPicture(r)) {
                for (; i < size_t(b.rowEnd[r]); ++i)
                    off += b.outside[i];
                continue;
            }
            for (; i < size_t(b.rowEnd[r]); ++i) {
                const __m256i on = OnPicture(x + b.dx[i], p.width);
                const __m256i q = _mm256_maskload_epi32(reinterpret_cast<const int*>(centre + b.at[i]), on);
                e = _mm256_add_epi32(
                    e, _mm256_blendv_epi8(_mm256_set1_epi32(b.outside[i]), PixelErrors(q, mean, b.weight[i]), on));
            }
        }
        e = _mm256_add_epi32(e, _mm256_set1_epi32(off));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.count), count);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.mean), mean);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.error), e);
}

} // namespace

SmoothLaneBrush LayOutSmoothLanes(const SmoothBrush& brush, const SmoothPicture& picture)
{
    SmoothLaneBrush b;
    b.size = brush.size;
    b.half = brush.size / 2;
    b.fit = LayOutSmoothBrush(brush, picture.stride, picture.sums->stride());
    for (const BrushPixel& px : brush.pixels) {
        if (b.rowDy.empty() || b.rowDy.back() != px.dy) {
            b.rowDy.push_back(px.dy);
            b.rowEnd.push_back(int(b.dx.size()));
        }
        b.dx.push_back(px.dx);
        b.at.push_back(ptrdiff_t(px.dy) * picture.stride + px.dx);
        b.weight.push_back(uint32_t(px.alpha) | uint32_t(px.alpha) << 16);
        b.outside.push_back((int32_t(px.alpha) * 255) >> 5);
        b.rowEnd.back() = int(b.dx.size());
        if (b.dx.size() == 1) {
            b.left = b.right = px.dx;
            b.top = b.bottom = px.dy;
        }
        b.left = std::min(b.left, px.dx);
        b.right = std::max(b.right, px.dx);
        b.top = std::min(b.top, px.dy);
        b.bottom = std::max(b.bottom, px.dy);
    }
    return b;
}

void FitSmoothLanesPlain(const SmoothPicture& picture, const SmoothLaneBrush& brush, int x, int y,
                         SmoothLaneFit& out)
{
    for (int i = 0; i < kSmoothLanes; ++i)
        FitOnePlain(picture, brush, x + i, y, out.count[i], out.mean[i], out.error[i]);
}

void FitSmoothLanes(const SmoothPicture& picture, const SmoothLaneBrush& brush, int x, int y, SmoothLaneFit& out)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        FitAvx2(picture, brush, x, y, out);
    else
        FitSmoothLanesPlain(picture, brush, x, y, out);
}

} // namespace pq
