#pragma once

// Choices on a chain of random draws made without a branch: a branch on a
// random choice is mispredicted a third of the time, and the compiler
// turns the plain forms into branches.

#include <cstdint>

namespace pq {

// x >= bound ? a : b.
inline uint32_t PickAtLeast(uint64_t x, uint64_t bound, uint32_t a, uint32_t b)
{
#if defined(__x86_64__)
    asm("cmp %2, %1\n\tcmovae %3, %0" : "+r"(b) : "r"(x), "r"(bound), "r"(a) : "cc");
    return b;
#else
    return x >= bound ? a : b;
#endif
}

// x <= bound ? a : b.
inline uint32_t PickAtMost(uint32_t x, uint32_t bound, uint32_t a, uint32_t b)
{
#if defined(__x86_64__)
    asm("cmp %2, %1\n\tcmovbe %3, %0" : "+r"(b) : "r"(x), "r"(bound), "r"(a) : "cc");
    return b;
#else
    return x <= bound ? a : b;
#endif
}

// v % 3 == 0 exactly when v * kInverse3 (mod 2^32) <= kThirdAt: the
// multiples of 3 land at or below (2^32 - 1) / 3.
constexpr uint32_t kInverse3 = 0xAAAAAAABu;
constexpr uint32_t kThirdAt = 0x55555555u;

} // namespace pq
