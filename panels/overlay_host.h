#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace pq {

// overlayHost: covers the window's client area and hosts one overlay panel,
// centred, over a backdrop picture of the window made when the panel
// opened (or, for the manual brush, over nothing). While a backdrop shows,
// the host takes every click beside the panel, so nothing below reacts.
class OverlayHost : public QWidget {
    Q_OBJECT
public:
    explicit OverlayHost(QWidget* parent = nullptr);

    // The backdrop picture (see MakeBackdrop), drawn unscaled at its device
    // pixel ratio; a null image removes it.
    void setBackdrop(const QImage& backdrop);
    void clearBackdrop() { setBackdrop(QImage()); }
    bool hasBackdrop() const { return !backdrop_.isNull(); }
    const QImage& backdrop() const { return backdrop_; }

    // Parents the panel and keeps it centred. The panel gets its size hint,
    // shrunk to leave a margin inside the host when the window is smaller,
    // but never below its minimum size.
    void addCentred(QWidget* panel);
    // The panel added last, while it lives.
    QWidget* panel() const { return panel_; }
    // Frees every child, after dropping its translation records.
    void clearPanels();

    static constexpr int kMargin = 20;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void placePanel();

    QImage backdrop_;
    QPointer<QWidget> panel_;
};

} // namespace pq
