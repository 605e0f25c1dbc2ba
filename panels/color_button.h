#pragma once

#include <QPushButton>
#include <QRgb>

#include <functional>
#include <optional>

namespace pq {

// A button showing a colour; a click opens a colour dialog that offers
// alpha. Colours are unpremultiplied ARGB.
class ColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit ColorButton(QWidget* parent = nullptr);

    QRgb color() const { return color_; }
    // Sets the colour without a signal.
    void setColor(QRgb color);

    // The dialog: the new colour, or nothing when cancelled. Tests replace it.
    std::function<std::optional<QRgb>(QRgb current)> pickColor;

signals:
    void colorChanged(QRgb color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRgb color_ = 0xFFFFFFFF;
};

} // namespace pq
