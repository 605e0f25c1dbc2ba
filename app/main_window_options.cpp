// The effect options below the sliders: "Erase background", "Add texture",
// "Draw shape contours", and the boxes shown only for the effects they
// concern (custom brushes for 302-304, the LUT choice for 404).
#include "app/main_window.h"

#include "catalogue/effect_catalogue.h"

#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/toggle_switch.h"
#include "engine/repository/image_repository.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace pq {

void TForm1::EraseBdSwitchClick()
{
    // Scripts change the option without the switch: the click turns the
    // option itself over and the look follows it. Previews never paint over
    // the result, so none is requested.
    FDocument.FEraseBdChecked = !FDocument.FEraseBdChecked.load();
    EraseBdSwitch->setChecked(FDocument.FEraseBdChecked.load());
}

void TForm1::AddTextureSwitchClick()
{
    // The switch has turned itself over; previews show the texture too.
    FDocument.FAddTextureChecked = AddTextureSwitch->isChecked();
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

void TForm1::ContourSwitchClick()
{
    FDocument.FDrawContourChecked = !FDocument.FDrawContourChecked.load();
    ContourSwitch->setChecked(FDocument.FDrawContourChecked.load());
    if (FDocument.FDrawContourChecked.load())
        ShowContourColorWindow();
    else
        HideContourColorWindow();
    RequestEffectPreview();
}

void TForm1::UpdateOptionBoxes()
{
    const EffectDefinition* effect = FindEffect(FDocument.SelectedEffectNumber);
    const BrushSheetChoice sheet = effect ? effect->brushSheet : BrushSheetChoice::None;
    // The user's sheets replace the pastel, watercolour and impasto sheets.
    const bool brushes = sheet == BrushSheetChoice::Pastel || sheet == BrushSheetChoice::Watercolor ||
                         sheet == BrushSheetChoice::Impasto;
    LoadBrushesWindow->setVisible(brushes);
    if (brushes)
        UpdateBrushButtons();
    LoadLUTsWindow->setVisible(effect && effect->choosesLUT);
    const bool erase = effect && effect->honoursEraseBackground;
    EraseBdSwitch->setEnabled(erase);
    Label23->setEnabled(erase);
}

void TForm1::UpdateBrushButtons()
{
    bool on = false;
    switch (FDocument.SelectedEffectNumber) {
    case 302: on = FDocument.CustomBrushesOn302; break;
    case 303: on = FDocument.CustomBrushesOn303; break;
    case 304: on = FDocument.CustomBrushesOn304; break;
    default: break;
    }
    ResetBrushesButton->setVisible(on);
    // Room for one button, or two.
    LoadBrushesWindow->setFixedHeight(on ? 120 : 64);
}

void TForm1::TestBrushButtonClick()
{
    const QStringList files =
        FGetOpenFileNames ? FGetOpenFileNames(Translate(QStringLiteral("Select brush files")),
                                              QStringLiteral("PNG and ZIP Files (*.png *.zip);;PNG Images (*.png);;"
                                                             "ZIP Archives (*.zip);;All Files (*)"))
                          : QStringList();
    if (files.isEmpty())
        return;
    TForm3& repository = Form3();
    const int count = repository.LoadBrushesToRepository(files);
    FDocument.Shared->GlobalBrushCount = count;
    if (count <= 0) {
        ShowMessage(Translate(QStringLiteral("Error loading custom brushes")));
        return;
    }
    const gfx::Image sheet = repository.sharedImage(&TForm3::Brushes);
    switch (FDocument.SelectedEffectNumber) {
    case 302:
        FDocument.CustomBrushesOn302 = true;
        FDocument.CustomBrushBitmap302 = sheet;
        break;
    case 303:
        FDocument.CustomBrushesOn303 = true;
        FDocument.CustomBrushBitmap303 = sheet;
        break;
    case 304:
        FDocument.CustomBrushesOn304 = true;
        FDocument.CustomBrushBitmap304 = sheet;
        FDocument.CustomBrushCount304 = count;
        break;
    default: break;
    }
    UpdateBrushButtons();
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

void TForm1::ResetBrushesButtonClick()
{
    // The custom sheet stays stored but is no longer used.
    switch (FDocument.SelectedEffectNumber) {
    case 302: FDocument.CustomBrushesOn302 = false; break;
    case 303: FDocument.CustomBrushesOn303 = false; break;
    case 304: FDocument.CustomBrushesOn304 = false; break;
    default: break;
    }
    UpdateBrushButtons();
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

void TForm1::Label38Paint()
{
    // Follows the tool label, and so its translation.
    if (Label10 && Label38->text() != Label10->text())
        Label38->setText(Label10->text());
}

} // namespace pq
