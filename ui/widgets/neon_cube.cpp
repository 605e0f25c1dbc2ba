#include "ui/widgets/neon_cube.h"

#include <QElapsedTimer>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace pq {

NeonCube::NeonCube(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer_.setInterval(NeonCubeMotion::kTickMs);
    connect(&timer_, &QTimer::timeout, this, &NeonCube::tick);
    clock = [] {
        static QElapsedTimer elapsed;
        if (!elapsed.isValid())
            elapsed.start();
        return int64_t(elapsed.elapsed());
    };
}

void NeonCube::setBackground(const QColor& color)
{
    background_ = color;
    update();
}

void NeonCube::startAnimation()
{
    if (tooSlow_)
        return;
    frameTest_.restart();
    shown_ = true;
    timer_.start();
    update();
}

void NeonCube::stopAnimation()
{
    timer_.stop();
    shown_ = false;
    update();
}

void NeonCube::keepOff()
{
    tooSlow_ = true;
    stopAnimation();
}

void NeonCube::tick()
{
    switch (frameTest_.tick(clock())) {
    case FrameTimeTest::Verdict::TooSlow: keepOff(); return;
    case FrameTimeTest::Verdict::NoGlow: glow_ = false; break;
    default: break;
    }
    motion_.advance();
    update();
}

void NeonCube::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    if (!shown_)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor glowColor = QColor::fromRgba(motion_.color());
    for (const NeonCubeMotion::Edge& edge : motion_.edges(size())) {
        const double width = std::max(1.5, edge.width);
        if (glow_) {
            // Soft glow: wide faint strokes under the core.
            for (const auto& [scale, alpha] : {std::pair{7.0, 0.08}, std::pair{4.5, 0.14}, std::pair{2.6, 0.24}}) {
                QColor c = glowColor;
                c.setAlphaF(float(alpha));
                painter.setPen(QPen(c, width * scale, Qt::SolidLine, Qt::RoundCap));
                painter.drawLine(edge.line);
            }
        }
        painter.setPen(QPen(QColor::fromRgba(edge.color), width, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(edge.line);
    }
}

} // namespace pq
