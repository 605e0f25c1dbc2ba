#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace pq {

// The watercolour-paper sample table that effects 301 and 308 read: the red
// channel of the repository's VCLwatercolortexture, 1024 x 768 entries
// indexed [x, y]; cells beyond the paper hold 128.
struct WatercolorTextureSamples {
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 768;

    std::vector<uint8_t> samples = std::vector<uint8_t>(size_t(kWidth) * kHeight, 128);
    int mean = 128;      // integer mean of the copied samples
    bool loaded = false; // the table holds a paper

    uint8_t at(int x, int y) const { return samples[size_t(x) * kHeight + size_t(y)]; }
};

// Fills the table from the repository's paper the first time it is asked
// for that paper, and returns it. Thread-safe: later calls, from any number
// of runs at once, share the finished table and never rewrite it. A call
// without a paper returns a table that is not loaded.
std::shared_ptr<const WatercolorTextureSamples> LoadWatercolorTextureSamples();

} // namespace pq
