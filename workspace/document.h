#pragma once

#include "engine/runtime/engine_fields.h"
#include "engine/history/image_history.h"
#include "gfx/image.h"
#include "catalogue/parameter_table.h"

#include <QByteArray>
#include <QPointF>
#include <QRgb>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace pq {

// The workspace's shared state without any widget: the document (source
// photo and current result), the busy state that decides whether a command
// may start or the window may close, and the choices effects read.
// Everything is read and written on the UI thread; the fields that workers
// read or write directly are the engine's shared fields (Shared: Cancel,
// FPreviewGeneration, PreviewStartX/Y, PreviewProgress, GlobalBrushCount)
// and a few atomics here.
class TDocument {
public:
    // `shared`: the engine host's fields, so that the window and the engine
    // see the same Cancel and preview state.
    explicit TDocument(std::shared_ptr<EngineFields> shared = std::make_shared<EngineFields>());
    TDocument(const TDocument&) = delete;
    TDocument& operator=(const TDocument&) = delete;

    const std::shared_ptr<EngineFields> Shared;

    // ---- Document ----
    gfx::Image ZIdSourceImage;
    gfx::Image ZIdImage;
    bool FImageDirty = false;
    QString FSourceFileName;
    // The undo history. Every saved snapshot marks the result unsaved and
    // is passed on to OnImageSaved (the gallery).
    const std::unique_ptr<TImageHistory> FHistory;
    TImageSavedEvent OnImageSaved;

    // ---- Busy state ----
    std::atomic<int> FCurrentEffectNumber{-1};
    std::atomic<bool> FScriptRunning{false};
    std::atomic<int> FBackgroundWorkers{0};
    bool FCloseRequested = false;

    // ---- Preview window zoom (origin and progress: Shared) ----
    std::atomic<float> FPreviewZoomFactor{1.0f};

    // ---- Effect choice ----
    int SelectedEffectNumber = 300;
    TParameterTable Params{};

    // ---- Effect options ----
    std::atomic<bool> FEraseBdChecked{true};
    std::atomic<bool> FDrawContourChecked{false};
    std::atomic<QRgb> FContourColor{0xFF000000};
    // The "Add texture" switch (on at start).
    std::atomic<bool> FAddTextureChecked{true};

    // ---- Stored texture ----
    gfx::Image StoredTextureBitmap;
    float StoredTextureStrength = 50.0f;
    float StoredTextureScale = 1.0f;
    int StoredTextureNumber = 1;
    QString StoredTextureName;
    bool StoredTextureIsCustom = false;
    bool StoredTextureSettingsValid = false;

    // ---- Custom brush sheets ----
    bool CustomBrushesOn302 = false;
    bool CustomBrushesOn303 = false;
    bool CustomBrushesOn304 = false;
    gfx::Image CustomBrushBitmap302;
    gfx::Image CustomBrushBitmap303;
    gfx::Image CustomBrushBitmap304;
    int CustomBrushCount304 = 0;

    // ---- LUT choice ----
    QByteArray FLUTData;
    QString FLUTName;
    QString FLUTFilePath;
    bool FReopenManualBrushAfterLUT = false;
    bool FReopenScriptEditorAfterLUT = false;

    // ---- Frame choice ----
    int StoredFrameNumber = 0;
    float StoredFrameSize = 20.0f;
    QRgb StoredFrameColor = 0xFFFFFFFF;
    QString StoredFrameName;
    bool StoredFrameIsCustom = false;
    bool StoredSettingsValid = false;

    // ---- Text and print options ----
    bool FShadowChecked = true;
    bool FOrientationLandscape = false;

    // ---- Manual brush panel, remembered between openings ----
    float FManualBrushSize = 100.0f;
    float FManualBrushSoftness = 50.0f;
    float FManualBrushOpacity = 100.0f;
    QPointF FManualBrushPanelPos{0, 0};

    // ---- Main view ----
    float FZoomFactor = 1.0f;
    QPointF FPanOffset{0, 0};

    // ---- Gallery images, newest first ----
    std::vector<gfx::Image> FGalleryItems;

    // ---- Busy queries ----
    bool IsEffectRunning() const;
    bool IsBackgroundWorkRunning() const;
    bool HasUnsavedChanges() const;

    // A frame or manual-brush worker is about to start; returns the
    // document generation its result belongs to.
    uint64_t BeginBackgroundWorker();
    // A counted worker has handed back; never goes below 0. Then honours
    // a deferred close.
    void EndBackgroundWorker();
    // Performs a close refused earlier once no work runs.
    void HonorDeferredClose();
    // Starts the window's close again (set by the window).
    std::function<void()> OnDeferredClose;

    // ---- Document identity ----
    // Changes whenever the document is replaced or reset; a worker's
    // result is dropped when its generation is no longer current.
    uint64_t DocumentGeneration() const { return generation_.load(); }
    bool IsCurrentDocument(uint64_t generation) const { return generation == generation_.load(); }

    // Open, drop, paste, rotate and gallery choices replace the document;
    // they are refused while an effect runs.
    bool CanReplaceDocument() const { return !IsEffectRunning(); }
    // Makes source and result the new document. Returns false (and changes
    // nothing) while an effect runs.
    bool ReplaceDocument(const gfx::Image& source, const gfx::Image& result);

    // ---- Full reset ----
    enum class TResetResult { Done, Busy, Declined };
    struct TFullResetSteps {
        QString language = QStringLiteral("en");
        // The question; false keeps everything as it is.
        std::function<bool()> confirm;
        // Closes panels, the text tool, the crop and the script editor.
        std::function<void()> closeTools;
        // Brings the controls in line with the reset state.
        std::function<void()> resetControls;
    };
    // Whether the reset asks first: always in English, and in every
    // language when unsaved changes would be lost.
    bool FullResetAsks(const QString& language) const;
    TResetResult FullReset(const TFullResetSteps& steps);

    // The effect choice the program starts with and returns to: the
    // catalogue's defaults, Watercolor selected, the built-in brush count.
    void InitializeEffectChoice();

private:
    void ResetDocumentState();

    std::atomic<uint64_t> generation_{1};
};

} // namespace pq
