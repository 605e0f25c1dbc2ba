#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

namespace pq {

// The main view's transform: an image point p shows at pan + p * zoom.
struct BrushView {
    float zoom = 1.0f;
    QPointF pan{0, 0};
};

// Coverage of one brush stamp at distance d from its centre: opaque out to
// (1 - softness) * radius, then falling linearly to 0 at the radius; a
// hard, edge-smoothed disc for softness up to 0.01. Radius 0 covers nothing.
float StampCoverage(double distance, double radius, double softness);

// The manual brush's mask without any widget: the stroke being drawn and the
// merged strokes, each one byte of coverage per image pixel. Stamps are laid
// in image space at sub-pixel centres, combined source-over. Screen points
// are mapped through the view; a stamp keeps its size on screen at every
// zoom. The bounding boxes of the live stroke and of the merged mask are
// kept, so merging, bounds and redraw touch only those boxes.
class BrushMask {
public:
    // Binds to an image of that size: both layers empty. False (and an
    // unbound mask) when the layers cannot be had.
    bool bind(QSize imageSize);
    QSize imageSize() const { return mask_.size(); }
    bool isBound() const { return !mask_.isNull(); }

    // Empties the layers and forgets the merged snapshot and the last stamp.
    void reset();

    // Diameter in screen pixels and softness 0..1.
    void setBrush(float size, float softness);
    float brushSize() const { return size_; }
    float brushSoftness() const { return softness_; }

    void setView(const BrushView& view) { view_ = view; }
    const BrushView& view() const { return view_; }
    QPointF toImage(QPointF screen) const;

    // A new stroke: the live layer emptied, one stamp at the point.
    void beginStroke(QPointF screen);
    // Stamps from the last stamp towards the point, a fifth of the brush
    // size apart (at least one pixel); shorter moves accumulate.
    void strokeTo(QPointF screen);
    // Lays the live stroke onto the mask and empties it; the merged mask
    // becomes the frozen snapshot.
    void mergeStroke();

    // The live stroke layer (Format_Alpha8) and the box it touches.
    const QImage& liveLayer() const { return live_; }
    QRect liveBounds() const { return liveBox_; }
    // The merged mask as of the last merge (Format_Alpha8, image-sized);
    // null before the first merge. Never changes afterwards, so a worker
    // may read it while strokes go on.
    QImage frozenMask() const { return frozen_; }
    // The box of the frozen mask's painted pixels (alpha not 0); empty when
    // there is no mask or nothing is painted.
    QRect maskBounds() const;

    // Screen rectangle the stamps laid since the last call touched.
    QRectF takeDirtyScreenRect();

private:
    void stampAt(QPointF screen);

    QImage live_;
    QImage mask_;
    QImage frozen_;
    QRect liveBox_;
    QRect maskBox_;
    QRect frozenBox_;
    BrushView view_;
    float size_ = 100.0f;
    float softness_ = 0.5f;
    QPointF lastStamp_;
    bool hasLastStamp_ = false;
    QRectF dirty_;
};

// The live stroke as the trail shows it, for one screen rectangle: each
// painted pixel magenta at 75 % of its coverage (premultiplied ARGB32),
// sampled at the screen pixels' centres. Null when the stroke does not reach
// the rectangle.
QImage RenderTrail(const QImage& live, const QRect& liveBounds, const BrushView& view, const QRect& screenRect);

} // namespace pq
