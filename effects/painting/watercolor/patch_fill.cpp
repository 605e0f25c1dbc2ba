#include "effects/painting/watercolor/patch_fill.h"

#include "platform/cpu_hints.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pq {
namespace {

// a * b / 255, rounded, for a, b in 0..255.
inline uint32_t Mul255(uint32_t a, uint32_t b)
{
    const uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// The paint colour at coverage c (premultiplied stays premultiplied).
inline gfx::Pixel Scaled(gfx::Pixel p, uint32_t c)
{
    if (c == 255)
        return p;
    return Mul255(p >> 24, c) << 24 | Mul255((p >> 16) & 0xFF, c) << 16 | Mul255((p >> 8) & 0xFF, c) << 8 |
           Mul255(p & 0xFF, c);
}

// Source-over of premultiplied L onto D, rounded.
inline gfx::Pixel Over(gfx::Pixel l, gfx::Pixel d)
{
    const uint32_t li = 255 - (l >> 24);
    return (((l >> 24) + Mul255(d >> 24, li)) << 24) | (((l >> 16 & 0xFF) + Mul255(d >> 16 & 0xFF, li)) << 16) |
           (((l >> 8 & 0xFF) + Mul255(d >> 8 & 0xFF, li)) << 8) | ((l & 0xFF) + Mul255(d & 0xFF, li));
}

// Paint-over's layer composite: L + W * (255 - La) div 255, per channel.
inline gfx::Pixel OverTruncated(gfx::Pixel l, gfx::Pixel w)
{
    const uint32_t inv = 255 - (l >> 24);
    gfx::Pixel out = 0;
    for (int shift = 0; shift <= 24; shift += 8) {
        const uint32_t v = (l >> shift & 0xFF) + (w >> shift & 0xFF) * inv / 255;
        out |= std::min<uint32_t>(v, 255) << shift;
    }
    return out;
}

// Sums |a - b| over R, G and B of n pixels into sum.
inline void AddDifferences(const gfx::Pixel* a, const gfx::Pixel* b, int n, int64_t& sum)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
    __m128i acc = _mm_setzero_si128();
    for (; x + 4 <= n; x += 4) {
        const __m128i va = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x)), mask);
        const __m128i vb = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x)), mask);
        acc = _mm_add_epi64(acc, _mm_sad_epu8(va, vb));
    }
    sum += _mm_cvtsi128_si64(acc) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc));
#endif
    for (; x < n; ++x)
        for (int shift = 0; shift <= 16; shift += 8)
            sum += std::abs(int(a[x] >> shift & 0xFF) - int(b[x] >> shift & 0xFF));
}

// Sums |L - s| over R, G and B of n source pixels into sum.
inline void AddDifferencesTo(gfx::Pixel l, const gfx::Pixel* s, int n, int64_t& sum)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i vl = _mm_and_si128(_mm_set1_epi32(int(l)), mask);
    __m128i acc = _mm_setzero_si128();
    for (; x + 4 <= n; x += 4) {
        const __m128i vs = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x)), mask);
        acc = _mm_add_epi64(acc, _mm_sad_epu8(vl, vs));
    }
    sum += _mm_cvtsi128_si64(acc) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc));
#endif
    for (; x < n; ++x)
        for (int shift = 0; shift <= 16; shift += 8)
            sum += std::abs(int(l >> shift & 0xFF) - int(s[x] >> shift & 0xFF));
}

#if defined(__SSE2__)
// Mul255 of eight 16-bit lanes (products below 2^16).
inline __m128i Mul255x8(__m128i a, __m128i b)
{
    const __m128i t = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Over of two layer pixels (16-bit channels) onto two canvas pixels.
inline __m128i OverX2(__m128i l, const gfx::Pixel* d)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(l, 0xFF), 0xFF);
    const __m128i under = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(d)), zero);
    const __m128i sum = _mm_add_epi16(l, Mul255x8(under, _mm_sub_epi16(_mm_set1_epi16(255), alpha)));
    return _mm_packus_epi16(sum, sum);
}
#endif

// Over(Scaled(paint, cov[x]), out[x]) for x in [x0, x1); a coverage of 0
// leaves the pixel as it is.
inline void OverCoverage(gfx::Pixel paint, const uint8_t* cov, gfx::Pixel* out, int x0, int x1)
{
    int x = x0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i p = _mm_unpacklo_epi8(_mm_set1_epi32(int(paint)), zero);
    for (; x + 2 <= x1; x += 2) {
        const short c0 = short(cov[x]), c1 = short(cov[x + 1]);
        const __m128i l = Mul255x8(p, _mm_setr_epi16(c0, c0, c0, c0, c1, c1, c1, c1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), OverX2(l, out + x));
    }
#endif
    for (; x < x1; ++x)
        if (cov[x] != 0)
            out[x] = Over(Scaled(paint, cov[x]), out[x]);
}

