#pragma once

#include <QObject>
#include <QPointF>
#include <QRectF>

#include <array>
#include <functional>

class QWidget;

namespace pq {

enum class ResizeTag;

// The resize strips along the edges and corners of the borderless window:
// dragging one moves its sides with the mouse, never below the window's
// minimum size, while the opposite sides stay put.
class WindowEdges : public QObject {
public:
    explicit WindowEdges(QWidget* frame);

    // Places the strips along the frame; hidden while `visible` is false
    // (a maximised or full-screen window).
    void place(bool visible);
    QWidget* strip(ResizeTag tag) const;
    bool isResizing() const { return resizing_ != nullptr; }

    // Told when a resize starts and ends (the highlight, fast drawing).
    std::function<void(bool resizing)> resizingChanged;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow(QPointF globalMouse);

    QWidget* frame_;
    std::array<QWidget*, 8> strips_{};
    QWidget* resizing_ = nullptr;
    QPointF startPoint_;
    QRectF startBounds_;
};

} // namespace pq
