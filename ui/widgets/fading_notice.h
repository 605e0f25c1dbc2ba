#pragma once

#include "ui/widgets/caption_marquee.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QGraphicsOpacityEffect;
class QLabel;

namespace pq {

// A passing line of text on a label: fully visible for holdMs, fading out
// over fadeMs, then cleared. It runs on the window's clock; a new line
// starts the time again.
class FadingNotice : public QObject {
public:
    FadingNotice(QLabel* label, const MillisecondClock& clock, QObject* parent = nullptr);

    int holdMs = 3000;
    int fadeMs = 2000;

    void show(const QString& text);
    void tick();
    bool running() const { return timer_.isActive(); }
    double opacity() const;

private:
    QPointer<QLabel> label_;
    QPointer<QGraphicsOpacityEffect> effect_;
    const MillisecondClock& clock_;
    QTimer timer_;
    qint64 startMs_ = 0;
};

} // namespace pq
