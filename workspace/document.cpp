#include "workspace/document.h"

namespace pq {

Document::Document(std::shared_ptr<EngineFields> shared)
    : Shared(shared ? std::move(shared) : std::make_shared<EngineFields>()), history(std::make_unique<ImageHistory>())
{
    history->SetOnImageSaved([this](const gfx::Image& display, const gfx::Image& source, bool sourceChanged) {
        unsavedChanges = true;
        if (onImageSaved)
            onImageSaved(display, source, sourceChanged);
    });
}

bool Document::IsEffectRunning() const
{
    return runningEffect.load() != -1;
}

bool Document::IsBackgroundWorkRunning() const
{
    return IsEffectRunning() || scriptRunning.load() || backgroundWorkers.load() > 0;
}

bool Document::HasUnsavedChanges() const
{
    return unsavedChanges && !resultImage.isNull();
}

uint64_t Document::BeginBackgroundWorker()
{
    backgroundWorkers.fetch_add(1);
    return DocumentGeneration();
}

void Document::EndBackgroundWorker()
{
    if (backgroundWorkers.load() > 0)
        backgroundWorkers.fetch_sub(1);
    HonorDeferredClose();
}

void Document::HonorDeferredClose()
{
    if (!closeRequested || IsBackgroundWorkRunning())
        return;
    closeRequested = false;
    if (onDeferredClose)
        onDeferredClose();
}

bool Document::ReplaceDocument(const gfx::Image& source, const gfx::Image& result)
{
    if (!CanReplaceDocument())
        return false;
    sourceImage = source;
    resultImage = result;
    generation_.fetch_add(1);
    return true;
}

bool Document::fullResetAsks(const QString& language) const
{
    return language == QLatin1String("en") || HasUnsavedChanges();
}

Document::ResetResult Document::fullReset(const FullResetSteps& steps)
{
    if (IsBackgroundWorkRunning())
        return ResetResult::Busy;
    if (fullResetAsks(steps.language) && steps.confirm && !steps.confirm())
        return ResetResult::Declined;
    // The question runs an event loop: work may have started meanwhile.
    if (IsBackgroundWorkRunning())
        return ResetResult::Busy;

    // Stops what a tool may still have running; runs started later begin
    // with a fresh cancel state, so nothing needs clearing afterwards.
    Shared->Cancel.request();
    if (steps.closeTools)
        steps.closeTools();
    ResetDocumentState();
    if (steps.resetControls)
        steps.resetControls();
    return ResetResult::Done;
}

void Document::InitializeEffectChoice()
{
    InitializeParameters(params);
    selectedEffect = 300;
    Shared->brushCount = 40;
}

void Document::ResetDocumentState()
{
    history->Clear();
    unsavedChanges = false;
    resultImage = {};
    sourceImage = {};
    sourceFileName.clear();
    galleryItems.clear();
    generation_.fetch_add(1);

    InitializeEffectChoice();

    storedFrameNumber = 0;
    storedFrameName.clear();
    storedFrameSize = 20.0f;
    storedFrameColor = 0xFFFFFFFF;

    storedTextureNumber = 1;
    storedTextureStrength = 50.0f;
    storedTextureScale = 1.0f;
    storedTexture = {};

    lutData.clear();
    lutName.clear();
    lutFilePath.clear();

    CustomBrushesOn302 = false;
    CustomBrushesOn303 = false;
    CustomBrushesOn304 = false;
    CustomBrushBitmap302 = {};
    CustomBrushBitmap303 = {};
    CustomBrushBitmap304 = {};
    CustomBrushCount304 = 0;

    zoom = 1.0f;
    pan = QPointF(0, 0);
}

} // namespace pq
