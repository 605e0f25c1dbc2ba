#include "engine/lut/lut_mapper.h"

#include "gfx/pixel_math.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PQ_LUT_AVX2 1
#endif

namespace pq {
namespace {

using gfx::px::F4;

// One entry as R, G, B and a fourth lane that is never used. All but the
// last entry are read with one 16-byte load (the fourth lane then holds
// the next entry's red).
inline F4 Entry(const LUTColor* t, int i, int last)
{
    if (i < last) {
        F4 v;
        std::memcpy(&v, t + i, sizeof v);
        return v;
    }
    return F4{t[i].r, t[i].g, t[i].b, 0.0f};
}

// Round(v) limited to 0..255, halves to even; not-a-number gives 0.
inline int ToByte(float v)
{
    v = v >= 0.0f ? v : 0.0f;
    v = v <= 255.0f ? v : 255.0f;
    return int(gfx::px::RoundEven(v));
}

bool HasAvx2()
{
#ifdef PQ_LUT_AVX2
    static const bool kAvx2 = __builtin_cpu_supports("avx2");
    return kAvx2;
#else
    return false;
#endif
}

} // namespace

LUTMapper::LUTMapper(const CubeLUT& lut, float intensity, Path path)
    : table_(lut.lut.data()),
      last_(int(lut.lut.size()) - 1),
      size_(lut.lutSize),
      intensity_(std::clamp(intensity, 0.0f, 1.0f)),
      mix_(intensity_ < 1.0f),
      avx2_(path == Path::Fastest && HasAvx2())
{
    // The entries' floats and one more, so that every entry can be read
    // with a 16-byte load.
    static_assert(sizeof(LUTColor) == 3 * sizeof(float));
    if (avx2_) {
        padded_.resize(3 * lut.lut.size() + 1, 0.0f);
        std::memcpy(padded_.data(), lut.lut.data(), lut.lut.size() * sizeof(LUTColor));
    }
    const int n = lut.lutSize;
    const float last = float(n - 1);
    int axisIndex = 0;
    auto axis = [&](Axis& a, float lo, float hi, int stride) {
        const float width = hi - lo;
        const float inv = width > 0.0f ? 1.0f / width : 1.0f;
        scale_[axisIndex++] = {lo, inv, stride};
        for (int v = 0; v < 256; ++v) {
            float x = (float(v) / 255.0f - lo) * inv * last;
            x = x >= 0.0f ? x : 0.0f; // also for not-a-number
            x = x <= last ? x : last;
            const int i0 = int(x);
            a[size_t(v)] = {i0 * stride, i0 < n - 1 ? stride : 0, x - float(i0)};
        }
    };
    axis(red_, lut.domainMin.r, lut.domainMax.r, 1);
    axis(green_, lut.domainMin.g, lut.domainMax.g, n);
    axis(blue_, lut.domainMin.b, lut.domainMax.b, n * n);
}

inline void LUTMapper::mapColour(int r, int g, int b, int out[3]) const
{
    const AxisPoint& pr = red_[size_t(r)];
    const AxisPoint& pg = green_[size_t(g)];
    const AxisPoint& pb = blue_[size_t(b)];
    const int i = pr.base + pg.base + pb.base;
    const int sx = pr.step, sy = pg.step, sz = pb.step;
    const float fx = pr.frac, fy = pg.frac, fz = pb.frac;

    // The tetrahedron from C000 to C111 through corners a and b: a is one
    // step along the axis of the largest fraction, b one more along the
    // second; the weights are the fractions in that order. Ties go as the
    // six cases rank them: fx >= fy >= fz; fx >= fz > fy; fz > fx >= fy;
    // fz >= fy > fx; fy > fz >= fx; fy > fx > fz. Chosen without branches
    // (the order changes from pixel to pixel).
    static constexpr uint8_t kOrder[6][3] = {{0, 1, 2}, {0, 2, 1}, {2, 0, 1}, {2, 1, 0}, {1, 2, 0}, {1, 0, 2}};
    const int xy = fx >= fy, yz = fy >= fz, xz = fx >= fz, zy = fz >= fy, zx = fz >= fx;
    const int k = xy * (1 - yz) * (2 - xz) + (1 - xy) * (3 + (1 - zy) * (2 - zx));
    const int steps[3] = {sx, sy, sz};
    const float fractions[3] = {fx, fy, fz};
    const uint8_t* order = kOrder[k];
    const int ia = i + steps[order[0]];
    const int ib = ia + steps[order[1]];
    const float w1 = fractions[order[0]], w2 = fractions[order[1]], w3 = fractions[order[2]];
    const F4 c000 = Entry(table_, i, last_), ca = Entry(table_, ia, last_), cb = Entry(table_, ib, last_),
             c111 = Entry(table_, i + sx + sy + sz, last_);
    F4 v = c000 + gfx::px::Splat(w1) * (ca - c000);
    v = v + gfx::px::Splat(w2) * (cb - ca);
    v = v + gfx::px::Splat(w3) * (c111 - cb);
    // Round(v 255) limited to 0..255; not-a-number gives 0.
    v = v * gfx::px::Splat(255.0f);
    v = v >= gfx::px::Splat(0.0f) ? v : gfx::px::Splat(0.0f);
    v = v <= gfx::px::Splat(255.0f) ? v : gfx::px::Splat(255.0f);
    const gfx::px::I4 q = __builtin_convertvector(gfx::px::RoundEven(v), gfx::px::I4);
    out[0] = q[0];
    out[1] = q[1];
    out[2] = q[2];
    if (mix_) {
        const int in[3] = {r, g, b};
        for (int c = 0; c < 3; ++c)
            out[c] = ToByte(float(in[c]) + float(out[c] - in[c]) * intensity_);
    }
}

inline gfx::Pixel LUTMapper::mapPixel(gfx::Pixel p) const
{
    const int a = int(p >> 24);
    if (a == 0)
        return p;
    int out[3];
    int r = int((p >> 16) & 0xFF), g = int((p >> 8) & 0xFF), b = int(p & 0xFF);
    if (a == 255) {
        mapColour(r, g, b, out);
        return 0xFF000000u | gfx::Pixel(out[0]) << 16 | gfx::Pixel(out[1]) << 8 | gfx::Pixel(out[2]);
    }
    r = std::min(255, r * 255 / a);
    g = std::min(255, g * 255 / a);
    b = std::min(255, b * 255 / a);
    mapColour(r, g, b, out);
    return gfx::Pixel(a) << 24 | gfx::Pixel(out[0] * a / 255) << 16 | gfx::Pixel(out[1] * a / 255) << 8 |
           gfx::Pixel(out[2] * a / 255);
}

void LUTMapper::mapRow(const gfx::Pixel* src, gfx::Pixel* dst, int width) const
{
    if (avx2_) {
        mapRowAvx2(src, dst, width);
        return;
    }
    for (int x = 0; x < width; ++x)
        dst[x] = mapPixel(src[x]);
}

#ifdef PQ_LUT_AVX2
namespace {

// a where the mask is set, else b (masks are whole lanes).
__attribute__((target("avx2"))) inline __m256 Pick(__m256 mask, __m256 a, __m256 b)
{
    return _mm256_blendv_ps(b, a, mask);
}

__attribute__((target("avx2"))) inline __m256i Pick(__m256 mask, __m256i a, __m256i b)
{
    return _mm256_blendv_epi8(b, a, _mm256_castps_si256(mask));
}

// v limited to lo..hi as `v >= lo ? v : lo` then `v <= hi ? v : hi`:
// not-a-number gives lo.
__attribute__((target("avx2"))) inline __m256 Limit(__m256 v, __m256 lo, __m256 hi)
{
    v = Pick(_mm256_cmp_ps(v, lo, _CMP_GE_OQ), v, lo);
    return Pick(_mm256_cmp_ps(v, hi, _CMP_LE_OQ), v, hi);
}

// Float offsets of entries: three per entry.
__attribute__((target("avx2"))) inline __m256i Times3(__m256i v)
{
    return _mm256_add_epi32(_mm256_add_epi32(v, v), v);
}

// Four floats from lo in the lower half, four from hi in the upper one.
__attribute__((target("avx2"))) inline __m256 EntryPair(const float* lo, const float* hi)
{
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(lo)), _mm_loadu_ps(hi), 1);
}

