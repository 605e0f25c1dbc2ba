#pragma once

#include <QWidget>

namespace pq {

// workspaceLayout: the workspace's clipping layer. The viewport fills it, the drop
// zone sits in its centre and the gallery strip along its bottom edge with
// its tab at the right.
class WorkspaceLayout : public QWidget {
    Q_OBJECT
public:
    explicit WorkspaceLayout(QWidget* parent = nullptr);

    void setViewport(QWidget* viewport) { viewport_ = viewport; relayout(); }
    void setDropZone(QWidget* dropZone) { dropZone_ = dropZone; relayout(); }
    void setGalleryStrip(QWidget* strip, QWidget* toggle);
    // Boxes shown centred over the workspace (update notice, donation box...).
    void addCentredBox(QWidget* box);

    void relayout();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* viewport_ = nullptr;
    QWidget* dropZone_ = nullptr;
    QWidget* strip_ = nullptr;
    QWidget* toggle_ = nullptr;
    QList<QWidget*> centred_;
};

} // namespace pq
