#pragma once

#include "panels/brush_mask.h"

#include <QPointF>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace pq {

// The manual brush's canvas: a transparent child of the main canvas with
// the same rectangle, so its points are the main view's points. It takes the
// mouse, paints into the mask, draws the live stroke as a magenta trail and
// the brush ring, pans the view on Ctrl-drag and hands the right button and
// the wheel to the main view.
class BrushCanvas : public QWidget {
    Q_OBJECT
public:
    BrushCanvas(BrushMask& mask, QWidget* mainCanvas);

    // The main view's zoom and pan at this moment.
    std::function<BrushView()> currentView;
    // Moves the main view's pan by the delta (Ctrl-drag).
    std::function<void(QPointF delta)> panBy;
    // The main view's own handlers of the right button and the wheel.
    std::function<void(Qt::MouseButton button, QPointF pos)> forwardPress;
    std::function<void(Qt::MouseButton button, QPointF pos)> forwardRelease;
    std::function<void(int delta, QPointF pos)> forwardWheel;
    // A stroke may start (no stroke is being applied).
    std::function<bool()> mayPaint;
    // A drawn stroke was released: it has been merged and is to be applied.
    std::function<void()> strokeReleased;
    // The control box is being dragged: no ring.
    std::function<bool()> controlsDragging;
    // The pointer came over the canvas.
    std::function<void()> entered;

    bool isDrawing() const { return drawing_; }
    bool isCtrlPanning() const { return ctrlPanning_; }
    // Takes the main view's zoom and pan and redraws.
    void updatePan(const BrushView& view);
    // Follows the main canvas's rectangle.
    void followParent();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void syncView();
    void cursorTick();
    QRect ringRect(QPointF at) const;
    void updateAround(QPointF previousMouse);

    BrushMask& mask_;
    QTimer cursorTimer_;
    QPointF mouse_;
    bool mouseIn_ = false;
    bool drawing_ = false;
    bool ctrlPanning_ = false;
    bool ctrlHeld_ = false;
    QPointF ctrlPanLast_;
};

} // namespace pq
