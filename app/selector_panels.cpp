#include "app/selector_panels.h"

#include "app/panel_host.h"
#include "engine/repository/image_repository.h"
#include "engine/services/texture_overlay.h"
#include "panels/frame_selector.h"
#include "panels/texture_selector.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/document.h"
#include "workspace/frame_composition.h"
#include "workspace/user_dialogs.h"

#include <QPushButton>

namespace pq {

SelectorPanels::SelectorPanels(Document& document, const UserDialogs& dialogs, PanelHost& panels, CanvasArea& canvas,
                               QObject* parent)
    : QObject(parent), document_(document), dialogs_(dialogs), panels_(panels), canvas_(canvas),
      composition_(new FrameComposition(document, this))
{
    composition_->closeOverlay = [this] { panels_.closeOverlay(); };
    composition_->showFramed = [this] {
        canvas_.canvasView()->update();
        canvas_.fitToView();
    };
    composition_->tell = [this](const QString& text) { dialogs_.tell(text); };
}

bool SelectorPanels::mayOpen() const
{
    return !document_.isEffectRunning() && !document_.resultImage.isNull() && !document_.sourceImage.isNull()
           && !(busy && busy()) && !panels_.backdropPanelOpen();
}

void SelectorPanels::showFrameSelector()
{
    if (!mayOpen())
        return;
    panels_.hideScriptEditorForDialog();
    auto* panel = new FrameSelector(Repository().frameList, document_.frame, document_.resultImage);
    panel->tell = [this](const QString& text) { dialogs_.tell(text); };
    connect(panel, &FrameSelector::frameChosen, this, &SelectorPanels::frameChosen);
    connect(panel, &FrameSelector::brushstrokeFrameChosen, this, &SelectorPanels::brushstrokeFrameRequested);
    connect(panel, &FrameSelector::closeRequested, &panels_, &PanelHost::requestCloseOverlay);
    panels_.showOverlayPanel(panel);
    panel->applyButton->setFocus(Qt::OtherFocusReason);
}

void SelectorPanels::frameChosen(const gfx::Image& frame, int margin, QRgb marginColor)
{
    if (!frame.isNull())
        Repository().selectedFrame = frame;
    // Started after the panel's handler has returned.
    QMetaObject::invokeMethod(
        this,
        [this, margin, marginColor] {
            composition_->applySelectedFrame(Repository().selectedFrame, margin, marginColor);
        },
        Qt::QueuedConnection);
}

void SelectorPanels::showTextureSelector()
{
    if (!mayOpen())
        return;
    panels_.hideScriptEditorForDialog();
    auto* panel = new TextureSelector(Repository().textureList, document_.texture, document_.resultImage);
    panel->tell = [this](const QString& text) { dialogs_.tell(text); };
    connect(panel, &TextureSelector::textureChosen, this, &SelectorPanels::applyTexture);
    connect(panel, &TextureSelector::closeRequested, &panels_, &PanelHost::requestCloseOverlay);
    panels_.showOverlayPanel(panel);
    panel->applyButton->setFocus(Qt::OtherFocusReason);
}

void SelectorPanels::applyTexture(const gfx::Image& texture, int strength, float scale)
{
    if (document_.sourceImage.isNull() || document_.resultImage.isNull() || texture.isNull())
        return;
    gfx::Image textured = document_.resultImage;
    ApplyCustomTexture(textured, texture, strength, scale);
    if (textured.isNull())
        return;
    document_.resultImage = textured;
    document_.history->save(document_.resultImage, document_.sourceImage);
    canvas_.canvasView()->update();
}

} // namespace pq
