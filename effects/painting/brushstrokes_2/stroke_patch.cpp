#include "effects/painting/brushstrokes_2/stroke_patch.h"

#include "effects/painting/brushstrokes_2/chain_picks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <immintrin.h>

namespace pq {
namespace {

// The generator's state k draws ahead is state * mul + add.
struct Ahead {
    uint32_t mul = 1, add = 0;
};

constexpr std::array<Ahead, 8> AheadSteps()
{
    std::array<Ahead, 8> steps{};
    for (size_t k = 1; k < steps.size(); ++k)
        steps[k] = {steps[k - 1].mul * 134775813u, steps[k - 1].add * 134775813u + 1u};
    return steps;
}

constexpr std::array<Ahead, 8> kAhead = AheadSteps();

inline uint32_t After(uint32_t state, int k)
{
    return state * kAhead[size_t(k)].mul + kAhead[size_t(k)].add;
}

// a where mask is all ones, b where it is 0: no branch on a random choice.
inline uint32_t Select(uint32_t mask, uint32_t a, uint32_t b)
{
    return (a & mask) | (b & ~mask);
}

inline uint32_t MaskOf(bool v)
{
    return 0u - uint32_t(v);
}

// What random(n) returns from the state it advanced to.
inline int Value(uint32_t state, uint32_t n)
{
    return int((uint64_t(state) * n) >> 32);
}

} // namespace

void DrawPatchSourcesPlain(const PatchPlacement& where, platform::Random& rng, PatchSources& sources)
{
    const size_t size = size_t(where.maskW) * size_t(where.maskH);
    if (sources.pixel.size() < size) {
        sources.pixel.resize(size, -1);
        sources.jitter.resize(size, 0);
    }
    const int mx0 = std::max(0, -where.x0), mx1 = std::min(where.maskW, where.w - where.x0);
    const int my0 = std::max(0, -where.y0), my1 = std::min(where.maskH, where.h - where.y0);
    const int nearFrom = where.centreChance - where.bias;
    const int w = where.w;
    // The draws of one position are, in turn: a jitter choice; a jitter
    // value when the choice falls on a third; the centre-or-near choice;
    // for a near pixel, the reach choice and the two offsets. All six
    // possible states are stepped straight from the position's first, so
    // that only the two choices lie on the chain from one position to the
    // next, and nothing branches on a draw.
    uint32_t state = rng.seed();
    for (int my = my0; my < my1; ++my) {
        const int py = where.y0 + my;
        int32_t* pixel = sources.pixel.data() + size_t(my) * size_t(where.maskW);
        int8_t* jitter = sources.jitter.data() + size_t(my) * size_t(where.maskW);
        for (int mx = mx0; mx < mx1; ++mx) {
            const uint32_t s1 = After(state, 1), s2 = After(state, 2), s3 = After(state, 3);
            const uint32_t s4 = After(state, 4), s5 = After(state, 5), s6 = After(state, 6);
            const uint32_t third = MaskOf(uint32_t(Value(s1, uint32_t(mx + my + 1))) % 3u == 0);
            // Near-pixel choices for either count of jitter draws.
            const uint32_t nearOne = MaskOf(Value(s2, 150) >= nearFrom);
            const uint32_t nearTwo = MaskOf(Value(s3, 150) >= nearFrom);
            const uint32_t near = Select(third, nearTwo, nearOne);
            const uint32_t next = Select(third, Select(nearTwo, s6, s3), Select(nearOne, s5, s2));

            jitter[mx] = int8_t(Select(third, uint32_t(-Value(s2, 20)), 25));
            const uint32_t reach = Select(third, s4, s3), sx = Select(third, s5, s4), sy = Select(third, s6, s5);
            const uint32_t far = MaskOf(Value(reach, 100) < where.abstraction);
            const int dx = int(Select(far, uint32_t(Value(sx, 7) - 3), uint32_t(Value(sx, 3) - 1)));
            const int dy = int(Select(far, uint32_t(Value(sy, 7) - 3), uint32_t(Value(sy, 3) - 1)));
            const int x = std::clamp(where.x0 + mx + dx, 0, w - 1), y = std::clamp(py + dy, 0, where.h - 1);
            pixel[mx] = int32_t(Select(near, uint32_t(y * w + x), uint32_t(where.centre)));
            state = next;
        }
    }
    rng.setSeed(state);
}


namespace {

// v % 3 == 0 for a 32-bit v: v times the inverse of 3 modulo 2^32 lands
// at or below (2^32 - 1) / 3 exactly for the multiples of 3.
inline bool DividesBy3(uint32_t v)
{
    return v * kInverse3 <= kThirdAt;
}

// The lowest state whose draw below 150 reaches `from`, as a 64-bit bound
// (2^32: no state does): the near choice becomes one comparison.
uint64_t NearBound(int from)
{
    if (from <= 0)
        return 0;
    if (from >= 150)
        return uint64_t(1) << 32;
    return ((uint64_t(from) << 32) + 149) / 150;
}

// The state each position of rows my0..my1 - 1, columns mx0..mx1 - 1
// starts from, row by row into `states`; returns the state after them.
// Only the two choices lie on the chain; the first draw of the next
// position is carried along with its state, so that one multiply less
// lies on it.
uint32_t ChainStates(uint32_t state, int mx0, int mx1, int my0, int my1, int nearFrom, uint32_t* states)
{
    const uint64_t nearAt = NearBound(nearFrom);
    uint32_t s1 = After(state, 1);
    if (nearAt == 0) {
        // Every position takes a near pixel: five or six draws.
        for (int my = my0; my < my1; ++my)
            for (int mx = mx0; mx < mx1; ++mx) {
                *states++ = state;
                const uint32_t s5 = After(state, 5), s6 = After(state, 6), s7 = After(state, 7);
                const uint32_t t = uint32_t(Value(s1, uint32_t(mx + my + 1))) * kInverse3;
                state = PickAtMost(t, kThirdAt, s6, s5);
                s1 = PickAtMost(t, kThirdAt, s7, s6);
            }
        return state;
    }
    for (int my = my0; my < my1; ++my)
        for (int mx = mx0; mx < mx1; ++mx) {
            *states++ = state;
            const uint32_t s2 = After(state, 2), s3 = After(state, 3), s4 = After(state, 4);
            const uint32_t s5 = After(state, 5), s6 = After(state, 6), s7 = After(state, 7);
            const uint32_t t = uint32_t(Value(s1, uint32_t(mx + my + 1))) * kInverse3;
            // The next state and its first draw after two jitter draws, and
            // after one.
            const uint32_t nextTwo = PickAtLeast(s3, nearAt, s6, s3), nextOne = PickAtLeast(s2, nearAt, s5, s2);
            const uint32_t firstTwo = PickAtLeast(s3, nearAt, s7, s4), firstOne = PickAtLeast(s2, nearAt, s6, s3);
            state = PickAtMost(t, kThirdAt, nextTwo, nextOne);
            s1 = PickAtMost(t, kThirdAt, firstTwo, firstOne);
        }
    return state;
}

__attribute__((target("avx2"), always_inline)) inline __m256i After8(__m256i state, int k)
{
    return _mm256_add_epi32(_mm256_mullo_epi32(state, _mm256_set1_epi32(int(kAhead[size_t(k)].mul))),
                            _mm256_set1_epi32(int(kAhead[size_t(k)].add)));
}

// Value of eight states for eight bounds.
__attribute__((target("avx2"), always_inline)) inline __m256i Value8(__m256i state, __m256i n)
{
    const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(state, n), 32);
    const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(state, 32), _mm256_srli_epi64(n, 32));
    return _mm256_blend_epi32(even, odd, 0xAA);
}

