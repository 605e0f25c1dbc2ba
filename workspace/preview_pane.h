#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

namespace pq {

class Document;

// The preview pane: a 225 x 225 picture with rounded corners and an inner
// shadow, a hover zoom box and, while a preview runs, a progress ring
// around the centred percent label.
class PreviewPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSize = 225;

    PreviewPane(Document& document, QWidget* parent = nullptr);

    // What the pane shows; scaled to the pane when its size differs.
    void setBitmap(const QImage& bitmap);
    const QImage& bitmap() const { return bitmap_; }

    QWidget* zoomBox = nullptr;
    QLabel* zoomPercentLabel = nullptr;
    QWidget* zoomOutIcon = nullptr;
    QWidget* zoomInIcon = nullptr;
    QLabel* percentLabel = nullptr;

signals:
    void mousePressed(Qt::MouseButton button, QPointF pos);
    void mouseMoved(Qt::MouseButtons buttons, QPointF pos);
    void mouseReleased(Qt::MouseButton button, QPointF pos);
    void wheelTurned(int delta);
    void zoomInClicked();
    void zoomOutClicked();
    // A click on the zoom box or its label: back to 100 %.
    void zoomResetClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QImage& innerShadow();

    Document& document_;
    QImage bitmap_;
    QImage shadow_;
};

} // namespace pq
