// The parameter file behind the two icons beside "PARAMETERS": saving the
// whole parameter table to a .pqk file and loading it back.
#include "workspace/effect_panel.h"

#include "catalogue/parameter_table.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "workspace/document.h"
#include "workspace/parameter_file.h"
#include "workspace/user_dialogs.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QSlider>

#include <stdexcept>

namespace pq {
namespace {

const QString kParamsFilter = QStringLiteral("Pastelloquin Parameters (*.pqk);;All Files (*.*)");
constexpr double kRestOpacity = 0.3;
// Clean-up ticks (2 s each) between the mouse leaving the icons and their
// fade.
constexpr int kFadeDelayTicks = 2;

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

void EffectPanel::saveParameters(const QString& fileName)
{
    WriteParameterFile(document_.params, fileName);
}

void EffectPanel::loadParameters(const QString& fileName)
{
    const ParameterFileLoad load = ReadParameterFile(fileName, document_.params);
    if (load.stored > 0)
        // The sliders take the selected effect's values; their captions
        // change the next time the effect is selected.
        if (const EffectParameters* entry = ParamsEntry(document_.params, document_.selectedEffect))
            for (int k = 1; k <= 5; ++k)
                sliders_[size_t(k - 1)]->setValue(entry->value(k));
    if (!load.problem.isEmpty())
        throw std::runtime_error(load.problem.toStdString());
}

void EffectPanel::chooseParametersToLoad()
{
    SetIconOpacity(loadButton_, kRestOpacity);
    SetIconOpacity(saveButton_, kRestOpacity);
    const QString fileName =
        dialogs_.openFile ? dialogs_.openFile(QStringLiteral("Load Parameters"), kParamsFilter) : QString();
    if (fileName.isEmpty())
        return;
    try {
        loadParameters(fileName);
    } catch (const std::exception& e) {
        dialogs_.tell(Translate(QStringLiteral("Error loading parameters: ")) + QString::fromStdString(e.what()));
    }
}

void EffectPanel::chooseParametersToSave()
{
    SetIconOpacity(loadButton_, kRestOpacity);
    SetIconOpacity(saveButton_, kRestOpacity);
    const QString fileName =
        dialogs_.saveDataFile
            ? dialogs_.saveDataFile(QStringLiteral("Save Parameters"), kParamsFilter, QStringLiteral("pqk"))
            : QString();
    if (fileName.isEmpty() || !dialogs_.confirmOverwrite(fileName))
        return;
    try {
        saveParameters(fileName);
        dialogs_.tell(Translate(QStringLiteral("Parameters saved successfully!")));
    } catch (const std::exception& e) {
        dialogs_.tell(Translate(QStringLiteral("Error saving parameters: ")) + QString::fromStdString(e.what()));
    }
}

void EffectPanel::lightParameterIcons()
{
    fadeCountdown_ = kFadeDelayTicks;
    StopFade(loadFade_);
    StopFade(saveFade_);
    for (IconButton* icon : {loadButton_, saveButton_}) {
        if (QGraphicsOpacityEffect* fade = FadeOf(icon); fade && fade->opacity() < 1.0)
            fade->setOpacity(1.0);
        icon->setVisible(true);
    }
}

void EffectPanel::cleanUpTick()
{
    if (fadeCountdown_ > 0 && --fadeCountdown_ == 0)
        fadeParameterIcons();
}

void EffectPanel::fadeParameterIcons()
{
    // To the rest opacity in 3 s, after a 3 s delay.
    const auto fadeOut = [this](IconButton* icon, QPointer<QAbstractAnimation>& slot) {
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
        connect(group, &QAbstractAnimation::finished, this, [icon] { SetIconOpacity(icon, kRestOpacity); });
        slot = group;
        group->start(QAbstractAnimation::DeleteWhenStopped);
    };
    fadeOut(loadButton_, loadFade_);
    fadeOut(saveButton_, saveFade_);
}

} // namespace pq
