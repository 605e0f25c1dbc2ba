#pragma once

// Drawing one brush stamp onto a square scratch surface.
//
// A stamp is a cell's alpha, turned by an angle about the surface's centre
// C and scaled into a width x height rectangle centred there, sampled as
// asked, with the rectangle's edges antialiased by pixel coverage, times a
// premultiplied colour and an opacity:
//   pixel(u, v) = Round(colour * alpha(u, v) * coverage(u, v) * opacity / 255)
// per channel, so every pixel is valid premultiplied data of the colour.
// Drawing is re-entrant: every thread draws onto a surface of its own and
// cells are only read.

#include "effects/shared/stamp_cell.h"
#include "effects/shared/stamp_gain.h"
#include "gfx/image.h"

#include <QRect>

#include <vector>

namespace pq {

enum class StampSampling {
    Nearest,
    Linear,       // bilinear on the cell itself
    LinearMipmap, // bilinear on the nearest mip level
    Cubic,        // Mitchell B = C = 1/3, on the largest mip level shrunk at most 2x
};

struct Stamp {
    const StampCell* cell = nullptr;
    gfx::Pixel colour = 0; // premultiplied
    float opacity = 1.0f;
    double angle = 0.0; // radians; positive turns clockwise on screen
    double width = 0.0; // size of the rectangle the cell is drawn into
    double height = 0.0;
    StampSampling sampling = StampSampling::Linear;
    // Rows and columns are limited to where the cell's alpha can reach:
    // the same pixels, a tighter dirty rectangle.
    bool trimToInk = false;
};

// A square, premultiplied scratch surface of side L with centre C = L div 2,
// transparent where nothing was drawn. One thread at a time.
class StampSurface {
public:
    explicit StampSurface(int side);

    bool isNull() const { return side_ <= 0; }
    int side() const { return side_; }
    int centre() const { return side_ / 2; }
    QRect rect() const { return QRect(0, 0, side_, side_); }
    gfx::Pixel* row(int v) { return pixels_.data() + size_t(v) * size_t(side_); }
    const gfx::Pixel* row(int v) const { return pixels_.data() + size_t(v) * size_t(side_); }
    gfx::Pixel at(int u, int v) const { return row(v)[u]; }

    // Transparent everywhere again. Only what the last draw may have
    // written is cleared.
    void clear();
    // Where the last draw may have written (empty after clear()).
    QRect dirtyRect() const { return dirty_; }

private:
    friend void DrawStamp(StampSurface&, const Stamp&, const QRect&, int);

    int side_ = 0;
    std::vector<gfx::Pixel> pixels_;
    QRect dirty_;
};

// Clears the surface and draws the stamp centred on its centre. Only the
// pixels of `clip` (cut to the surface) are drawn; with step > 1 only every
// step-th row and column of it, counted from its top-left corner. All other
// pixels are transparent afterwards. Large stamps are drawn by several
// threads; the pixels never depend on how many.
void DrawStamp(StampSurface& surface, const Stamp& stamp, const QRect& clip, int step = 1);

// Where a stamp centred on canvas pixel (x, y) lands: stamp pixel (u, v)
// lies over source and canvas pixel (x - C + u, y - C + v). Strides count
// pixels.
struct StampTarget {
    const gfx::Pixel* source = nullptr; // pixel (0, 0)
    qsizetype sourceStride = 0;
    const gfx::Pixel* canvas = nullptr;
    qsizetype canvasStride = 0;
    int x = 0, y = 0;
};

// The score of the pixels DrawStamp(surface, stamp, clip, step) would draw
// on a surface of side `side`, against the source and canvas pixels they
// land on, with no surface: RowStampErrors (and RowStampGain) of the drawn
// rows summed. Every pixel of `clip` within the surface must land on the
// canvas. Re-entrant; with shareRows large stamps are scored by several
// threads (the sums never depend on how many), else on the calling thread.
StampScore ScoreStamp(const Stamp& stamp, int side, const QRect& clip, int step, const StampTarget& target,
                      bool shareRows = false);

// The points of a step grid (every step-th row and column of `grid`, from
// its top-left corner) that lie in `box`, as a rectangle whose top-left
// corner is a grid point; empty when none. Used to read only the last
// draw's box of a sampled window: the other grid points are transparent.
QRect GridWithin(const QRect& grid, const QRect& box, int step);

// The Mitchell-Netravali weight (B = C = 1/3) at distance x.
double MitchellWeight(double x);

} // namespace pq
