#pragma once

#include "gfx/image.h"

#include <QImage>
#include <QWidget>

namespace pq {

// The image alone on a white, borderless window, fitted with a margin of
// 50 on every side (small images are enlarged too) and lifted by a soft
// drop shadow. The picture is scaled once per window size (cubic, B = 0,
// C = 1/2) and its shadow kept with it. A click closes it when its press
// was in the viewer (so the release of the double click that opened it
// does not), and so does the release of any key.
class FullScreenViewer : public QWidget {
    Q_OBJECT
public:
    FullScreenViewer(QWidget* owner, const gfx::Image& image);

    // Where the image is drawn, in the window's coordinates.
    QRectF imageRect() const;

    static constexpr int kMargin = 50;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // The scaled picture and its shadow for the current size.
    void preparePicture();

    gfx::Image image_;
    QImage picture_;
    QImage shadow_;
    QPointF shadowOffset_;
    QSize preparedFor_;
    double preparedScale_ = 0;
    bool pressedInside_ = false;
};

} // namespace pq
