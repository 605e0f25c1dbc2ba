#pragma once

// Where a grown watercolour patch reaches, told from its spoke lengths
// without walking its outline: pixels it surely covers whole, pixels it
// surely leaves alone, and pixels near the outline, which only the
// coverage itself can settle.

#include "effects/painting/watercolor/polygon_coverage.h"

#include <QRect>

#include <span>
#include <vector>

namespace pq {

enum class Reach { Outside, Inside, Outline };

// The run's spoke directions, sorted into narrow bins of a cheap stand-in
// for the angle that grows with it (the "diamond angle", 0..4 around the
// circle). Sector k lies between spoke k and spoke k + 1.
class SpokeSectors {
public:
    // cosines and sines of spokes 0 .. spokes (the last closes the ring).
    SpokeSectors(std::span<const double> cosines, std::span<const double> sines, int spokes, float angleStep);

    int spokes() const { return spokes_; }
    // The sectors of the bin that holds direction (dx, dy), not (0, 0):
    // first, or first and last when a spoke passes through the bin.
    void sectorsNear(float dx, float dy, int& first, int& last) const;
    // Beyond this squared distance from the centre, everything within a
    // pixel of a point stays within one sector either side of its own.
    float spreadRadius2() const { return spreadRadius2_; }
    // How far (dx, dy) lies from the line of spoke k (taken round the ring),
    // positive on the side of the sector after it.
    float clearance(int spoke, float dx, float dy) const;

private:
    int spokes_;
    float spreadRadius2_;
    std::vector<int> first_; // per bin
    std::vector<int> last_;
    std::vector<PointF> directions_; // per spoke
};

// One patch: pixel (x, y) against the polygon of spoke ends about the
// centre pixel (cx, cy), inside the box the coverage is worked out for.
class SpokeReach {
public:
    // polygon: spoke 0's end, then the ends of spokes 1 .. n (spoke n back
    // at spoke 0), as the coverage takes them; inner2 and outer2 bound the
    // outline as squared radii from the centre pixel's centre, two pixels
    // spare.
    void set(const SpokeSectors& sectors, std::span<const PointF> polygon, int cx, int cy, const QRect& box,
             float inner2, float outer2);

    Reach at(const SpokeSectors& sectors, int x, int y) const;

private:
    // The line through edge k, as a distance from it in pixels, positive on
    // the centre's side: a * dx + b * dy + c at offset (dx, dy) from the
    // centre pixel.
    struct Line {
        float a, b, c;
    };

    int cx_ = 0;
    int cy_ = 0;
    QRect box_;
    float inner2_ = 0.0f;
    float outer2_ = 0.0f;
    std::vector<Line> lines_; // per edge; empty when the sectors do not fit
};

} // namespace pq
