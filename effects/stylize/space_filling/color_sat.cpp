#include "effects/stylize/space_filling/color_sat.h"

#include "engine/runtime/progress.h"
#include "platform/thread_pool.h"

#include <algorithm>

namespace pq::stylize {

ColorSat::ColorSat(const gfx::Pixel* const* rows, int w, int h, bool wide) : wide_(wide), stride_(int64_t(w) + 1)
{
    if (wide_)
        buildWide(rows, w, h);
    else
        buildNarrow(rows, w, h);
}

void ColorSat::buildWide(const gfx::Pixel* const* rows, int w, int h)
{
    const size_t stride = size_t(stride_);
    wideSums_ = Plane<ColorSums>(stride * (size_t(h) + 1));
    ColorSums* colour = wideSums_.data();
    // Running sums along each row, then down each column.
    std::fill_n(colour, stride, ColorSums());
    platform::ParallelForRange(0, h, 32, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            ColorSums* out = colour + (size_t(y) + 1) * stride;
            const gfx::Pixel* row = rows[size_t(y)];
            ColorSums sums;
            out[0] = ColorSums();
            for (int x = 0; x < w; ++x) {
                sums.add(row[x]);
                out[x + 1] = sums;
            }
        }
    });
    CheckCancellation();
    platform::ParallelForRange(0, int(stride), 64, [&](int lo, int hi) {
        for (int y = 2; y <= h; ++y) {
            const ColorSums* up = colour + (size_t(y) - 1) * stride;
            ColorSums* here = colour + size_t(y) * stride;
            for (int x = lo; x < hi; ++x) {
                here[x].r += up[x].r;
                here[x].g += up[x].g;
                here[x].b += up[x].b;
                here[x].r2 += up[x].r2;
                here[x].g2 += up[x].g2;
                here[x].b2 += up[x].b2;
            }
        }
    });
    CheckCancellation();
}

void ColorSat::buildNarrow(const gfx::Pixel* const* rows, int w, int h)
{
    const size_t rowWords = size_t(stride_) * 6;
    narrow_ = Plane<uint32_t>(rowWords * (size_t(h) + 1));
    uint32_t* words = narrow_.data();
    // Sums wrap around modulo 2^32 as they run; box differences stay exact.
    std::fill_n(words, rowWords, 0u);
    platform::ParallelForRange(0, h, 32, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uint32_t* out = words + (size_t(y) + 1) * rowWords;
            const gfx::Pixel* row = rows[size_t(y)];
            uint32_t r = 0, g = 0, b = 0, r2 = 0, g2 = 0, b2 = 0;
            std::fill_n(out, 6, 0u);
            for (int x = 0; x < w; ++x) {
                const uint32_t p = row[x], pr = (p >> 16) & 255, pg = (p >> 8) & 255, pb = p & 255;
                r += pr;
                g += pg;
                b += pb;
                r2 += pr * pr;
                g2 += pg * pg;
                b2 += pb * pb;
                uint32_t* e = out + 6 * (size_t(x) + 1);
                e[0] = r;
                e[1] = g;
                e[2] = b;
                e[3] = r2;
                e[4] = g2;
                e[5] = b2;
            }
        }
    });
    CheckCancellation();
    // Column sums, word by word: every word of an entry adds up alike.
    platform::ParallelForRange(0, int((rowWords + 63) / 64), 4, [&](int lo, int hi) {
        const size_t a = size_t(lo) * 64, b = std::min(rowWords, size_t(hi) * 64);
        for (int y = 2; y <= h; ++y) {
            const uint32_t* up = words + (size_t(y) - 1) * rowWords;
            uint32_t* here = words + size_t(y) * rowWords;
            for (size_t i = a; i < b; ++i)
                here[i] += up[i];
        }
    });
    CheckCancellation();
}

} // namespace pq::stylize
