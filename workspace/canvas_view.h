#pragma once

#include <QWidget>

#include <functional>

class QMimeData;

namespace pq {

class DisplayCache;
class Document;

// The main canvas: shows the current result at the document's pan offset,
// scaled by its zoom factor (an image pixel p appears at
// pan + p * zoom), inside rounded corners on the workspace
// colour. Draws nothing while there is no result.
//
// The widget stays the size of the viewport; the canvas size of the view
// model (canvasSize) may be larger. What it paints comes from cached
// Mitchell-resampled pictures; while a zoom gesture runs, or until a
// picture is ready, it samples the image directly.
class CanvasView : public QWidget {
    Q_OBJECT
public:
    CanvasView(Document& document, QWidget* parent = nullptr);
    ~CanvasView() override;

    // Fast sampling while a zoom gesture runs.
    bool zooming = false;
    // The source photo is shown instead of the result (right button held).
    bool showingSource = false;
    // Left-button panning in progress.
    bool panning = false;
    // Split view: the source left of dividerX, the result right of it.
    bool splitOn = false;
    double dividerX = 0;
    // The canvas size of the view model: the zoomed image, never smaller
    // than the viewport.
    QSize canvasSize;

    // The displayed image rectangle in canvas coordinates.
    QRectF displayedImageRect() const;

    // Drag and drop: whether the data may be dropped, and the drop.
    std::function<bool(const QMimeData*)> acceptsDrop;
    std::function<void(const QMimeData*)> dropped;

signals:
    void mousePressed(Qt::MouseButton button, QPointF pos);
    void mouseMoved(Qt::MouseButtons buttons, QPointF pos);
    void mouseReleased(Qt::MouseButton button, QPointF pos);
    void wheelTurned(int delta, QPointF pos);
    void doubleClicked();
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void drawLayer(QPainter& p, bool source, const QRectF& displayed);

    Document& document_;
    DisplayCache* resultCache_;
    DisplayCache* sourceCache_;
};

} // namespace pq