// Over(l, out[x]) for x in [x0, x1).
inline void OverConstant(gfx::Pixel l, gfx::Pixel* out, int x0, int x1)
{
    int x = x0;
#if defined(__SSE2__)
    const __m128i lanes = _mm_unpacklo_epi8(_mm_set1_epi32(int(l)), _mm_setzero_si128());
    for (; x + 2 <= x1; x += 2)
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), OverX2(lanes, out + x));
#endif
    for (; x < x1; ++x)
        out[x] = Over(l, out[x]);
}

// out[x] = p for x in [x0, x1).
inline void FillPixels(gfx::Pixel p, gfx::Pixel* out, int x0, int x1)
{
    int x = x0;
#if defined(__SSE2__)
    const __m128i v = _mm_set1_epi32(int(p));
    for (; x + 4 <= x1; x += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), v);
#endif
    for (; x < x1; ++x)
        out[x] = p;
}

// A run [x0, x1) of FillCoveredRow's: per-pixel coverage cov[x] (value < 0)
// or the constant value.
inline void FillRun(gfx::Pixel paint, bool opaque, int value, const uint8_t* cov, gfx::Pixel* out, int x0, int x1)
{
    if (value < 0)
        OverCoverage(paint, cov, out, x0, x1);
    else if (value == 255 && opaque)
        FillPixels(paint, out, x0, x1);
    else
        OverConstant(Scaled(paint, uint32_t(value)), out, x0, x1);
}

// The same for CommitCoveredRow.
inline void CommitRun(gfx::Pixel paint, int value, const uint8_t* cov, gfx::Pixel* w, int x0, int x1)
{
    if (value < 0) {
        for (int x = x0; x < x1; ++x)
            if (cov[x] != 0)
                w[x] = OverTruncated(Scaled(paint, cov[x]), w[x]);
        return;
    }
    const gfx::Pixel l = Scaled(paint, uint32_t(value));
    if ((l >> 24) == 255) {
        std::fill(w + x0, w + x1, l);
    } else {
        for (int x = x0; x < x1; ++x)
            w[x] = OverTruncated(l, w[x]);
    }
}

// One pixel's share of both sums, for any layer pixel L.
inline void MeasurePixel(gfx::Pixel l, gfx::Pixel w, gfx::Pixel s, PatchError& e)
{
    const int inv = 255 - int(l >> 24);
    for (int shift = 0; shift <= 16; shift += 8) {
        const int wc = int(w >> shift & 0xFF);
        const int sc = int(s >> shift & 0xFF);
        const int nc = int(l >> shift & 0xFF) + wc * inv / 255;
        e.before += std::abs(wc - sc);
        e.after += std::abs(nc - sc);
    }
}

} // namespace

void FillPatchRow(const PolygonCoverage& shape, int y, gfx::Pixel paint, gfx::Pixel* canvasRow,
                  CoverageScratch& s, const gfx::Pixel* ahead)
{
    shape.row(y, s);
    FillCoveredRow(shape, paint, canvasRow, s, ahead);
}

void FillCoveredRow(const PolygonCoverage& shape, gfx::Pixel paint, gfx::Pixel* canvasRow, CoverageScratch& s,
                    const gfx::Pixel* ahead)
{
    const QRect& box = shape.box();
    gfx::Pixel* out = canvasRow + box.left();
    const bool opaque = (paint >> 24) == 255;
    int first = -1, last = -1;
    for (const CoverageRun& r : s.runs) {
        if (r.value == 0)
            continue;
        if (first < 0)
            first = r.x0;
        last = r.x1 - 1;
        FillRun(paint, opaque, r.value, s.cov.data(), out, r.x0, r.x1);
    }
    // Nearby rows cover about the same stretch; each starts on a cache line
    // nobody has touched lately.
    if (ahead && first >= 0) {
        platform::PrefetchForWrite(ahead + box.left() + first);
        platform::PrefetchForWrite(ahead + box.left() + last);
    }
}

void CommitPatchRow(const PolygonCoverage& shape, int y, gfx::Pixel paint, gfx::Pixel* canvasRow,
                    CoverageScratch& s)
{
    shape.row(y, s);
    CommitCoveredRow(shape, paint, canvasRow, s);
}

void CommitCoveredRow(const PolygonCoverage& shape, gfx::Pixel paint, gfx::Pixel* canvasRow, CoverageScratch& s)
{
    const QRect& box = shape.box();
    gfx::Pixel* w = canvasRow + box.left();
    for (const CoverageRun& r : s.runs)
        if (r.value != 0)
            CommitRun(paint, r.value, s.cov.data(), w, r.x0, r.x1);
}

void FillSpan(gfx::Pixel paint, int value, const uint8_t* cov, gfx::Pixel* out, int n)
{
    FillRun(paint, (paint >> 24) == 255, value, cov, out, 0, n);
}

