#pragma once

#include "workspace/crop_geometry.h"

#include <QColor>
#include <QRectF>
#include <QWidget>

namespace pq {

// The crop selection over the canvas: the translucent overlay on the
// chosen area, its outline, corner grips and edge handles. The inside moves
// it, a corner grip resizes it freely, an edge handle moves one edge (never
// closer than 20 pixels to the opposite one). Its bounds are in the
// coordinates of the parent canvas.
class CropSelection : public QWidget {
    Q_OBJECT
public:
    explicit CropSelection(QWidget* canvas);

    QRectF bounds() const { return bounds_; }
    void setBounds(const QRectF& bounds);
    void setColor(const QColor& color);

    // The part of the selection at a point of the canvas.
    CropPart partAt(QPointF canvasPos) const;

    // Grip and handle sizes.
    static constexpr double kGripSize = 5.0;
    static constexpr double kHandleSize = 6.0;
    // The selection never gets smaller than this by its corners.
    static constexpr double kMinCornerSpan = 15.0;

signals:
    // The selection moved (same size) or changed size.
    void moved();
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointF toCanvas(QPointF local) const;
    void updateCursor(QPointF canvasPos);

    QRectF bounds_;
    QColor color_ = Qt::white;
    CropPart dragging_ = CropPart::None;
    QPointF pressPos_;
    QRectF pressBounds_;
};

} // namespace pq
