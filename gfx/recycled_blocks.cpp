#include "gfx/recycled_blocks.h"

#include <cstdlib>
#include <iterator>

namespace gfx {

RecycledBlocks::RecycledBlocks(size_t maxBlocks, size_t maxBytes) : maxBlocks_(maxBlocks), maxBytes_(maxBytes)
{
    // give() runs in deleters and must not allocate.
    kept_.reserve(maxBlocks_ + 1);
}

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
    const std::lock_guard lock(mutex_);
    kept_.push_back({block, bytes});
    keptBytes_ += bytes;
    while (kept_.size() > maxBlocks_ || keptBytes_ > maxBytes_) {
        std::free(kept_.front().data);
        keptBytes_ -= kept_.front().bytes;
        kept_.erase(kept_.begin());
    }
}

void RecycledBlocks::clear()
{
    const std::lock_guard lock(mutex_);
    for (const Block& b : kept_)
        std::free(b.data);
    kept_.clear();
    keptBytes_ = 0;
}

size_t RecycledBlocks::keptBlocks() const
{
    const std::lock_guard lock(mutex_);
    return kept_.size();
}

} // namespace gfx