__attribute__((target("avx2"), always_inline)) inline __m256i Select8(__m256i mask, __m256i a, __m256i b)
{
    return _mm256_blendv_epi8(b, a, mask);
}

// The sources of one row's positions mx0..mx1 - 1 from their states, eight
// at a time, as DrawPatchSourcesPlain works each out; returns where the
// plain loop takes over.
__attribute__((target("avx2"))) int RowSourcesAvx2(const PatchPlacement& where, int my, int mx0, int mx1,
                                                   const uint32_t* states, int32_t* pixel, int8_t* jitter)
{
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i n150 = _mm256_set1_epi32(150), n20 = _mm256_set1_epi32(20), n100 = _mm256_set1_epi32(100);
    const __m256i n7 = _mm256_set1_epi32(7), n3 = _mm256_set1_epi32(3), one = _mm256_set1_epi32(1);
    const __m256i nearFrom = _mm256_set1_epi32(where.centreChance - where.bias - 1);
    const __m256i abstraction = _mm256_set1_epi32(where.abstraction);
    const __m256i inverse3 = _mm256_set1_epi32(int(0xAAAAAAABu)), sign = _mm256_set1_epi32(int(0x80000000u));
    const __m256i third3 = _mm256_set1_epi32(int(0x55555555u ^ 0x80000000u));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lastX = _mm256_set1_epi32(where.w - 1), lastY = _mm256_set1_epi32(where.h - 1);
    const __m256i width = _mm256_set1_epi32(where.w), centre = _mm256_set1_epi32(where.centre);
    const __m256i py = _mm256_set1_epi32(where.y0 + my);
    int mx = mx0;
    for (; mx + 8 <= mx1; mx += 8) {
        const __m256i state = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(states + (mx - mx0)));
        const __m256i column = _mm256_add_epi32(_mm256_set1_epi32(mx), lanes);
        const __m256i s1 = After8(state, 1), s2 = After8(state, 2), s3 = After8(state, 3);
        const __m256i s4 = After8(state, 4), s5 = After8(state, 5), s6 = After8(state, 6);
        const __m256i v1 = Value8(s1, _mm256_add_epi32(column, _mm256_set1_epi32(my + 1)));
        // Unsigned v * inverse <= (2^32 - 1) / 3, compared as signed.
        const __m256i third =
            _mm256_cmpgt_epi32(_mm256_add_epi32(third3, one), _mm256_xor_si256(_mm256_mullo_epi32(v1, inverse3), sign));
        const __m256i nearOne = _mm256_cmpgt_epi32(Value8(s2, n150), nearFrom);
        const __m256i nearTwo = _mm256_cmpgt_epi32(Value8(s3, n150), nearFrom);
        const __m256i near = Select8(third, nearTwo, nearOne);
        const __m256i jit = Select8(third, _mm256_sub_epi32(zero, Value8(s2, n20)), _mm256_set1_epi32(25));
        const __m256i reach = Select8(third, s4, s3), sx = Select8(third, s5, s4), sy = Select8(third, s6, s5);
        const __m256i far = _mm256_cmpgt_epi32(abstraction, Value8(reach, n100));
        const __m256i dx = Select8(far, _mm256_sub_epi32(Value8(sx, n7), n3), _mm256_sub_epi32(Value8(sx, n3), one));
        const __m256i dy = Select8(far, _mm256_sub_epi32(Value8(sy, n7), n3), _mm256_sub_epi32(Value8(sy, n3), one));
        const __m256i x = _mm256_min_epi32(
            _mm256_max_epi32(_mm256_add_epi32(_mm256_add_epi32(_mm256_set1_epi32(where.x0), column), dx), zero), lastX);
        const __m256i y = _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(py, dy), zero), lastY);
        const __m256i at = _mm256_add_epi32(_mm256_mullo_epi32(y, width), x);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixel + mx), Select8(near, at, centre));
        // The eight jitters as bytes.
        const __m256i packed16 = _mm256_packs_epi32(jit, jit);
        const __m256i packed8 = _mm256_packs_epi16(packed16, packed16);
        const uint32_t lowHalf = uint32_t(_mm256_cvtsi256_si32(packed8));
        const uint32_t highHalf = uint32_t(_mm_cvtsi128_si32(_mm256_extracti128_si256(packed8, 1)));
        const uint64_t bytes = uint64_t(lowHalf) | uint64_t(highHalf) << 32;
        std::memcpy(jitter + mx, &bytes, sizeof bytes);
    }
    return mx;
}

