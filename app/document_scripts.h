#pragma once

#include "scripting/script_host.h"
#include "scripting/script_runner.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace pq {

class CanvasArea;
class Document;
class EffectPanel;

// The window's side of running scripts: the document a run starts from and
// hands back to, and the options it changes, shown on the effect panel's
// switches as they change. Owns the runner the editor (and the batch)
// asks. UI thread only.
class DocumentScripts final : public ScriptHost, public ScriptDocument {
public:
    DocumentScripts(Document& document, CanvasArea& canvas, EffectPanel& effects);
    ~DocumentScripts() override;

    ScriptRunner& runner() { return *runner_; }
    // True while a batch runs (set by the batch).
    std::function<bool()> batchRunning;

    // ScriptHost
    gfx::Image displayedResult() const override;
    void showResult(const gfx::Image& image) override;
    void centreView() override;
    bool eraseBackground() const override;
    void setEraseBackground(bool on) override;
    void setDrawContours(bool on) override;
    void setContourColor(QRgb color) override;
    void setLUTFile(const QString& path) override;
    void setEmbeddedLUT(const QString& name) override;

    // ScriptDocument
    gfx::Image sourceImage() const override;
    gfx::Image resultImage() const override;
    QString busyReason() const override;
    ScriptContext buildContext() const override;
    void runStarting() override;
    void acceptRun(const gfx::Image& result, const gfx::Image& source) override;
    void runEnded() override;

private:
    void redraw();

    Document& document_;
    CanvasArea& canvas_;
    EffectPanel& effects_;
    std::unique_ptr<ScriptRunner> runner_;
    // The document a run started on; a run's pictures never reach another.
    uint64_t runGeneration_ = 0;
};

} // namespace pq
