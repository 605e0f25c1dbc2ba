#include "effects/painting/patch_fill.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pq {
namespace {

// a * b / 255, rounded, for a, b in 0..255.
inline uint32_t mul255(uint32_t a, uint32_t b)
{
    const uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// The paint colour at coverage c (premultiplied stays premultiplied).
inline gfx::Pixel scaled(gfx::Pixel p, uint32_t c)
{
    if (c == 255)
        return p;
    return mul255(p >> 24, c) << 24 | mul255((p >> 16) & 0xFF, c) << 16 | mul255((p >> 8) & 0xFF, c) << 8 |
           mul255(p & 0xFF, c);
}

// Source-over of premultiplied L onto D, rounded.
inline gfx::Pixel over(gfx::Pixel L, gfx::Pixel D)
{
    const uint32_t li = 255 - (L >> 24);
    return (((L >> 24) + mul255(D >> 24, li)) << 24) | (((L >> 16 & 0xFF) + mul255(D >> 16 & 0xFF, li)) << 16) |
           (((L >> 8 & 0xFF) + mul255(D >> 8 & 0xFF, li)) << 8) | ((L & 0xFF) + mul255(D & 0xFF, li));
}

// Paint-over's layer composite: L + W * (255 - La) div 255, per channel.
inline gfx::Pixel overTruncated(gfx::Pixel L, gfx::Pixel W)
{
    const uint32_t inv = 255 - (L >> 24);
    gfx::Pixel out = 0;
    for (int shift = 0; shift <= 24; shift += 8) {
        const uint32_t v = (L >> shift & 0xFF) + (W >> shift & 0xFF) * inv / 255;
        out |= std::min<uint32_t>(v, 255) << shift;
    }
    return out;
}

inline void prefetchWrite(const void* p)
{
#if defined(__GNUC__)
    __builtin_prefetch(p, 1);
#else
    (void)p;
#endif
}

// Sums |a - b| over R, G and B of n pixels into sum.
inline void addDifferences(const gfx::Pixel* a, const gfx::Pixel* b, int n, int64_t& sum)
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
inline void addDifferencesTo(gfx::Pixel L, const gfx::Pixel* s, int n, int64_t& sum)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i vl = _mm_and_si128(_mm_set1_epi32(int(L)), mask);
    __m128i acc = _mm_setzero_si128();
    for (; x + 4 <= n; x += 4) {
        const __m128i vs = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x)), mask);
        acc = _mm_add_epi64(acc, _mm_sad_epu8(vl, vs));
    }
    sum += _mm_cvtsi128_si64(acc) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc));
#endif
    for (; x < n; ++x)
        for (int shift = 0; shift <= 16; shift += 8)
            sum += std::abs(int(L >> shift & 0xFF) - int(s[x] >> shift & 0xFF));
}

// One pixel's share of both sums, for any layer pixel L.
inline void measurePixel(gfx::Pixel L, gfx::Pixel W, gfx::Pixel S, PatchError& e)
{
    const int inv = 255 - int(L >> 24);
    for (int shift = 0; shift <= 16; shift += 8) {
        const int wc = int(W >> shift & 0xFF);
        const int sc = int(S >> shift & 0xFF);
        const int nc = int(L >> shift & 0xFF) + wc * inv / 255;
        e.before += std::abs(wc - sc);
        e.after += std::abs(nc - sc);
    }
}

} // namespace

void FillPatchRow(const PolygonCoverage& Shape, int y, gfx::Pixel Paint, gfx::Pixel* CanvasRow,
                  CoverageScratch& s, const gfx::Pixel* Ahead)
{
    const QRect& box = Shape.box();
    gfx::Pixel* out = CanvasRow + box.left();
    const bool opaque = (Paint >> 24) == 255;
    int first = -1, last = -1;
    Shape.row(y, s);
    for (const CoverageRun& r : s.runs) {
        if (r.value == 0)
            continue;
        if (first < 0)
            first = r.x0;
        last = r.x1 - 1;
        if (r.value < 0) {
            for (int x = r.x0; x < r.x1; ++x)
                if (s.cov[size_t(x)] != 0)
                    out[x] = over(scaled(Paint, s.cov[size_t(x)]), out[x]);
        } else if (r.value == 255 && opaque) {
            std::fill(out + r.x0, out + r.x1, Paint);
        } else {
            const gfx::Pixel L = scaled(Paint, uint32_t(r.value));
            for (int x = r.x0; x < r.x1; ++x)
                out[x] = over(L, out[x]);
        }
    }
    // Nearby rows cover about the same stretch; each starts on a cache line
    // nobody has touched lately.
    if (Ahead && first >= 0) {
        prefetchWrite(Ahead + box.left() + first);
        prefetchWrite(Ahead + box.left() + last);
    }
}