// The r, g and b of eight entries, each read with one 16-byte load at its
// float offset (the fourth float is not used), as three vectors: entry j
// in lane j.
__attribute__((target("avx2"))) inline void Corners(const float* t, __m256i offsets, __m256& r, __m256& g, __m256& b)
{
    alignas(32) int o[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(o), offsets);
    const __m256 e0 = EntryPair(t + o[0], t + o[4]), e1 = EntryPair(t + o[1], t + o[5]),
                 e2 = EntryPair(t + o[2], t + o[6]), e3 = EntryPair(t + o[3], t + o[7]);
    // A 4 x 4 transpose in each half: r0 r1 g0 g1, b0 b1 . ., r2 r3 g2 g3,
    // b2 b3 . . (and the same for entries 4 to 7 above).
    const __m256d t0 = _mm256_castps_pd(_mm256_unpacklo_ps(e0, e1)), t1 = _mm256_castps_pd(_mm256_unpackhi_ps(e0, e1));
    const __m256d t2 = _mm256_castps_pd(_mm256_unpacklo_ps(e2, e3)), t3 = _mm256_castps_pd(_mm256_unpackhi_ps(e2, e3));
    r = _mm256_castpd_ps(_mm256_unpacklo_pd(t0, t2));
    g = _mm256_castpd_ps(_mm256_unpackhi_pd(t0, t2));
    b = _mm256_castpd_ps(_mm256_unpacklo_pd(t1, t3));
}

