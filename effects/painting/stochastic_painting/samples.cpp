#include "effects/painting/stochastic_painting/samples.h"

#include "platform/numeric.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <immintrin.h>

namespace pq {
namespace {

constexpr int kPadding = 4;

// What every row of a try shares, in vector registers.
struct WideTry {
    __m256d cs, sn, scale, centre;
    __m256i left, top, width, lastX, lastY, steps;
    __m256i colour[3];
    const uint8_t* weights = nullptr;
    int step = 1;
    bool transparent = false;
};

__attribute__((target("avx2"))) WideTry MakeWideTry(const MarkWeights& mark, int side, int step, double cs, double sn,
                                                    double scale, const int* colour, bool transparent)
{
    WideTry t;
    t.cs = _mm256_set1_pd(cs);
    t.sn = _mm256_set1_pd(sn);
    t.scale = _mm256_set1_pd(scale);
    t.centre = _mm256_set1_pd(double(side / 2));
    t.left = _mm256_set1_epi32(mark.left);
    t.top = _mm256_set1_epi32(mark.top);
    t.width = _mm256_set1_epi32(mark.width);
    t.lastX = _mm256_set1_epi32(mark.width - 1);
    t.lastY = _mm256_set1_epi32(mark.height - 1);
    t.steps = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(step));
    for (int ch = 0; ch < 3; ++ch)
        t.colour[ch] = _mm256_set1_epi32(colour[ch]);
    t.weights = mark.weights.data();
    t.step = step;
    t.transparent = transparent;
    return t;
}

// The gain of the row's columns first, first + step, ... up to last, added
// to the lanes of `gain`.
__attribute__((target("avx2"), always_inline)) inline __m256i AddRowGainAvx2(const WideTry& t, const gfx::Pixel* photoRow,
                                                                           const gfx::Pixel* canvasRow, int x, int dy,
                                                                           double sn, double cs, int first, int last,
                                                                           __m256i gain)
{
    const int count = (last - first) / t.step + 1;
    const __m256d dySn = _mm256_set1_pd(dy * sn), dyCs = _mm256_set1_pd(dy * cs);
    const __m256i zero = _mm256_setzero_si256(), byteMax = _mm256_set1_epi32(255);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i lastColumn = _mm256_set1_epi32(last);
    for (int i = 0; i < count; i += 8) {
        const __m256i px = _mm256_add_epi32(_mm256_set1_epi32(first + i * t.step), t.steps);
        const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(count - i), lanes);
        const __m256i dxI = _mm256_sub_epi32(px, _mm256_set1_epi32(x));
        __m128i bxHalf[2], byHalf[2];
        for (int h = 0; h < 2; ++h) {
            const __m256d dx = _mm256_cvtepi32_pd(h ? _mm256_extracti128_si256(dxI, 1) : _mm256_castsi256_si128(dxI));
            const __m256d u =
                _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(dx, t.cs), dySn), t.scale), t.centre);
            const __m256d v =
                _mm256_add_pd(_mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(dx, t.sn), dyCs), t.scale), t.centre);
            bxHalf[h] = _mm256_cvtpd_epi32(_mm256_round_pd(u, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
            byHalf[h] = _mm256_cvtpd_epi32(_mm256_round_pd(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
        }
        // Inside the mark's box (which lies on the plane): 0 <= x < width,
        // 0 <= y < height.
        const __m256i wx = _mm256_sub_epi32(_mm256_set_m128i(bxHalf[1], bxHalf[0]), t.left);
        const __m256i wy = _mm256_sub_epi32(_mm256_set_m128i(byHalf[1], byHalf[0]), t.top);
        const __m256i outside =
            _mm256_or_si256(_mm256_or_si256(_mm256_cmpgt_epi32(zero, wx), _mm256_cmpgt_epi32(wx, t.lastX)),
                            _mm256_or_si256(_mm256_cmpgt_epi32(zero, wy), _mm256_cmpgt_epi32(wy, t.lastY)));
        const __m256i inside = _mm256_andnot_si256(outside, live);
        const __m256i texel = _mm256_and_si256(inside, _mm256_add_epi32(_mm256_mullo_epi32(wy, t.width), wx));
        __m256i k =
            _mm256_and_si256(_mm256_i32gather_epi32(reinterpret_cast<const int*>(t.weights), texel, 1), byteMax);
        k = _mm256_and_si256(k, inside);
        const __m256i column = _mm256_min_epi32(px, lastColumn);
        const __m256i photo = _mm256_i32gather_epi32(reinterpret_cast<const int*>(photoRow), column, 4);
        const __m256i canvas = _mm256_i32gather_epi32(reinterpret_cast<const int*>(canvasRow), column, 4);
        if (t.transparent)
            k = _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(10), _mm256_srli_epi32(photo, 24)), k);
        const __m256i rest = _mm256_sub_epi32(byteMax, k);
        const __m256i counted = _mm256_cmpgt_epi32(k, zero);
        __m256i sum = zero;
        for (int ch = 0; ch < 3; ++ch) {
            const int shift = 16 - 8 * ch;
            const __m256i tc = _mm256_and_si256(_mm256_srli_epi32(photo, shift), byteMax);
            const __m256i dc = _mm256_and_si256(_mm256_srli_epi32(canvas, shift), byteMax);
            // Every product and their sum stay below 2^16, in the low half
            // of each lane: 16-bit arithmetic gives them exactly.
            const __m256i mix = _mm256_add_epi32(_mm256_mullo_epi16(t.colour[ch], k), _mm256_mullo_epi16(dc, rest));
            // x / 255 = (x * 32897) >> 23 for 0 <= x <= 65025.
            const __m256i nc = _mm256_srli_epi32(_mm256_mulhi_epu16(mix, _mm256_set1_epi32(32897)), 7);
            sum = _mm256_add_epi32(sum, _mm256_sub_epi32(_mm256_abs_epi32(_mm256_sub_epi32(tc, dc)),
                                                         _mm256_abs_epi32(_mm256_sub_epi32(tc, nc))));
        }
        gain = _mm256_add_epi32(gain, _mm256_and_si256(sum, counted));
    }
    return gain;
}

