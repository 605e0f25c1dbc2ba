#pragma once

#include "gfx/image.h"
#include "gfx/image_combine.h"

#include <QPointF>
#include <QWidget>

namespace pq {

class DisplayCache;

// The combine panel's view: the blended picture, panned with the left
// button and zoomed with the wheel about the mouse; while a button is held
// it shows the base alone. The blend is computed once per amount and mode
// and kept.
class BlendView : public QWidget {
    Q_OBJECT
public:
    explicit BlendView(QWidget* parent = nullptr);

    // The base centred at zoom 1 (never fitted).
    void setImages(const gfx::Image& base, const gfx::Image& blend);
    void setBlend(gfx::CombineMode mode, float amount);

    // The base with the blend laid over it at the current amount and mode;
    // null without a base or when memory runs out.
    gfx::Image composite();

    double zoom() const { return zoom_; }
    QPointF pan() const { return pan_; }
    bool showingBase() const { return showingBase_; }
    // The wheel's step about a point of the view.
    void wheel(int delta, QPointF at);

    static constexpr double kMinZoom = 0.1;
    static constexpr double kMaxZoom = 10.0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void centreBase();

    void drawPicture(QPainter& p, const gfx::Image& image, DisplayCache* cache);

    gfx::Image base_;
    gfx::Image blend_;
    gfx::CombineMode mode_ = gfx::CombineMode::Normal;
    float amount_ = 0.5f;
    gfx::Image composite_;
    bool compositeValid_ = false;
    DisplayCache* baseCache_;
    DisplayCache* compositeCache_;
    double zoom_ = 1.0;
    QPointF pan_;
    bool panning_ = false;
    QPointF lastMousePos_;
    bool showingBase_ = false;
    // The base stays centred while the view is laid out, until the user
    // pans or zooms.
    bool moved_ = false;
};

} // namespace pq
