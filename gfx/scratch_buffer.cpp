#include "gfx/scratch_buffer.h"

#include "platform/run_context.h"

namespace gfx {

namespace {

void* Allocate(size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr size_t kHuge = size_t(2) << 20;
    if (bytes >= kHuge) {
        const size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
        void* p = std::aligned_alloc(kHuge, rounded);
        if (p)
            madvise(p, rounded, MADV_HUGEPAGE);
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

QImage NewPixelImage(int width, int height)
{
    if (!IsSaneSize(width, height))
        return {};
    const qsizetype stride = qsizetype(width) * qsizetype(sizeof(Pixel));
    void* pixels = AllocateScratch(size_t(stride) * size_t(height));
    if (!pixels)
        return {};
    return QImage(static_cast<uchar*>(pixels), width, height, stride, kPixelFormat, [](void* p) { std::free(p); },
                  pixels);
}

} // namespace gfx
