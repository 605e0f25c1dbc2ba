#include "scripting/script_engine.h"

#include "engine/runtime/effect_abort.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/ui_sync.h"
#include "gfx/surface.h"
#include "platform/run_context.h"
#include "scripting/script_failure.h"
#include "scripting/script_host.h"
#include "scripting/script_steps.h"

#include <new>

namespace pq {
namespace {

QString LineError(int line, const QString& text)
{
    return QStringLiteral("Line ") + QString::number(line) + QStringLiteral(": ") + text;
}

const QString kSourceSlot = QStringLiteral("src");
const QString kResultSlot = QStringLiteral("dst");

} // namespace

ScriptEngine::ScriptEngine(ScriptHost& host) : host_(host) {}

ScriptEngine::~ScriptEngine() = default;

void ScriptEngine::onUi(const std::function<void()>& fn)
{
    SyncWithUi(fn);
}

ScriptRunResult ScriptEngine::run(const std::vector<ScriptCommand>& script, const gfx::Image& source,
                                  const gfx::Image& working, const ScriptContext& context)
{
    ScriptRunResult result;
    if (script.empty()) {
        result.error = QStringLiteral("Script is empty");
        return result;
    }
    if (source.isNull() || working.isNull()) {
        result.error = QStringLiteral("No image loaded");
        return result;
    }
    context_ = context;
    slots_.clear();
    slots_[kSourceSlot] = source;
    slots_[kResultSlot] = working;
    working_ = working;
    skipCanvasSyncOnce_ = false;
    text_ = TextState();

    std::shared_ptr<EffectRunContext> own;
    EffectRunContext* run = CurrentRun();
    if (!run) {
        own = EffectRunContext::begin(false);
        run = own.get();
    }
    platform::ScopedRunContext scope(run);

    bool savedErase = true;
    gfx::Image shownAtStart;
    try {
        onUi([&] {
            savedErase = host_.eraseBackground();
            shownAtStart = host_.displayedResult();
        });
    } catch (const EAbort&) {
        result.error = QStringLiteral("Cancelled by user");
        return result;
    }

    int line = 0;
    try {
        const int count = int(script.size());
        for (int i = 0; i < count; ++i) {
            const ScriptCommand& command = script[size_t(i)];
            line = command.lineNumber;
            if (progress_)
                progress_(i + 1, count, ScriptStepText(command));
            if (run->isCancelled())
                throw EAbort();
            execute(command, *run);
        }
        result.result = working_;
        const auto src = slots_.find(kSourceSlot);
        result.resultSource = src != slots_.end() ? src->second : gfx::Image();
    } catch (const EAbort&) {
        result.error = QStringLiteral("Cancelled by user");
    } catch (const ScriptFailure& failure) {
        result.error = LineError(line, failure.message());
    } catch (const std::bad_alloc&) {
        result.error = LineError(line, QStringLiteral("Not enough memory"));
    } catch (const std::exception& e) {
        result.error = LineError(line, QString::fromUtf8(e.what()));
    } catch (...) {
        result.error = LineError(line, QStringLiteral("Unexpected error"));
    }

    const bool failed = !result.ok();
    if (failed) {
        result.result = {};
        result.resultSource = {};
    }
    try {
        onUi([&] {
            host_.setEraseBackground(savedErase);
            if (failed)
                host_.showResult(shownAtStart);
        });
    } catch (const EAbort&) {
        // The window has gone: nothing left to restore.
    }
    working_ = {};
    slots_.clear();
    return result;
}

void ScriptEngine::execute(const ScriptCommand& c, EffectRunContext& run)
{
    using Kind = ScriptCommandKind;
    switch (c.kind) {
    case Kind::Effect: doEffect(c, run); break;
    case Kind::Save: doSave(c); break;
    case Kind::Load: doLoad(c); break;
    case Kind::Swap: doSwap(); break;
    case Kind::Reset: doReset(); break;
    case Kind::Blend: doBlend(c); break;
    case Kind::Texture: doTexture(c); break;
    case Kind::Frame: c.brushstrokesFrame ? doBrushstrokesFrame(c) : doFrame(c); break;
    case Kind::Text: doText(c); break;
    case Kind::Font: doFont(c); break;
    case Kind::Resize: doResize(c); break;
    case Kind::Clear: doClear(c); break;
    case Kind::Contour: doContour(c); break;
    case Kind::LutFile: doLutFile(c); break;
    case Kind::LutEmbedded: doLutEmbedded(c); break;
    case Kind::Enhance: doEnhance(); break;
    }
}

void ScriptEngine::doEffect(const ScriptCommand& c, EffectRunContext& run)
{
    if (working_.isNull())
        throw ScriptFailure(QStringLiteral("No working image for EFFECT"));
    // The effect paints over a copy of the working image, so a number
    // without a routine passes the picture through.
    gfx::Surface surface = gfx::Surface::fromImage(working_);
    if (surface.isNull())
        throw ScriptFailure(QStringLiteral("Could not create surface"));
    // What effects that paint over the result find on display.
    if (skipCanvasSyncOnce_)
        skipCanvasSyncOnce_ = false;
    else
        onUi([&] { host_.showResult(working_); });
    ProcessEffectOnSurface(working_, surface, c.effectNumber, c.p1, c.p2, c.p3, c.p4, c.p5, false);
    // An effect that saw the cancel and returned anyway did not finish.
    if (run.isCancelled())
        throw EAbort();
    gfx::Image painted = surface.snapshot();
    if (painted.isNull())
        throw ScriptFailure(QStringLiteral("Could not create surface"));
    working_ = painted;
}

void ScriptEngine::doSave(const ScriptCommand& c)
{
    if (working_.isNull())
        throw ScriptFailure(QStringLiteral("No working image to SAVE"));
    slots_[c.slotName()] = working_;
}

void ScriptEngine::doLoad(const ScriptCommand& c)
{
    const auto slot = slots_.find(c.slotName());
    if (slot == slots_.end() || slot->second.isNull())
        throw ScriptFailure(QStringLiteral("Slot \"") + c.slotName() + QStringLiteral("\" not found"));
    working_ = slot->second;
}

void ScriptEngine::doSwap()
{
    const auto src = slots_.find(kSourceSlot);
    const gfx::Image previous = src != slots_.end() ? src->second : gfx::Image();
    slots_[kSourceSlot] = working_;
    slots_[kResultSlot] = previous;
}

void ScriptEngine::doReset()
{
    const auto src = slots_.find(kSourceSlot);
    if (src == slots_.end() || src->second.isNull())
        throw ScriptFailure(QStringLiteral("\"src\" slot not found (should never happen)"));
    if (!working_.isNull()) {
        onUi([&] { host_.showResult(working_); });
        skipCanvasSyncOnce_ = true;
    }
    working_ = src->second;
}

void ScriptEngine::doClear(const ScriptCommand& c)
{
    onUi([&] { host_.setEraseBackground(c.p1 == 1); });
}

void ScriptEngine::doContour(const ScriptCommand& c)
{
    onUi([&] {
        host_.setDrawContours(c.p1 == 1);
        if (c.p1 == 1)
            host_.setContourColor(c.contourColor);
    });
}

void ScriptEngine::doLutFile(const ScriptCommand& c)
{
    onUi([&] { host_.setLUTFile(c.lutFilePath()); });
}

void ScriptEngine::doLutEmbedded(const ScriptCommand& c)
{
    onUi([&] { host_.setEmbeddedLUT(c.lutEmbeddedName()); });
}

} // namespace pq
