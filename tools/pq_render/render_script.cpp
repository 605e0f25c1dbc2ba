#include "tools/pq_render/render_script.h"

#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/headless_host.h"
#include "gfx/codec.h"
#include "platform/run_context.h"
#include "platform/ui_bridge.h"
#include "scripting/headless_script_host.h"
#include "scripting/script_context.h"
#include "scripting/script_engine.h"
#include "scripting/script_library.h"
#include "scripting/script_reference.h"
#include "scripting/script_parser.h"
#include "scripting/script_text.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace {

int Fail(FILE* err, const QString& message)
{
    std::fprintf(err, "pq-render: %s\n", message.toUtf8().constData());
    std::fflush(err);
    return 1;
}

// Reads and parses the script; prints why it cannot run.
std::optional<pq::ParsedScript> LoadScript(const QString& file, FILE* err)
{
    QString text, error;
    if (!ReadScriptSource(file, text, &error)) {
        Fail(err, QStringLiteral("cannot read '%1': %2").arg(file, error));
        return std::nullopt;
    }
    pq::ParsedScript parsed = pq::ParseScriptText(text);
    for (const QString& line : parsed.errors)
        std::fprintf(err, "%s\n", line.toUtf8().constData());
    std::fflush(err);
    if (!parsed.ok())
        return std::nullopt;
    return parsed;
}

void Print(FILE* out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
    std::fflush(out);
}

constexpr const char* kBuiltInPrefix = "builtin:";

} // namespace

bool ReadScriptSource(const QString& file, QString& text, QString* error)
{
    if (!file.startsWith(QLatin1String(kBuiltInPrefix)))
        return pq::ReadScriptFile(file, text, error);
    QString name = file.mid(int(std::strlen(kBuiltInPrefix)));
    name.replace(u'_', u' ');
    for (const pq::ScriptEntry& entry : pq::LoadBuiltInScripts()) {
        if (entry.name == name) {
            text = entry.text;
            return true;
        }
    }
    if (error)
        *error = QStringLiteral("no built-in script of that name (see --list-scripts)");
    return false;
}

int ListBuiltInScripts(FILE* out)
{
    QString names;
    for (const pq::ScriptEntry& entry : pq::LoadBuiltInScripts())
        names += entry.name + u'\n';
    Print(out, names);
    return 0;
}

int PrintBuiltInScript(const QString& name, FILE* out, FILE* err)
{
    QString text, error;
    if (!ReadScriptSource(QLatin1String(kBuiltInPrefix) + name, text, &error))
        return Fail(err, QStringLiteral("'%1': %2").arg(name, error));
    if (!text.endsWith(u'\n'))
        text += u'\n';
    Print(out, text);
    return 0;
}

int PrintScriptReference(FILE* out)
{
    Print(out, pq::BuildHelpText().text() + u'\n');
    return 0;
}

int CheckScriptFile(const QString& file, FILE* err)
{
    return LoadScript(file, err) ? 0 : 1;
}

int RenderScriptFile(const QString& file, const QString& input, const QString& output,
                     std::optional<uint32_t> seed, FILE* err)
{
    const std::optional<pq::ParsedScript> script = LoadScript(file, err);
    if (!script)
        return 1;
    const gfx::ImageFormat format = gfx::FormatFromExtension(output);
    if (format != gfx::ImageFormat::Jpeg && format != gfx::ImageFormat::Png && format != gfx::ImageFormat::WebP &&
        format != gfx::ImageFormat::Bmp)
        return Fail(err, QStringLiteral("cannot write '%1': use .png, .jpg, .webp or .bmp").arg(output));
    QString error;
    const gfx::Image photo = gfx::DecodeFile(input, &error);
    if (photo.isNull())
        return Fail(err, QStringLiteral("cannot read '%1': %2").arg(input, error));
    auto* bridge = dynamic_cast<platform::ManualUiBridge*>(&platform::CurrentUiBridge());
    if (!bridge)
        return Fail(err, QStringLiteral("no UI bridge to serve the script's calls"));

    // A freshly started program: the photo as source and result, erase
    // background on, contours off, the first built-in LUT, the start-up
    // texture and frame.
    pq::HeadlessHost host;
    host.source = photo;
    host.result = photo;
    host.lut.initEmbeddedLUTs();
    pq::HeadlessScriptHost scriptHost(host);
    pq::ScriptContextChoices choices;
    choices.storedTexture = pq::StartupTexture(pq::Repository());
    const pq::ScriptContext context = pq::BuildScriptContext(pq::Repository(), choices);
    pq::SetEngineHost(&host);

    const std::shared_ptr<pq::EffectRunContext> run = pq::EffectRunContext::begin(false);
    if (seed)
        run->rng.setSeed(*seed);
    pq::ScriptRunResult result;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        platform::ScopedRunContext scope(run.get());
        pq::ScriptEngine engine(scriptHost);
        result = engine.run(script->commands, photo, photo, context);
        done = true;
    });
    while (!done)
        bridge->pumpUntil([&] { return done.load(); }, 200);
    worker.join();
    bridge->pump();
    pq::SetEngineHost(nullptr);

    if (!result.ok()) {
        std::fprintf(err, "%s\n", result.error.toUtf8().constData());
        std::fflush(err);
        return 1;
    }
    if (!gfx::EncodeToFile(result.result, output, format, 80, &error))
        return Fail(err, QStringLiteral("cannot write '%1': %2").arg(output, error));
    return 0;
}
