#include "engine/services/similarity_smooth_rows.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

// The vectors below never cross a call: everything is inlined into the
// versions of SmoothRows.
#pragma GCC diagnostic ignored "-Wpsabi"
#define PQ_INLINE inline __attribute__((always_inline))

namespace pq::smooth {
namespace {

// Eight (or, with AVX-512, sixteen) neighbouring output pixels are
// computed side by side: lane l of a vector belongs to pixel x + l and goes
// through exactly the operations the one-pixel path performs, so every path
// agrees to the bit. A tap that does not count adds weight 0, which leaves
// a sum unchanged.
template <int N>
struct Lanes {
    typedef float F __attribute__((vector_size(4 * N)));
    typedef int32_t I __attribute__((vector_size(4 * N)));
};
using F8 = Lanes<8>::F;
using F16 = Lanes<16>::F;

template <typename F>
PQ_INLINE F Splat(float v)
{
    return F{} + v;
}

template <typename F>
PQ_INLINE F Absolute(const F& v)
{
    using I = decltype(v < v);
    return (F)((I)v & 0x7FFFFFFF);
}

template <typename F>
PQ_INLINE F Larger(const F& a, const F& b)
{
    return a > b ? a : b;
}

// Range weights of the largest Absolute channel differences (beyond 255
// only for neighbours out of reach, whose weight is dropped anyway).
template <typename F>
PQ_INLINE F RangeWeights(const float* range, const F& dr, const F& dg, const F& db)
{
    using I = decltype(dr < dr);
    const F largest = Larger(Larger(Absolute(dr), Absolute(dg)), Absolute(db));
    const I m = __builtin_convertvector(largest < Splat<F>(255.0f) ? largest : Splat<F>(255.0f), I);
    F w;
    for (size_t l = 0; l < sizeof(F) / sizeof(float); ++l)
        w[l] = range[m[l]];
    return w;
}

// The same from the first 32 entries, held in vectors, for thresholds up
// to 31: a neighbour that passes differs by at most 31 in every channel.
struct NearRange {
    F8 t[4];
    F16 halves[2]; // entries 0..15 and 16..31

    explicit NearRange(const float* range)
    {
        for (int i = 0; i < 32; ++i) {
            t[i / 8][i % 8] = range[i];
            halves[i / 16][i % 16] = range[i];
        }
    }

    template <typename F>
    PQ_INLINE F weights(const F& dr, const F& dg, const F& db) const
    {
        using I = decltype(dr < dr);
        constexpr int kN = int(sizeof(F) / sizeof(float));
        const F largest = Larger(Larger(Absolute(dr), Absolute(dg)), Absolute(db));
        const I m = __builtin_convertvector(largest < Splat<F>(31.0f) ? largest : Splat<F>(31.0f), I);
#if defined(__clang__)
        // clang has no two-table shuffle: the same lookup lane by lane.
        F w;
        for (int i = 0; i < kN; ++i)
            w[i] = t[m[i] / 8][m[i] % 8];
        return w;
#else
        if constexpr (kN == 8) {
            const F low = __builtin_shuffle(t[0], t[1], m);
            const F high = __builtin_shuffle(t[2], t[3], m);
            return m > 15 ? high : low;
        } else {
            // Sixteen lanes take the 32 entries as two tables at once.
            return __builtin_shuffle(halves[0], halves[1], m);
        }
#endif
    }
};

constexpr float kOnes[32] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                             1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

// The weighted mean as a byte: rounded half to even, within 0..alpha.
PQ_INLINE uint8_t MeanByte(float sum, float inverse, int alpha)
{
    const int v = int(std::nearbyint(sum * inverse));
    return uint8_t(std::clamp(v, 0, alpha));
}

PQ_INLINE void CopyInput(const PassPlanes& p, ptrdiff_t i)
{
    for (int c = 0; c < 3; ++c)
        p.output[c][i] = p.input[c][i];
}

// One pixel, window clipped at the picture's edges.
template <bool Ranged>
PQ_INLINE void SmoothPixel(const PassPlanes& p, int x, int y, int dy0, int dy1)
{
    const ptrdiff_t stride = p.width;
    const ptrdiff_t i = ptrdiff_t(y) * stride + x;
    const int a = p.alpha[i];
    if (a == 0) {
        CopyInput(p, i);
        return;
    }
    const int r0 = p.guide[0][i], g0 = p.guide[1][i], b0 = p.guide[2][i];
    const int dx0 = std::max(-p.radius, -x), dx1 = std::min(p.radius, p.width - 1 - x);
    float sr = 0.0f, sg = 0.0f, sb = 0.0f, sw = 0.0f;
    for (int dy = dy0; dy <= dy1; ++dy) {
        const ptrdiff_t row = ptrdiff_t(y + dy) * stride + x;
        const float* sp = p.spatial + ptrdiff_t(dy + p.radius) * p.kernelWidth + p.radius;
        for (int dx = dx0; dx <= dx1; ++dx) {
            const ptrdiff_t j = row + dx;
            if (p.alpha[j] == 0)
                continue;
            const int dr = r0 - p.guide[0][j], dg = g0 - p.guide[1][j], db = b0 - p.guide[2][j];
            if (dr * dr + dg * dg + db * db > p.threshold2)
                continue;
            float w = sp[dx];
            if constexpr (Ranged)
                w = w * p.range[std::max({std::abs(dr), std::abs(dg), std::abs(db)})];
            sr += float(p.input[0][j]) * w;
            sg += float(p.input[1][j]) * w;
            sb += float(p.input[2][j]) * w;
            sw += w;
        }
    }
    const float inverse = 1.0f / sw;
    p.output[0][i] = MeanByte(sr, inverse, a);
    p.output[1][i] = MeanByte(sg, inverse, a);
    p.output[2][i] = MeanByte(sb, inverse, a);
}

// The Rows a band of output Rows reads, as floats: the guide's colours
// (red set far out of reach where the input is transparent, so that such a
// neighbour never passes the threshold) and, for a separate guide, the
// input's colours. The floats live in the thread's own buffer, kept from
// band to band.
struct Band {
    int top = 0;
    int width = 0;
    const float* guide[3] = {};
    const float* input[3] = {};

