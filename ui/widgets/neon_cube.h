#pragma once

#include "ui/widgets/neon_cube_motion.h"

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace pq {

// A backdrop that fills itself with one colour and, while animated, draws
// the neon wire cube over it: twelve projected edges with a soft glow,
// moved every 30 ms. The frame-time test runs while it animates until it
// is decided: a display that cannot keep up loses the glow, or the cube
// for good.
class NeonCube : public QWidget {
    Q_OBJECT
public:
    explicit NeonCube(QWidget* parent = nullptr);

    void setBackground(const QColor& color);
    // Shows the cube and animates it (not once it was found too slow).
    void startAnimation();
    // Stops the animation and hides the cube.
    void stopAnimation();
    // Keeps the cube off for good, as a display found too slow does.
    void keepOff();

    bool animating() const { return timer_.isActive(); }
    bool cubeShown() const { return shown_; }
    bool tooSlow() const { return tooSlow_; }
    bool glowEnabled() const { return glow_; }
    // The millisecond clock of the frame-time test (a steady clock unless
    // tests replace it).
    std::function<int64_t()> clock;
    // One animation tick, as the timer does it.
    void tick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    NeonCubeMotion motion_;
    FrameTimeTest frameTest_;
    QTimer timer_;
    QColor background_{0x11, 0x18, 0x27};
    bool shown_ = false;
    bool tooSlow_ = false;
    bool glow_ = true;
};

} // namespace pq
