// Choosing an effect in the family lists and tuning its five sliders.
#include "app/main_window.h"

#include <QLabel>
#include <QListWidget>
#include <QSlider>

namespace pq {

void TForm1::ListBoxItemClick(int family, int index)
{
    QListWidget* box = ListBoxOfFamily(family);
    if (!box || index < 0 || index >= box->count())
        return;
    FDocument.SelectedEffectNumber = 100 * family + index;
    UpdateListboxes(box, index);
    // "LUTs" with no table chosen takes the first built-in one.
    if (FDocument.SelectedEffectNumber == 404 && FDocument.FLUTFilePath.isEmpty() && FDocument.FLUTData.isEmpty())
        InitEmbeddedLUTs();
}

void TForm1::TrackBarTracking(int k)
{
    if (k < 1 || k > 5)
        return;
    ValueLabels[size_t(k - 1)]->setText(QString::number(TrackBars[size_t(k - 1)]->value()));
    // Enabling a running timer does not restart it.
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

std::array<int, 5> TForm1::SliderValues() const
{
    std::array<int, 5> values{};
    for (size_t k = 0; k < 5; ++k)
        values[k] = TrackBars[k]->value();
    return values;
}

void TForm1::ParamsLabelDblClick()
{
    const int number = FDocument.SelectedEffectNumber;
    if (number < 0)
        return;
    ResetEffectToDefaults(FDocument.Params, number);
    if (const TParameters* entry = ParamsEntry(FDocument.Params, number))
        for (int k = 1; k <= 5; ++k)
            TrackBars[size_t(k - 1)]->setValue(entry->value(k));
}

void TForm1::ParamLabelDblClick(int k)
{
    const int number = FDocument.SelectedEffectNumber;
    if (number < 0 || k < 1 || k > 5)
        return;
    ResetSliderToDefault(FDocument.Params, number, k);
    if (const TParameters* entry = ParamsEntry(FDocument.Params, number)) {
        TrackBars[size_t(k - 1)]->setValue(entry->value(k));
        TrackBarTracking(k);
    }
}

} // namespace pq
