#pragma once

#include <QWidget>

class QLabel;

namespace pq {

// The empty-workspace drop zone: a dashed rounded frame with a picture
// icon, "No image loaded", "Drop image here or" and the "Browse files" link.
class TDropZone : public QWidget {
    Q_OBJECT
public:
    explicit TDropZone(QWidget* parent = nullptr);

    QLabel* Label12 = nullptr; // "Browse files"

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovered_ = false;
};

} // namespace pq
