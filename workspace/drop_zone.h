#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QMimeData;

namespace pq {

// The empty-workspace drop zone: a dashed rounded frame with a picture
// icon, "No image loaded", "Drop image here or" and the "Browse files" link.
class DropZone : public QWidget {
    Q_OBJECT
public:
    explicit DropZone(QWidget* parent = nullptr);

    QLabel* browseLink = nullptr; // "Browse files"

    // Drag and drop: whether the data may be dropped, and the drop.
    std::function<bool(const QMimeData*)> acceptsDrop;
    std::function<void(const QMimeData*)> dropped;

signals:
    void browseClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool hovered_ = false;
};

} // namespace pq
