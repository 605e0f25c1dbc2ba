#pragma once

// A whole-picture plane of one value per pixel (or per table entry) in
// uninitialised scratch memory unless a fill value is given. Allocation
// failure raises std::bad_alloc, which the engine reports as "not enough
// memory".

#include "gfx/scratch_buffer.h"

#include <algorithm>
#include <cstddef>
#include <new>

namespace pq {

template <typename T>
class ScratchPlane {
public:
    ScratchPlane() = default;
    explicit ScratchPlane(size_t count) : buffer_(count), size_(count)
    {
        if (count > 0 && !buffer_)
            throw std::bad_alloc();
    }
    ScratchPlane(size_t count, T value) : ScratchPlane(count) { std::fill_n(data(), size_, value); }

    size_t size() const { return size_; }
    T* data() { return buffer_.data(); }
    const T* data() const { return buffer_.data(); }
    T& operator[](size_t i) { return buffer_.data()[i]; }
    const T& operator[](size_t i) const { return buffer_.data()[i]; }

private:
    gfx::ScratchBuffer<T> buffer_{0};
    size_t size_ = 0;
};

} // namespace pq
