// The effect options: "Erase background", "Draw shape contours" with its
// floating colour window, and the custom brush sheets.
#include "workspace/effect_panel.h"

#include "catalogue/effect_catalogue.h"
#include "effects/shared/sheet_usability.h"
#include "engine/repository/image_repository.h"
#include "platform/numeric.h"
#include "ui/interface_scale.h"
#include "ui/debug_log.h"
#include "ui/translate.h"
#include "ui/widgets/color_panel.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/contour_color_window.h"
#include "workspace/document.h"
#include "workspace/user_dialogs.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace pq {
namespace {

BrushSheetChoice SheetOf(int number)
{
    const EffectDefinition* effect = FindEffect(number);
    return effect ? effect->brushSheet : BrushSheetChoice::None;
}

} // namespace

void EffectPanel::toggleEraseBackground()
{
    // Scripts change the option without the switch: the click turns the
    // option itself over and the look follows it. Previews never paint over
    // the result, so none is requested.
    document_.eraseBackground = !document_.eraseBackground.load();
    eraseSwitch_->setChecked(document_.eraseBackground.load());
}

void EffectPanel::toggleContours()
{
    document_.drawContours = !document_.drawContours.load();
    contourSwitch_->setChecked(document_.drawContours.load());
    if (document_.drawContours.load())
        showContourColorWindow();
    else
        hideContourColorWindow();
    emit previewRequested();
}

void EffectPanel::showEffectOptions()
{
    const EffectDefinition* effect = FindEffect(document_.selectedEffect);
    // The user's sheets replace the pastel, watercolour and impasto sheets.
    const bool brushes = document_.customSheet(SheetOf(document_.selectedEffect)) != nullptr;
    brushesBox_->setVisible(brushes);
    if (brushes)
        updateBrushButtons();
    lutBox_->setVisible(effect && effect->choosesLUT);
    const bool erase = effect && effect->honoursEraseBackground;
    eraseSwitch_->setEnabled(erase);
    eraseLabel_->setEnabled(erase);
}

void EffectPanel::updateBrushButtons()
{
    const CustomBrushSheet* sheet = document_.customSheet(SheetOf(document_.selectedEffect));
    const bool on = sheet && sheet->on;
    resetBrushesButton_->setVisible(on);
    // Room for one button, or two.
    brushesBox_->setFixedHeight(Units(on ? 120 : 64));
}

void EffectPanel::loadCustomBrushes()
{
    const QStringList files =
        dialogs_.openFiles ? dialogs_.openFiles(Translate(QStringLiteral("Select brush files")),
                                                QStringLiteral("PNG and ZIP Files (*.png *.zip);;PNG Images (*.png);;"
                                                               "ZIP Archives (*.zip);;All Files (*)"))
                           : QStringList();
    if (files.isEmpty())
        return;
    ImageRepository& repository = Repository();
    QString reason;
    const int count = repository.loadBrushesToRepository(files, &reason);
    document_.shared->brushCount = count;
    if (count > 0)
        reason = UnusableSheetReason(SheetOf(document_.selectedEffect),
                                     repository.sharedImage(&ImageRepository::brushes), count);
    if (count > 0 && !reason.isEmpty())
        reason = Translate(reason);
    // Nothing the effect can paint with: said, and nothing switched on.
    if (count <= 0 || !reason.isEmpty()) {
        const QString error = Translate(QStringLiteral("Error loading custom brushes"));
        dialogs_.tell(reason.isEmpty() ? error : error + QStringLiteral(": ") + reason);
        return;
    }
    if (CustomBrushSheet* sheet = document_.customSheet(SheetOf(document_.selectedEffect)))
        *sheet = {true, repository.sharedImage(&ImageRepository::brushes), count};
    updateBrushButtons();
    emit previewWanted();
}

void EffectPanel::resetCustomBrushes()
{
    // The custom sheet stays stored but is no longer used.
    if (CustomBrushSheet* sheet = document_.customSheet(SheetOf(document_.selectedEffect)))
        sheet->on = false;
    updateBrushButtons();
    emit previewWanted();
}

void EffectPanel::setContourWindowHost(QWidget* host, QWidget* alignTo)
{
    contourHost_ = host;
    contourAlignTo_ = alignTo;
}

void EffectPanel::showContourColorWindow()
{
    if (!contourWindow_) {
        // Built on first use.
        contourWindow_ = new ContourColorWindow(contourHost_ ? contourHost_ : window());
        connect(contourWindow_->colorPanel, &ColorPanel::colorChanged, this,
                [this] { GuardedCall("contourColorChanged", [this] { contourColorChanged(); }); });
        connect(contourWindow_, &ContourColorWindow::closeClicked, this,
                // The contours stay on.
                [this] { GuardedCall("hideContourColorWindow", [this] { hideContourColorWindow(); }); });
    }
    contourWindow_->colorPanel->setColor(QColor::fromRgba(document_.contourColor.load()));
    placeContourColorWindow();
    contourWindow_->show();
    contourWindow_->raise();
    contourWindow_->setShadowEnabled(true);
    // Catches changes the panel did not report.
    contourPoll_.start();
}

void EffectPanel::hideContourColorWindow()
{
    if (!contourWindow_)
        return;
    contourWindow_->setShadowEnabled(false);
    contourPoll_.stop();
    contourWindow_->hide();
}

void EffectPanel::placeContourColorWindow()
{
    if (!contourWindow_)
        return;
    const QSize size = contourWindow_->size();
    const QWidget* host = contourWindow_->parentWidget();
    const QWidget* panel = contourAlignTo_ ? contourAlignTo_ : this;
    const int panelX = panel->mapTo(host, QPoint(0, 0)).x();
    const int switchY = contourSwitch_->mapTo(host, QPoint(0, 0)).y();
    const int x = std::max(8, panelX - 12 - size.width());
    int y = std::max(8, switchY - 20);
    if (y + size.height() > host->height() - 8)
        y = host->height() - size.height() - 8;
    contourWindow_->move(x, y);
}

QRgb EffectPanel::contourPanelColor() const
{
    if (!contourWindow_)
        return document_.contourColor.load();
    const ColorPanel* panel = contourWindow_->colorPanel;
    QColor c = panel->color();
    c.setAlpha(platform::Round(255.0 * panel->alphaValue()));
    return c.rgba();
}

void EffectPanel::contourColorChanged()
{
    const QRgb c = contourPanelColor();
    if (c == document_.contourColor.load())
        return;
    document_.contourColor = c;
    emit previewRequested();
}

} // namespace pq