// Round half to even of lanes within 0..255, as integers.
__attribute__((target("avx2"))) inline __m256i ToBytes(__m256 v)
{
    const __m256 magic = _mm256_set1_ps(12582912.0f);
    return _mm256_cvttps_epi32(_mm256_sub_ps(_mm256_add_ps(v, magic), magic));
}

} // namespace

// Eight opaque pixels at a time with the same single-precision steps as
// mapColour, lane by lane (no fused multiply-add); groups with any other
// alpha go pixel by pixel.
__attribute__((target("avx2"))) void LUTMapper::mapRowAvx2(const gfx::Pixel* src, gfx::Pixel* dst, int width) const
{
    const __m256i byteMask = _mm256_set1_epi32(0xFF);
    const __m256 zero = _mm256_setzero_ps();
    const __m256 full = _mm256_set1_ps(255.0f);
    const __m256 last = _mm256_set1_ps(float(size_ - 1));
    const __m256i lastIndex = _mm256_set1_epi32(size_ - 1);
    const __m256 intensity = _mm256_set1_ps(intensity_);
    const float* const table = padded_.data();
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x));
        const __m256i alpha = _mm256_srli_epi32(p, 24);
        if (_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(alpha, byteMask))) != 0xFF) {
            for (int j = 0; j < 8; ++j)
                dst[x + j] = mapPixel(src[x + j]);
            continue;
        }
        const __m256i in[3] = {_mm256_and_si256(_mm256_srli_epi32(p, 16), byteMask),
                               _mm256_and_si256(_mm256_srli_epi32(p, 8), byteMask),
                               _mm256_and_si256(p, byteMask)};
        __m256i base[3], step[3];
        __m256 frac[3];
        for (int c = 0; c < 3; ++c) {
            const AxisScale& s = scale_[c];
            __m256 v = _mm256_div_ps(_mm256_cvtepi32_ps(in[c]), full);
            v = _mm256_mul_ps(_mm256_mul_ps(_mm256_sub_ps(v, _mm256_set1_ps(s.lo)), _mm256_set1_ps(s.inv)), last);
            v = Limit(v, zero, last);
            const __m256i i0 = _mm256_cvttps_epi32(v);
            const __m256i stride = _mm256_set1_epi32(s.stride);
            frac[c] = _mm256_sub_ps(v, _mm256_cvtepi32_ps(i0));
            base[c] = _mm256_mullo_epi32(i0, stride);
            step[c] = _mm256_and_si256(_mm256_cmpgt_epi32(lastIndex, i0), stride);
        }
        const __m256 fx = frac[0], fy = frac[1], fz = frac[2];
        // The six tetrahedra with mapColour's ties: A x y z, B x z y,
        // C z x y, D z y x, E y z x, F y x z.
        const __m256 xy = _mm256_cmp_ps(fx, fy, _CMP_GE_OQ), yz = _mm256_cmp_ps(fy, fz, _CMP_GE_OQ),
                     xz = _mm256_cmp_ps(fx, fz, _CMP_GE_OQ), zy = _mm256_cmp_ps(fz, fy, _CMP_GE_OQ),
                     zx = _mm256_cmp_ps(fz, fx, _CMP_GE_OQ);
        const __m256 a = _mm256_and_ps(xy, yz);
        const __m256 b = _mm256_and_ps(_mm256_andnot_ps(yz, xy), xz);
        const __m256 cc = _mm256_andnot_ps(xz, _mm256_andnot_ps(yz, xy));
        const __m256 d = _mm256_andnot_ps(xy, zy);
        const __m256 notXy = _mm256_andnot_ps(xy, _mm256_castsi256_ps(_mm256_set1_epi32(-1)));
        const __m256 e = _mm256_andnot_ps(zy, _mm256_and_ps(notXy, zx));
        const __m256 f = _mm256_andnot_ps(zx, _mm256_andnot_ps(zy, notXy));
        const __m256 firstX = _mm256_or_ps(a, b), firstZ = _mm256_or_ps(cc, d);
        const __m256 secondY = _mm256_or_ps(a, d), secondZ = _mm256_or_ps(b, e);
        const __m256 thirdZ = _mm256_or_ps(a, f), thirdY = _mm256_or_ps(b, cc);
        const __m256 w1 = Pick(firstX, fx, Pick(firstZ, fz, fy));
        const __m256 w2 = Pick(secondY, fy, Pick(secondZ, fz, fx));
        const __m256 w3 = Pick(thirdZ, fz, Pick(thirdY, fy, fx));
        const __m256i s1 = Pick(firstX, step[0], Pick(firstZ, step[2], step[1]));
        const __m256i s2 = Pick(secondY, step[1], Pick(secondZ, step[2], step[0]));
        const __m256i i = _mm256_add_epi32(_mm256_add_epi32(base[0], base[1]), base[2]);
        const __m256i ia = _mm256_add_epi32(i, s1);
        const __m256i ib = _mm256_add_epi32(ia, s2);
        const __m256i i111 = _mm256_add_epi32(i, _mm256_add_epi32(_mm256_add_epi32(step[0], step[1]), step[2]));
        const __m256i o000 = Times3(i), oa = Times3(ia), ob = Times3(ib), o111 = Times3(i111);
        __m256 c000[3], ca[3], cb[3], c111[3];
        Corners(table, o000, c000[0], c000[1], c000[2]);
        Corners(table, oa, ca[0], ca[1], ca[2]);
        Corners(table, ob, cb[0], cb[1], cb[2]);
        Corners(table, o111, c111[0], c111[1], c111[2]);
        __m256i out[3];
        for (int c = 0; c < 3; ++c) {
            __m256 v = _mm256_add_ps(c000[c], _mm256_mul_ps(w1, _mm256_sub_ps(ca[c], c000[c])));
            v = _mm256_add_ps(v, _mm256_mul_ps(w2, _mm256_sub_ps(cb[c], ca[c])));
            v = _mm256_add_ps(v, _mm256_mul_ps(w3, _mm256_sub_ps(c111[c], cb[c])));
            out[c] = ToBytes(Limit(_mm256_mul_ps(v, full), zero, full));
            if (mix_) {
                const __m256 diff = _mm256_cvtepi32_ps(_mm256_sub_epi32(out[c], in[c]));
                const __m256 mixed = _mm256_add_ps(_mm256_cvtepi32_ps(in[c]), _mm256_mul_ps(diff, intensity));
                out[c] = ToBytes(Limit(mixed, zero, full));
            }
        }
        const __m256i packed = _mm256_or_si256(
            _mm256_or_si256(_mm256_set1_epi32(int(0xFF000000u)), _mm256_slli_epi32(out[0], 16)),
            _mm256_or_si256(_mm256_slli_epi32(out[1], 8), out[2]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), packed);
    }
    for (; x < width; ++x)
        dst[x] = mapPixel(src[x]);
}
#else
void LUTMapper::mapRowAvx2(const gfx::Pixel* src, gfx::Pixel* dst, int width) const
{
    for (int x = 0; x < width; ++x)
        dst[x] = mapPixel(src[x]);
}
#endif

gfx::Image MapLUTToImage(const gfx::Image& source, const CubeLUT& lut, int intensityPercent)
{
    if (source.isNull() || !lut.valid())
        return {};
    QImage out = gfx::NewPixelImage(source.size());
    if (out.isNull())
        return {};
    const LUTMapper mapper(lut, float(std::clamp(intensityPercent, 0, 100)) / 100.0f);
    uchar* const base = out.bits();
    const qsizetype stride = out.bytesPerLine();
    platform::ParallelForRange(0, source.height(), 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            mapper.mapRow(source.row(y), reinterpret_cast<gfx::Pixel*>(base + stride * y), source.width());
    });
    return gfx::Image::adopt(std::move(out));
}

} // namespace pq
