// The progress bar in the title bar: a full run's progress, animated.
#include "app/main_window.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QThread>

namespace pq {

namespace {

QPropertyAnimation* Animate(QObject* target, const QByteArray& property, const QVariant& to, int ms, QObject* owner)
{
    auto* animation = new QPropertyAnimation(target, property, owner);
    animation->setDuration(ms);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::Linear);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

void Stop(QPointer<QPropertyAnimation>& animation)
{
    if (animation)
        animation->stop();
    animation = nullptr;
}

} // namespace

void MainWindow::updateProgressBar(int value)
{
    // Off the UI thread the call queues itself (the caller does not wait).
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, value] { updateProgressBar(value); }, Qt::QueuedConnection);
        return;
    }
    // Scripts report their progress to the script editor instead.
    if (document_.scriptRunning.load())
        return;
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(progressLabel->graphicsEffect());
    if (!fade) {
        fade = new QGraphicsOpacityEffect(progressLabel);
        progressLabel->setGraphicsEffect(fade);
    }

    if (value < 0 || value > 100) {
        Stop(progressWidthAnimation_);
        Stop(progressLabelMove_);
        Stop(progressLabelFade_);
        progressBar->hide();
        progressBar->resize(0, progressBar->height());
        progressBar->setProperty("tag", -1);
        progressLabel->hide();
        fade->setOpacity(1.0);
        progressLabel->clear();
        return;
    }
    if (progressBar->property("tag").toInt() == value)
        return;
    progressBar->setProperty("tag", value);
    if (!progressBar->isVisible()) {
        progressBar->resize(0, progressBar->height());
        progressBar->show();
    }
    const int available = progressBar->parentWidget()->width();
    const int target = std::max(0, (available - 170) * value / 100);
    const int labelY = progressBar->y() + (progressBar->height() - progressLabel->height()) / 2;

    if (target >= 50) {
        progressLabel->setText(QString::number(value) + QStringLiteral("%"));
        if (!progressLabel->isVisible()) {
            progressLabel->move(progressBar->x() + progressBar->width() - progressLabel->width(), labelY);
            fade->setOpacity(0.0);
            progressLabel->show();
            progressLabel->raise();
            Stop(progressLabelFade_);
            progressLabelFade_ = Animate(fade, "opacity", 1.0, 1300, this);
        }
        Stop(progressLabelMove_);
        progressLabelMove_ =
            Animate(progressLabel, "pos", QPoint(progressBar->x() + target - progressLabel->width(), labelY), 200, this);
    } else {
        Stop(progressLabelMove_);
        progressLabel->hide();
    }
    Stop(progressWidthAnimation_);
    progressWidthAnimation_ = Animate(progressBar, "size", QSize(target, progressBar->height()), 200, this);
}

} // namespace pq
