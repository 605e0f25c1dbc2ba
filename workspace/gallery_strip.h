#pragma once

#include <QWidget>

class QLabel;
class QScrollArea;

namespace pq {

class IconButton;

// The gallery strip along the bottom of the workspace: 20 units high and
// faint while collapsed, 110 high with the add button and the tile row
// while expanded.
class GalleryStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCollapsedHeight = 20;
    static constexpr int kExpandedHeight = 110;

    explicit GalleryStrip(QWidget* parent = nullptr);

    bool isExpanded() const { return expanded_; }
    void setExpanded(bool expanded);

    QWidget* tileArea = nullptr;
    QWidget* addButtonArea = nullptr;
    IconButton* addToGalleryButton = nullptr;
    QScrollArea* tileScroll = nullptr;
    QWidget* tileRow = nullptr;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool expanded_ = false;
    bool hovered_ = false;
};

// The tab at the strip's top right: "Show gallery  ▲" / "Hide gallery  ▼".
class GalleryToggle : public QWidget {
    Q_OBJECT
public:
    explicit GalleryToggle(QWidget* parent = nullptr);

    void setExpanded(bool expanded);
    QLabel* toggleLabel = nullptr;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace pq
