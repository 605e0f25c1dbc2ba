#include "effects/painting/brushstrokes_2/stroke_rows.h"

#include "effects/painting/brushstrokes_2/stroke_blend.h"
#include "effects/painting/brushstrokes_2/stroke_patch.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <immintrin.h>

namespace pq {
namespace {

bool HasAvx2()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

inline int Error(gfx::Pixel p, gfx::Pixel s)
{
    int sum = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        sum += std::abs(int((p >> shift) & 0xFF) - int((s >> shift) & 0xFF));
    return sum;
}

// Each 16-bit lane divided by 255, rounding down; exact up to 65025.
__attribute__((target("avx2"), always_inline)) inline __m256i Div255(__m256i v)
{
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(v, _mm256_set1_epi16(1)), _mm256_srli_epi16(v, 8)), 8);
}

// BlendSoft on four pixels whose channels fill the 16-bit lanes, `a` each
// pixel's mask alpha on its four lanes.
__attribute__((target("avx2"), always_inline)) inline __m256i BlendLanes(__m256i d, __m256i c, __m256i a, __m256i o)
{
    const __m256i full = _mm256_set1_epi16(255);
    const __m256i c1 = Div255(_mm256_add_epi16(_mm256_mullo_epi16(d, _mm256_sub_epi16(full, a)), _mm256_mullo_epi16(c, a)));
    return Div255(_mm256_add_epi16(_mm256_mullo_epi16(d, _mm256_sub_epi16(full, o)), _mm256_mullo_epi16(c1, o)));
}

// Bytes 0 or 1 for the eight bits of a lane mask, lowest lane first.
struct MarkBytes {
    uint64_t of[256];
    constexpr MarkBytes() : of()
    {
        for (int m = 0; m < 256; ++m) {
            uint64_t v = 0;
            for (int b = 0; b < 8; ++b)
                if (m & (1 << b))
                    v |= uint64_t(1) << (8 * b);
            of[m] = v;
        }
    }
};
constexpr MarkBytes kMarkBytes;

// BlendSoft of eight positions whose alphas are in `a32`, leaving those in
// `skip` as they were.
__attribute__((target("avx2"), always_inline)) inline __m256i LayEight(__m256i d, __m256i c, __m256i a32, __m256i skip,
                                                                       __m256i o)
{
    const __m256i zero = _mm256_setzero_si256();
    // The alpha on all four channel lanes of its pixel, in the order the
    // byte unpacking leaves the pixels.
    const __m256i a2 = _mm256_or_si256(a32, _mm256_slli_epi32(a32, 16));
    const __m256i low = BlendLanes(_mm256_unpacklo_epi8(d, zero), _mm256_unpacklo_epi8(c, zero),
                                   _mm256_unpacklo_epi32(a2, a2), o);
    const __m256i high = BlendLanes(_mm256_unpackhi_epi8(d, zero), _mm256_unpackhi_epi8(c, zero),
                                    _mm256_unpackhi_epi32(a2, a2), o);
    const __m256i out = _mm256_or_si256(_mm256_packus_epi16(low, high), _mm256_set1_epi32(int(0xFF000000u)));
    return _mm256_blendv_epi8(out, d, skip);
}