void CommitPatchRow(const PolygonCoverage& Shape, int y, gfx::Pixel Paint, gfx::Pixel* CanvasRow,
                    CoverageScratch& s)
{
    const QRect& box = Shape.box();
    gfx::Pixel* w = CanvasRow + box.left();
    Shape.row(y, s);
    for (const CoverageRun& r : s.runs) {
        if (r.value == 0)
            continue;
        if (r.value < 0) {
            for (int x = r.x0; x < r.x1; ++x)
                if (s.cov[size_t(x)] != 0)
                    w[x] = overTruncated(scaled(Paint, s.cov[size_t(x)]), w[x]);
            continue;
        }
        const gfx::Pixel L = scaled(Paint, uint32_t(r.value));
        if ((L >> 24) == 255) {
            std::fill(w + r.x0, w + r.x1, L);
        } else {
            for (int x = r.x0; x < r.x1; ++x)
                w[x] = overTruncated(L, w[x]);
        }
    }
}

namespace {

// The coverage of pixel (x, y), as the row functions see it.
uint32_t coverageAt(const PolygonCoverage& shape, int x, int y, CoverageScratch& s)
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

gfx::Pixel FillPatchPixel(const PolygonCoverage& Shape, int x, int y, gfx::Pixel Paint, gfx::Pixel Under,
                          CoverageScratch& Scratch)
{
    const uint32_t c = coverageAt(Shape, x, y, Scratch);
    if (c == 0)
        return Under;
    if (c == 255 && (Paint >> 24) == 255)
        return Paint;
    return over(scaled(Paint, c), Under);
}

gfx::Pixel CommitPatchPixel(const PolygonCoverage& Shape, int x, int y, gfx::Pixel Paint, gfx::Pixel Under,
                            CoverageScratch& Scratch)
{
    const uint32_t c = coverageAt(Shape, x, y, Scratch);
    if (c == 0)
        return Under;
    const gfx::Pixel L = scaled(Paint, c);
    return (L >> 24) == 255 ? L : overTruncated(L, Under);
}

PatchError MeasurePatch(const PolygonCoverage& Shape, gfx::Pixel Paint, const gfx::Surface& Canvas,
                        const gfx::Image& Source, CoverageScratch& s)
{
    PatchError e;
    const QRect& box = Shape.box();
    if (box.isEmpty() || box != box.intersected(Canvas.rect()) || box != box.intersected(Source.rect()))
        return e;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const gfx::Pixel* w = Canvas.row(y) + box.left();
        const gfx::Pixel* src = Source.row(y) + box.left();
        Shape.row(y, s);
        for (const CoverageRun& r : s.runs) {
            if (r.value == 0)
                continue;
            if (r.value < 0) {
                for (int x = r.x0; x < r.x1; ++x) {
                    const gfx::Pixel L = scaled(Paint, s.cov[size_t(x)]);
                    // Pixels where the layer's alpha is 0 take no part.
                    if ((L >> 24) != 0)
                        measurePixel(L, w[x], src[x], e);
                }
                continue;
            }
            const gfx::Pixel L = scaled(Paint, uint32_t(r.value));
            if ((L >> 24) == 0)
                continue;
            if ((L >> 24) == 255) {
                // An opaque layer hides the canvas: new = L.
                addDifferences(w + r.x0, src + r.x0, r.x1 - r.x0, e.before);
                addDifferencesTo(L, src + r.x0, r.x1 - r.x0, e.after);
            } else {
                for (int x = r.x0; x < r.x1; ++x)
                    measurePixel(L, w[x], src[x], e);
            }
        }
    }
    return e;
}

void FillPatch(const PolygonCoverage& Shape, gfx::Pixel Paint, gfx::Surface& Canvas)
{
    const QRect& box = Shape.box();
    if (box.isEmpty() || box != box.intersected(Canvas.rect()))
        return;
    gfx::Pixel* bits = reinterpret_cast<gfx::Pixel*>(Canvas.bits());
    const qsizetype stride = Canvas.stride() / qsizetype(sizeof(gfx::Pixel));
    CoverageScratch scratch;
    for (int y = box.top(); y <= box.bottom(); ++y)
        FillPatchRow(Shape, y, Paint, bits + y * stride, scratch);
}

bool CommitPatchIfCloser(const PolygonCoverage& Shape, gfx::Pixel Paint, gfx::Surface& Canvas,
                         const gfx::Image& Source, float Gain)
{
    CoverageScratch scratch;
    if (!PatchImproves(MeasurePatch(Shape, Paint, Canvas, Source, scratch), Gain))
        return false;
    const QRect& box = Shape.box();
    gfx::Pixel* bits = reinterpret_cast<gfx::Pixel*>(Canvas.bits());
    const qsizetype stride = Canvas.stride() / qsizetype(sizeof(gfx::Pixel));
    for (int y = box.top(); y <= box.bottom(); ++y)
        CommitPatchRow(Shape, y, Paint, bits + y * stride, scratch);
    return true;
}

} // namespace pq
