// The parameter file: saving the whole parameter table to a .pqk file and
// loading it back, with the two icons beside the "PARAMETERS" heading.
#include "app/main_window.h"

#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "workspace/parameter_file.h"

#include <QGraphicsOpacityEffect>
#include <QPauseAnimation>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QSlider>

#include <exception>
#include <stdexcept>

namespace pq {

namespace {

const QString kParamsFilter = QStringLiteral("Pastelloquin Parameters (*.pqk);;All Files (*.*)");
constexpr double kRestOpacity = 0.3;

QGraphicsOpacityEffect* FadeOf(QWidget* icon)
{
    return icon ? qobject_cast<QGraphicsOpacityEffect*>(icon->graphicsEffect()) : nullptr;
}

void SetIconOpacity(QWidget* icon, double opacity)
{
    if (QGraphicsOpacityEffect* fade = FadeOf(icon))
        fade->setOpacity(opacity);
}

void StopFade(QPointer<QAbstractAnimation>& animation)
{
    if (animation)
        animation->stop();
}

} // namespace

void MainWindow::saveParameters(const QString& fileName)
{
    WriteParameterFile(document_.params, fileName);
}

void MainWindow::loadParameters(const QString& fileName)
{
    const ParameterFileLoad load = ReadParameterFile(fileName, document_.params);
    if (load.stored > 0)
        // The sliders take the selected effect's values; their captions
        // change the next time the effect is selected.
        if (const EffectParameters* entry = ParamsEntry(document_.params, document_.selectedEffect))
            for (int k = 1; k <= 5; ++k)
                sliders[size_t(k - 1)]->setValue(entry->value(k));
    if (!load.problem.isEmpty())
        throw std::runtime_error(load.problem.toStdString());
}

void MainWindow::chooseParametersToLoad()
{
    SetIconOpacity(loadParametersButton, kRestOpacity);
    SetIconOpacity(saveParametersButton, kRestOpacity);
    const QString fileName =
        getOpenFileName ? getOpenFileName(QStringLiteral("Load Parameters"), kParamsFilter) : QString();
    if (fileName.isEmpty())
        return;
    try {
        loadParameters(fileName);
    } catch (const std::exception& e) {
        showMessage(Translate(QStringLiteral("Error loading parameters: ")) + QString::fromStdString(e.what()));
    }
}

void MainWindow::chooseParametersToSave()
{
    SetIconOpacity(loadParametersButton, kRestOpacity);
    SetIconOpacity(saveParametersButton, kRestOpacity);
    const QString fileName =
        getSaveDataFileName
            ? getSaveDataFileName(QStringLiteral("Save Parameters"), kParamsFilter, QStringLiteral("pqk"))
            : QString();
    if (fileName.isEmpty() || !confirmOverwrite(fileName))
        return;
    try {
        saveParameters(fileName);
        showMessage(Translate(QStringLiteral("Parameters saved successfully!")));
    } catch (const std::exception& e) {
        showMessage(Translate(QStringLiteral("Error saving parameters: ")) + QString::fromStdString(e.what()));
    }
}

void MainWindow::lightParameterIcons()
{
    cleanUpTimer.setProperty("tag", 2);
    StopFade(loadIconFade);
    StopFade(saveIconFade);
    for (IconButton* icon : {loadParametersButton, saveParametersButton}) {
        if (QGraphicsOpacityEffect* fade = FadeOf(icon); fade && fade->opacity() < 1.0)
            fade->setOpacity(1.0);
        icon->setVisible(true);
    }
}

void MainWindow::fadeParameterIcons()
{
    // To the rest opacity in 3 s, after a 3 s delay (from 1 once the mouse
    // has lit them up).
    const auto fadeOut = [this](IconButton* icon, QPointer<QAbstractAnimation>& slot, void (MainWindow::*finish)()) {
        QGraphicsOpacityEffect* fade = FadeOf(icon);
        if (!fade)
            return;
        StopFade(slot);
        auto* group = new QSequentialAnimationGroup(this);
        group->addPause(3000);
        auto* opacity = new QPropertyAnimation(fade, "opacity", group);
        opacity->setEndValue(kRestOpacity);
        opacity->setDuration(3000);
        group->addAnimation(opacity);
        connect(group, &QAbstractAnimation::finished, this, [this, finish] { (this->*finish)(); });
        slot = group;
        group->start(QAbstractAnimation::DeleteWhenStopped);
    };
    fadeOut(loadParametersButton, loadIconFade, &MainWindow::loadIconFaded);
    fadeOut(saveParametersButton, saveIconFade, &MainWindow::saveIconFaded);
}

void MainWindow::loadIconFaded()
{
    SetIconOpacity(loadParametersButton, kRestOpacity);
}

void MainWindow::saveIconFaded()
{
    SetIconOpacity(saveParametersButton, kRestOpacity);
}

} // namespace pq
