// SpokeField::growWide: the spoke walk eight steps at a time with AVX2.
// Steps onto a pixel of the seed's alpha within the colour threshold cost
// 2 plus the rises their squared distance reaches; their budget is a
// running sum. Any other step goes through spend, as in the plain walk.

#include "effects/painting/watercolor/spoke_patch.h"

#include <immintrin.h>

#include <algorithm>

namespace pq {
namespace {

// The rounded positions of four steps as 32-bit lanes in the low half:
// adding 1.5 * 2^52 rounds half to even and leaves the integer in the low
// bits, as RoundEven does.
__attribute__((target("avx2"), always_inline)) inline __m256i Positions(__m256d r03, __m256d r47, __m256d step,
                                                                        __m256d origin)
{
    const __m256d magic = _mm256_set1_pd(6755399441055744.0);
    const __m256d a = _mm256_add_pd(_mm256_add_pd(origin, _mm256_mul_pd(r03, step)), magic);
    const __m256d b = _mm256_add_pd(_mm256_add_pd(origin, _mm256_mul_pd(r47, step)), magic);
    const __m256 lows = _mm256_shuffle_ps(_mm256_castpd_ps(a), _mm256_castpd_ps(b), _MM_SHUFFLE(2, 0, 2, 0));
    return _mm256_permute4x64_epi64(_mm256_castps_si256(lows), _MM_SHUFFLE(3, 1, 2, 0));
}

__attribute__((target("avx2"), always_inline)) inline __m256i Channel(__m256i p, int shift)
{
    return _mm256_and_si256(_mm256_srli_epi32(p, shift), _mm256_set1_epi32(255));
}

// The inclusive running sum of eight lanes.
__attribute__((target("avx2"), always_inline)) inline __m256i RunningSum(__m256i v)
{
    v = _mm256_add_epi32(v, _mm256_slli_si256(v, 4));
    v = _mm256_add_epi32(v, _mm256_slli_si256(v, 8));
    const __m256i low = _mm256_permutevar8x32_epi32(v, _mm256_set1_epi32(3));
    return _mm256_add_epi32(v, _mm256_blend_epi32(_mm256_setzero_si256(), low, 0xF0));
}

// Steps ahead whose tiles a chunk asks for.
constexpr int kAhead = 32;

} // namespace

void SpokeField::fetchStartTiles(double cx, double cy, double cosA, double sinA, int budget) const
{
    // A walk gets no further than half its budget.
    const int steps = std::min(kAhead + 4, budget / 2);
    for (int r = 1; r <= steps; r += 4) {
        const int64_t qx = RoundEven(cx + double(r) * cosA);
        const int64_t qy = RoundEven(cy + double(r) * sinA);
        if (qx < 0 || qy < 0 || qx >= w_ || qy >= h_)
            return;
        _mm_prefetch(reinterpret_cast<const char*>(tiles_.data() + (((qy >> 2) * tileColumns_ + (qx >> 2)) << 4)),
                     _MM_HINT_T0);
    }
}

template <bool Tiled, int Rises>
__attribute__((target("avx2"))) int SpokeField::growWide(double cx, double cy, double cosA, double sinA, int budget,
                                                         gfx::Pixel c) const
{
    if (budget <= 0)
        return 1;
    const __m256d xStep = _mm256_set1_pd(cosA), yStep = _mm256_set1_pd(sinA);
    const __m256d xOrigin = _mm256_set1_pd(cx), yOrigin = _mm256_set1_pd(cy);
    const __m256d eight = _mm256_set1_pd(8.0);
    __m256d r03 = _mm256_setr_pd(1.0, 2.0, 3.0, 4.0);
    __m256d r47 = _mm256_setr_pd(5.0, 6.0, 7.0, 8.0);
    const __m256i width = _mm256_set1_epi32(w_), height = _mm256_set1_epi32(h_);
    const __m256i columns = _mm256_set1_epi32(Tiled ? tileColumns_ : int(stride_));
    const __m256i three = _mm256_set1_epi32(3);
    const __m256i minusOne = _mm256_set1_epi32(-1);
    const __m256i seedAlpha = _mm256_set1_epi32(int(c >> 24));
    const __m256i cr = _mm256_set1_epi32(int(c >> 16 & 0xFF)), cg = _mm256_set1_epi32(int(c >> 8 & 0xFF));
    const __m256i cb = _mm256_set1_epi32(int(c & 0xFF));
    const __m256i tableSize = _mm256_set1_epi32(int(smallStepCost_.size()));
    const int* base = reinterpret_cast<const int*>(Tiled ? tiles_.data() : pixels_);
    int last = 1;
    for (int r = 1;; r += 8) {
        const __m256i px = Positions(r03, r47, xStep, xOrigin);
        const __m256i py = Positions(r03, r47, yStep, yOrigin);
        r03 = _mm256_add_pd(r03, eight);
        r47 = _mm256_add_pd(r47, eight);
        // On a big picture the tiles four chunks on are fetched early: a
        // spoke passes a tile in about four steps, and each is a trip to
        // memory.
        if constexpr (Tiled)
            for (const int ahead : {kAhead, kAhead + 4}) {
                const int64_t qx = RoundEven(cx + double(r + ahead) * cosA);
                const int64_t qy = RoundEven(cy + double(r + ahead) * sinA);
                if (qx >= 0 && qy >= 0 && qx < w_ && qy < h_)
                    _mm_prefetch(reinterpret_cast<const char*>(base + (((qy >> 2) * tileColumns_ + (qx >> 2)) << 4)),
                                 _MM_HINT_T0);
            }
        const __m256i inside =
            _mm256_and_si256(_mm256_and_si256(_mm256_cmpgt_epi32(px, minusOne), _mm256_cmpgt_epi32(width, px)),
                             _mm256_and_si256(_mm256_cmpgt_epi32(py, minusOne), _mm256_cmpgt_epi32(height, py)));
        __m256i at;
        if constexpr (Tiled) {
            // Tile (px / 4, py / 4), then row py % 4 and column px % 4 in it.
            const __m256i tile = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(py, 2), columns),
                                                  _mm256_srli_epi32(px, 2));
            at = _mm256_add_epi32(
                _mm256_slli_epi32(tile, 4),
                _mm256_add_epi32(_mm256_slli_epi32(_mm256_and_si256(py, three), 2), _mm256_and_si256(px, three)));
        } else {
            at = _mm256_add_epi32(_mm256_mullo_epi32(py, columns), px);
        }
        const __m256i s = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), base, at, inside, 4);

        const __m256i sr = Channel(s, 16);
        const __m256i dR = _mm256_sub_epi32(sr, cr);
        const __m256i dG = _mm256_sub_epi32(Channel(s, 8), cg);
        const __m256i dB = _mm256_sub_epi32(Channel(s, 0), cb);
        const __m256i rmean = _mm256_srli_epi32(_mm256_add_epi32(sr, cr), 1);
        const __m256i red = _mm256_mullo_epi32(_mm256_add_epi32(rmean, _mm256_set1_epi32(512)), dR);
        const __m256i blue = _mm256_mullo_epi32(_mm256_sub_epi32(_mm256_set1_epi32(767), rmean), dB);
        const __m256i q = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_srli_epi32(_mm256_mullo_epi32(red, dR), 8),
                             _mm256_slli_epi32(_mm256_mullo_epi32(dG, dG), 2)),
            _mm256_srli_epi32(_mm256_mullo_epi32(blue, dB), 8));
        const __m256i plain =
            _mm256_and_si256(_mm256_and_si256(inside, _mm256_cmpeq_epi32(_mm256_srli_epi32(s, 24), seedAlpha)),
                             _mm256_cmpgt_epi32(tableSize, q));
        // Two sums, so that the compares do not wait for each other.
        __m256i cost = _mm256_set1_epi32(2), more = _mm256_setzero_si256();
        for (int i = 0; i < Rises; i += 2) {
            cost = _mm256_sub_epi32(cost, _mm256_cmpgt_epi32(q, _mm256_set1_epi32(riseBounds_[size_t(i)])));
            more = _mm256_sub_epi32(more, _mm256_cmpgt_epi32(q, _mm256_set1_epi32(riseBounds_[size_t(i + 1)])));
        }
        cost = _mm256_add_epi32(cost, more);
        const __m256i spent = RunningSum(cost);
        const unsigned plainLanes = unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(plain)));
        const unsigned stopLanes =
            unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(spent, _mm256_set1_epi32(budget - 1)))));
        // The plain steps before the first other one, and where they run out.
        const int plainRun = __builtin_ctz(~plainLanes | 0x100u);
        const int stop = __builtin_ctz(stopLanes | 0x100u);
        if (stop < plainRun)
            return stop == 0 ? last : r + stop - 1;
        if (plainRun > 0) {
            alignas(32) int sums[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(sums), spent);
            budget -= sums[plainRun - 1];
            last = r + plainRun - 1;
        }
        if (plainRun == 8)
            continue;
        alignas(32) gfx::Pixel pixels[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(pixels), s);
        const unsigned insideLanes = unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(inside)));
        for (int j = plainRun; j < 8; ++j) {
            if (!(insideLanes >> j & 1u))
                return last;
            bool stopHere = false;
            budget = spend(budget, pixels[j], c, stopHere);
            if (stopHere || budget <= 0)
                return last;
            last = r + j;
        }
    }
}

template int SpokeField::growWide<false, 8>(double, double, double, double, int, gfx::Pixel) const;
template int SpokeField::growWide<true, 8>(double, double, double, double, int, gfx::Pixel) const;
template int SpokeField::growWide<false, 16>(double, double, double, double, int, gfx::Pixel) const;
template int SpokeField::growWide<true, 16>(double, double, double, double, int, gfx::Pixel) const;

} // namespace pq
