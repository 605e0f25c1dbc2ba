#pragma once

#include <QAbstractButton>

namespace pq {

// The 26 x 26 close button at a panel's top right: a "x" that turns white
// on a red plate under the mouse; at rest the cross is white in the dark
// theme and slate in the light one.
class PanelCloseButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PanelCloseButton(QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(26, 26); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovered_ = false;
};

} // namespace pq
