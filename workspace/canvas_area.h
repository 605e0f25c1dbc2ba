#pragma once

#include <QPointF>
#include <QTimer>
#include <QWidget>

#include <functional>

class QMimeData;

namespace pq {

class CanvasView;
class Document;
class DropZone;
class GalleryStrip;
class GalleryToggle;
class WorkspaceLayout;

// The workspace in the middle of the window: the canvas showing the result
// (zoom, pan, fit, the source while the right button is held), the split
// view's divider, the drop zone of the empty workspace and the gallery
// strip along the bottom.
class CanvasArea : public QWidget {
    Q_OBJECT
public:
    CanvasArea(Document& document, QWidget* parent = nullptr);

    // Drag and drop onto the canvas and the drop zone.
    void setDropHandlers(std::function<bool(const QMimeData*)> accepts, std::function<void(const QMimeData*)> drop);

    QSize viewportSize() const;
    void zoomIn();
    void zoomOut();
    void wheel(int delta, QPointF anchor);
    void fitToView();
    void centreImage();
    void actualSizeAndCentre();
    // The picture follows the window: once the window has another size
    // than at the last fit, the picture is fitted to the view again.
    void followWindowSize(QSize windowSize);
    // After an image of another size replaced the one shown (undo, redo,
    // resize): fitted anew; same size: centred at the zoom it had.
    void showReplacedImage(QSize previousSize);
    // The canvas size of the zoomed image, never smaller than the viewport.
    void updateCanvasSize();

    // The left button pans (or drags the divider), the right one shows the
    // source.
    void pressed(Qt::MouseButton button, QPointF pos);
    void dragged(Qt::MouseButtons buttons, QPointF pos);
    void released(Qt::MouseButton button);

    // The split view: the source left of a draggable divider.
    bool splitView() const { return splitOn_; }
    void toggleSplitView();
    void setSplitView(bool on);
    void updateDivider();
    double& dividerX();
    bool draggingDivider = false;

    void toggleGallery();
    // Deletes the gallery's tiles and collapses it.
    void clearGallery();
    void updateDropZone();

    CanvasView* canvasView() const { return canvas_; }
    QWidget* divider() const { return divider_; }
    DropZone* dropZone() const { return dropZone_; }
    GalleryStrip* galleryStrip() const { return strip_; }
    GalleryToggle* galleryToggle() const { return toggle_; }
    WorkspaceLayout* workspaceLayout() const { return layout_; }

signals:
    void zoomTextChanged(const QString& text);
    void splitViewChanged(bool on);
    void fullScreenRequested();
    void browseClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void zoomStep(float newZoom, QPointF anchor);
    void zoomGestureEnded();
    void showZoom();
    bool hasBothImages() const;

    Document& document_;
    WorkspaceLayout* layout_;
    QWidget* viewport_;
    CanvasView* canvas_;
    QWidget* divider_;
    DropZone* dropZone_;
    GalleryStrip* strip_;
    GalleryToggle* toggle_;
    QTimer zoomDebounce_;
    QPointF lastMousePos_;
    QSize lastFitWindowSize_;
    bool splitOn_ = false;
};

} // namespace pq
