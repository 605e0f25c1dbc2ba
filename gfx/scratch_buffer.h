#pragma once

// Whole-picture memory (NewPixelImage, ScratchBuffer, big Surfaces) comes
// in 2 MiB-aligned huge-page blocks; recycled_blocks keeps the last
// sixteen freed (up to 512 MiB) for the next request of their size, so a
// run rarely faults in and zeroes a fresh picture.

#include "gfx/image.h"

#include <QImage>

#include <cstddef>
#include <cstdlib>
#include <memory>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace gfx {

// Memory for whole-image buffers, released with ReleaseScratch; null when
// out of memory. On Linux, blocks of 2 MiB and more are 2 MiB aligned and
// marked for transparent huge pages, so that the first touches fault in
// 2 MiB at a time rather than 4 KiB (tens of thousands of faults for one
// 12-megapixel buffer otherwise, much of a fast filter's time), and the last
// four such blocks released are kept for the next request of their size.
// The memory is uninitialised: a reused block holds what it held.
void* AllocateScratch(size_t bytes);
void ReleaseScratch(void* p);

// An uninitialised kPixelFormat image in such memory; null for a bad size or
// when out of memory. Filters fill every pixel of it.
QImage NewPixelImage(int width, int height);
inline QImage NewPixelImage(QSize size)
{
    return NewPixelImage(size.width(), size.height());
}

// Uninitialised scratch memory for intermediates of trivial types; false
// when the allocation failed.
template <typename T>
class ScratchBuffer {
public:
    explicit ScratchBuffer(size_t count) : data_(static_cast<T*>(AllocateScratch(count * sizeof(T)))) {}

    T* data() const { return data_.get(); }
    explicit operator bool() const { return static_cast<bool>(data_); }

private:
    struct Free {
        void operator()(T* p) const { ReleaseScratch(p); }
    };
    std::unique_ptr<T, Free> data_;
};

} // namespace gfx
