#pragma once

// A fixed number of xorshift32 steps at once. The step is linear over the
// bits of the state, so k steps are a 32 x 32 bit matrix, applied a byte of
// the state at a time from four tables: the state k steps on is ready after
// four loads, not after k steps one after the other.

#include "effects/stylize/space_filling/placement_context.h"

#include <cstdint>

namespace pq::stylize {

class RngJump {
public:
    explicit RngJump(int steps)
    {
        uint32_t column[32];
        for (int b = 0; b < 32; ++b) {
            uint32_t s = uint32_t(1) << b;
            for (int k = 0; k < steps; ++k)
                RngStep(s);
            column[b] = s;
        }
        for (int j = 0; j < 4; ++j)
            for (int v = 0; v < 256; ++v) {
                uint32_t s = 0;
                for (int b = 0; b < 8; ++b)
                    if ((v >> b) & 1)
                        s ^= column[8 * j + b];
                table_[j][v] = s;
            }
    }

    // The state after the steps from s.
    uint32_t operator()(uint32_t s) const
    {
        return table_[0][s & 255u] ^ table_[1][(s >> 8) & 255u] ^ table_[2][(s >> 16) & 255u] ^ table_[3][s >> 24];
    }

private:
    uint32_t table_[4][256];
};

} // namespace pq::stylize
