#include "tools/pq_render/render_batch.h"

#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/headless_host.h"
#include "gfx/codec.h"
#include "platform/ui_bridge.h"
#include "scripting/batch_controller.h"
#include "scripting/batch_script_choice.h"
#include "scripting/headless_script_host.h"
#include "scripting/script_context.h"
#include "scripting/script_runner.h"
#include "tools/pq_render/render_script.h"
#include "workspace/image_files.h"

#include <QFileInfo>

#include <atomic>
#include <new>
#include <optional>

namespace {

void PrintLine(FILE* out, const QString& text)
{
    std::fprintf(out, "%s\n", text.toUtf8().constData());
    std::fflush(out);
}

// A freshly started program's host whose message boxes are printed.
class BatchHost : public pq::HeadlessHost {
public:
    explicit BatchHost(FILE* out) : out_(out) {}
    void showMessage(const QString& text) override { PrintLine(out_, text); }

private:
    FILE* out_;
};

// The document a script step runs on: the host's images, no history.
class BatchScriptDocument : public pq::ScriptDocument {
public:
    explicit BatchScriptDocument(pq::HeadlessHost& host) : host_(host) {}
    gfx::Image sourceImage() const override { return host_.source; }
    gfx::Image resultImage() const override { return host_.result; }
    QString busyReason() const override { return {}; }
    pq::ScriptContext buildContext() const override
    {
        pq::ScriptContextChoices choices;
        choices.storedTexture = host_.texture;
        return pq::BuildScriptContext(pq::Repository(), choices);
    }
    void acceptRun(const gfx::Image& result, const gfx::Image& source) override
    {
        host_.result = result;
        if (!source.isNull())
            host_.source = source;
    }

private:
    pq::HeadlessHost& host_;
};

pq::BatchStepEnd ScriptStepEnd(const QString& error)
{
    if (error.isEmpty())
        return {};
    if (error == QLatin1String("Cancelled by user"))
        return {pq::BatchStepEnd::Outcome::Cancelled, {}};
    return {pq::BatchStepEnd::Outcome::Failed, error};
}

pq::BatchStepEnd EffectStepEnd(const pq::EffectRunEnd& end)
{
    switch (end.outcome) {
    case pq::EffectRunEnd::Outcome::Done: return {};
    case pq::EffectRunEnd::Outcome::Cancelled: return {pq::BatchStepEnd::Outcome::Cancelled, {}};
    case pq::EffectRunEnd::Outcome::Failed: break;
    }
    return {pq::BatchStepEnd::Outcome::Failed, end.message};
}

// Runs the batch: the effect, or the script when one is given.
int RunBatch(int number, const int (&values)[5], const std::optional<QString>& scriptText,
             const QStringList& files, FILE* out)
{
    auto* bridge = dynamic_cast<platform::ManualUiBridge*>(&platform::CurrentUiBridge());
    if (!bridge)
        return 1;
    BatchHost host(out);
    host.lut.initEmbeddedLUTs();
    host.texture = pq::StartupTexture(pq::Repository());
    host.textureOn = !host.texture.isNull();
    pq::HeadlessScriptHost scriptHost(host);
    BatchScriptDocument document(host);
    std::atomic<bool> scriptRunning{false};
    pq::ScriptRunner runner(document, scriptHost, scriptRunning);
    pq::SetEngineHost(&host);

    pq::BatchController* controllerRef = nullptr;
    pq::BatchPorts ports;
    ports.load = [&host](const QString& file, std::function<void(const QString&)> done) {
        gfx::Image image;
        try {
            image = gfx::DecodeFile(file);
        } catch (const std::bad_alloc&) {
            done(QStringLiteral("Image too large for available memory: ") + file);
            return;
        }
        if (image.isNull()) {
            done(QStringLiteral("Failed to load image: ") + file);
            return;
        }
        host.source = image;
        host.result = image;
        done({});
    };
    ports.startStep = [&] {
        if (scriptText) {
            runner.request(*scriptText, {{}, [&controllerRef](const QString& error) {
                                             controllerRef->stepFinished(ScriptStepEnd(error));
                                         }});
            return;
        }
        pq::ProcessEffect(number, values[0], values[1], values[2], values[3], values[4],
                          [&controllerRef](const pq::EffectRunEnd& end) {
                              controllerRef->stepFinished(EffectStepEnd(end));
                          });
    };
    ports.save = [&host](const QString& output, std::function<void(const QString&)> done) {
        QString error;
        if (!pq::SaveImageTo(host.result, output, &error))
            done(error.isEmpty() ? QStringLiteral("cannot write the file") : error);
        else
            done({});
    };
    ports.showProgress = [out](const QString& text) { PrintLine(out, text); };
    ports.showNotice = [out](const QString& text) { PrintLine(out, text); };
    ports.showMessage = [out](const QString& text) { PrintLine(out, text); };
    pq::BatchController controller(std::move(ports));
    controllerRef = &controller;

    controller.start(files);
    while (controller.running())
        bridge->pumpUntil([&] { return !controller.running(); }, 200);
    // Workers still handing back (a step's last UI call).
    bridge->pumpUntil([] { return pq::EffectWorkerCount() == 0 && pq::ScriptRunner::workerCount() == 0; }, 5000);
    pq::SetEngineHost(nullptr);
    // A shell script can tell a batch that left files out.
    return controller.processed() == controller.fileCount() ? 0 : 1;
}

} // namespace

int RenderBatchEffect(int number, const int (&values)[5], const QStringList& files, FILE* out)
{
    return RunBatch(number, values, std::nullopt, files, out);
}

int RenderBatchScript(const QString& script, const QStringList& files, FILE* out, FILE* err)
{
    QString text, error;
    if (!ReadScriptSource(script, text, &error)) {
        std::fprintf(err, "pq-render: cannot read '%s': %s\n", script.toUtf8().constData(),
                     error.toUtf8().constData());
        return 1;
    }
    QString name = QFileInfo(script).fileName();
    if (script.startsWith(QLatin1String("builtin:")))
        name = script.mid(8).replace(u'_', u' ');
    const pq::BatchScriptChoice choice = pq::ChooseBatchScript(name, text);
    PrintLine(out, choice.message);
    // A script with errors leaves the effect; pq-render has none chosen.
    if (!choice.chosen)
        return 1;
    // Comments only: the window runs the current effect, here the one a
    // started program selects, with its start values.
    constexpr int kStartEffect = 300;
    int values[5] = {};
    if (const pq::EffectDefinition* effect = pq::FindEffectDefinition(kStartEffect))
        for (int i = 0; i < 5; ++i)
            values[i] = effect->sliderDefaults[size_t(i)];
    return RunBatch(kStartEffect, values, choice.runsScript ? std::optional<QString>(text) : std::nullopt, files, out);
}
