#include "effects/painting/oil_pastel/probe.h"

#include "effects/shared/stamp_gain_wide.h"
#include "effects/shared/stamp_pixels.h"

#include <array>
#include <cstdint>
#include <immintrin.h>
#include <utility>

namespace pq {
namespace {

constexpr std::pair<int, int> kDiagonals[] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
constexpr int kDraws = 22; // a cluster's centre and its ten points

// The generator's state k draws on, as a * state + c (mod 2^32).
struct Jump {
    uint32_t a = 1, c = 0;
};
constexpr std::array<Jump, kDraws + 1> kJumps = [] {
    std::array<Jump, kDraws + 1> jumps{};
    for (int k = 1; k <= kDraws; ++k)
        jumps[size_t(k)] = {jumps[size_t(k) - 1].a * 134775813u, jumps[size_t(k) - 1].c * 134775813u + 1u};
    return jumps;
}();

uint32_t StateAfter(uint32_t state, int draws)
{
    return kJumps[size_t(draws)].a * state + kJumps[size_t(draws)].c;
}

int Draw(uint32_t state, int n)
{
    return int((uint64_t(state) * uint64_t(n)) >> 32);
}

// The pixels at (x, y) of a picture, 0 outside `mask`.
__attribute__((target("avx2"), always_inline)) inline __m256i PixelsAt(const int* base, __m256i stride, __m256i x,
                                                                      __m256i y, __m256i mask)
{
    const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(y, stride), x);
    return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), base, index, mask, 4);
}

// The errors of eight points: whether each counts and its error.
__attribute__((target("avx2"))) void PointErrors(const ProbeField& f, const ProbeRule& rule, __m256i x, __m256i y,
                                                 __m256i lanes, int32_t counts[8], int32_t errors[8])
{
    const __m256i one = _mm256_set1_epi32(1), zero = _mm256_setzero_si256();
    const __m256i inside = _mm256_and_si256(
        _mm256_and_si256(lanes, _mm256_and_si256(_mm256_cmpgt_epi32(x, zero), _mm256_cmpgt_epi32(y, zero))),
        _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(f.width - 1), x),
                         _mm256_cmpgt_epi32(_mm256_set1_epi32(f.height - 1), y)));
    const int* source = reinterpret_cast<const int*>(f.source);
    const int* canvas = reinterpret_cast<const int*>(f.canvas);
    const __m256i sStride = _mm256_set1_epi32(int(f.sourceStride)), cStride = _mm256_set1_epi32(int(f.canvasStride));
    const __m256i s = PixelsAt(source, sStride, x, y, inside);
    const __m256i counted = _mm256_and_si256(inside, _mm256_cmpgt_epi32(_mm256_srli_epi32(s, 24), _mm256_set1_epi32(9)));
    const __m256i d = PixelsAt(canvas, cStride, x, y, counted);
    __m256i err = wide::ErrorOf(s, d);
    if (rule.whiteCounts) {
        const __m256i light = _mm256_set1_epi32(230);
        const __m256i white = _mm256_and_si256(
            _mm256_cmpgt_epi32(wide::Channel(d, 2), light),
            _mm256_and_si256(_mm256_cmpgt_epi32(wide::Channel(d, 1), light), _mm256_cmpgt_epi32(wide::Channel(d, 0), light)));
        err = _mm256_blendv_epi8(err, _mm256_mullo_epi32(err, _mm256_set1_epi32(50)), white);
    }
    const __m256i spread = _mm256_and_si256(counted, _mm256_cmpgt_epi32(err, _mm256_set1_epi32(20)));
    if (!_mm256_testz_si256(spread, spread))
        for (const auto& [ox, oy] : kDiagonals) {
            const __m256i qx = _mm256_add_epi32(x, _mm256_set1_epi32(ox * rule.reach));
            const __m256i qy = _mm256_add_epi32(y, _mm256_set1_epi32(oy * rule.reach));
            const __m256i on = _mm256_and_si256(
                _mm256_and_si256(spread, _mm256_and_si256(_mm256_cmpgt_epi32(qx, _mm256_sub_epi32(zero, one)),
                                                          _mm256_cmpgt_epi32(qy, _mm256_sub_epi32(zero, one)))),
                _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(f.width), qx),
                                 _mm256_cmpgt_epi32(_mm256_set1_epi32(f.height), qy)));
            const __m256i e = wide::ErrorOf(PixelsAt(source, sStride, qx, qy, on), PixelsAt(canvas, cStride, qx, qy, on));
            err = _mm256_add_epi32(err, _mm256_and_si256(e, on));
        }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(counts), counted);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(errors), err);
}

