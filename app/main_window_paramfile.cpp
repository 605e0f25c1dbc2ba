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

QGraphicsOpacityEffect* fadeOf(QWidget* icon)
{
    return icon ? qobject_cast<QGraphicsOpacityEffect*>(icon->graphicsEffect()) : nullptr;
}

void setIconOpacity(QWidget* icon, double opacity)
{
    if (QGraphicsOpacityEffect* fade = fadeOf(icon))
        fade->setOpacity(opacity);
}

void stopFade(QPointer<QAbstractAnimation>& animation)
{
    if (animation)
        animation->stop();
}

} // namespace

void MainWindow::SaveParameters(const QString& FileName)
{
    WriteParameterFile(document_.params, FileName);
}

void MainWindow::LoadParameters(const QString& FileName)
{
    const ParameterFileLoad load = ReadParameterFile(FileName, document_.params);
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
    setIconOpacity(loadParametersButton, kRestOpacity);
    setIconOpacity(saveParametersButton, kRestOpacity);
    const QString fileName =
        getOpenFileName ? getOpenFileName(QStringLiteral("Load Parameters"), kParamsFilter) : QString();
    if (fileName.isEmpty())
        return;
    try {
        LoadParameters(fileName);
    } catch (const std::exception& e) {
        ShowMessage(Translate(QStringLiteral("Error loading parameters: ")) + QString::fromStdString(e.what()));
    }
}

void MainWindow::chooseParametersToSave()
{
    setIconOpacity(loadParametersButton, kRestOpacity);
    setIconOpacity(saveParametersButton, kRestOpacity);
    const QString fileName =
        getSaveDataFileName
            ? getSaveDataFileName(QStringLiteral("Save Parameters"), kParamsFilter, QStringLiteral("pqk"))
            : QString();
    if (fileName.isEmpty() || !confirmOverwrite(fileName))
        return;
    try {
        SaveParameters(fileName);
        ShowMessage(Translate(QStringLiteral("Parameters saved successfully!")));
    } catch (const std::exception& e) {
        ShowMessage(Translate(QStringLiteral("Error saving parameters: ")) + QString::fromStdString(e.what()));
    }
}

void MainWindow::lightParameterIcons()
{
    cleanUpTimer.setProperty("tag", 2);
    stopFade(loadIconFade);
    stopFade(saveIconFade);
    for (IconButton* icon : {loadParametersButton, saveParametersButton}) {
        if (QGraphicsOpacityEffect* fade = fadeOf(icon); fade && fade->opacity() < 1.0)
            fade->setOpacity(1.0);
        icon->setVisible(true);
    }
}

void MainWindow::fadeParameterIcons()
{
    // To the rest opacity in 3 s, after a 3 s delay (from 1 once the mouse
    // has lit them up).
    const auto fadeOut = [this](IconButton* icon, QPointer<QAbstractAnimation>& slot, void (MainWindow::*finish)()) {
        QGraphicsOpacityEffect* fade = fadeOf(icon);
        if (!fade)
            return;
        stopFade(slot);
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
    setIconOpacity(loadParametersButton, kRestOpacity);
}

void MainWindow::saveIconFaded()
{
    setIconOpacity(saveParametersButton, kRestOpacity);
}

} // namespace pq
