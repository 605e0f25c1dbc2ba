#pragma once

#include "gfx/image.h"
#include "scripting/script_command.h"
#include "scripting/script_context.h"

#include <QString>

#include <functional>
#include <map>
#include <vector>

namespace pq {

class EffectRunContext;
class ScriptHost;

// How a script run ended. On success `result` is the final working image and
// `resultSource` the image in slot "src" (the source photo, or what SWAP or
// SAVE src made of it); otherwise both are null and `error` says why:
// "Script is empty", "No image loaded", "Cancelled by user" or
// "Line N: <failure>".
struct ScriptRunResult {
    gfx::Image result;
    gfx::Image resultSource;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Runs a parsed script over a working image and named slots ("src" the
// source photo, "dst" the result it starts from). One engine serves one
// run, on a worker thread; the UI thread must keep serving UI calls
// meanwhile. The engine changes window state only through the host, in
// synchronous UI calls: the picture on display (before each EFFECT but the
// first after RESET, at RESET, after RESIZE), "Erase background" (restored
// when the run ends, however it ends), the contour option and the LUT
// choice (kept). A run that fails or is cancelled puts back the picture
// that was on display when it started.
//
// The run uses the calling thread's EffectRunContext when it has one (begin
// it on the UI thread when the run is asked for, so a later Cancel stops
// it), else one begun now. It stops with "Cancelled by user" when that run
// is cancelled: tested before every command and after every effect.
class ScriptEngine {
public:
    // Called on the worker before each command: 1-based step, count, text.
    using Progress = std::function<void(int step, int count, const QString& text)>;

    explicit ScriptEngine(ScriptHost& host);
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    void setProgress(Progress progress) { progress_ = std::move(progress); }

    ScriptRunResult run(const std::vector<ScriptCommand>& script, const gfx::Image& source,
                        const gfx::Image& working, const ScriptContext& context);

private:
    // The text settings of TEXT, changed by FONT; reset for every run.
    struct TextState {
        QString family = QStringLiteral("Arial");
        float size = 24.0f;
        int weight = 400;
        bool italic = false;
        QRgb color = 0xFFFFFFFF;
    };

    void runCommands(const std::vector<ScriptCommand>& script, EffectRunContext& run);
    void execute(const ScriptCommand& command, EffectRunContext& run);
    void doEffect(const ScriptCommand& command, EffectRunContext& run);
    void doSave(const ScriptCommand& command);
    void doLoad(const ScriptCommand& command);
    void doSwap();
    void doReset();
    void doBlend(const ScriptCommand& command);
    void doTexture(const ScriptCommand& command);
    void doFrame(const ScriptCommand& command);
    void doBrushstrokesFrame(const ScriptCommand& command);
    void doText(const ScriptCommand& command);
    void doFont(const ScriptCommand& command);
    void doResize(const ScriptCommand& command);
    void doClear(const ScriptCommand& command);
    void doContour(const ScriptCommand& command);
    void doLutFile(const ScriptCommand& command);
    void doLutEmbedded(const ScriptCommand& command);
    void doEnhance();

    // Runs fn on the UI thread and waits for it (EAbort when the UI is gone).
    static void onUi(const std::function<void()>& fn);

    ScriptHost& host_;
    Progress progress_;
    gfx::Image working_;
    std::map<QString, gfx::Image> slots_;
    TextState text_;
    ScriptContext context_;
    bool skipCanvasSyncOnce_ = false;
};

} // namespace pq
