#include "effects/painting/stochastic_samples.h"

#include "platform/numeric.h"

#include <algorithm>
#include <cstdlib>
#include <immintrin.h>

namespace pq {
namespace {

constexpr int kPadding = 4;

__attribute__((target("avx2"))) int64_t SampleRowGainAvx2(const SampleRow& r)
{
    const int count = (r.last - r.first) / r.step + 1;
    const double centre = double(r.side / 2);
    const __m256d cs = _mm256_set1_pd(r.cs), sn = _mm256_set1_pd(r.sn), scale = _mm256_set1_pd(r.scale);
    const __m256d dySn = _mm256_set1_pd(r.dy * r.sn), dyCs = _mm256_set1_pd(r.dy * r.cs);
    const __m256d c = _mm256_set1_pd(centre);
    const __m256i zero = _mm256_setzero_si256(), byteMax = _mm256_set1_epi32(255);
    const MarkWeights& mark = *r.mark;
    const uint8_t* weights = mark.weights.data();
    const __m256i left = _mm256_set1_epi32(mark.left), top = _mm256_set1_epi32(mark.top);
    const __m256i width = _mm256_set1_epi32(mark.width);
    const __m256i lastX = _mm256_set1_epi32(mark.width - 1), lastY = _mm256_set1_epi32(mark.height - 1);
    const __m256i lastColumn = _mm256_set1_epi32(r.last);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i steps = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(r.step));
    const __m256i opaqueEnough = _mm256_set1_epi32(10);
    __m256i colour[3];
    for (int ch = 0; ch < 3; ++ch)
        colour[ch] = _mm256_set1_epi32(r.colour[ch]);
    __m256i gain = zero;
    for (int i = 0; i < count; i += 8) {
        const __m256i px = _mm256_add_epi32(_mm256_set1_epi32(r.first + i * r.step), steps);
        const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(count - i), lanes);
        const __m256i dxI = _mm256_sub_epi32(px, _mm256_set1_epi32(r.x));
        __m128i bxHalf[2], byHalf[2];
        for (int h = 0; h < 2; ++h) {
            const __m256d dx = _mm256_cvtepi32_pd(h ? _mm256_extracti128_si256(dxI, 1) : _mm256_castsi256_si128(dxI));
            const __m256d u = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(dx, cs), dySn), scale), c);
            const __m256d v = _mm256_add_pd(_mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(dx, sn), dyCs), scale), c);
            bxHalf[h] = _mm256_cvtpd_epi32(_mm256_round_pd(u, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
            byHalf[h] = _mm256_cvtpd_epi32(_mm256_round_pd(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
        }
        // Inside the mark's box (which lies on the plane): 0 <= x < width,
        // 0 <= y < height.
        const __m256i wx = _mm256_sub_epi32(_mm256_set_m128i(bxHalf[1], bxHalf[0]), left);
        const __m256i wy = _mm256_sub_epi32(_mm256_set_m128i(byHalf[1], byHalf[0]), top);
        const __m256i outside =
            _mm256_or_si256(_mm256_or_si256(_mm256_cmpgt_epi32(zero, wx), _mm256_cmpgt_epi32(wx, lastX)),
                            _mm256_or_si256(_mm256_cmpgt_epi32(zero, wy), _mm256_cmpgt_epi32(wy, lastY)));
        const __m256i inside = _mm256_andnot_si256(outside, live);
        const __m256i texel = _mm256_and_si256(inside, _mm256_add_epi32(_mm256_mullo_epi32(wy, width), wx));
        __m256i k = _mm256_and_si256(_mm256_i32gather_epi32(reinterpret_cast<const int*>(weights), texel, 1), byteMax);
        k = _mm256_and_si256(k, inside);
        const __m256i column = _mm256_min_epi32(px, lastColumn);
        const __m256i photo = _mm256_i32gather_epi32(reinterpret_cast<const int*>(r.photo), column, 4);
        const __m256i canvas = _mm256_i32gather_epi32(reinterpret_cast<const int*>(r.canvas), column, 4);
        if (r.transparent)
            k = _mm256_andnot_si256(_mm256_cmpgt_epi32(opaqueEnough, _mm256_srli_epi32(photo, 24)), k);
        const __m256i rest = _mm256_sub_epi32(byteMax, k);
        const __m256i counted = _mm256_cmpgt_epi32(k, zero);
        __m256i sum = zero;
        for (int ch = 0; ch < 3; ++ch) {
            const int shift = 16 - 8 * ch;
            const __m256i tc = _mm256_and_si256(_mm256_srli_epi32(photo, shift), byteMax);
            const __m256i dc = _mm256_and_si256(_mm256_srli_epi32(canvas, shift), byteMax);
            // Every product and their sum stay below 2^16, in the low half
            // of each lane: 16-bit arithmetic gives them exactly.
            const __m256i mix = _mm256_add_epi32(_mm256_mullo_epi16(colour[ch], k), _mm256_mullo_epi16(dc, rest));
            // x / 255 = (x * 32897) >> 23 for 0 <= x <= 65025.
            const __m256i nc = _mm256_srli_epi32(_mm256_mulhi_epu16(mix, _mm256_set1_epi32(32897)), 7);
            sum = _mm256_add_epi32(sum, _mm256_sub_epi32(_mm256_abs_epi32(_mm256_sub_epi32(tc, dc)),
                                                         _mm256_abs_epi32(_mm256_sub_epi32(tc, nc))));
        }
        gain = _mm256_add_epi32(gain, _mm256_and_si256(sum, counted));
    }
    alignas(32) int32_t parts[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(parts), gain);
    int64_t total = 0;
    for (int32_t p : parts)
        total += p;
    return total;
}

} // namespace

