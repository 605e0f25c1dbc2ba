#pragma once

#include "engine/runtime/engine_host.h"
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
// previewGeneration, previewX/Y, PreviewProgress, brushCount)
// and a few atomics here.
class Document {
public:
    // `shared`: the engine host's fields, so that the window and the engine
    // see the same Cancel and preview state.
    explicit Document(std::shared_ptr<EngineFields> shared = std::make_shared<EngineFields>());
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::shared_ptr<EngineFields> shared;

    // ---- Document ----
    gfx::Image sourceImage;
    gfx::Image resultImage;
    bool unsavedChanges = false;
    QString sourceFileName;
    // The undo history. Every saved snapshot marks the result unsaved and
    // is passed on to onImageSaved (the gallery).
    const std::unique_ptr<ImageHistory> history;
    ImageSavedEvent onImageSaved;

    // ---- Busy state ----
    std::atomic<int> runningEffect{-1};
    std::atomic<bool> scriptRunning{false};
    std::atomic<int> backgroundWorkers{0};
    bool closeRequested = false;

    // ---- Preview window zoom (origin and progress: Shared) ----
    std::atomic<float> previewZoom{1.0f};

    // ---- Effect choice ----
    int selectedEffect = 300;
    ParameterTable params{};

    // ---- Effect options ----
    std::atomic<bool> eraseBackground{true};
    std::atomic<bool> drawContours{false};
    std::atomic<QRgb> contourColor{0xFF000000};
    // The "Add texture" switch (on at start).
    std::atomic<bool> addTexture{true};

    // ---- Stored texture, laid over results while "Add texture" is on ----
    struct TextureChoice {
        gfx::Image image;
        float strength = 50.0f;
        float scale = 1.0f;
        int number = 1;
        QString name;
        bool isCustom = false;
        bool settingsValid = false;
    };
    TextureChoice texture;

    // ---- Custom brush sheets ----
    CustomBrushSheet pastelSheet;
    CustomBrushSheet watercolorSheet;
    CustomBrushSheet impastoSheet;
    // The user's sheet that replaces a built-in one; nullptr for the
    // effects that take none of their own.
    CustomBrushSheet* customSheet(BrushSheetChoice choice);
    const CustomBrushSheet* customSheet(BrushSheetChoice choice) const;

    // ---- LUT choice ----
    LUTChoice lut;
    bool reopenManualBrushAfterLUT = false;
    bool reopenScriptEditorAfterLUT = false;

    // ---- Frame choice ----
    struct FrameChoice {
        int number = 0;
        float size = 20.0f;
        QRgb color = 0xFFFFFFFF;
        QString name;
        bool isCustom = false;
        bool settingsValid = false;
    };
    FrameChoice frame;

    // ---- Text and print options ----
    bool textShadow = true;
    bool printLandscape = false;

    // ---- Manual brush panel, remembered between openings ----
    struct BrushPanelSettings {
        float size = 100.0f;
        float softness = 50.0f;
        float opacity = 100.0f;
        QPointF panelPos{0, 0};
    };
    BrushPanelSettings manualBrush;

    // ---- Main view ----
    float zoom = 1.0f;
    QPointF pan{0, 0};

    // ---- Gallery images, newest first ----
    std::vector<gfx::Image> galleryItems;

    // ---- Busy queries ----
    bool isEffectRunning() const;
    bool isBackgroundWorkRunning() const;
    bool hasUnsavedChanges() const;

    // A frame or manual-brush worker is about to start; returns the
    // document generation its result belongs to.
    uint64_t beginBackgroundWorker();
    // A counted worker has handed back; never goes below 0. Then honours
    // a deferred close.
    void endBackgroundWorker();
    // Performs a close refused earlier once no work runs.
    void honorDeferredClose();
    // Starts the window's close again (set by the window).
    std::function<void()> onDeferredClose;

    // ---- Document identity ----
    // Changes whenever the document is replaced or reset; a worker's
    // result is dropped when its generation is no longer current.
    uint64_t documentGeneration() const { return generation_.load(); }
    bool isCurrentDocument(uint64_t generation) const { return generation == generation_.load(); }

    // Open, drop, paste, rotate and gallery choices replace the document;
    // they are refused while an effect runs.
    bool canReplaceDocument() const { return !isEffectRunning(); }
    // Makes source and result the new document. Returns false (and changes
    // nothing) while an effect runs.
    bool replaceDocument(const gfx::Image& source, const gfx::Image& result);

    // ---- Full reset ----
    enum class ResetResult { Done, Busy, Declined };
    struct FullResetSteps {
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
    bool fullResetAsks(const QString& language) const;
    ResetResult fullReset(const FullResetSteps& steps);

    // The effect choice the program starts with and returns to: the
    // catalogue's defaults, Watercolor selected, the built-in brush count.
    void initializeEffectChoice();

private:
    void resetDocumentState();

    std::atomic<uint64_t> generation_{1};
};

} // namespace pq
