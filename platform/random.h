#pragma once

#include <cstdint>

namespace platform {

// Linear congruential generator: seed := seed * 134775813 + 1 (mod 2^32).
// Random(n) is the high 32 bits of seed * n; RandomReal() is seed / 2^32.
// Not thread-safe: each run owns one instance.
class Random {
public:
    explicit Random(uint32_t seed = 0) : seed_(seed) {}

    uint32_t seed() const { return seed_; }
    void setSeed(uint32_t seed) { seed_ = seed; }

    // Advances the state and returns the new seed.
    uint32_t next()
    {
        seed_ = seed_ * 134775813u + 1u;
        return seed_;
    }

    // A draw in 0..n-1; 0 when n <= 0 (the state still advances for n > 0 only).
    int random(int n)
    {
        if (n <= 0)
            return 0;
        const uint64_t s = next();
        return static_cast<int>((s * static_cast<uint64_t>(n)) >> 32);
    }

    // A draw in [0, 1).
    double randomReal() { return static_cast<double>(next()) / 4294967296.0; }

private:
    uint32_t seed_;
};

} // namespace platform
