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

// Eight neighbouring output pixels are computed side by side: lane l of a
// vector belongs to pixel x + l and goes through exactly the operations the
// one-pixel path performs, so both paths agree to the bit. A tap that does
// not count adds weight 0, which leaves a sum unchanged.
constexpr int kLanes = 8;
typedef float F8 __attribute__((vector_size(32)));
typedef int32_t I8 __attribute__((vector_size(32)));

PQ_INLINE F8 Splat(float v)
{
    return F8{} + v;
}

PQ_INLINE F8 Absolute(const F8& v)
{
    return (F8)((I8)v & 0x7FFFFFFF);
}

PQ_INLINE F8 Larger(const F8& a, const F8& b)
{
    return a > b ? a : b;
}

// Range weights of the largest Absolute channel differences (beyond 255
// only for neighbours out of reach, whose weight is dropped anyway).
PQ_INLINE F8 RangeWeights(const float* range, const F8& dr, const F8& dg, const F8& db)
{
    const F8 largest = Larger(Larger(Absolute(dr), Absolute(dg)), Absolute(db));
    const I8 m = __builtin_convertvector(largest < Splat(255.0f) ? largest : Splat(255.0f), I8);
    F8 w;
    for (int l = 0; l < kLanes; ++l)
        w[l] = range[m[l]];
    return w;
}

// The same from the first 32 entries, held in four vectors, for thresholds
// up to 31: a neighbour that passes differs by at most 31 in every channel.
struct NearRange {
    F8 t[4];

    explicit NearRange(const float* range)
    {
        for (int i = 0; i < 32; ++i)
            t[i / 8][i % 8] = range[i];
    }

    PQ_INLINE F8 weights(const F8& dr, const F8& dg, const F8& db) const
    {
        const F8 largest = Larger(Larger(Absolute(dr), Absolute(dg)), Absolute(db));
        const I8 m = __builtin_convertvector(largest < Splat(31.0f) ? largest : Splat(31.0f), I8);
#if defined(__clang__)
        // clang has no two-table shuffle: the same lookup lane by lane.
        F8 w;
        for (int i = 0; i < 8; ++i)
            w[i] = t[m[i] / 8][m[i] % 8];
        return w;
#else
        const F8 low = __builtin_shuffle(t[0], t[1], m);
        const F8 high = __builtin_shuffle(t[2], t[3], m);
        return m > 15 ? high : low;
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
// input's colours.
struct Band {
    int top = 0;
    int width = 0;
    std::vector<float> guide[3];
    std::vector<float> input[3];

    Band(const PassPlanes& p, bool joint, int first, int last) : top(first), width(p.width)
    {
        const size_t n = size_t(last - first) * size_t(p.width);
        const size_t offset = size_t(first) * size_t(p.width);
        for (int c = 0; c < 3; ++c) {
            guide[c].resize(n);
            for (size_t i = 0; i < n; ++i)
                guide[c][i] = float(p.guide[c][offset + i]);
            if (joint) {
                input[c].resize(n);
                for (size_t i = 0; i < n; ++i)
                    input[c][i] = float(p.input[c][offset + i]);
            }
        }
        for (size_t i = 0; i < n; ++i)
            if (p.alpha[offset + i] == 0)
                guide[0][i] = kOutOfReach;
    }

    static constexpr float kOutOfReach = 1.0e6f;
};

PQ_INLINE F8 Load(const float* p)
{
    F8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Pixels x .. x + 7, whose windows lie inside the picture horizontally.
// How a block finds its range weights: none (all 1), from the first 32
// entries, or entry by entry.
enum class RangeKind { None, Near, Far };

template <RangeKind Range, bool Joint>
PQ_INLINE void SmoothBlock(const PassPlanes& p, const Band& band, const NearRange& near, int x, int y, int dy0,
                           int dy1)
{
    const ptrdiff_t stride = p.width;
    const ptrdiff_t b = ptrdiff_t(y - band.top) * stride + x;
    const float* gr = band.guide[0].data();
    const float* gg = band.guide[1].data();
    const float* gb = band.guide[2].data();
    const float* er = Joint ? band.input[0].data() : gr;
    const float* eg = Joint ? band.input[1].data() : gg;
    const float* eb = Joint ? band.input[2].data() : gb;
    const F8 r0 = Load(gr + b), g0 = Load(gg + b), b0 = Load(gb + b);
    const F8 limit = Splat(float(p.threshold2));
    const int k = p.kernelWidth;
    F8 sr{}, sg{}, sb{}, sw{};
    for (int dy = dy0; dy <= dy1; ++dy) {
        const ptrdiff_t row = b + ptrdiff_t(dy) * stride - p.radius;
        const float* sp = p.spatial + ptrdiff_t(dy + p.radius) * k;
        for (int t = 0; t < k; ++t) {
            const ptrdiff_t j = row + t;
            const F8 dr = r0 - Load(gr + j), dg = g0 - Load(gg + j), db = b0 - Load(gb + j);
            const F8 d2 = dr * dr + dg * dg + db * db;
            F8 w = Splat(sp[t]);
            if constexpr (Range == RangeKind::Near)
                w = w * near.weights(dr, dg, db);
            else if constexpr (Range == RangeKind::Far)
                w = w * RangeWeights(p.range, dr, dg, db);
            w = (F8)((I8)w & (d2 <= limit));
            sr += Load(er + j) * w;
            sg += Load(eg + j) * w;
            sb += Load(eb + j) * w;
            sw += w;
        }
    }
    const ptrdiff_t i = ptrdiff_t(y) * stride + x;
    for (int l = 0; l < kLanes; ++l) {
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

template <RangeKind Range, bool Joint>
PQ_INLINE void Rows(const PassPlanes& p, int y0, int y1)
{
    constexpr bool kRanged = Range != RangeKind::None;
    const NearRange near(Range == RangeKind::Near ? p.range : kOnes);
    const int r = p.radius;
    const Band band(p, Joint, std::max(0, y0 - r), std::min(p.height, y1 + r));
    const int lastBlock = p.width - r - kLanes; // last x whose block fits
    for (int y = y0; y < y1; ++y) {
        const int dy0 = std::max(-r, -y), dy1 = std::min(r, p.height - 1 - y);
        int x = 0;
        while (x < p.width) {
            if (x >= r && x <= lastBlock) {
                SmoothBlock<Range, Joint>(p, band, near, x, y, dy0, dy1);
                x += kLanes;
            } else {
                SmoothPixel<kRanged>(p, x, y, dy0, dy1);
                ++x;
            }
        }
    }
}

} // namespace

// Compiled for AVX2 as well as for the baseline; the picked version only
// changes the speed (no fused multiply-add in either).
__attribute__((target_clones("avx2", "default"))) void SmoothRows(const PassPlanes& p, int y0, int y1)
{
    const bool joint = p.input[0] != p.guide[0];
    if (!p.range)
        joint ? Rows<RangeKind::None, true>(p, y0, y1) : Rows<RangeKind::None, false>(p, y0, y1);
    else if (p.threshold2 <= 31 * 31)
        joint ? Rows<RangeKind::Near, true>(p, y0, y1) : Rows<RangeKind::Near, false>(p, y0, y1);
    else
        joint ? Rows<RangeKind::Far, true>(p, y0, y1) : Rows<RangeKind::Far, false>(p, y0, y1);
}

} // namespace pq::smooth
