#include "gfx/scratch_buffer.h"

namespace gfx {

void* allocateScratch(size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr size_t huge = size_t(2) << 20;
    if (bytes >= huge) {
        const size_t rounded = (bytes + huge - 1) / huge * huge;
        void* p = std::aligned_alloc(huge, rounded);
        if (p)
            madvise(p, rounded, MADV_HUGEPAGE);
        return p;
    }
#endif
    return std::malloc(bytes > 0 ? bytes : 1);
}

QImage newPixelImage(int width, int height)
{
    if (!isSaneSize(width, height))
        return {};
    const qsizetype stride = qsizetype(width) * qsizetype(sizeof(Pixel));
    void* pixels = allocateScratch(size_t(stride) * size_t(height));
    if (!pixels)
        return {};
    return QImage(static_cast<uchar*>(pixels), width, height, stride, kPixelFormat, [](void* p) { std::free(p); },
                  pixels);
}

} // namespace gfx