MarkWeights::MarkWeights(const uint8_t* alpha, int side, int opacity)
{
    int x0 = side, x1 = -1, y0 = side, y1 = -1;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (alpha[size_t(y) * size_t(side) + size_t(x)] > 10) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    if (x1 >= 0) {
        left = x0;
        top = y0;
        width = x1 - x0 + 1;
        height = y1 - y0 + 1;
    }
    weights.assign(size_t(width) * size_t(height) + kPadding, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int a = alpha[size_t(top + y) * size_t(side) + size_t(left + x)];
            if (a > 10)
                weights[size_t(y) * size_t(width) + size_t(x)] = uint8_t(a * opacity / 255);
        }
}

int64_t SampleRowGainPlain(const SampleRow& r)
{
    const double centre = double(r.side / 2);
    int64_t gain = 0;
    for (int px = r.first; px <= r.last; px += r.step) {
        const int dx = px - r.x;
        const int bx = platform::Round((dx * r.cs - r.dy * r.sn) * r.scale + centre);
        const int by = platform::Round((dx * r.sn + r.dy * r.cs) * r.scale + centre);
        const MarkWeights& m = *r.mark;
        const int wx = bx - m.left, wy = by - m.top;
        if (bx < 0 || bx >= r.side || by < 0 || by >= r.side || wx < 0 || wx >= m.width || wy < 0 || wy >= m.height)
            continue;
        const int k = m.weights[size_t(wy) * size_t(m.width) + size_t(wx)];
        if (k <= 0)
            continue;
        const gfx::Pixel tp = r.photo[px];
        if (r.transparent && (tp >> 24) < 10)
            continue;
        const gfx::Pixel d = r.canvas[px];
        for (int ch = 0; ch < 3; ++ch) {
            const int shift = 16 - 8 * ch;
            const int tc = int((tp >> shift) & 255u), dc = int((d >> shift) & 255u);
            const int nc = (r.colour[ch] * k + dc * (255 - k)) / 255;
            gain += std::abs(tc - dc) - std::abs(tc - nc);
        }
    }
    return gain;
}

int64_t SampleRowGain(const SampleRow& row)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (!avx2 || row.first > row.last || int64_t(row.mark->width) * row.mark->height > (1 << 24) ||
        row.mark->width == 0)
        return SampleRowGainPlain(row);
    return SampleRowGainAvx2(row);
}

} // namespace pq
