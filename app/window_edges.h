#pragma once

#include <QObject>

#include <array>

class QWidget;

namespace pq {

// The resize strips along the edges and corners of the borderless window:
// pressing one starts the system's resize in its direction.
class WindowEdges : public QObject {
public:
    explicit WindowEdges(QWidget* frame);

    // Places the strips along the frame; hidden while `visible` is false
    // (a maximised or full-screen window).
    void place(bool visible);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* frame_;
    std::array<QWidget*, 8> strips_{};
};

} // namespace pq
