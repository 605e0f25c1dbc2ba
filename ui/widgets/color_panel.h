#pragma once

#include <QColor>
#include <QWidget>

namespace pq {

// A compact colour chooser of 153 x 161: a saturation and brightness square,
// a hue bar at its right and an alpha slider below. Reports every change
// made with the mouse through colorChanged.
class ColorPanel : public QWidget {
    Q_OBJECT
public:
    explicit ColorPanel(QWidget* parent = nullptr);

    // The colour, alpha included (alpha from the alpha slider).
    QColor color() const;
    void setColor(const QColor& color);
    // The alpha slider's value, 0..1.
    double alphaValue() const { return alpha_; }

    QSize sizeHint() const override { return QSize(153, 161); }

    // Areas, in the panel's coordinates.
    QRect squareRect() const;
    QRect hueRect() const;
    QRect alphaRect() const;

signals:
    void colorChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Part { None, Square, Hue, Alpha };
    void track(QPointF pos);

    double hue_ = 0;   // 0..1
    double sat_ = 0;   // 0..1
    double val_ = 0;   // 0..1
    double alpha_ = 1; // 0..1
    Part dragging_ = Part::None;
};

} // namespace pq
