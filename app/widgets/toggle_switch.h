#pragma once

#include <QAbstractButton>

namespace pq {

// An on/off switch: a 38 x 18 rounded track with a round thumb, accent
// coloured with the thumb at the right when on.
class TToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit TToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(38, 18); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pq
