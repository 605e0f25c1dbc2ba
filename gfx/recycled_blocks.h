#pragma once

// Big freed blocks kept for the next request of the same size. A fresh
// 12-megapixel buffer costs the kernel more to zero and fault in than a
// fast filter takes to fill it, and most runs ask again and again for the
// picture's size.

#include <cstddef>
#include <mutex>
#include <vector>

namespace gfx {

class RecycledBlocks {
public:
    // At most maxBlocks blocks and maxBytes bytes are kept; the oldest go
    // first.
    RecycledBlocks(size_t maxBlocks, size_t maxBytes);
    ~RecycledBlocks();
    RecycledBlocks(const RecycledBlocks&) = delete;
    RecycledBlocks& operator=(const RecycledBlocks&) = delete;

    // A kept block of exactly `bytes`, taken out of the cache; null when
    // there is none.
    void* take(size_t bytes);
    // Keeps the block (from std::aligned_alloc or std::malloc) for reuse, or
    // frees it when it does not fit; then frees the oldest beyond the limits.
    void give(void* block, size_t bytes);
    // Frees every kept block (before retrying a failed allocation).
    void clear();

    size_t keptBlocks() const;

private:
    struct Block {
        void* data;
        size_t bytes;
    };
    const size_t maxBlocks_;
    const size_t maxBytes_;
    mutable std::mutex mutex_;
    std::vector<Block> kept_; // oldest first
    size_t keptBytes_ = 0;
};

} // namespace gfx