__attribute__((target("avx2"))) bool LayAvx2(const StampRows& s)
{
    const __m256i zero = _mm256_setzero_si256(), o = _mm256_set1_epi16(int16_t(s.opacity));
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    bool any = false;
    for (int my = s.my0; my < s.my1; ++my) {
        gfx::Pixel* row = s.picture + my * s.pictureStride;
        const gfx::Pixel* src = s.photo + my * s.photoStride;
        uint8_t* mark = s.mark + my * s.markStride;
        const uint8_t* alpha = s.alpha + my * s.maskWidth;
        const gfx::Pixel* colour = s.colour + my * s.maskWidth;
        for (int x = s.mx0; x < s.mx1; x += 8) {
            // The last block may stick out past mx1: its extra lanes are
            // neither read nor written.
            const int n = std::min(8, s.mx1 - x);
            const bool whole = n == 8;
            uint64_t a8 = 0;
            if (whole)
                std::memcpy(&a8, alpha + x, sizeof a8);
            else
                std::memcpy(&a8, alpha + x, size_t(n));
            if (a8 == 0)
                continue;
            const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(n), lanes);
            const __m256i a32 = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(int64_t(a8)));
            __m256i skip = _mm256_cmpeq_epi32(a32, zero);
            if (s.hasAlpha) {
                const int* at = reinterpret_cast<const int*>(src + x);
                const __m256i p = whole ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at))
                                        : _mm256_maskload_epi32(at, live);
                skip = _mm256_or_si256(skip, _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_srli_epi32(p, 24), zero), live));
            }
            const int skipped = _mm256_movemask_ps(_mm256_castsi256_ps(skip));
            if (skipped == 0xFF)
                continue;
            any = true;
            int* at = reinterpret_cast<int*>(row + x);
            const int* from = reinterpret_cast<const int*>(colour + x);
            const uint64_t laid = kMarkBytes.of[~skipped & 0xFF];
            uint64_t m8 = 0;
            if (whole) {
                std::memcpy(&m8, mark + x, sizeof m8);
                m8 |= laid;
                std::memcpy(mark + x, &m8, sizeof m8);
            } else {
                std::memcpy(&m8, mark + x, size_t(n));
                m8 |= laid;
                std::memcpy(mark + x, &m8, size_t(n));
            }
            if (whole) {
                const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
                const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), LayEight(d, c, a32, skip, o));
            } else {
                const __m256i d = _mm256_maskload_epi32(at, live), c = _mm256_maskload_epi32(from, live);
                _mm256_maskstore_epi32(at, live, LayEight(d, c, a32, skip, o));
            }
        }
    }
    return any;
}

__attribute__((target("avx2"))) void PatchColoursAvx2(const gfx::Pixel* photo, const int32_t* pixel,
                                                      const int8_t* jitter, int n, gfx::Pixel* out)
{
    const __m256i zero = _mm256_setzero_si256(), colourBytes = _mm256_set1_epi32(0x00010101);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixel + i));
        const __m256i has = _mm256_cmpgt_epi32(at, _mm256_set1_epi32(-1));
        const __m256i p = _mm256_mask_i32gather_epi32(zero, reinterpret_cast<const int*>(photo),
                                                      _mm256_max_epi32(at, zero), has, 4);
        uint64_t j8;
        std::memcpy(&j8, jitter + i, sizeof j8);
        const __m256i j = _mm256_cvtepi8_epi32(_mm_cvtsi64_si128(int64_t(j8)));
        // Each channel plus the jitter, saturating at 0 and 255; alpha 0.
        const __m256i up = _mm256_mullo_epi32(_mm256_max_epi32(j, zero), colourBytes);
        const __m256i down = _mm256_mullo_epi32(_mm256_max_epi32(_mm256_sub_epi32(zero, j), zero), colourBytes);
        const __m256i c = _mm256_subs_epu8(_mm256_adds_epu8(_mm256_and_si256(p, _mm256_set1_epi32(0x00FFFFFF)), up), down);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_and_si256(c, has));
    }
    PatchColoursPlain(photo, pixel + i, jitter + i, n - i, out + i);
}

// Error of eight pixel pairs, per lane.
__attribute__((target("avx2"), always_inline)) inline __m256i ErrorOf(__m256i p, __m256i s)
{
    const __m256i low3 = _mm256_set1_epi32(0x00FFFFFF);
    // |p - s| per byte, summed in groups of eight bytes: with alpha cleared,
    // each pixel's three channels.
    const __m256i diff = _mm256_or_si256(_mm256_subs_epu8(p, s), _mm256_subs_epu8(s, p));
    const __m256i masked = _mm256_and_si256(diff, low3);
    // Sum the bytes of each 32-bit lane.
    const __m256i pairs = _mm256_maddubs_epi16(masked, _mm256_set1_epi8(1));
    return _mm256_madd_epi16(pairs, _mm256_set1_epi16(1));
}

__attribute__((target("avx2"))) int64_t LaneSum(__m256i v)
{
    alignas(32) int32_t parts[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(parts), v);
    int64_t total = 0;
    for (int32_t p : parts)
        total += p;
    return total;
}

__attribute__((target("avx2"))) StrokeErrors MarkedAvx2(const gfx::Pixel* old, const gfx::Pixel* now,
                                                        const gfx::Pixel* src, const uint8_t* mark, int from, int to)
{
    __m256i before = _mm256_setzero_si256(), after = _mm256_setzero_si256();
    int x = from;
    // Lane sums stay far below 2^31: rows are short.
    for (; x + 8 <= to; x += 8) {
        uint64_t m8;
        std::memcpy(&m8, mark + x, sizeof m8);
        if (m8 == 0)
            continue;
        const __m256i marked = _mm256_cmpgt_epi32(_mm256_cvtepu8_epi32(_mm_cvtsi64_si128(int64_t(m8))),
                                                  _mm256_setzero_si256());
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x));
        const __m256i p0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(old + x));
        const __m256i p1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(now + x));
        before = _mm256_add_epi32(before, _mm256_and_si256(ErrorOf(p0, s), marked));
        after = _mm256_add_epi32(after, _mm256_and_si256(ErrorOf(p1, s), marked));
    }
    StrokeErrors e = x < to ? MarkedRowErrorsPlain(old, now, src, mark, x, to) : StrokeErrors{};
    e.before += LaneSum(before);
    e.after += LaneSum(after);
    return e;
}

