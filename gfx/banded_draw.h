#pragma once

#include "gfx/band_canvas.h"
#include "gfx/surface.h"

#include <functional>
#include <span>

namespace gfx {

// The rows a shape may touch, first and last inclusive. Conservative: the
// shape draws nothing outside them (antialiasing fringe included).
struct RowSpan {
    int top = 0;
    int bottom = -1;
};

// Rows a shape whose device bounds run from yMin to yMax may touch, with
// `margin` pixels added on both sides for stroke width and antialiasing.
RowSpan RowSpanOf(double yMin, double yMax, double margin);

// Draws an ordered list of shapes on a surface. The surface is cut into
// horizontal bands drawn in parallel; a band draws, in list order, the
// shapes whose rows touch it, through a BandCanvas limited to its rows.
// BandCanvas coverage does not depend on the band, so the picture is the one
// drawing the whole list in order on one canvas gives, whatever the band
// height or thread count.
//
// draw(canvas, i) draws shape i. It runs on pool threads: it must only read
// shared data. A band height of 0 picks one.
void DrawInBands(Surface& surface, std::span<const RowSpan> rows, const std::function<void(BandCanvas&, int)>& draw,
                 int bandHeight = 0);

} // namespace gfx
