#pragma once

// One bit per pixel, rows padded to whole 64-bit words: a coverage map of a
// 12-megapixel picture fits in 1.5 MiB, so random probes mostly hit cache.
// Two planes may share their storage word by word (twins), so that a probe
// of a pixel in one brings the same pixel of the other into cache with it.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace pq::stylize {

class BitPlane {
public:
    BitPlane() = default;
    BitPlane(int width, int height) : BitPlane(width, height, 1, 0, nullptr) {}

    // Two cleared planes of one size over shared, interleaved storage.
    static void MakeTwins(int width, int height, BitPlane& first, BitPlane& second)
    {
        first = BitPlane(width, height, 2, 0, nullptr);
        second = BitPlane(width, height, 2, 1, first.storage_);
    }

    int width() const { return width_; }
    size_t wordsPerRow() const { return words_; }
    // Word i (columns 64 i .. 64 i + 63) of row y.
    uint64_t& word(int y, size_t i) { return bits_[size_t(y) * rowStride_ + i * lanes_]; }
    uint64_t word(int y, size_t i) const { return bits_[size_t(y) * rowStride_ + i * lanes_]; }

    // Brings the word of pixel (x, y) towards the cache.
    void prefetch(int x, int y) const { __builtin_prefetch(bits_ + size_t(y) * rowStride_ + (size_t(x) >> 6) * lanes_); }

    bool get(int x, int y) const { return (word(y, size_t(x) >> 6) >> (unsigned(x) & 63u)) & 1u; }
    void set(int x, int y) { word(y, size_t(x) >> 6) |= uint64_t(1) << (unsigned(x) & 63u); }

    // True when a bit of columns a..b (inclusive, a <= b) of row y is set.
    bool any(int y, int a, int b) const
    {
        const uint64_t* r = bits_ + size_t(y) * rowStride_;
        const size_t wa = size_t(a) >> 6, wb = size_t(b) >> 6;
        const uint64_t first = ~uint64_t(0) << (unsigned(a) & 63u);
        const uint64_t last = ~uint64_t(0) >> (63u - (unsigned(b) & 63u));
        if (wa == wb)
            return (r[wa * lanes_] & first & last) != 0;
        if (r[wa * lanes_] & first)
            return true;
        for (size_t i = wa + 1; i < wb; ++i)
            if (r[i * lanes_])
                return true;
        return (r[wb * lanes_] & last) != 0;
    }

    // True when a bit of columns a, a + step, ... <= b (a <= b) of row y is
    // set: whole words under a mask of every step-th column.
    bool anyOnLattice(int y, int a, int b, int step) const
    {
        if (step == 1)
            return any(y, a, b);
        if (step != 2 && step != 3) {
            for (int x = a; x <= b; x += step)
                if (get(x, y))
                    return true;
            return false;
        }
        // Columns of word i whose bit k has k = phase (mod step); 64 is 1
        // (mod 3), so with step 3 the phase drops by one a word.
        static constexpr uint64_t kEvery2[2] = {0x5555555555555555u, 0xAAAAAAAAAAAAAAAAu};
        static constexpr uint64_t kEvery3[3] = {0x9249249249249249u, 0x2492492492492492u, 0x4924924924924924u};
        const uint64_t* r = bits_ + size_t(y) * rowStride_;
        const size_t wa = size_t(a) >> 6, wb = size_t(b) >> 6;
        unsigned phase = (unsigned(a) & 63u) % unsigned(step);
        uint64_t mask = ~uint64_t(0) << (unsigned(a) & 63u);
        const uint64_t last = ~uint64_t(0) >> (63u - (unsigned(b) & 63u));
        for (size_t i = wa;; ++i) {
            const uint64_t lattice = step == 2 ? kEvery2[phase] : kEvery3[phase];
            if (i == wb)
                return (r[i * lanes_] & mask & last & lattice) != 0;
            if (r[i * lanes_] & mask & lattice)
                return true;
            mask = ~uint64_t(0);
            if (step == 3)
                phase = (phase + 2) % 3;
        }
    }

private:
    BitPlane(int width, int height, size_t lanes, size_t lane, std::shared_ptr<std::vector<uint64_t>> storage)
        : width_(width), words_((size_t(width) + 63) / 64), lanes_(lanes), rowStride_(words_ * lanes),
          storage_(storage ? std::move(storage)
                           : std::make_shared<std::vector<uint64_t>>(rowStride_ * size_t(height), 0)),
          bits_(storage_->data() + lane)
    {}

    int width_ = 0;
    size_t words_ = 0;
    size_t lanes_ = 1, rowStride_ = 0;
    std::shared_ptr<std::vector<uint64_t>> storage_;
    uint64_t* bits_ = nullptr;
};

} // namespace pq::stylize
