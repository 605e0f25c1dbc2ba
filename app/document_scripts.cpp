#include "app/document_scripts.h"

#include "engine/repository/image_repository.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/document.h"
#include "workspace/document_host.h"
#include "workspace/effect_panel.h"

namespace pq {

DocumentScripts::DocumentScripts(Document& document, CanvasArea& canvas, EffectPanel& effects)
    : document_(document), canvas_(canvas), effects_(effects),
      runner_(std::make_unique<ScriptRunner>(*this, *this, document.scriptRunning))
{
}

DocumentScripts::~DocumentScripts() = default;

void DocumentScripts::redraw()
{
    canvas_.canvasView()->update();
}

gfx::Image DocumentScripts::displayedResult() const
{
    return document_.resultImage;
}

void DocumentScripts::showResult(const gfx::Image& image)
{
    if (!document_.isCurrentDocument(runGeneration_))
        return;
    document_.resultImage = image;
    redraw();
}

void DocumentScripts::centreView()
{
    canvas_.updateCanvasSize();
    canvas_.centreImage();
    redraw();
}

bool DocumentScripts::eraseBackground() const
{
    return document_.eraseBackground.load();
}

void DocumentScripts::setEraseBackground(bool on)
{
    document_.eraseBackground = on;
    if (ToggleSwitch* erase = effects_.eraseBackgroundSwitch())
        erase->setChecked(on);
}

void DocumentScripts::setDrawContours(bool on)
{
    document_.drawContours = on;
    if (ToggleSwitch* contours = effects_.contourSwitch())
        contours->setChecked(on);
    if (!on)
        effects_.hideContourColorWindow();
}

void DocumentScripts::setContourColor(QRgb color)
{
    document_.contourColor = color;
}

void DocumentScripts::setLUTFile(const QString& path)
{
    ChooseScriptLUTFile(document_.lut, path);
}

void DocumentScripts::setEmbeddedLUT(const QString& name)
{
    ChooseScriptEmbeddedLUT(document_.lut, name);
}

gfx::Image DocumentScripts::sourceImage() const
{
    return document_.sourceImage;
}

gfx::Image DocumentScripts::resultImage() const
{
    return document_.resultImage;
}

QString DocumentScripts::busyReason() const
{
    // A full run or the brushstroke frame holds the running effect.
    const int running = document_.runningEffect.load();
    if (running != -1)
        return QStringLiteral("Please wait for \"") + EffectDisplayName(running) +
               QStringLiteral("\" to finish processing.");
    if (document_.backgroundWorkers.load() > 0 || (batchRunning && batchRunning()))
        return QStringLiteral("Please wait for the current effect to finish.");
    return {};
}

ScriptContext DocumentScripts::buildContext() const
{
    ScriptContextChoices choices;
    choices.storedTexture = document_.texture.image;
    choices.textureStrength = document_.texture.strength;
    choices.textureScale = document_.texture.scale;
    choices.frameSize = document_.frame.size;
    choices.frameColor = document_.frame.color;
    return BuildScriptContext(Repository(), choices);
}

void DocumentScripts::runStarting()
{
    runGeneration_ = document_.documentGeneration();
    canvas_.centreImage();
    redraw();
}

void DocumentScripts::acceptRun(const gfx::Image& result, const gfx::Image& source)
{
    // A photo opened meanwhile stays; the run's result is dropped.
    if (!document_.isCurrentDocument(runGeneration_))
        return;
    document_.resultImage = result;
    if (!source.isNull())
        document_.sourceImage = source;
    document_.history->save(document_.resultImage, document_.sourceImage);
    canvas_.updateCanvasSize();
    redraw();
}

void DocumentScripts::runEnded()
{
    document_.honorDeferredClose();
}

} // namespace pq
