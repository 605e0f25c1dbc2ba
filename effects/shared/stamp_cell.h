#pragma once

// Brush cells as the stamping effects use them: a cell's alpha as a plane
// of bytes with its mip levels, cut from a brush sheet of 256-pixel cells
// (8 per row) or, for effects that paint with dark marks on white, from the
// darkness of an atlas cell.

#include "gfx/image.h"

#include <QRect>

#include <cstdint>
#include <memory>
#include <vector>

namespace pq {

// One cell's alpha, 0..255, with box-filtered mip levels down to 1 x 1
// (level n is level n - 1 halved, rounding sizes down, at least 1). An
// immutable value once made, cheap to copy: share it freely between threads.
class StampCell {
public:
    struct Level {
        int width = 0;
        int height = 0;
        std::vector<uint8_t> alpha; // row-major, width * height
        QRect inked;                // bounds of the non-zero alpha; empty when none
        // Summed counts of the 16 x 16 blocks holding any non-zero alpha,
        // (blocks across + 1) per row: where a texel rectangle is blank.
        int inkStride = 0;
        std::vector<int32_t> inkSums;
        uint8_t at(int x, int y) const { return alpha[size_t(y) * size_t(width) + size_t(x)]; }
        // False when every alpha of texels x0..x1, y0..y1 (on the plane) is 0.
        bool inkIn(int x0, int y0, int x1, int y1) const
        {
            if (inkSums.empty())
                return true;
            const size_t c0 = size_t(x0 >> 4), r0 = size_t(y0 >> 4), c1 = size_t(x1 >> 4) + 1, r1 = size_t(y1 >> 4) + 1;
            const size_t s = size_t(inkStride);
            return inkSums[r1 * s + c1] - inkSums[r0 * s + c1] - inkSums[r1 * s + c0] + inkSums[r0 * s + c0] > 0;
        }
    };

    StampCell() = default;

    // The alpha of `rect` of the image, 1:1; parts of the rectangle outside
    // the image are transparent. An empty cell for an empty rectangle.
    static StampCell fromAlpha(const gfx::Image& image, const QRect& rect);
    // A stamp from a dark mark on white: alpha = min(1, gain * (1 - grey)),
    // grey = 0.299 R + 0.587 G + 0.114 B of the stored bytes / 255, so white
    // gives nothing and black the full gain.
    static StampCell fromDarkness(const gfx::Image& image, const QRect& rect, double gain);
    // A cell of the given alpha plane (width * height bytes).
    static StampCell fromPlane(int width, int height, std::vector<uint8_t> alpha);

    bool isNull() const { return !d_; }
    int width() const { return d_ ? d_->levels[0].width : 0; }
    int height() const { return d_ ? d_->levels[0].height : 0; }
    int levelCount() const { return d_ ? int(d_->levels.size()) : 0; }
    const Level& level(int n) const { return d_->levels[size_t(n)]; }
    uint8_t alphaAt(int x, int y) const { return d_->levels[0].at(x, y); }
    // True when every alpha is 0 (such a cell never changes a pixel).
    bool isBlank() const { return !d_ || d_->blank; }

private:
    struct Data {
        std::vector<Level> levels;
        bool blank = true;
    };
    std::shared_ptr<const Data> d_;
};

// Cell rectangles of a sheet that the tested cutting keeps: cells are taken
// in sheet order while they lie wholly inside the sheet (the cutting stops
// at the first one that crosses its right or bottom edge), and a cell is
// kept when one of the five pixels at x = 128, y = 64, 96, 128, 160, 192 of
// it has alpha above 10.
std::vector<StampCell> CutTestedCells(const gfx::Image& sheet);

// The number of cells CutTestedCells keeps, found without cutting them.
int TestedCellCount(const gfx::Image& sheet);
// The number of the first `count` cells of the sheet that hold any alpha
// (cells beyond the sheet hold none): those the counted cutting paints
// with.
int InkedCellCount(const gfx::Image& sheet, int count);

// Exactly `count` cells in sheet order with no test; cells beyond the sheet
// are transparent. Negative counts give none.
std::vector<StampCell> CutCountedCells(const gfx::Image& sheet, int count);

// The principal axis of a cell's alpha mass, in radians: over the pixels
// whose alpha is at least `minAlpha`, 0.5 * atan2(2 mxy, mxx - myy) of the
// alpha-weighted second moments about the centroid; 0 when the summed alpha
// is below `minWeight`.
float BrushOrientationAngle(const StampCell& cell, int minAlpha, double minWeight);

} // namespace pq