__attribute__((target("avx2"))) int64_t LaneSum(__m256i gain)
{
    alignas(32) int32_t parts[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(parts), gain);
    int64_t total = 0;
    for (int32_t p : parts)
        total += p;
    return total;
}

__attribute__((target("avx2"))) int64_t SampleRowGainAvx2(const SampleRow& r)
{
    const WideTry t = MakeWideTry(*r.mark, r.side, r.step, r.cs, r.sn, r.scale, r.colour, r.transparent);
    return LaneSum(AddRowGainAvx2(t, r.photo, r.canvas, r.x, r.dy, r.sn, r.cs, r.first, r.last,
                                  _mm256_setzero_si256()));
}

// How a try's rows are cut to the columns whose samples may land on the
// mark: the columns dx where (dx a + b) lies in [lo, hi] for both mark axes,
// widened by one column. Only the cut's margins matter, not its last bit.
struct BoxCut {
    double au = 0.0, av = 0.0;       // a of each axis
    double inverseU = 0.0, inverseV = 0.0;
    bool flatU = false, flatV = false; // a is about 0: a row is all in or all out
};

inline BoxCut MakeBoxCut(const SampleBox& b)
{
    BoxCut c;
    c.au = b.cs * b.scale;
    c.av = b.sn * b.scale;
    c.flatU = std::fabs(c.au) < 1e-9;
    c.flatV = std::fabs(c.av) < 1e-9;
    c.inverseU = c.flatU ? 0.0 : 1.0 / c.au;
    c.inverseV = c.flatV ? 0.0 : 1.0 / c.av;
    return c;
}

// Narrows [from, to] to the columns where a dx + b can lie in [lo, hi];
// false when none can.
__attribute__((always_inline)) inline bool Narrow(bool flat, double inverse, double b, double lo, double hi,
                                                  double& from, double& to)
{
    if (flat)
        return b >= lo && b <= hi;
    double x0 = (lo - b) * inverse, x1 = (hi - b) * inverse;
    if (x0 > x1)
        std::swap(x0, x1);
    from = std::max(from, x0 - 1.0);
    to = std::min(to, x1 + 1.0);
    return from <= to;
}

