#pragma once

// One bit per pixel, rows padded to whole 64-bit words: a coverage map of a
// 12-megapixel picture fits in 1.5 MiB, so random probes mostly hit cache.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pq::stylize {

class BitPlane {
public:
    BitPlane() = default;
    BitPlane(int width, int height)
        : width_(width), words_((size_t(width) + 63) / 64), bits_(words_ * size_t(height), 0)
    {}

    int width() const { return width_; }
    size_t wordsPerRow() const { return words_; }
    uint64_t* row(int y) { return bits_.data() + size_t(y) * words_; }
    const uint64_t* row(int y) const { return bits_.data() + size_t(y) * words_; }

    bool get(int x, int y) const { return (row(y)[size_t(x) >> 6] >> (unsigned(x) & 63u)) & 1u; }
    void set(int x, int y) { row(y)[size_t(x) >> 6] |= uint64_t(1) << (unsigned(x) & 63u); }

    // True when a bit of columns a..b (inclusive, a <= b) of row y is set.
    bool any(int y, int a, int b) const
    {
        const uint64_t* r = row(y);
        const size_t wa = size_t(a) >> 6, wb = size_t(b) >> 6;
        const uint64_t first = ~uint64_t(0) << (unsigned(a) & 63u);
        const uint64_t last = ~uint64_t(0) >> (63u - (unsigned(b) & 63u));
        if (wa == wb)
            return (r[wa] & first & last) != 0;
        if (r[wa] & first)
            return true;
        for (size_t i = wa + 1; i < wb; ++i)
            if (r[i])
                return true;
        return (r[wb] & last) != 0;
    }

private:
    int width_ = 0;
    size_t words_ = 0;
    std::vector<uint64_t> bits_;
};

} // namespace pq::stylize