    Band(const PassPlanes& p, bool joint, int first, int last) : top(first), width(p.width)
    {
        thread_local std::vector<float> store;
        const size_t n = size_t(last - first) * size_t(p.width);
        const size_t offset = size_t(first) * size_t(p.width);
        if (store.size() < n * 6)
            store.resize(n * 6);
        for (int c = 0; c < 3; ++c) {
            float* g = store.data() + size_t(c) * n;
            for (size_t i = 0; i < n; ++i)
                g[i] = float(p.guide[c][offset + i]);
            guide[c] = g;
            if (joint) {
                float* e = store.data() + size_t(3 + c) * n;
                for (size_t i = 0; i < n; ++i)
                    e[i] = float(p.input[c][offset + i]);
                input[c] = e;
            }
        }
        float* red = store.data();
        for (size_t i = 0; i < n; ++i)
            if (p.alpha[offset + i] == 0)
                red[i] = kOutOfReach;
    }

    static constexpr float kOutOfReach = 1.0e6f;
};

template <typename F>
PQ_INLINE F Load(const float* p)
{
    F v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// How a block finds its range weights: none (all 1), from the first 32
// entries, or entry by entry.
enum class RangeKind { None, Near, Far };

// Pixels x .. x + N - 1, whose windows lie inside the picture horizontally.
template <RangeKind Range, bool Joint, int N>
PQ_INLINE void SmoothBlock(const PassPlanes& p, const Band& band, const NearRange& near, int x, int y, int dy0,
                           int dy1)
{
    using F = typename Lanes<N>::F;
    using I = typename Lanes<N>::I;
    const ptrdiff_t stride = p.width;
    const ptrdiff_t b = ptrdiff_t(y - band.top) * stride + x;
    const float* gr = band.guide[0];
    const float* gg = band.guide[1];
    const float* gb = band.guide[2];
    const float* er = Joint ? band.input[0] : gr;
    const float* eg = Joint ? band.input[1] : gg;
    const float* eb = Joint ? band.input[2] : gb;
    const F r0 = Load<F>(gr + b), g0 = Load<F>(gg + b), b0 = Load<F>(gb + b);
    const F limit = Splat<F>(float(p.threshold2));
    const int k = p.kernelWidth;
    F sr{}, sg{}, sb{}, sw{};
    for (int dy = dy0; dy <= dy1; ++dy) {
        const ptrdiff_t row = b + ptrdiff_t(dy) * stride - p.radius;
        const float* sp = p.spatial + ptrdiff_t(dy + p.radius) * k;
        for (int t = 0; t < k; ++t) {
            const ptrdiff_t j = row + t;
            const F dr = r0 - Load<F>(gr + j), dg = g0 - Load<F>(gg + j), db = b0 - Load<F>(gb + j);
            const F d2 = dr * dr + dg * dg + db * db;
            F w = Splat<F>(sp[t]);
            if constexpr (Range == RangeKind::Near)
                w = w * near.weights(dr, dg, db);
            else if constexpr (Range == RangeKind::Far)
                w = w * RangeWeights(p.range, dr, dg, db);
            w = (F)((I)w & (d2 <= limit));
            sr += Load<F>(er + j) * w;
            sg += Load<F>(eg + j) * w;
            sb += Load<F>(eb + j) * w;
            sw += w;
        }
    }
    const ptrdiff_t i = ptrdiff_t(y) * stride + x;
    for (int l = 0; l < N; ++l) {
        const int a = p.alpha[i + l];
        if (a == 0) {
            CopyInput(p, i + l);
            continue;
        }
        const float inverse = 1.0f / sw[l];
        p.output[0][i + l] = MeanByte(sr[l], inverse, a);
        p.output[1][i + l] = MeanByte(sg[l], inverse, a);
        p.output[2][i + l] = MeanByte(sb[l], inverse, a);
    }
}

// Wide: blocks of sixteen first, then of eight.
template <RangeKind Range, bool Joint, bool Wide>
PQ_INLINE void Rows(const PassPlanes& p, int y0, int y1)
{
    constexpr bool kRanged = Range != RangeKind::None;
    const NearRange near(Range == RangeKind::Near ? p.range : kOnes);
    const int r = p.radius;
    const Band band(p, Joint, std::max(0, y0 - r), std::min(p.height, y1 + r));
    const int lastBlock = p.width - r - 8;  // last x whose block of eight fits
    const int lastWide = p.width - r - 16; // of sixteen
    for (int y = y0; y < y1; ++y) {
        const int dy0 = std::max(-r, -y), dy1 = std::min(r, p.height - 1 - y);
        int x = 0;
        while (x < p.width) {
            if (Wide && x >= r && x <= lastWide) {
                SmoothBlock<Range, Joint, 16>(p, band, near, x, y, dy0, dy1);
                x += 16;
            } else if (x >= r && x <= lastBlock) {
                SmoothBlock<Range, Joint, 8>(p, band, near, x, y, dy0, dy1);
                x += 8;
            } else {
                SmoothPixel<kRanged>(p, x, y, dy0, dy1);
                ++x;
            }
        }
    }
}

template <bool Wide>
PQ_INLINE void AnyRows(const PassPlanes& p, int y0, int y1)
{
    const bool joint = p.input[0] != p.guide[0];
    if (!p.range)
        joint ? Rows<RangeKind::None, true, Wide>(p, y0, y1) : Rows<RangeKind::None, false, Wide>(p, y0, y1);
    else if (p.threshold2 <= 31 * 31)
        joint ? Rows<RangeKind::Near, true, Wide>(p, y0, y1) : Rows<RangeKind::Near, false, Wide>(p, y0, y1);
    else
        joint ? Rows<RangeKind::Far, true, Wide>(p, y0, y1) : Rows<RangeKind::Far, false, Wide>(p, y0, y1);
}

} // namespace

// Compiled for AVX2 as well as for the baseline; the picked version only
// changes the speed (no fused multiply-add in any).
__attribute__((target_clones("avx2", "default"))) void SmoothRowsEight(const PassPlanes& p, int y0, int y1)
{
    AnyRows<false>(p, y0, y1);
}

__attribute__((target("avx512f,avx512dq,avx512bw,avx512vl"))) void SmoothRowsSixteen(const PassPlanes& p, int y0,
                                                                                    int y1)
{
    AnyRows<true>(p, y0, y1);
}

bool HasSixteenLanes()
{
    static const bool kHas = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                             __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
    return kHas;
}

void SmoothRows(const PassPlanes& p, int y0, int y1)
{
    if (HasSixteenLanes())
        SmoothRowsSixteen(p, y0, y1);
    else
        SmoothRowsEight(p, y0, y1);
}

} // namespace pq::smooth
