#pragma once

// The sheet Pencil Sketch 2 draws on and the field of line directions it
// follows, both stored in tiles of 4 x 4 pixels (one cache line of cells), so
// that a slanted line touches few lines of memory.

#include "gfx/image.h"
#include "platform/random.h"

#include <cstddef>
#include <cstdint>

namespace pq::pencil {

constexpr float kHatchA = 2.6415927f; // pi - 0.5
constexpr float kHatchB = 2.7415926f; // pi - 0.4

// What a candidate reads and writes at a pixel, kept together. Of the
// gradient magnitude m only what is used is kept: whether it is 0, the range
// min(m div 2500, 40) of the length draw, and the edge darkening m div 1800.
struct alignas(4) Cell {
    uint8_t sheet;  // grey of the sheet (255 where transparent)
    uint8_t target; // grey the sheet tends to
    uint8_t flags;  // kInked | kFlat | length range
    uint8_t darken;
};

constexpr uint8_t kInked = 0x80; // source alpha 10 or more: lines may draw here
constexpr uint8_t kFlat = 0x40;  // gradient magnitude 0
constexpr uint8_t kRangeMask = 0x3F;

// What drawing a place reads of a cell: the distance |target - sheet| (0
// where not inked) with its lowest bit replaced by whether the place's
// length draw has an edge range.
inline uint8_t PlaceCode(const Cell& c)
{
    const int d = (c.flags & kInked) ? (c.target > c.sheet ? c.target - c.sheet : c.sheet - c.target) : 0;
    return uint8_t((d & 0xFE) | ((c.flags & kRangeMask) ? 1 : 0));
}

// Index of pixel (x, y) in a tiled plane.
class TiledIndex {
public:
    TiledIndex(int w, int h) : tilesW_(size_t((w + 3) / 4)), size_(tilesW_ * size_t((h + 3) / 4) * 16) {}

    size_t operator()(int x, int y) const
    {
        return ((size_t(y >> 2) * tilesW_ + size_t(x >> 2)) << 4) | size_t((y & 3) << 2) | size_t(x & 3);
    }
    size_t size() const { return size_; }

private:
    size_t tilesW_;
    size_t size_;
};

// Fills the cells from the source (a white sheet, the grey it tends to,
// where lines may draw), their place codes and the line angle of every
// pixel, 0..pi. The weak places draw their angle from rng, in row order.
// Returns whether the picture keeps its transparency.
bool BuildPencilField(const gfx::Image& source, const TiledIndex& at, Cell* cells, float* angle, uint8_t* codes,
                      platform::Random& rng);

} // namespace pq::pencil
