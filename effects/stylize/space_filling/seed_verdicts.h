#pragma once

// Seeds on pixel centres known to be turned down at the current level, a
// bit per pixel (small enough to stay in cache). Threads mark and read it
// during a sub-pass with plain loads and stores: two marks in one word at
// once may lose one, which only means evaluating that seed again.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace pq::stylize {

class SeedVerdicts {
public:
    // Forgets every mark; the plane is (re)made for w x h pixels.
    void startLevel(int w, int h)
    {
        wordsPerRow_ = (size_t(w) + 63) / 64;
        const size_t count = wordsPerRow_ * size_t(h);
        if (words_.size() != count)
            words_.assign(count, 0);
        else
            std::fill(words_.begin(), words_.end(), 0);
    }

    bool rejected(int x, int y) const { return (load(word(x, y)) >> (unsigned(x) & 63u)) & 1u; }
    void reject(int x, int y)
    {
        uint64_t& w = word(x, y);
        std::atomic_ref(w).store(load(w) | uint64_t(1) << (unsigned(x) & 63u), std::memory_order_relaxed);
    }

private:
    uint64_t& word(int x, int y) const
    {
        return const_cast<uint64_t&>(words_[size_t(y) * wordsPerRow_ + (size_t(x) >> 6)]);
    }
    static uint64_t load(uint64_t& w) { return std::atomic_ref(w).load(std::memory_order_relaxed); }

    std::vector<uint64_t> words_;
    size_t wordsPerRow_ = 0;
};

} // namespace pq::stylize
