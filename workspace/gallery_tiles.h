#pragma once

#include "workspace/magnifier_lens.h"

#include <QImage>
#include <QPointF>
#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;

namespace pq {

// One gallery tile: a 102 x 102 rounded picture inside 2-pixel
// margins (106 wide in the row), with a light-blue badge on source tiles.
// Reports hover, presses and drags; the gallery part decides.
class GalleryTile : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSide = 102;
    static constexpr int kRowWidth = 106;
    static constexpr int kRowHeight = 106;

    GalleryTile(bool isSource, QWidget* parent = nullptr);

    void setThumbnail(const QImage& thumbnail);
    bool hasThumbnail() const { return !thumbnail_.isNull(); }
    bool isSource() const { return isSource_; }
    // The picture's rectangle inside the margins.
    QRect tileRect() const { return QRect(2, 2, kSide, kSide); }

signals:
    void entered(GalleryTile* tile);
    void moved(GalleryTile* tile, QPointF fraction);
    void left(GalleryTile* tile);
    void rightPressed(GalleryTile* tile, QPoint globalPos);
    void leftPressed(GalleryTile* tile);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage thumbnail_;
    bool isSource_;
};

// The tile's context menu: "Set as Result" over "Set as Source". It hides
// once the mouse is more than 6 pixels outside it at a 150 ms tick.
class GalleryContextMenu : public QWidget {
    Q_OBJECT
public:
    explicit GalleryContextMenu(QWidget* parent = nullptr);

    // Bottom-left corner at `pos` (parent coordinates).
    void popUp(QPoint pos);
    void dismiss();
    void retranslate();
    QWidget* setResultEntry = nullptr;
    QWidget* setSourceEntry = nullptr;
    // The mouse position, in global coordinates; injectable for tests.
    std::function<QPoint()> cursorPos;
    // One tick of the close timer.
    void checkMouse();

signals:
    void setAsResult();
    void setAsSource();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* resultLabel_ = nullptr;
    QLabel* sourceLabel_ = nullptr;
    QTimer timer_;
};

// The round magnifier over the tile the mouse is on.
class GalleryMagnifier : public QWidget {
    Q_OBJECT
public:
    explicit GalleryMagnifier(QWidget* parent = nullptr);

    void setImage(const gfx::Image& image);
    void setSpot(QPointF spot);
    QPointF spot() const { return spot_; }
    // Seconds for the highlights' drift; injectable for tests.
    std::function<double()> clock;
    std::function<bool()> darkTheme;
    QImage render() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    gfx::Image image_;
    QPointF spot_{0.5, 0.5};
};

} // namespace pq
