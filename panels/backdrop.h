#pragma once

#include <QImage>

namespace pq {

// The overlay's backdrop, made from a grab of the window at its display
// scale: blurred (Gaussian, sigma 10, edges clamped), darkened by black at
// alpha 100 of 255, and cut to a rectangle with corners of radius
// 15 x scale, anti-aliased, transparent beyond them. Same size as the grab,
// device pixel ratio `scale`. Null for a null grab; the plain grab when the
// blur finds no memory.
QImage MakeBackdrop(const QImage& grab, double scale);

// The last backdrop made, given again for a grab with the same pixels,
// size and scale (panels opened one after another over the same window).
class BackdropCache {
public:
    QImage backdropOf(const QImage& grab, double scale);
    void clear();

private:
    QImage backdrop_;
    size_t grabHash_ = 0;
    QSize grabSize_;
    double scale_ = 0;
};

} // namespace pq
