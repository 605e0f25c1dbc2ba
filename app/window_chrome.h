#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

#include <functional>

class QWidget;

namespace pq {

// The borderless window's own chrome behaviour: moving it by its title
// bar or background (held 200 ms, then the system's move, or our own move
// where the system refuses), the highlight of the window's background
// while a move or resize is pending or running, and the 200 ms
// housekeeping tick that ends the highlight also when the release never
// reaches us.
class WindowChrome : public QObject {
public:
    // `window` is the top-level window, `background` the widget behind
    // every part, `titleBar` the bar that moves the window.
    WindowChrome(QWidget& window, QWidget& background, QWidget& titleBar);

    // True from a press that may move the window until the move ended.
    bool movePendingOrRunning() const { return pending_ || moving_ || systemMoving_; }
    bool highlighted() const { return highlighted_; }
    void setHighlight(bool on);
    // A resize by an edge or grip starts or ends.
    void resizing(bool on);

    // Told when a held press starts moving the window.
    std::function<void()> moveStarted;
    // Told when the window's bounds changed at a housekeeping tick.
    std::function<void()> boundsChanged;
    // Told when the display's pixel ratio under the window changed.
    std::function<void()> displayScaleChanged;
    // The left mouse button as the toolkit knows it, and the system's
    // move (false when refused); tests replace them.
    std::function<bool()> leftButtonDown;
    std::function<bool()> systemMove;

    // The press has been held long enough: the move starts.
    void startMove();
    // One housekeeping tick.
    void tick();
    QTimer& moveTimer() { return moveTimer_; }
    bool movingOurselves() const { return moving_; }
    bool systemMoving() const { return systemMoving_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void press(bool titleBar, Qt::MouseButton button);
    void endMove();
    void paintBackground();

    QWidget& window_;
    QWidget& background_;
    QWidget& titleBar_;
    QTimer moveTimer_;
    QTimer housekeeping_;
    QPoint grabOffset_;
    QRect lastBounds_;
    qreal lastDisplayScale_ = 0;
    bool pending_ = false;
    bool moving_ = false;
    bool systemMoving_ = false;
    bool resizing_ = false;
    bool highlighted_ = false;
};

} // namespace pq
