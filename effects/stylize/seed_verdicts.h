#pragma once

// Seeds on pixel centres known to be turned down at the current level: a
// byte per pixel holding the level it was last turned down at. Threads mark
// and read it during a sub-pass; a mark is only ever the current level, so
// a stale read merely evaluates the seed again.

#include <atomic>
#include <cstdint>
#include <vector>

namespace pq::stylize {

class SeedVerdicts {
public:
    // Forgets every mark; the planes are (re)made for w x h pixels.
    void startLevel(int w, int h)
    {
        const size_t count = size_t(w) * size_t(h);
        if (marks_.size() != count || stamp_ == 255) {
            marks_.assign(count, 0);
            stamp_ = 0;
        }
        w_ = w;
        ++stamp_;
    }

    bool rejected(int x, int y) const { return std::atomic_ref(mark(x, y)).load(std::memory_order_relaxed) == stamp_; }
    void reject(int x, int y) { std::atomic_ref(mark(x, y)).store(stamp_, std::memory_order_relaxed); }

private:
    uint8_t& mark(int x, int y) const { return const_cast<uint8_t&>(marks_[size_t(y) * size_t(w_) + size_t(x)]); }

    std::vector<uint8_t> marks_;
    int w_ = 0;
    uint8_t stamp_ = 0;
};

} // namespace pq::stylize