__attribute__((target("avx2"))) bool ProbeAvx2(const ProbeField& f, const ProbeRule& rule, platform::Random& rng,
                                               int& px, int& py)
{
    // Lane i of the first vector is point i, of the second point 8 + i.
    alignas(32) static constexpr int32_t kPointLanes[16] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    __m256i xa[2], xc[2], ya[2], yc[2];
    for (int half = 0; half < 2; ++half) {
        alignas(32) int32_t m[4][8] = {};
        for (int i = 0; i < 8 && 8 * half + i < 10; ++i) {
            const int point = 8 * half + i;
            m[0][i] = int32_t(kJumps[size_t(3 + 2 * point)].a);
            m[1][i] = int32_t(kJumps[size_t(3 + 2 * point)].c);
            m[2][i] = int32_t(kJumps[size_t(4 + 2 * point)].a);
            m[3][i] = int32_t(kJumps[size_t(4 + 2 * point)].c);
        }
        xa[half] = _mm256_load_si256(reinterpret_cast<const __m256i*>(m[0]));
        xc[half] = _mm256_load_si256(reinterpret_cast<const __m256i*>(m[1]));
        ya[half] = _mm256_load_si256(reinterpret_cast<const __m256i*>(m[2]));
        yc[half] = _mm256_load_si256(reinterpret_cast<const __m256i*>(m[3]));
    }
    int bestErr = -1;
    for (int c = 0; c < rule.clusters; ++c) {
        const uint32_t state = rng.seed();
        const int cx = Draw(StateAfter(state, 1), f.width - 20) + 10;
        const int cy = Draw(StateAfter(state, 2), f.height - 20) + 10;
        alignas(32) int32_t counts[16], errors[16], xs[16], ys[16];
        const __m256i s = _mm256_set1_epi32(int(state));
        for (int half = 0; half < 2; ++half) {
            // random(64) of a state is its top six bits.
            const __m256i sx = _mm256_add_epi32(_mm256_mullo_epi32(s, xa[half]), xc[half]);
            const __m256i sy = _mm256_add_epi32(_mm256_mullo_epi32(s, ya[half]), yc[half]);
            const __m256i x = _mm256_add_epi32(_mm256_set1_epi32(cx - 32), _mm256_srli_epi32(sx, 26));
            const __m256i y = _mm256_add_epi32(_mm256_set1_epi32(cy - 32), _mm256_srli_epi32(sy, 26));
            _mm256_store_si256(reinterpret_cast<__m256i*>(xs + 8 * half), x);
            _mm256_store_si256(reinterpret_cast<__m256i*>(ys + 8 * half), y);
            const __m256i lanes = _mm256_load_si256(reinterpret_cast<const __m256i*>(kPointLanes + 8 * half));
            PointErrors(f, rule, x, y, lanes, counts + 8 * half, errors + 8 * half);
        }
        for (int i = 0; i < 10; ++i) {
            if (!counts[i])
                continue;
            if (errors[i] > bestErr) {
                bestErr = errors[i];
                px = xs[i];
                py = ys[i];
            }
            if (bestErr > 2000) {
                rng.setSeed(StateAfter(state, 2 + 2 * (i + 1)));
                return true;
            }
        }
        rng.setSeed(StateAfter(state, kDraws));
    }
    return bestErr >= 0;
}

} // namespace

bool ProbeWorstPlain(const ProbeField& f, const ProbeRule& rule, platform::Random& rng, int& px, int& py)
{
    auto source = [&](int x, int y) { return f.source[y * f.sourceStride + x]; };
    auto canvas = [&](int x, int y) { return f.canvas[y * f.canvasStride + x]; };
    int bestErr = -1;
    for (int c = 0; c < rule.clusters; ++c) {
        const int cx = rng.random(f.width - 20) + 10;
        const int cy = rng.random(f.height - 20) + 10;
        for (int i = 0; i < 10; ++i) {
            const int x = cx + rng.random(64) - 32;
            const int y = cy + rng.random(64) - 32;
            if (x < 1 || x > f.width - 2 || y < 1 || y > f.height - 2 || int(source(x, y) >> 24) < 10)
                continue;
            const gfx::Pixel d = canvas(x, y);
            int err = PixelError(source(x, y), d);
            if (rule.whiteCounts && ((d >> 16) & 255) > 230 && ((d >> 8) & 255) > 230 && (d & 255) > 230)
                err *= 50;
            if (err > 20)
                for (const auto& [ox, oy] : kDiagonals) {
                    const int qx = x + ox * rule.reach, qy = y + oy * rule.reach;
                    if (qx >= 0 && qx < f.width && qy >= 0 && qy < f.height)
                        err += PixelError(source(qx, qy), canvas(qx, qy));
                }
            if (err > bestErr) {
                bestErr = err;
                px = x;
                py = y;
            }
            if (bestErr > 2000)
                return true;
        }
    }
    return bestErr >= 0;
}

bool ProbeWorst(const ProbeField& field, const ProbeRule& rule, platform::Random& rng, int& px, int& py)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    // Gathers take 32-bit offsets: pictures of up to 2^28 pixels fit.
    if (!avx2 || field.width < 21 || field.height < 21 || int64_t(field.height) * field.sourceStride > (int64_t(1) << 30) ||
        int64_t(field.height) * field.canvasStride > (int64_t(1) << 30))
        return ProbeWorstPlain(field, rule, rng, px, py);
    return ProbeAvx2(field, rule, rng, px, py);
}

} // namespace pq