// The sources of positions mx0..mx1 - 1 of row my from their states.
void RowSourcesPlain(const PatchPlacement& where, int my, int mx0, int mx1, const uint32_t* states, int32_t* pixel,
                     int8_t* jitter)
{
    const int nearFrom = where.centreChance - where.bias;
    const int py = where.y0 + my;
    for (int mx = mx0; mx < mx1; ++mx) {
        const uint32_t state = states[mx - mx0];
        const uint32_t s1 = After(state, 1), s2 = After(state, 2), s3 = After(state, 3);
        const uint32_t s4 = After(state, 4), s5 = After(state, 5), s6 = After(state, 6);
        const bool third = DividesBy3(uint32_t(Value(s1, uint32_t(mx + my + 1))));
        const bool near = third ? Value(s3, 150) >= nearFrom : Value(s2, 150) >= nearFrom;
        jitter[mx] = int8_t(third ? -Value(s2, 20) : 25);
        const uint32_t reach = third ? s4 : s3, sx = third ? s5 : s4, sy = third ? s6 : s5;
        const bool far = Value(reach, 100) < where.abstraction;
        const int dx = far ? Value(sx, 7) - 3 : Value(sx, 3) - 1;
        const int dy = far ? Value(sy, 7) - 3 : Value(sy, 3) - 1;
        const int x = std::clamp(where.x0 + mx + dx, 0, where.w - 1), y = std::clamp(py + dy, 0, where.h - 1);
        pixel[mx] = near ? y * where.w + x : where.centre;
    }
}

} // namespace

