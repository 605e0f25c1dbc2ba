#pragma once

// Scratch space smooth painting keeps from pass to pass: it grows when
// asked for more and is never cleared, so the loops that fill it are the
// first to touch its pages (in parallel where they run so).

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

namespace pq {

// Plain values or aggregates of them, whose objects come to be with the
// storage; a reader writes every value before it reads one.
template <typename T>
class SmoothScratch {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T> &&
                  (std::is_aggregate_v<T> || std::is_trivially_default_constructible_v<T>));

public:
    // Room for n values, their contents left as they are.
    T* reserve(size_t n)
    {
        if (n > capacity_) {
            data_.reset();
            data_.reset(static_cast<T*>(::operator new(n * sizeof(T))));
            capacity_ = n;
        }
        return data_.get();
    }
    T* data() const { return data_.get(); }

private:
    struct Free {
        void operator()(T* p) const { ::operator delete(p); }
    };
    std::unique_ptr<T, Free> data_;
    size_t capacity_ = 0;
};

} // namespace pq
