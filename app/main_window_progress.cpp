// The progress bar in the title bar: a full run's progress, animated.
#include "app/main_window.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QThread>

namespace pq {

namespace {

QPropertyAnimation* animate(QObject* target, const QByteArray& property, const QVariant& to, int ms, QObject* owner)
{
    auto* animation = new QPropertyAnimation(target, property, owner);
    animation->setDuration(ms);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::Linear);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

void stop(QPointer<QPropertyAnimation>& animation)
{
    if (animation)
        animation->stop();
    animation = nullptr;
}

} // namespace

void TForm1::UpdateProgressBar(int value)
{
    // Off the UI thread the call queues itself (the caller does not wait).
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, value] { UpdateProgressBar(value); }, Qt::QueuedConnection);
        return;
    }
    // Scripts report their progress to the script editor instead.
    if (FDocument.FScriptRunning.load())
        return;
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(ProgressLabel->graphicsEffect());
    if (!fade) {
        fade = new QGraphicsOpacityEffect(ProgressLabel);
        ProgressLabel->setGraphicsEffect(fade);
    }

    if (value < 0 || value > 100) {
        stop(FProgressWidthAnim);
        stop(FProgressLabelXAnim);
        stop(FProgressLabelFade);
        ProgressBarRect->hide();
        ProgressBarRect->resize(0, ProgressBarRect->height());
        ProgressBarRect->setProperty("tag", -1);
        ProgressLabel->hide();
        fade->setOpacity(1.0);
        ProgressLabel->clear();
        return;
    }
    if (ProgressBarRect->property("tag").toInt() == value)
        return;
    ProgressBarRect->setProperty("tag", value);
    if (!ProgressBarRect->isVisible()) {
        ProgressBarRect->resize(0, ProgressBarRect->height());
        ProgressBarRect->show();
    }
    const int available = ProgressBarRect->parentWidget()->width();
    const int target = std::max(0, (available - 170) * value / 100);
    const int labelY = ProgressBarRect->y() + (ProgressBarRect->height() - ProgressLabel->height()) / 2;

    if (target >= 50) {
        ProgressLabel->setText(QString::number(value) + QStringLiteral("%"));
        if (!ProgressLabel->isVisible()) {
            ProgressLabel->move(ProgressBarRect->x() + ProgressBarRect->width() - ProgressLabel->width(), labelY);
            fade->setOpacity(0.0);
            ProgressLabel->show();
            ProgressLabel->raise();
            stop(FProgressLabelFade);
            FProgressLabelFade = animate(fade, "opacity", 1.0, 1300, this);
        }
        stop(FProgressLabelXAnim);
        FProgressLabelXAnim =
            animate(ProgressLabel, "pos", QPoint(ProgressBarRect->x() + target - ProgressLabel->width(), labelY), 200, this);
    } else {
        stop(FProgressLabelXAnim);
        ProgressLabel->hide();
    }
    stop(FProgressWidthAnim);
    FProgressWidthAnim = animate(ProgressBarRect, "size", QSize(target, ProgressBarRect->height()), 200, this);
}

} // namespace pq
