#include "workspace/document.h"

namespace pq {

Document::Document(std::shared_ptr<EngineFields> shared)
    : shared(shared ? std::move(shared) : std::make_shared<EngineFields>()), history(std::make_unique<ImageHistory>())
{
    gallery.setBytesLookup([h = history.get()](const gfx::Image& image) { return h->encodedBytesOf(image.id()); });
    history->setOnImageSaved([this](const gfx::Image& display, const gfx::Image& source, bool sourceChanged) {
        unsavedChanges = true;
        if (onImageSaved)
            onImageSaved(display, source, sourceChanged);
    });
}

CustomBrushSheet* Document::customSheet(BrushSheetChoice choice)
{
    switch (choice) {
    case BrushSheetChoice::Pastel: return &pastelSheet;
    case BrushSheetChoice::Watercolor: return &watercolorSheet;
    case BrushSheetChoice::Impasto: return &impastoSheet;
    default: return nullptr;
    }
}

const CustomBrushSheet* Document::customSheet(BrushSheetChoice choice) const
{
    return const_cast<Document*>(this)->customSheet(choice);
}

bool Document::isEffectRunning() const
{
    return runningEffect.load() != -1;
}

bool Document::isBackgroundWorkRunning() const
{
    return isEffectRunning() || scriptRunning.load() || backgroundWorkers.load() > 0;
}

bool Document::hasUnsavedChanges() const
{
    return unsavedChanges && !resultImage.isNull();
}

uint64_t Document::beginBackgroundWorker()
{
    backgroundWorkers.fetch_add(1);
    return documentGeneration();
}

void Document::endBackgroundWorker()
{
    if (backgroundWorkers.load() > 0)
        backgroundWorkers.fetch_sub(1);
    honorDeferredClose();
}

void Document::honorDeferredClose()
{
    if (!closeRequested || isBackgroundWorkRunning())
        return;
    closeRequested = false;
    if (onDeferredClose)
        onDeferredClose();
}

bool Document::replaceDocument(const gfx::Image& source, const gfx::Image& result)
{
    if (!canReplaceDocument())
        return false;
    sourceImage = source;
    resultImage = result;
    generation_.fetch_add(1);
    if (onImagesReplaced)
        onImagesReplaced();
    return true;
}

bool Document::fullResetAsks(const QString& language) const
{
    return language == QLatin1String("en") || hasUnsavedChanges();
}

Document::ResetResult Document::fullReset(const FullResetSteps& steps)
{
    if (isBackgroundWorkRunning())
        return ResetResult::Busy;
    if (fullResetAsks(steps.language) && steps.confirm && !steps.confirm())
        return ResetResult::Declined;
    // The question runs an event loop: work may have started meanwhile.
    if (isBackgroundWorkRunning())
        return ResetResult::Busy;

    // Stops what a tool may still have running; runs started later begin
    // with a fresh cancel state, so nothing needs clearing afterwards.
    shared->cancel.request();
    if (steps.closeTools)
        steps.closeTools();
    resetDocumentState();
    if (steps.resetControls)
        steps.resetControls();
    return ResetResult::Done;
}

void Document::initializeEffectChoice()
{
    InitializeParameters(params);
    selectedEffect = 300;
    shared->brushCount = 40;
}

void Document::resetDocumentState()
{
    history->clear();
    unsavedChanges = false;
    resultImage = {};
    sourceImage = {};
    sourceFileName.clear();
    gallery.clear();
    generation_.fetch_add(1);

    initializeEffectChoice();

    frame.number = 0;
    frame.name.clear();
    frame.size = 20.0f;
    frame.color = 0xFFFFFFFF;

    texture.number = 1;
    texture.strength = 50.0f;
    texture.scale = 1.0f;
    texture.image = {};

    lut.clear();

    pastelSheet = {};
    watercolorSheet = {};
    impastoSheet = {};

    zoom = 1.0f;
    pan = QPointF(0, 0);
}

} // namespace pq
