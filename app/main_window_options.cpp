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

void MainWindow::toggleEraseBackground()
{
    // Scripts change the option without the switch: the click turns the
    // option itself over and the look follows it. Previews never paint over
    // the result, so none is requested.
    document_.eraseBackground = !document_.eraseBackground.load();
    eraseBackgroundSwitch->setChecked(document_.eraseBackground.load());
}

void MainWindow::addTextureSwitched()
{
    // The switch has turned itself over; previews show the texture too.
    document_.addTexture = addTextureSwitch->isChecked();
    if (!previewTimer.isActive())
        previewTimer.start();
}

void MainWindow::toggleContours()
{
    document_.drawContours = !document_.drawContours.load();
    contourSwitch->setChecked(document_.drawContours.load());
    if (document_.drawContours.load())
        showContourColorWindow();
    else
        hideContourColorWindow();
    requestPreview();
}

void MainWindow::showEffectOptions()
{
    const EffectDefinition* effect = FindEffect(document_.selectedEffect);
    const BrushSheetChoice sheet = effect ? effect->brushSheet : BrushSheetChoice::None;
    // The user's sheets replace the pastel, watercolour and impasto sheets.
    const bool brushes = sheet == BrushSheetChoice::Pastel || sheet == BrushSheetChoice::Watercolor ||
                         sheet == BrushSheetChoice::Impasto;
    customBrushesBox->setVisible(brushes);
    if (brushes)
        updateBrushButtons();
    lutBox->setVisible(effect && effect->choosesLUT);
    const bool erase = effect && effect->honoursEraseBackground;
    eraseBackgroundSwitch->setEnabled(erase);
    eraseBackgroundLabel->setEnabled(erase);
}

void MainWindow::updateBrushButtons()
{
    bool on = false;
    switch (document_.selectedEffect) {
    case 302: on = document_.customBrushesOn302; break;
    case 303: on = document_.customBrushesOn303; break;
    case 304: on = document_.customBrushesOn304; break;
    default: break;
    }
    resetBrushesButton->setVisible(on);
    // Room for one button, or two.
    customBrushesBox->setFixedHeight(on ? 120 : 64);
}

void MainWindow::loadCustomBrushes()
{
    const QStringList files =
        getOpenFileNames ? getOpenFileNames(Translate(QStringLiteral("Select brush files")),
                                              QStringLiteral("PNG and ZIP Files (*.png *.zip);;PNG Images (*.png);;"
                                                             "ZIP Archives (*.zip);;All Files (*)"))
                          : QStringList();
    if (files.isEmpty())
        return;
    ImageRepository& repository = Repository();
    const int count = repository.loadBrushesToRepository(files);
    document_.shared->brushCount = count;
    if (count <= 0) {
        showMessage(Translate(QStringLiteral("Error loading custom brushes")));
        return;
    }
    const gfx::Image sheet = repository.sharedImage(&ImageRepository::brushes);
    switch (document_.selectedEffect) {
    case 302:
        document_.customBrushesOn302 = true;
        document_.customBrushBitmap302 = sheet;
        break;
    case 303:
        document_.customBrushesOn303 = true;
        document_.customBrushBitmap303 = sheet;
        break;
    case 304:
        document_.customBrushesOn304 = true;
        document_.customBrushBitmap304 = sheet;
        document_.customBrushCount304 = count;
        break;
    default: break;
    }
    updateBrushButtons();
    if (!previewTimer.isActive())
        previewTimer.start();
}

void MainWindow::resetCustomBrushes()
{
    // The custom sheet stays stored but is no longer used.
    switch (document_.selectedEffect) {
    case 302: document_.customBrushesOn302 = false; break;
    case 303: document_.customBrushesOn303 = false; break;
    case 304: document_.customBrushesOn304 = false; break;
    default: break;
    }
    updateBrushButtons();
    if (!previewTimer.isActive())
        previewTimer.start();
}

void MainWindow::syncAddTextureLabel()
{
    // Follows the tool label, and so its translation.
    if (textureButton && addTextureLabel->text() != textureButton->text())
        addTextureLabel->setText(textureButton->text());
}

} // namespace pq
