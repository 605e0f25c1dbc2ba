#pragma once

#include "gfx/image.h"

#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <optional>

namespace pq {

// The part of a picture a preview box shows: `source` in picture pixels,
// `dest` in box coordinates, and the size of the work raster (source's
// size rounded). None when nothing of the picture is in the box.
struct VisiblePart {
    QRectF source;
    QRectF dest;
    QSize size;
};
std::optional<VisiblePart> FindVisiblePart(const QRectF& box, QSize picture, QPointF pan, double zoom);

// The visible part at the picture's resolution with the texture pressed
// in as the overlay does (strength in per cent, tiles starting at the
// part's corner). Without a texture, the part as it is.
gfx::Image TexturePreviewPart(const gfx::Image& picture, const VisiblePart& part, const gfx::Image& texture,
                              double strength, float scale);

// The texture selector's preview: the result with the texture laid over
// it, dragged with the left button and zoomed with the wheel (0.1 to 5,
// about the box's centre); Ctrl+wheel asks for another texture scale.
class TexturePreview : public QWidget {
    Q_OBJECT
public:
    explicit TexturePreview(QWidget* parent = nullptr);

    void setPicture(const gfx::Image& picture);
    void setTexture(const gfx::Image& texture, double strength, float scale);

    QPointF pan() const { return pan_; }
    double zoom() const { return zoom_; }
    // Zooms by the factor about the box's centre.
    void zoomBy(double factor);

signals:
    // Ctrl+wheel: the scale is to be multiplied by the factor.
    void scaleWheel(double factor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    gfx::Image picture_;
    gfx::Image texture_;
    double strength_ = 50.0;
    float scale_ = 1.0f;
    QPointF pan_{0, 0};
    double zoom_ = 1.0;
    bool firstDraw_ = true;
    bool panning_ = false;
    QPointF lastMouse_;
};

} // namespace pq