__attribute__((target("avx2"))) int64_t ChangeAvx2(const gfx::Pixel* old, const gfx::Pixel* now,
                                                   const gfx::Pixel* src, int from, int to)
{
    __m256i change = _mm256_setzero_si256();
    int x = from;
    for (; x + 8 <= to; x += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x));
        const __m256i p0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(old + x));
        const __m256i p1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(now + x));
        change = _mm256_add_epi32(change, _mm256_sub_epi32(ErrorOf(p1, s), ErrorOf(p0, s)));
    }
    return LaneSum(change) + (x < to ? RowErrorChangePlain(old, now, src, x, to) : 0);
}

} // namespace

bool LayStrokeStampPlain(const StampRows& s)
{
    bool any = false;
    for (int my = s.my0; my < s.my1; ++my) {
        gfx::Pixel* row = s.picture + my * s.pictureStride;
        const gfx::Pixel* src = s.photo + my * s.photoStride;
        uint8_t* mark = s.mark + my * s.markStride;
        const uint8_t* alpha = s.alpha + my * s.maskWidth;
        const gfx::Pixel* colour = s.colour + my * s.maskWidth;
        for (int x = s.mx0; x < s.mx1; ++x) {
            const uint64_t a = alpha[x];
            if (a == 0 || (s.hasAlpha && (src[x] >> 24) == 0))
                continue;
            any = true;
            mark[x] = 1;
            row[x] = BlendSoft(row[x], SpreadColour(colour[x]), a, s.opacity);
        }
    }
    return any;
}

bool LayStrokeStamp(const StampRows& s)
{
    if (!HasAvx2() || s.opacity > 255)
        return LayStrokeStampPlain(s);
    return LayAvx2(s);
}

void PatchColoursPlain(const gfx::Pixel* photo, const int32_t* pixel, const int8_t* jitter, int n, gfx::Pixel* out)
{
    for (int i = 0; i < n; ++i)
        out[i] = PatchColour(photo, pixel[i], jitter[i]);
}

void PatchColours(const gfx::Pixel* photo, const int32_t* pixel, const int8_t* jitter, int n, gfx::Pixel* out)
{
    if (!HasAvx2())
        return PatchColoursPlain(photo, pixel, jitter, n, out);
    PatchColoursAvx2(photo, pixel, jitter, n, out);
}

StrokeErrors MarkedRowErrorsPlain(const gfx::Pixel* old, const gfx::Pixel* now, const gfx::Pixel* src,
                                  const uint8_t* mark, int from, int to)
{
    StrokeErrors e;
    for (int x = from; x < to; ++x) {
        if (!mark[x])
            continue;
        e.before += Error(old[x], src[x]);
        e.after += Error(now[x], src[x]);
    }
    return e;
}

StrokeErrors MarkedRowErrors(const gfx::Pixel* old, const gfx::Pixel* now, const gfx::Pixel* src,
                             const uint8_t* mark, int from, int to)
{
    if (!HasAvx2() || to - from > (1 << 20))
        return MarkedRowErrorsPlain(old, now, src, mark, from, to);
    return MarkedAvx2(old, now, src, mark, from, to);
}

int64_t RowErrorChangePlain(const gfx::Pixel* old, const gfx::Pixel* now, const gfx::Pixel* src, int from, int to)
{
    int64_t change = 0;
    for (int x = from; x < to; ++x)
        if (now[x] != old[x])
            change += int64_t(Error(now[x], src[x])) - Error(old[x], src[x]);
    return change;
}

int64_t RowErrorChange(const gfx::Pixel* old, const gfx::Pixel* now, const gfx::Pixel* src, int from, int to)
{
    if (!HasAvx2() || to - from > (1 << 20))
        return RowErrorChangePlain(old, now, src, from, to);
    return ChangeAvx2(old, now, src, from, to);
}

} // namespace pq
