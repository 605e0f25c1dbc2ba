#include "effects/sketch/pencil_sketch_2/lines.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

namespace pq::pencil {

TiledAxes::TiledAxes(int w, int h) : column_(size_t(std::max(w, 0))), row_(size_t(std::max(h, 0)))
{
    const int32_t tilesW = (w + 3) / 4;
    for (int x = 0; x < w; ++x)
        column_[size_t(x)] = ((x >> 2) << 4) | (x & 3);
    for (int y = 0; y < h; ++y)
        row_[size_t(y)] = (((y >> 2) * tilesW) << 4) | ((y & 3) << 2);
}

void RasteriseLine(const LineEnds& e, const TiledAxes& axes, int32_t* out)
{
    // The walk steps the longer axis at every point and the shorter one
    // where the running test below is positive.
    const int dx = std::abs(e.x1 - e.x0), dy = std::abs(e.y1 - e.y0);
    const int sx = e.x0 < e.x1 ? 1 : -1, sy = e.y0 < e.y1 ? 1 : -1;
    const int32_t* const column = axes.columns();
    const int32_t* const row = axes.rows();
    int x = e.x0, y = e.y0;
    if (dx >= dy) {
        int test = 2 * dy - dx;
        for (int k = 0; k <= dx; ++k) {
            out[k] = column[x] + row[y];
            x += sx;
            const bool step = test > 0;
            y += step ? sy : 0;
            test += 2 * dy - (step ? 2 * dx : 0);
        }
    } else {
        int test = 2 * dx - dy;
        for (int k = 0; k <= dy; ++k) {
            out[k] = column[x] + row[y];
            y += sy;
            const bool step = test > 0;
            x += step ? sx : 0;
            test += 2 * dx - (step ? 2 * dy : 0);
        }
    }
}

FadeTables::FadeTables() : table_(size_t(kShortLine + 1) * kShortLineRoom, 0)
{
    for (int np = 1; np <= kShortLine; ++np)
        for (int k = 0; k < np; ++k)
            table_[size_t(np) * kShortLineRoom + size_t(k)] = uint8_t(FadeOf(np, k));
}

void FadeTables::fill(int np, std::vector<uint8_t>& out)
{
    out.assign(size_t(np + 8), 0);
    for (int k = 0; k < np; ++k)
        out[size_t(k)] = uint8_t(FadeOf(np, k));
}

int64_t LineGainPlain(const Cell* cells, const uint8_t* fade, int np, int tone)
{
    int64_t score = 0;
    for (int k = 0; k < np; ++k) {
        const Cell c = cells[k];
        if (!(c.flags & kInked))
            continue;
        // (255 - f) tone + f sheet, written with one product.
        const int trial = (255 * tone + int(fade[k]) * (int(c.sheet) - tone)) / 255;
        score += std::abs(trial - c.target) - std::abs(c.sheet - c.target);
    }
    return score;
}

namespace {

__attribute__((target("avx2"))) int64_t LineGainAvx2(const Cell* cells, const uint8_t* fade, int np, int tone)
{
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256i inkedBit = _mm256_set1_epi32(int(kInked) << 16);
    const __m256i toneV = _mm256_set1_epi32(tone);
    const __m256i base = _mm256_set1_epi32(255 * tone);
    // n div 255 for n < 65536 is (n * 0x8081) >> 23.
    const __m256i by255 = _mm256_set1_epi32(0x8081);
    __m256i sum = _mm256_setzero_si256();
    for (int k = 0; k < np; k += 8) {
        __m256i v;
        std::memcpy(&v, cells + k, sizeof v);
        int64_t f8;
        std::memcpy(&f8, fade + k, sizeof f8);
        const __m256i f = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(f8));
        const __m256i sheet = _mm256_and_si256(v, byte);
        const __m256i target = _mm256_and_si256(_mm256_srli_epi32(v, 8), byte);
        const __m256i inked = _mm256_cmpeq_epi32(_mm256_and_si256(v, inkedBit), inkedBit);
        const __m256i n = _mm256_add_epi32(base, _mm256_mullo_epi32(f, _mm256_sub_epi32(sheet, toneV)));
        const __m256i trial = _mm256_srli_epi32(_mm256_mulhi_epu16(n, by255), 7);
        const __m256i term = _mm256_sub_epi32(_mm256_abs_epi32(_mm256_sub_epi32(trial, target)),
                                              _mm256_abs_epi32(_mm256_sub_epi32(sheet, target)));
        sum = _mm256_add_epi32(sum, _mm256_and_si256(term, inked));
    }
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    return _mm_cvtsi128_si32(s);
}

} // namespace

int64_t LineGain(const Cell* cells, const uint8_t* fade, int np, int tone)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    // Eight-wide sums stay in 32 bits up to far longer lines than kMaxExtent allows.
    if (!avx2)
        return LineGainPlain(cells, fade, np, tone);
    return LineGainAvx2(cells, fade, np, tone);
}

} // namespace pq::pencil
