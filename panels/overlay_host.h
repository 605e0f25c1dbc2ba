#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace pq {

// overlayHost: covers the window's content and hosts the overlay
// panels, centred, over a blurred and darkened snapshot of the window.
class OverlayHost : public QWidget {
    Q_OBJECT
public:
    explicit OverlayHost(QWidget* parent = nullptr);

    // Makes the backdrop from a snapshot of the controls beneath.
    void setBackdropFrom(const QImage& snapshot);
    void clearBackdrop();
    bool hasBackdrop() const { return !backdrop_.isNull(); }

    // Parents the panel and keeps it centred.
    void addCentred(QWidget* panel);
    // Frees every child panel.
    void clearPanels();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void centrePanels();

    QImage backdrop_;
    QList<QPointer<QWidget>> centred_;
};

// A soft blur of an image: scaled down and up again smoothly.
QImage SoftBlur(const QImage& image, int factor);

} // namespace pq