PatchClip ClipPatch(const PatchPlacement& where)
{
    PatchClip c;
    c.mx0 = std::max(0, -where.x0);
    c.mx1 = std::max(c.mx0, std::min(where.maskW, where.w - where.x0));
    c.my0 = std::max(0, -where.y0);
    c.my1 = std::max(c.my0, std::min(where.maskH, where.h - where.y0));
    return c;
}

void ChainPatchStates(const PatchPlacement& where, platform::Random& rng, std::vector<uint32_t>& states)
{
    const PatchClip c = ClipPatch(where);
    states.resize(size_t(c.mx1 - c.mx0) * size_t(c.my1 - c.my0));
    if (states.empty())
        return;
    rng.setSeed(ChainStates(rng.seed(), c.mx0, c.mx1, c.my0, c.my1, where.centreChance - where.bias, states.data()));
}

void SourcesFromStates(const PatchPlacement& where, const uint32_t* states, PatchSources& sources)
{
    const size_t size = size_t(where.maskW) * size_t(where.maskH);
    if (sources.pixel.size() < size) {
        sources.pixel.resize(size, -1);
        sources.jitter.resize(size, 0);
    }
    const PatchClip c = ClipPatch(where);
    const int across = c.mx1 - c.mx0;
    static const bool avx2 = __builtin_cpu_supports("avx2");
    for (int my = c.my0; my < c.my1; ++my) {
        const uint32_t* rowStates = states + size_t(my - c.my0) * size_t(across);
        int32_t* pixel = sources.pixel.data() + size_t(my) * size_t(where.maskW);
        int8_t* jitter = sources.jitter.data() + size_t(my) * size_t(where.maskW);
        const int from = avx2 ? RowSourcesAvx2(where, my, c.mx0, c.mx1, rowStates, pixel, jitter) : c.mx0;
        RowSourcesPlain(where, my, from, c.mx1, rowStates + (from - c.mx0), pixel, jitter);
    }
}

void DrawPatchSources(const PatchPlacement& where, platform::Random& rng, PatchSources& sources)
{
    // The chain of states first, then every position's draws from its own.
    thread_local std::vector<uint32_t> states;
    ChainPatchStates(where, rng, states);
    SourcesFromStates(where, states.data(), sources);
}

} // namespace pq
