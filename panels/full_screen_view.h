#pragma once

#include "gfx/image.h"

#include <QWidget>

namespace pq {

class DisplayCache;

// A plain full-screen view of an image on black, fitted to the screen
// (never enlarged). Esc, a click or a double click closes it.
class FullScreenViewer : public QWidget {
    Q_OBJECT
public:
    FullScreenViewer(QWidget* owner, const gfx::Image& image);

    // The image rectangle inside the window.
    QRectF imageRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    gfx::Image image_;
    DisplayCache* cache_;
};

} // namespace pq
