#include "effects/painting/stroke_patch.h"

#include <algorithm>
#include <array>

namespace pq {
namespace {

// The generator's state k draws ahead is state * mul + add.
struct Ahead {
    uint32_t mul = 1, add = 0;
};

constexpr std::array<Ahead, 7> AheadSteps()
{
    std::array<Ahead, 7> steps{};
    for (size_t k = 1; k < steps.size(); ++k)
        steps[k] = {steps[k - 1].mul * 134775813u, steps[k - 1].add * 134775813u + 1u};
    return steps;
}

constexpr std::array<Ahead, 7> kAhead = AheadSteps();

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

void DrawPatchSources(const PatchPlacement& where, platform::Random& rng, PatchSources& sources)
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

} // namespace pq
