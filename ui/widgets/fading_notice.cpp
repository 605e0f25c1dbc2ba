#include "ui/widgets/fading_notice.h"

#include "ui/debug_log.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>

#include <algorithm>

namespace pq {

FadingNotice::FadingNotice(QLabel* label, const MillisecondClock& clock, QObject* parent)
    : QObject(parent), label_(label), clock_(clock)
{
    effect_ = new QGraphicsOpacityEffect(label);
    effect_->setOpacity(1.0);
    label->setGraphicsEffect(effect_);
    timer_.setInterval(16);
    connect(&timer_, &QTimer::timeout, this, [this] { GuardedCall("FadingNotice", [this] { tick(); }); });
}

void FadingNotice::show(const QString& text)
{
    if (!label_)
        return;
    label_->setText(text);
    effect_->setOpacity(1.0);
    startMs_ = clock_();
    timer_.start();
}

void FadingNotice::tick()
{
    if (!label_ || !effect_) {
        timer_.stop();
        return;
    }
    const qint64 elapsed = clock_() - startMs_;
    if (elapsed >= holdMs + fadeMs) {
        timer_.stop();
        label_->clear();
        effect_->setOpacity(1.0);
        return;
    }
    const double faded = fadeMs > 0 ? double(elapsed - holdMs) / fadeMs : 1.0;
    effect_->setOpacity(elapsed <= holdMs ? 1.0 : std::clamp(1.0 - faded, 0.0, 1.0));
}

double FadingNotice::opacity() const
{
    return effect_ ? effect_->opacity() : 1.0;
}

} // namespace pq
