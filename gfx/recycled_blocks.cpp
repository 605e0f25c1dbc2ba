#include "gfx/recycled_blocks.h"

#include <cstdlib>

namespace gfx {

RecycledBlocks::RecycledBlocks(size_t maxBlocks, size_t maxBytes) : maxBlocks_(maxBlocks), maxBytes_(maxBytes) {}

RecycledBlocks::~RecycledBlocks()
{
    clear();
}

void* RecycledBlocks::take(size_t bytes)
{
    const std::lock_guard lock(mutex_);
    for (auto it = kept_.rbegin(); it != kept_.rend(); ++it) {
        if (it->bytes != bytes)
            continue;
        void* const data = it->data;
        keptBytes_ -= it->bytes;
        kept_.erase(std::next(it).base());
        return data;
    }
    return nullptr;
}

void RecycledBlocks::give(void* block, size_t bytes)
{
    if (!block)
        return;
    if (maxBlocks_ == 0 || bytes > maxBytes_) {
        std::free(block);
        return;
    }
    std::vector<void*> freed;
    {
        const std::lock_guard lock(mutex_);
        kept_.push_back({block, bytes});
        keptBytes_ += bytes;
        size_t drop = 0;
        size_t dropBytes = 0;
        while (kept_.size() - drop > maxBlocks_ || keptBytes_ - dropBytes > maxBytes_) {
            freed.push_back(kept_[drop].data);
            dropBytes += kept_[drop].bytes;
            ++drop;
        }
        kept_.erase(kept_.begin(), kept_.begin() + std::ptrdiff_t(drop));
        keptBytes_ -= dropBytes;
    }
    for (void* p : freed)
        std::free(p);
}

void RecycledBlocks::clear()
{
    std::vector<Block> kept;
    {
        const std::lock_guard lock(mutex_);
        kept.swap(kept_);
        keptBytes_ = 0;
    }
    for (const Block& b : kept)
        std::free(b.data);
}

size_t RecycledBlocks::keptBlocks() const
{
    const std::lock_guard lock(mutex_);
    return kept_.size();
}

} // namespace gfx
