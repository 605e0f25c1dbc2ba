#include "workspace/document.h"

namespace pq {

TDocument::TDocument(std::shared_ptr<EngineFields> shared)
    : Shared(shared ? std::move(shared) : std::make_shared<EngineFields>()), FHistory(std::make_unique<TImageHistory>())
{
    FHistory->SetOnImageSaved([this](const gfx::Image& display, const gfx::Image& source, bool sourceChanged) {
        FImageDirty = true;
        if (OnImageSaved)
            OnImageSaved(display, source, sourceChanged);
    });
}

bool TDocument::IsEffectRunning() const
{
    return FCurrentEffectNumber.load() != -1;
}

bool TDocument::IsBackgroundWorkRunning() const
{
    return IsEffectRunning() || FScriptRunning.load() || FBackgroundWorkers.load() > 0;
}

bool TDocument::HasUnsavedChanges() const
{
    return FImageDirty && !ZIdImage.isNull();
}

uint64_t TDocument::BeginBackgroundWorker()
{
    FBackgroundWorkers.fetch_add(1);
    return DocumentGeneration();
}

void TDocument::EndBackgroundWorker()
{
    if (FBackgroundWorkers.load() > 0)
        FBackgroundWorkers.fetch_sub(1);
    HonorDeferredClose();
}

void TDocument::HonorDeferredClose()
{
    if (!FCloseRequested || IsBackgroundWorkRunning())
        return;
    FCloseRequested = false;
    if (OnDeferredClose)
        OnDeferredClose();
}

bool TDocument::ReplaceDocument(const gfx::Image& source, const gfx::Image& result)
{
    if (!CanReplaceDocument())
        return false;
    ZIdSourceImage = source;
    ZIdImage = result;
    generation_.fetch_add(1);
    return true;
}

bool TDocument::FullResetAsks(const QString& language) const
{
    return language == QLatin1String("en") || HasUnsavedChanges();
}

TDocument::TResetResult TDocument::FullReset(const TFullResetSteps& steps)
{
    if (IsBackgroundWorkRunning())
        return TResetResult::Busy;
    if (FullResetAsks(steps.language) && steps.confirm && !steps.confirm())
        return TResetResult::Declined;
    // The question runs an event loop: work may have started meanwhile.
    if (IsBackgroundWorkRunning())
        return TResetResult::Busy;

    // Stops what a tool may still have running; runs started later begin
    // with a fresh cancel state, so nothing needs clearing afterwards.
    Shared->Cancel.request();
    if (steps.closeTools)
        steps.closeTools();
    ResetDocumentState();
    if (steps.resetControls)
        steps.resetControls();
    return TResetResult::Done;
}

void TDocument::InitializeEffectChoice()
{
    InitializeParameters(Params);
    SelectedEffectNumber = 300;
    Shared->GlobalBrushCount = 40;
}

void TDocument::ResetDocumentState()
{
    FHistory->Clear();
    FImageDirty = false;
    ZIdImage = {};
    ZIdSourceImage = {};
    FSourceFileName.clear();
    FGalleryItems.clear();
    generation_.fetch_add(1);

    InitializeEffectChoice();

    StoredFrameNumber = 0;
    StoredFrameName.clear();
    StoredFrameSize = 20.0f;
    StoredFrameColor = 0xFFFFFFFF;

    StoredTextureNumber = 1;
    StoredTextureStrength = 50.0f;
    StoredTextureScale = 1.0f;
    StoredTextureBitmap = {};

    FLUTData.clear();
    FLUTName.clear();
    FLUTFilePath.clear();

    CustomBrushesOn302 = false;
    CustomBrushesOn303 = false;
    CustomBrushesOn304 = false;
    CustomBrushBitmap302 = {};
    CustomBrushBitmap303 = {};
    CustomBrushBitmap304 = {};
    CustomBrushCount304 = 0;

    FZoomFactor = 1.0f;
    FPanOffset = QPointF(0, 0);
}

} // namespace pq
