#include "scripting/script_runner.h"

#include "engine/runtime/effect_abort.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/ui_sync.h"
#include "platform/run_context.h"
#include "platform/ui_bridge.h"
#include "scripting/script_engine.h"
#include "scripting/script_parser.h"

#include <memory>
#include <thread>

namespace pq {
namespace {

std::atomic<int> gScriptWorkers{0};

// Everything one run shares between the UI thread and its worker. The
// images are shared, not copied: they never change.
struct ScriptRun {
    std::vector<ScriptCommand> commands;
    gfx::Image source;
    gfx::Image working;
    ScriptContext context;
    ScriptRunReport report;
    std::shared_ptr<EffectRunContext> effectRun;
    ScriptRunResult result;
};

} // namespace

ScriptDocument::~ScriptDocument() = default;

ScriptRunner::ScriptRunner(ScriptDocument& document, ScriptHost& host, std::atomic<bool>& running)
    : document_(document), host_(host), running_(running)
{
}

int ScriptRunner::workerCount()
{
    return gScriptWorkers.load();
}

bool ScriptRunner::request(const QString& text, ScriptRunReport report)
{
    const auto refuse = [&report](const QString& error) {
        if (report.finish)
            report.finish(error);
        return false;
    };
    if (document_.sourceImage().isNull() || document_.resultImage().isNull())
        return refuse(QStringLiteral("No image loaded"));
    if (running_.load())
        return refuse(QStringLiteral("Please wait for the current effect to finish."));
    const QString busy = document_.busyReason();
    if (!busy.isEmpty())
        return refuse(busy);

    ParsedScript parsed = ParseScriptText(text);
    if (!parsed.ok())
        return refuse(parsed.errors.first());
    if (parsed.commands.empty())
        return refuse(QStringLiteral("Script is empty"));

    auto run = std::make_shared<ScriptRun>();
    run->commands = std::move(parsed.commands);
    run->context = document_.buildContext();
    run->source = document_.sourceImage();
    run->working = document_.resultImage();
    run->report = std::move(report);
    // Begun here, so that a Cancel from now on stops it and one made
    // before (a run still stopping) does not.
    run->effectRun = EffectRunContext::begin(false);
    document_.runStarting();
    running_ = true;

    ScriptDocument& document = document_;
    ScriptHost& host = host_;
    std::atomic<bool>& runningFlag = running_;
    const auto finished = [run, &document, &runningFlag] {
        runningFlag = false;
        if (run->result.ok())
            document.acceptRun(run->result.result, run->result.resultSource);
        run->result.result = {};
        run->result.resultSource = {};
        if (run->report.finish)
            run->report.finish(run->result.error);
        run->context = {};
        document.runEnded();
    };

    gScriptWorkers.fetch_add(1);
    try {
        std::thread([run, &host, finished] {
            {
                platform::ScopedRunContext scope(run->effectRun.get());
                ScriptEngine engine(host);
                engine.setProgress([run](int step, int count, const QString& label) {
                    if (run->report.progress)
                        SyncWithUi([&] { run->report.progress(step, count, label); });
                });
                run->result = engine.run(run->commands, run->source, run->working, run->context);
            }
            run->source = {};
            run->working = {};
            try {
                SyncWithUi(finished);
            } catch (const EAbort&) {
                // The window has gone: nobody is left to tell.
            } catch (...) {
                platform::LogError("ScriptRunner", "hand-back failed");
            }
            gScriptWorkers.fetch_sub(1);
        }).detach();
    } catch (...) {
        gScriptWorkers.fetch_sub(1);
        running_ = false;
        run->result.error = QStringLiteral("Not enough memory");
        finished();
        return false;
    }
    return true;
}

} // namespace pq
