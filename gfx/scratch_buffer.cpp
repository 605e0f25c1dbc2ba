#include "gfx/scratch_buffer.h"

#include "gfx/recycled_blocks.h"
#include "platform/run_context.h"

#include <mutex>
#include <new>
#include <unordered_map>

namespace gfx {

namespace {

constexpr size_t kHuge = size_t(2) << 20;

// The big blocks handed out, by size, and the last sixteen freed kept for
// reuse (a run's pictures and intermediates of several sizes, the shown
// picture and the one it replaces), up to 512 MiB. Never destroyed: images held by other statics
// are still released here while the process ends.
struct BigBlocks {
    std::mutex mutex;
    std::unordered_map<void*, size_t> sizes;
    RecycledBlocks recycled{16, size_t(512) << 20};
};

BigBlocks& Big()
{
    alignas(BigBlocks) static unsigned char storage[sizeof(BigBlocks)];
    static BigBlocks* const big = ::new (storage) BigBlocks;
    return *big;
}

RecycledBlocks& Recycled()
{
    return Big().recycled;
}

void* Allocate(size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (bytes >= kHuge) {
        const size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
        void* p = Recycled().take(rounded);
        if (!p) {
            p = std::aligned_alloc(kHuge, rounded);
            if (!p) {
                Recycled().clear();
                p = std::aligned_alloc(kHuge, rounded);
            }
            if (p)
                madvise(p, rounded, MADV_HUGEPAGE);
        }
        if (p) {
            BigBlocks& big = Big();
            const std::lock_guard lock(big.mutex);
            try {
                big.sizes[p] = rounded;
            } catch (const std::bad_alloc&) {
                std::free(p); // out of memory is a null answer here
                return nullptr;
            }
        }
        return p;
    }
#endif
    return std::malloc(bytes > 0 ? bytes : 1);
}

} // namespace

void* AllocateScratch(size_t bytes)
{
    void* p = Allocate(bytes);
    if (!p)
        platform::NoteOutOfMemory();
    return p;
}

void ReleaseScratch(void* p)
{
    if (!p)
        return;
    size_t bytes = 0;
    {
        BigBlocks& big = Big();
        const std::lock_guard lock(big.mutex);
        if (const auto it = big.sizes.find(p); it != big.sizes.end()) {
            bytes = it->second;
            big.sizes.erase(it);
        }
    }
    if (bytes > 0)
        Recycled().give(p, bytes);
    else
        std::free(p);
}

QImage NewPixelImage(int width, int height)
{
    if (!IsSaneSize(width, height))
        return {};
    const qsizetype stride = qsizetype(width) * qsizetype(sizeof(Pixel));
    void* pixels = AllocateScratch(size_t(stride) * size_t(height));
    if (!pixels)
        return {};
    return QImage(static_cast<uchar*>(pixels), width, height, stride, kPixelFormat, ReleaseScratch,
                  pixels);
}

} // namespace gfx
