#pragma once

// How well a brush fits the picture at a pixel whose mark lies wholly
// inside: the colour sums under the mark from row prefix sums, and the
// alpha-weighted error against the mean in blocks of eight pixels.

#include "effects/painting/smooth_painting/match.h"
#include "effects/painting/smooth_painting/scratch.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pq {

// Row prefix sums of r | g << 21 | b << 42, wrapping, of the picture inside
// a margin of `margin` black pixels on every side: entry x of a row sums
// its pixels left of x. The difference of two entries, and any sum of such
// differences, holds the three channel sums exactly while each stays below
// 2^21 (up to 8224 pixels of 255).
class SmoothRowSums {
public:
    void build(const gfx::Image& work, int margin = 0);
    // The entry of picture column x (-margin..width + margin) on picture
    // row y (-margin..height + margin - 1).
    const uint64_t* at(int x, int y) const { return sums_.data() + ptrdiff_t(y + margin_) * stride_ + x + margin_; }
    ptrdiff_t stride() const { return stride_; }
    int margin() const { return margin_; }

private:
    SmoothScratch<uint64_t> sums_;
    ptrdiff_t stride_ = 0;
    int margin_ = 0;
};

// Unpacks a packed sum into its channels.
inline void UnpackSmoothSums(uint64_t s, int& r, int& g, int& b)
{
    r = int(s & 0x1FFFFFu);
    g = int((s >> 21) & 0x1FFFFFu);
    b = int((s >> 42) & 0x1FFFFFu);
}

constexpr int kFitLanes = 8;

// One brush laid out against a picture with the given pixel and sum
// strides. Each brush row's pixels (alpha above 9) are covered by blocks of
// eight pixels that stay inside the brush's square (sizes of 8 and more),
// with alpha 0 where a pixel is not the brush's or was counted already.
struct SmoothBrushFit {
    int pixels = 0;                      // alpha above 9
    std::vector<ptrdiff_t> runFrom, runTo; // packed-sum offsets of each run's ends
    std::vector<ptrdiff_t> blockAt;        // first pixel of each block, from the centre
    std::vector<uint32_t> blockAlpha;      // kFitLanes a block
    std::vector<int> rowEnd;               // blocks of rows up to each brush row
};
SmoothBrushFit LayOutSmoothBrush(const SmoothBrush& brush, ptrdiff_t pixelStride, ptrdiff_t sumStride);

// The packed colour sum under the brush centred at `centre` in the sums.
uint64_t SmoothFitSum(const uint64_t* centre, const SmoothBrushFit& fit);

// The sum over the brush's pixels of ((|r - mr| + |g - mg| + |b - mb|) *
// alpha) >> 5 at `centre`. Stops early once past `best`, returning a
// value above it; the exact error whenever it is at most `best`.
int64_t SmoothFitError(const gfx::Pixel* centre, const SmoothBrushFit& fit, int mr, int mg, int mb, int64_t best);

} // namespace pq
