#pragma once

#include <QAbstractButton>

class QVariantAnimation;

namespace pq {

// An on/off switch: a 38 x 18 rounded track with a round thumb, accent
// coloured with the thumb at the right when on. The thumb slides to its new
// place in 0.05 s.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(38, 18); }

    // The thumb's x: 1 when off, 19 when on (while it slides, in between).
    qreal thumbX() const { return thumbX_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void slideThumb(bool on);

    qreal thumbX_ = 1;
    QVariantAnimation* slide_ = nullptr;
};

} // namespace pq
