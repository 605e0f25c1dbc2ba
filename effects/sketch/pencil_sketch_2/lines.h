#pragma once

// Pencil Sketch 2's lines: where a line's points lie in the tiled planes,
// the fade along it, and how much laying it would bring the sheet closer to
// the target.

#include "effects/sketch/pencil_sketch_2/field.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pq::pencil {

constexpr int kMaxExtent = 2000; // longer lines are skipped
// The longest line the sliders allow has 107 points (offsets of at most 53
// pixels each way); lines up to this many points take the short paths.
constexpr int kShortLine = 128;
// Room for a short line's points rounded up to whole groups of eight.
constexpr int kShortLineRoom = kShortLine + 8;

struct LineEnds {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Tiled indices by column and by row: the index of (x, y) is
// column[x] + row[y].
class TiledAxes {
public:
    TiledAxes(int w, int h);

    int32_t at(int x, int y) const { return column_[size_t(x)] + row_[size_t(y)]; }
    const int32_t* columns() const { return column_.data(); }
    const int32_t* rows() const { return row_.data(); }

private:
    std::vector<int32_t> column_;
    std::vector<int32_t> row_;
};

// Points of the line, max(|dx|, |dy|) + 1, or 0 when it reaches further than
// kMaxExtent along an axis (such a line is not drawn).
inline int LinePointCount(const LineEnds& e)
{
    const int dx = std::abs(e.x1 - e.x0), dy = std::abs(e.y1 - e.y0);
    if (dx > kMaxExtent || dy > kMaxExtent)
        return 0;
    return (dx > dy ? dx : dy) + 1;
}

// Writes the tiled indices of the line's LinePointCount(e) points, from
// (x0, y0) to (x1, y1): the error walk that steps x where 2 err > -dy and y
// where 2 err < dx, err starting at dx - dy.
void RasteriseLine(const LineEnds& e, const TiledAxes& axes, int32_t* out);

// The fade of point k of a line of np points, strongest in the middle:
// min(384 |k - np div 2| div (np - 1), 255), 0 for a single point.
inline int FadeOf(int np, int k)
{
    if (np == 1)
        return 0;
    const int f = 384 * std::abs(k - np / 2) / (np - 1);
    return f < 255 ? f : 255;
}

// The fades of every short length, each padded with zeros to a whole group
// of eight; longer lines have theirs written into a buffer.
class FadeTables {
public:
    FadeTables();

    const uint8_t* forShort(int np) const { return table_.data() + size_t(np) * kShortLineRoom; }
    static void fill(int np, std::vector<uint8_t>& out);

private:
    std::vector<uint8_t> table_;
};

// How much laying a line of this tone changes the distance to the target:
// the sum over the inked cells of |trial - target| - |sheet - target|, where
// trial = ((255 - f) tone + f sheet) div 255 (negative: closer). `cells`
// are copies of the line's np cells and `fade` its fades, both padded with
// zeros to a whole group of eight. Eight cells at a time where the processor
// has AVX2.
int64_t LineGain(const Cell* cells, const uint8_t* fade, int np, int tone);
// The same sum, one cell at a time.
int64_t LineGainPlain(const Cell* cells, const uint8_t* fade, int np, int tone);

} // namespace pq::pencil
