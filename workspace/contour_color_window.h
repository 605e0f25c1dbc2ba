#pragma once

#include <QPoint>
#include <QWidget>

namespace pq {

class ColorPanel;

// contourColorWindow: the floating window of the contour colour, 170 x 200,
// over the main window's content. A title strip, a close cross at the top
// right and the colour panel colorPanel. Dragged anywhere outside the
// panel; while dragged it is a little transparent and has no shadow.
class ContourColorWindow : public QWidget {
    Q_OBJECT
public:
    explicit ContourColorWindow(QWidget* parent = nullptr);

    ColorPanel* colorPanel = nullptr;
    // FContourCloseRect.
    QWidget* closeButton = nullptr;

    // FContourShadow on or off (off while hidden or dragged).
    void setShadowEnabled(bool on);
    bool shadowEnabled() const { return shadowOn_; }
    bool isDragging() const { return dragging_; }

signals:
    void closeClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyEffect();

    bool shadowOn_ = false;
    bool dragging_ = false;
    QPoint lastDragPos_;
};

} // namespace pq