void CommitSpan(gfx::Pixel paint, int value, const uint8_t* cov, gfx::Pixel* out, int n)
{
    CommitRun(paint, value, cov, out, 0, n);
}

namespace {

// The coverage of pixel (x, y), as the row functions see it.
uint32_t CoverageAt(const PolygonCoverage& shape, int x, int y, CoverageScratch& s)
{
    const QRect& box = shape.box();
    if (!box.contains(x, y))
        return 0;
    const int bx = x - box.left();
    shape.row(y, s);
    for (const CoverageRun& r : s.runs)
        if (bx >= r.x0 && bx < r.x1)
            return r.value < 0 ? s.cov[size_t(bx)] : uint32_t(r.value);
    return 0;
}

} // namespace

gfx::Pixel FillPatchPixel(const PolygonCoverage& shape, int x, int y, gfx::Pixel paint, gfx::Pixel under,
                          CoverageScratch& scratch)
{
    const uint32_t c = CoverageAt(shape, x, y, scratch);
    if (c == 0)
        return under;
    if (c == 255 && (paint >> 24) == 255)
        return paint;
    return Over(Scaled(paint, c), under);
}

gfx::Pixel CommitPatchPixel(const PolygonCoverage& shape, int x, int y, gfx::Pixel paint, gfx::Pixel under,
                            CoverageScratch& scratch)
{
    const uint32_t c = CoverageAt(shape, x, y, scratch);
    if (c == 0)
        return under;
    const gfx::Pixel l = Scaled(paint, c);
    return (l >> 24) == 255 ? l : OverTruncated(l, under);
}

gfx::Pixel FillWholePixel(gfx::Pixel paint, gfx::Pixel under)
{
    return (paint >> 24) == 255 ? paint : Over(paint, under);
}

gfx::Pixel CommitWholePixel(gfx::Pixel paint, gfx::Pixel under)
{
    return (paint >> 24) == 255 ? paint : OverTruncated(paint, under);
}

PatchError MeasurePatch(const PolygonCoverage& shape, gfx::Pixel paint, const gfx::Surface& canvas,
                        const gfx::Image& source, CoverageScratch& s)
{
    PatchError e;
    const QRect& box = shape.box();
    if (box.isEmpty() || box != box.intersected(canvas.rect()) || box != box.intersected(source.rect()))
        return e;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const gfx::Pixel* w = canvas.row(y) + box.left();
        const gfx::Pixel* src = source.row(y) + box.left();
        shape.row(y, s);
        for (const CoverageRun& r : s.runs) {
            if (r.value == 0)
                continue;
            if (r.value < 0) {
                for (int x = r.x0; x < r.x1; ++x) {
                    const gfx::Pixel l = Scaled(paint, s.cov[size_t(x)]);
                    // Pixels where the layer's alpha is 0 take no part.
                    if ((l >> 24) != 0)
                        MeasurePixel(l, w[x], src[x], e);
                }
                continue;
            }
            const gfx::Pixel l = Scaled(paint, uint32_t(r.value));
            if ((l >> 24) == 0)
                continue;
            if ((l >> 24) == 255) {
                // An opaque layer hides the canvas: new = L.
                AddDifferences(w + r.x0, src + r.x0, r.x1 - r.x0, e.before);
                AddDifferencesTo(l, src + r.x0, r.x1 - r.x0, e.after);
            } else {
                for (int x = r.x0; x < r.x1; ++x)
                    MeasurePixel(l, w[x], src[x], e);
            }
        }
    }
    return e;
}

void FillPatch(const PolygonCoverage& shape, gfx::Pixel paint, gfx::Surface& canvas)
{
    const QRect& box = shape.box();
    if (box.isEmpty() || box != box.intersected(canvas.rect()))
        return;
    gfx::Pixel* bits = reinterpret_cast<gfx::Pixel*>(canvas.bits());
    const qsizetype stride = canvas.stride() / qsizetype(sizeof(gfx::Pixel));
    CoverageScratch scratch;
    for (int y = box.top(); y <= box.bottom(); ++y)
        FillPatchRow(shape, y, paint, bits + y * stride, scratch);
}

bool CommitPatchIfCloser(const PolygonCoverage& shape, gfx::Pixel paint, gfx::Surface& canvas,
                         const gfx::Image& source, float gain)
{
    CoverageScratch scratch;
    if (!PatchImproves(MeasurePatch(shape, paint, canvas, source, scratch), gain))
        return false;
    const QRect& box = shape.box();
    gfx::Pixel* bits = reinterpret_cast<gfx::Pixel*>(canvas.bits());
    const qsizetype stride = canvas.stride() / qsizetype(sizeof(gfx::Pixel));
    for (int y = box.top(); y <= box.bottom(); ++y)
        CommitPatchRow(shape, y, paint, bits + y * stride, scratch);
    return true;
}

} // namespace pq
