// Choosing an effect in the family lists and tuning its five sliders.
#include "app/main_window.h"

#include <QLabel>
#include <QListWidget>
#include <QSlider>

namespace pq {

void MainWindow::selectListedEffect(int family, int index)
{
    QListWidget* box = listOfFamily(family);
    if (!box || index < 0 || index >= box->count())
        return;
    document_.selectedEffect = 100 * family + index;
    showSelectedEffect(box, index);
    // "LUTs" with no table chosen takes the first built-in one.
    if (document_.selectedEffect == 404 && document_.lutFilePath.isEmpty() && document_.lutData.isEmpty())
        initEmbeddedLuTs();
}

void MainWindow::sliderMoved(int k)
{
    if (k < 1 || k > 5)
        return;
    sliderValueLabels[size_t(k - 1)]->setText(QString::number(sliders[size_t(k - 1)]->value()));
    // Enabling a running timer does not restart it.
    if (!previewTimer.isActive())
        previewTimer.start();
}

std::array<int, 5> MainWindow::sliderValues() const
{
    std::array<int, 5> values{};
    for (size_t k = 0; k < 5; ++k)
        values[k] = sliders[k]->value();
    return values;
}

void MainWindow::resetEffectSliders()
{
    const int number = document_.selectedEffect;
    if (number < 0)
        return;
    ResetEffectToDefaults(document_.params, number);
    if (const EffectParameters* entry = ParamsEntry(document_.params, number))
        for (int k = 1; k <= 5; ++k)
            sliders[size_t(k - 1)]->setValue(entry->value(k));
}

void MainWindow::resetSlider(int k)
{
    const int number = document_.selectedEffect;
    if (number < 0 || k < 1 || k > 5)
        return;
    ResetSliderToDefault(document_.params, number, k);
    if (const EffectParameters* entry = ParamsEntry(document_.params, number)) {
        sliders[size_t(k - 1)]->setValue(entry->value(k));
        sliderMoved(k);
    }
}

} // namespace pq