// The first row of the box with samples, and its first sample column.
// The sample rows first..last where the mark positions within the bounds
// can lie: dy = (v cos - u sin) / scale for (u, v) within them, two rows
// spared.
inline void BoxRows(const SampleBox& b, int& first, int& last)
{
    const double lowU = std::min(-b.sn * b.uLo, -b.sn * b.uHi), highU = std::max(-b.sn * b.uLo, -b.sn * b.uHi);
    const double lowV = std::min(b.cs * b.vLo, b.cs * b.vHi), highV = std::max(b.cs * b.vLo, b.cs * b.vHi);
    const double low = std::floor((lowU + lowV) / b.scale) - 2.0, high = std::ceil((highU + highV) / b.scale) + 2.0;
    const int top = low < double(b.top - b.y) ? b.top : b.y + int(low);
    last = high > double(b.bottom - b.y) ? b.bottom : b.y + int(high);
    first = (top + b.step - 1) / b.step * b.step;
}
inline int FirstBoxColumn(const SampleBox& b) { return (b.left + b.step - 1) / b.step * b.step; }

// The sample columns first..last of row py that may land on the mark; false
// when there are none.
__attribute__((always_inline)) inline bool BoxRowColumns(const SampleBox& b, const BoxCut& c, int py, int firstCol,
                                                         int& first, int& last)
{
    const int dy = py - b.y;
    double from = -1e18, to = 1e18;
    if (!Narrow(c.flatU, c.inverseU, -dy * b.sn * b.scale, b.uLo, b.uHi, from, to) ||
        !Narrow(c.flatV, c.inverseV, dy * b.cs * b.scale, b.vLo, b.vHi, from, to))
        return false;
    const int lo = std::max(b.left, int(std::max(-1e9, std::ceil(from))) + b.x);
    last = std::min(b.right, int(std::min(1e9, std::floor(to))) + b.x);
    if (lo > last)
        return false;
    first = std::max(firstCol, (lo + b.step - 1) / b.step * b.step);
    return first <= last;
}

__attribute__((target("avx2"))) int64_t SampleBoxGainAvx2(const SampleBox& b)
{
    const WideTry t = MakeWideTry(*b.mark, b.side, b.step, b.cs, b.sn, b.scale, b.colour, b.transparent);
    __m256i gain = _mm256_setzero_si256();
    const BoxCut cut = MakeBoxCut(b);
    const int firstCol = FirstBoxColumn(b);
    int firstRow = 0, lastRow = 0, first = 0, last = 0;
    BoxRows(b, firstRow, lastRow);
    for (int py = firstRow; py <= lastRow; py += b.step)
        if (BoxRowColumns(b, cut, py, firstCol, first, last))
            gain = AddRowGainAvx2(t, b.photo + py * b.photoStride, b.canvas + py * b.canvasStride, b.x, py - b.y,
                                  b.sn, b.cs, first, last, gain);
    return LaneSum(gain);
}

bool WideFits(const MarkWeights& m)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 && m.width != 0 && int64_t(m.width) * m.height <= (1 << 24);
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
    if (row.first > row.last || !WideFits(*row.mark))
        return SampleRowGainPlain(row);
    return SampleRowGainAvx2(row);
}

int64_t SampleBoxGainPlain(const SampleBox& b)
{
    SampleRow row;
    row.mark = b.mark;
    row.side = b.side;
    row.x = b.x;
    row.step = b.step;
    row.cs = b.cs;
    row.sn = b.sn;
    row.scale = b.scale;
    row.colour = b.colour;
    row.transparent = b.transparent;
    int64_t gain = 0;
    const BoxCut cut = MakeBoxCut(b);
    const int firstCol = FirstBoxColumn(b);
    int firstRow = 0, lastRow = 0;
    BoxRows(b, firstRow, lastRow);
    for (int py = firstRow; py <= lastRow; py += b.step)
        if (BoxRowColumns(b, cut, py, firstCol, row.first, row.last)) {
            row.dy = py - b.y;
            row.photo = b.photo + py * b.photoStride;
            row.canvas = b.canvas + py * b.canvasStride;
            gain += SampleRowGainPlain(row);
        }
    return gain;
}

int64_t SampleBoxGain(const SampleBox& box)
{
    if (!WideFits(*box.mark))
        return SampleBoxGainPlain(box);
    return SampleBoxGainAvx2(box);
}

} // namespace pq
