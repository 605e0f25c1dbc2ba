#pragma once

#include "gfx/image.h"
#include "scripting/script_context.h"

#include <QString>

#include <atomic>
#include <functional>

namespace pq {

class ScriptHost;

// The document side of running a script on the current image: what a run
// starts from and what a successful run hands back. UI thread only.
class ScriptDocument {
public:
    virtual ~ScriptDocument();

    virtual gfx::Image sourceImage() const = 0;
    virtual gfx::Image resultImage() const = 0;
    // Why no script may start now (a full effect run, the brushstroke
    // frame, a batch); empty when one may.
    virtual QString busyReason() const = 0;
    // The frames, textures and defaults of a run.
    virtual ScriptContext buildContext() const = 0;
    // Just before the worker starts.
    virtual void runStarting() {}
    // A run that succeeded: `result` becomes the current result and, when
    // not null, `source` the source photo; one history entry.
    virtual void acceptRun(const gfx::Image& result, const gfx::Image& source) = 0;
    // After the end of every run that started (a close deferred meanwhile).
    virtual void runEnded() {}
};

// Where a run reports: the editor. Both are called on the UI thread.
struct ScriptRunReport {
    // Before each command: 1-based step, count, the step's text.
    std::function<void(int step, int count, const QString& text)> progress;
    // The end of the request: empty after success, else the message.
    std::function<void(const QString& error)> finish;
};

// Runs a script over the current document on a worker thread of its own.
// Every request ends with exactly one call of its report's finish: at once
// when no run starts (no image, a script or other work running, parse
// errors, an empty script), else from the UI-thread hand-back. The
// document and host must outlive every run: the window waits for
// `running` to clear before it frees them.
class ScriptRunner {
public:
    // `running`: the window's flag that a script runs (shared with the
    // batch); set while a run of this runner works.
    ScriptRunner(ScriptDocument& document, ScriptHost& host, std::atomic<bool>& running);

    // Parses `text` and starts it; true when a run started. UI thread.
    bool request(const QString& text, ScriptRunReport report);

    bool running() const { return running_.load(); }

    // Worker threads of runs that have not ended yet (all runners).
    static int workerCount();

private:
    ScriptDocument& document_;
    ScriptHost& host_;
    std::atomic<bool>& running_;
};

} // namespace pq
