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

void TForm1::SaveParameters(const QString& FileName)
{
    WriteParameterFile(FDocument.Params, FileName);
}

void TForm1::LoadParameters(const QString& FileName)
{
    const TParameterFileLoad load = ReadParameterFile(FileName, FDocument.Params);
    if (load.stored > 0)
        // The sliders take the selected effect's values; their captions
        // change the next time the effect is selected.
        if (const TParameters* entry = ParamsEntry(FDocument.Params, FDocument.SelectedEffectNumber))
            for (int k = 1; k <= 5; ++k)
                TrackBars[size_t(k - 1)]->setValue(entry->value(k));
    if (!load.problem.isEmpty())
        throw std::runtime_error(load.problem.toStdString());
}

void TForm1::SkSvg44Click()
{
    setIconOpacity(SkSvg44, kRestOpacity);
    setIconOpacity(SkSvg45, kRestOpacity);
    const QString fileName =
        FGetOpenFileName ? FGetOpenFileName(QStringLiteral("Load Parameters"), kParamsFilter) : QString();
    if (fileName.isEmpty())
        return;
    try {
        LoadParameters(fileName);
    } catch (const std::exception& e) {
        ShowMessage(Translate(QStringLiteral("Error loading parameters: ")) + QString::fromStdString(e.what()));
    }
}

void TForm1::SkSvg45Click()
{
    setIconOpacity(SkSvg44, kRestOpacity);
    setIconOpacity(SkSvg45, kRestOpacity);
    const QString fileName =
        FGetSaveDataFileName
            ? FGetSaveDataFileName(QStringLiteral("Save Parameters"), kParamsFilter, QStringLiteral("pqk"))
            : QString();
    if (fileName.isEmpty() || !ConfirmOverwrite(fileName))
        return;
    try {
        SaveParameters(fileName);
        ShowMessage(Translate(QStringLiteral("Parameters saved successfully!")));
    } catch (const std::exception& e) {
        ShowMessage(Translate(QStringLiteral("Error saving parameters: ")) + QString::fromStdString(e.what()));
    }
}

void TForm1::ParamsLabelMouseMove()
{
    CleanUpTimer.setProperty("tag", 2);
    stopFade(FloatAnimation1);
    stopFade(FloatAnimation2);
    for (TIconButton* icon : {SkSvg44, SkSvg45}) {
        if (QGraphicsOpacityEffect* fade = fadeOf(icon); fade && fade->opacity() < 1.0)
            fade->setOpacity(1.0);
        icon->setVisible(true);
    }
}

void TForm1::StartParamsIconFades()
{
    // To the rest opacity in 3 s, after a 3 s delay (from 1 once the mouse
    // has lit them up).
    const auto fadeOut = [this](TIconButton* icon, QPointer<QAbstractAnimation>& slot, void (TForm1::*finish)()) {
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
    fadeOut(SkSvg44, FloatAnimation1, &TForm1::FloatAnimation1Finish);
    fadeOut(SkSvg45, FloatAnimation2, &TForm1::FloatAnimation2Finish);
}

void TForm1::FloatAnimation1Finish()
{
    setIconOpacity(SkSvg44, kRestOpacity);
}

void TForm1::FloatAnimation2Finish()
{
    setIconOpacity(SkSvg45, kRestOpacity);
}

} // namespace pq
