#pragma once

// Small helpers the pencil sketches share: fetching memory ahead of use and
// jumping the program's generator over draws whose values are not needed.

#include "gfx/scratch_buffer.h"
#include "platform/cpu_hints.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace pq::pencil {

// A whole-picture plane of one value per pixel, in scratch memory (huge
// pages: strokes wander across rows, and with small pages nearly every row
// is a page of its own). Uninitialised unless a fill value is given; null
// when out of memory.
template <typename T>
class Plane {
public:
    explicit Plane(size_t count) : buffer_(count), size_(buffer_ ? count : 0) {}
    Plane(size_t count, T value) : Plane(count) { std::fill_n(data(), size_, value); }

    explicit operator bool() const { return static_cast<bool>(buffer_); }
    size_t size() const { return size_; }
    T* data() { return buffer_.data(); }
    const T* data() const { return buffer_.data(); }
    T& operator[](size_t i) { return buffer_.data()[i]; }
    const T& operator[](size_t i) const { return buffer_.data()[i]; }
    void swap(Plane& other) noexcept
    {
        std::swap(buffer_, other.buffer_);
        std::swap(size_, other.size_);
    }

private:
    gfx::ScratchBuffer<T> buffer_;
    size_t size_;
};

using platform::Prefetch;
using platform::PrefetchForWrite;

// n steps of platform::Random's sequence (seed * 134775813 + 1) as one
// step seed * mul + add.
struct Jump {
    uint32_t mul = 1;
    uint32_t add = 0;

    constexpr uint32_t operator()(uint32_t seed) const { return seed * mul + add; }
};

constexpr Jump JumpOf(uint64_t n)
{
    Jump j;
    uint32_t a = 134775813u, c = 1u; // 2^k steps
    for (; n > 0; n >>= 1) {
        if (n & 1) {
            j.mul *= a;
            j.add = j.add * a + c;
        }
        c = c * a + c;
        a *= a;
    }
    return j;
}

// The seed after n more draws (each draw of a positive range, or a real
// draw, is one step).
constexpr uint32_t JumpSeed(uint32_t seed, uint64_t n)
{
    return JumpOf(n)(seed);
}

} // namespace pq::pencil
