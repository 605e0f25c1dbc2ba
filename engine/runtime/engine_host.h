#pragma once

#include "engine/runtime/effect_table.h"
#include "engine/runtime/engine_fields.h"
#include "engine/lut/lut_choice.h"
#include "gfx/image.h"

#include <QRgb>
#include <QSizeF>
#include <QString>

#include <memory>

namespace pq {

class ImageHistory;

// What the effect engine needs of the main window. The window implements it
// (a fake does in tests, HeadlessHost in tools), and installs itself with
// setEngineHost().
//
// Threading contract:
// - Every virtual member is called on the UI thread only. Workers reach them
//   through platform::uiBridge().runSync/post and fetch engineHost() inside
//   that call, so a window that has gone away is simply not called.
// - The fields workers read directly live in `Shared` (atomics).
//
// The names are the main window's: resultImage is the current result,
// sourceImage the photo every effect reads.
//
// How the window drives the engine:
// - Start: platform::uiBridge() made on the UI thread, InitializeEngine(),
//   setEngineHost(this). Destruction: BeginEngineShutdown(),
//   Shared->Cancel.request(), serve UI calls until EffectWorkerCount() is 0
//   (or the wait times out), setEngineHost(nullptr), then free.
// - Apply: ProcessEffect(n, P1..P5, false). Preview timer: the same with
//   true. A preview request (slider, pane zoom or pan) that should stop the
//   running preview increments Shared->previewGeneration.
// - Esc, closing, a full reset, pressing or panning the preview pane:
//   Shared->Cancel.request() stops the running full run, script or stroke;
//   the next run starts fresh, so nothing needs clearing afterwards.
// - Scripts and the manual brush: EffectRunContext::begin(false) on the UI
//   thread when the job starts, platform::ScopedRunContext on its worker,
//   then ProcessEffectOnSurface per effect; IsEffectCancelled between steps.
// - Options: a run takes eraseBackground, drawContours and
//   contourColor on the UI thread when it starts (EffectOptions).
// - LUT choice: lutChoice() hands effect 404 the document's chosen table
//   (file path, data and name). LUTChoice holds the rules that change it:
//   selecting "LUTs" with nothing chosen runs InitEmbeddedLUTs, scripts run
//   it or LoadEmbeddedLUT(name), the chooser's answer goes through
//   OnLUTApplied; the preview timer restarts when they report a change.
// A brush sheet the user loaded for one of the brush effects, with its
// brush count (the impasto effect reads the count).
struct CustomBrushSheet {
    bool on = false;
    gfx::Image sheet;
    int count = 0;
};

class EngineHost {
public:
    EngineHost();
    // A host that shares the given fields (the document's).
    explicit EngineHost(std::shared_ptr<EngineFields> fields);
    virtual ~EngineHost();
    EngineHost(const EngineHost&) = delete;
    EngineHost& operator=(const EngineHost&) = delete;

    // Cancel, previewGeneration, previewX/Y, PreviewProgress,
    // brushCount. Never null; runs keep a reference to it.
    const std::shared_ptr<EngineFields> shared;

    // ---- Document -------------------------------------------------------
    virtual gfx::Image resultImage() const = 0;
    virtual void setResultImage(const gfx::Image& image) = 0;
    virtual gfx::Image sourceImage() const = 0;
    // The undo history; null when there is none.
    virtual ImageHistory* history() = 0;
    // Redraws the main canvas after resultImage changed.
    virtual void redrawCanvas() {}

    // ---- Busy state -----------------------------------------------------
    // -1 when no full run works, else the running effect's number. The engine
    // sets and resets it for its own full runs; the progress bar never does.
    virtual int runningEffect() const = 0;
    virtual void setRunningEffect(int number) = 0;
    // A close deferred while work ran; the engine performs it when its full
    // run ends: closeRequested := false, then Close().
    virtual bool closeRequested() const { return false; }
    virtual void setCloseRequested(bool) {}
    virtual void closeWindow() {}
    // Display name of an effect (for the busy message).
    virtual QString effectName(int number) const;
    // A modal message box. It may run a nested event loop in which timers
    // call ProcessEffect again; the engine calls it holding no lock.
    virtual void showMessage(const QString&) {}

    // ---- Options --------------------------------------------------------
    // "Erase background": the canvas step of full runs starts from white or
    // transparent when on, from resultImage when off.
    virtual bool eraseBackground() const { return true; }
    // "Draw shape contours" of the mosaics and the contour colour (ARGB).
    virtual bool drawContours() const { return false; }
    virtual QRgb contourColor() const { return 0xFF000000; }
    // "Add texture" switch and the stored texture laid over every result of
    // ProcessEffect.
    virtual bool addTexture() const { return false; }
    virtual gfx::Image storedTexture() const { return {}; }
    virtual float storedTextureStrength() const { return 50.0f; }
    virtual float storedTextureScale() const { return 1.0f; }
    // The user's brush sheet that replaces a built-in one (pastel,
    // watercolour or impasto); off unless the user loaded one.
    virtual CustomBrushSheet customBrushSheet(BrushSheetChoice) const { return {}; }
    // True while the manual-brush panel (manualBrushPanel) is open:
    // intermediate images then leave the document alone.
    virtual bool manualBrushOpen() const { return false; }

    // ---- LUT choice -----------------------------------------------------
    // The table effect 404 applies (file path, data and name); each
    // run takes a copy when it starts. Nothing chosen by default.
    virtual LUTChoice lutChoice() const { return {}; }

    // ---- Preview pane ---------------------------------------------------
    // Pane pixels per source pixel.
    virtual float previewZoom() const { return 1.0f; }
    // Size of the preview pane image previewPane; empty when there is none.
    virtual QSizeF previewPaneSize() const { return {}; }
    // Replaces what the pane shows and repaints it. The image is made for the
    // whole pane (see ComposePreviewPane); the pane scales it to its size.
    virtual void showPreview(const gfx::Image&) {}
    // The pane's percent label percentLabel: "<value>%", visible only while
    // 0 < value <= 100. ProcessEffect sets 0 when a new preview supersedes
    // the running one.
    virtual void setPreviewPercent(int) {}

    // ---- Progress bar ---------------------------------------------------
    // Shows 0..100 per cent; any other value (101 by convention) hides the
    // bar. It does not touch runningEffect: only the run that owns the
    // busy state ends it, after its result is stored. Called on the UI
    // thread; workers use pq::UpdateProgressBar, which queues.
    virtual void updateProgressBar(int) {}
};

// Installs the host (UI thread; nullptr removes it, as the window's
// destructor must do). Not owned.
void SetEngineHost(EngineHost* host);

// The installed host, or nullptr. Call it on the UI thread only, inside the
// UI call that uses it.
EngineHost* InstalledEngineHost();

// Whether a host is installed, on any thread: a hint for workers that may
// skip making pictures nobody would be shown (the host may go at any time).
bool EngineHostInstalled();

// The shared fields of the installed host (a process-wide default when none
// is installed). Any thread.
std::shared_ptr<EngineFields> SharedFields();

} // namespace pq
