// pq-render: runs one effect or a script on an image file, headless.
//
//   pq-render [--preview] [--seed N] [--threads N] [--contour #AARRGGBB]
//             [--lut FILE | --lut-name NAME] [--brushes FILE[,FILE...]]
//             INPUT OUTPUT NUMBER P1 P2 P3 P4 P5
//   pq-render [--seed N] [--threads N] --script FILE INPUT OUTPUT
//   pq-render --check FILE
//   pq-render --list-scripts | --print-script NAME | --print-reference
//
// Decodes INPUT, runs effect NUMBER through ProcessEffectOnSurface with the
// five values and encodes the result to OUTPUT by its extension. --preview
// runs the effect's preview variant on the whole picture; --seed starts the
// run's random generator from N; --threads runs it on N threads in all (1
// is serial). --contour switches the mosaics' shape contours on in that
// colour (alpha the contour layer's opacity). --lut chooses a .cube file and --lut-name
// a built-in look for effect 404, which otherwise takes the first built-in
// look, as the window does. --brushes loads the .png files and .zip
// archives of brushes into a sheet, as "Load custom brushes" does, and the
// effect (302, 303 or 304) paints with it. NUMBER 900 frames INPUT with
// the brushstroke frame and the built-in atlas: P1 border width, P2 brush
// size, P3..P5 the R, G, B of an opaque border colour. Errors print one
// line and exit non-zero.
//
// --batch NUMBER P1..P5 FILE... and --batch-script SCRIPT FILE... run the
// window's batch over the files (SCRIPT a file or builtin:NAME): each
// result goes beside its input as NAME_PQ.ext, and every message the window
// would show is printed, one a line, the end message last. They exit 0
// when every file was processed and 1 when any file gave no output.
//
// --script runs a .pqs file on INPUT as the window would, with the
// settings of a freshly started program, and writes OUTPUT; --check only
// parses it. Script errors print as the window reports them ("Line N: ..."),
// one a line. FILE may be builtin:NAME, a script of the built-in library
// (--list-scripts lists them, --print-script prints one); --print-reference
// prints the script reference with its quick index.

#include "catalogue/effect_catalogue.h"
#include "effects/painting/brushstrokes_frame.h"
#include "effects/shared/sheet_usability.h"
#include "engine/lut/cube_lut.h"
#include "engine/runtime/effect_abort.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/headless_host.h"
#include "engine/repository/image_repository.h"
#include "gfx/codec.h"
#include "gfx/surface.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"
#include "platform/ui_bridge.h"
#include "tools/pq_render/render_batch.h"
#include "tools/pq_render/render_script.h"

#include <QGuiApplication>
#include <QtGlobal>
#include <QFileInfo>
#include <QImageReader>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <new>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: pq-render [--preview] [--seed N] [--threads N] [--contour #AARRGGBB] [--lut FILE | --lut-name NAME] "
    "[--brushes FILE[,FILE...]] INPUT OUTPUT NUMBER P1 P2 P3 P4 P5"
    " | pq-render [--seed N] [--threads N] --script FILE INPUT OUTPUT | pq-render --check FILE"
    " | pq-render --batch NUMBER P1 P2 P3 P4 P5 FILE... | pq-render --batch-script SCRIPT FILE..."
    " | pq-render --list-scripts | pq-render --print-script NAME | pq-render --print-reference";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "pq-render: %s\n", message.c_str());
    std::fflush(stderr);
    return 1;
}

template <typename T>
std::optional<T> ParseNumber(std::string_view text)
{
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty())
        return std::nullopt;
    return value;
}

struct Request {
    bool preview = false;
    std::optional<uint32_t> seed;
    std::optional<int> threads;
    std::optional<uint32_t> contour;
    QString lutFile;
    QString lutName;
    QString script; // --script or --check
    bool check = false;
    enum class Batch { None, Effect, Script } batch = Batch::None;
    QStringList batchFiles;
    QStringList brushFiles;
    enum class Library { None, List, Print, Reference } library = Library::None;
    QString libraryName; // --print-script
    QString input;
    QString output;
    int number = 0;
    int p[5] = {};
};

// --batch NUMBER P1..P5 FILE... or --batch-script SCRIPT FILE...
std::optional<std::string> ParseBatchArguments(const std::vector<std::string>& args, Request& req)
{
    size_t first = 2;
    if (args[0] == "--batch") {
        req.batch = Request::Batch::Effect;
        first = 7;
        if (args.size() <= first)
            return std::string(kUsage);
        const auto number = ParseNumber<int>(args[1]);
        if (!number)
            return "bad effect number '" + args[1] + "'";
        req.number = *number;
        for (int i = 0; i < 5; ++i) {
            const auto v = ParseNumber<int>(args[size_t(2 + i)]);
            if (!v)
                return "bad value '" + args[size_t(2 + i)] + "' for P" + std::to_string(i + 1);
            req.p[i] = *v;
        }
    } else {
        req.batch = Request::Batch::Script;
        if (args.size() <= first)
            return std::string(kUsage);
        req.script = QString::fromStdString(args[1]);
    }
    for (size_t i = first; i < args.size(); ++i)
        req.batchFiles << QString::fromStdString(args[i]);
    return std::nullopt;
}

// Fills the request or returns the error line.
std::optional<std::string> ParseArguments(const std::vector<std::string>& args, Request& req)
{
    if (!args.empty() && (args[0] == "--batch" || args[0] == "--batch-script"))
        return ParseBatchArguments(args, req);
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--preview") {
            req.preview = true;
        } else if (a == "--seed") {
            if (i + 1 >= args.size())
                return std::string("--seed needs a number");
            const auto seed = ParseNumber<uint32_t>(args[++i]);
            if (!seed)
                return "bad seed '" + args[i] + "' (expected 0..4294967295)";
            req.seed = *seed;
        } else if (a == "--threads") {
            if (i + 1 >= args.size())
                return std::string("--threads needs a number");
            const auto threads = ParseNumber<int>(args[++i]);
            if (!threads || *threads < 1 || *threads > 256)
                return "bad thread count '" + args[i] + "' (expected 1..256)";
            req.threads = *threads;
        } else if (a == "--contour") {
            if (i + 1 >= args.size())
                return std::string("--contour needs a colour");
            const std::string& text = args[++i];
            std::optional<uint32_t> colour;
            if (text.size() == 9 && text[0] == '#') {
                uint32_t value = 0;
                const auto [ptr, ec] = std::from_chars(text.data() + 1, text.data() + text.size(), value, 16);
                if (ec == std::errc() && ptr == text.data() + text.size())
                    colour = value;
            }
            if (!colour)
                return "bad contour colour '" + text + "' (expected #AARRGGBB)";
            req.contour = *colour;
        } else if (a == "--lut" || a == "--lut-name") {
            if (i + 1 >= args.size())
                return a + " needs a value";
            if (!req.lutFile.isEmpty() || !req.lutName.isEmpty())
                return std::string("give one of --lut and --lut-name");
            (a == "--lut" ? req.lutFile : req.lutName) = QString::fromStdString(args[++i]);
        } else if (a == "--script" || a == "--check") {
            if (i + 1 >= args.size())
                return a + " needs a script file";
            if (!req.script.isEmpty())
                return std::string("give one of --script and --check");
            req.check = a == "--check";
            req.script = QString::fromStdString(args[++i]);
        } else if (a == "--brushes") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return std::string("--brushes needs one or more files, separated by commas");
            for (const QString& name : QString::fromStdString(args[++i]).split(QLatin1Char(','), Qt::SkipEmptyParts))
                req.brushFiles << name;
        } else if (a == "--list-scripts" || a == "--print-reference" || a == "--print-script") {
            if (req.library != Request::Library::None)
                return std::string("give one of --list-scripts, --print-script and --print-reference");
            if (a == "--print-script") {
                if (i + 1 >= args.size())
                    return std::string("--print-script needs a script name");
                req.libraryName = QString::fromStdString(args[++i]);
            }
            req.library = a == "--list-scripts"  ? Request::Library::List
                          : a == "--print-script" ? Request::Library::Print
                                                  : Request::Library::Reference;
        } else if (a.size() > 1 && a[0] == '-' && !ParseNumber<long long>(a)) {
            return "unknown option '" + a + "'; " + kUsage;
        } else {
            positional.push_back(a);
        }
    }
    if (req.library != Request::Library::None) {
        if (args.size() != (req.library == Request::Library::Print ? 2u : 1u))
            return std::string(kUsage);
        return std::nullopt;
    }
    if (!req.script.isEmpty()) {
        if (req.preview || !req.lutFile.isEmpty() || !req.lutName.isEmpty())
            return std::string("scripts take only --seed and --threads; ") + kUsage;
        if (positional.size() != (req.check ? 0u : 2u))
            return std::string(kUsage);
        if (!req.check) {
            req.input = QString::fromStdString(positional[0]);
            req.output = QString::fromStdString(positional[1]);
        }
        return std::nullopt;
    }
    if (positional.size() != 8)
        return std::string(kUsage);
    req.input = QString::fromStdString(positional[0]);
    req.output = QString::fromStdString(positional[1]);
    const auto number = ParseNumber<int>(positional[2]);
    if (!number)
        return "bad effect number '" + positional[2] + "'";
    req.number = *number;
    for (int i = 0; i < 5; ++i) {
        const auto v = ParseNumber<int>(positional[3 + i]);
        if (!v)
            return "bad value '" + positional[3 + i] + "' for P" + std::to_string(i + 1);
        req.p[i] = *v;
    }
    return std::nullopt;
}

// The LUT choice of the request; the error line when it cannot be made.
std::optional<std::string> ChooseLUT(const Request& req, pq::LUTChoice& choice)
{
    if (!req.lutName.isEmpty()) {
        if (!choice.loadEmbeddedLUT(req.lutName))
            return "no built-in look named '" + req.lutName.toStdString() + "'";
    } else if (!req.lutFile.isEmpty()) {
        QByteArray bytes;
        QString error;
        if (!pq::ReadCubeFile(req.lutFile, bytes, &error))
            return error.toStdString();
        if (!pq::ParseCubeLUTFromBytes(bytes, &error).valid())
            return "'" + req.lutFile.toStdString() + "' holds no usable table: " + error.toStdString();
        choice.onLUTApplied(QFileInfo(req.lutFile).completeBaseName(), {}, req.lutFile);
    } else if (const pq::EffectDefinition* effect = pq::FindEffect(req.number); effect && effect->choosesLUT) {
        choice.initEmbeddedLUTs();
    }
    return std::nullopt;
}

// Why files the repository skipped without a word gave no brush: the
// first file's reason.
QString UnusableBrushesReason(const QStringList& files)
{
    for (const QString& name : files) {
        const QFileInfo info(name);
        const QString ext = info.suffix().toLower();
        if (ext != QLatin1String("png") && ext != QLatin1String("zip"))
            return QStringLiteral("'%1' is neither a .png picture nor a .zip archive of them").arg(name);
        if (!info.exists())
            return QStringLiteral("'%1' does not exist").arg(name);
        if (!info.isFile())
            return QStringLiteral("'%1' is not a regular file").arg(name);
        if (ext == QLatin1String("zip"))
            return QStringLiteral("'%1' holds no .png picture that loads as a brush").arg(name);
        QImageReader reader(name);
        if (!reader.canRead())
            return QStringLiteral("'%1' is not a picture that can be read").arg(name);
        const QSize size = reader.size();
        if (size.width() > pq::kMaxBrushSide || size.height() > pq::kMaxBrushSide ||
            qint64(size.width()) * size.height() > pq::kMaxBrushPixels)
            return QStringLiteral("'%1' is too large for a brush (%2 x %3 pixels, at most %4 on a side)")
                .arg(name)
                .arg(size.width())
                .arg(size.height())
                .arg(pq::kMaxBrushSide);
        return QStringLiteral("'%1' gives no usable brush").arg(name);
    }
    return QStringLiteral("no files given");
}

// The user's brush sheet of the request, loaded and switched on for the
// effect as "Load custom brushes" does; the error line when it cannot be.
std::optional<std::string> LoadBrushes(const Request& req, pq::HeadlessHost& host)
{
    if (req.brushFiles.isEmpty())
        return std::nullopt;
    const pq::EffectDefinition* effect = pq::FindEffect(req.number);
    pq::CustomBrushSheet* sheet = nullptr;
    switch (effect ? effect->brushSheet : pq::BrushSheetChoice::None) {
    case pq::BrushSheetChoice::Pastel: sheet = &host.pastelSheet; break;
    case pq::BrushSheetChoice::Watercolor: sheet = &host.watercolorSheet; break;
    case pq::BrushSheetChoice::Impasto: sheet = &host.impastoSheet; break;
    default: return "--brushes: effect " + std::to_string(req.number) + " paints with no brush sheet";
    }
    QString error;
    const int count = pq::Repository().loadBrushesToRepository(req.brushFiles, &error);
    host.shared->brushCount = count;
    if (count <= 0) {
        if (error.isEmpty())
            error = UnusableBrushesReason(req.brushFiles);
        return "Error loading custom brushes: " + error.toStdString();
    }
    // Brushes that load but that the effect would never paint with.
    const QString unusable = pq::UnusableSheetReason(effect->brushSheet, pq::Repository().brushes, count);
    if (!unusable.isEmpty())
        return "Error loading custom brushes: " + unusable.toStdString();
    *sheet = {true, pq::Repository().brushes, count};
    return std::nullopt;
}

// The brushstroke frame with the built-in atlas: P1 width, P2 brush, P3..P5
// the R, G, B of an opaque border colour.
int RenderBrushstrokesFrame(const Request& req, gfx::ImageFormat format)
{
    QString error;
    const gfx::Image source = gfx::DecodeFile(req.input, &error);
    if (source.isNull())
        return Fail("cannot read '" + req.input.toStdString() + "': " + error.toStdString());
    const int width = std::max(req.p[0], 0);
    if (!gfx::IsSaneSize(int(std::min<int64_t>(int64_t(source.width()) + 2 * int64_t(width), INT32_MAX)),
                         int(std::min<int64_t>(int64_t(source.height()) + 2 * int64_t(width), INT32_MAX))))
        return Fail("a border of " + std::to_string(width) + " pixels makes the picture too large");
    const QRgb colour = qRgb(std::clamp(req.p[2], 0, 255), std::clamp(req.p[3], 0, 255), std::clamp(req.p[4], 0, 255));
    auto run = pq::EffectRunContext::begin(false);
    if (req.seed)
        run->seed(*req.seed);
    gfx::Image framed;
    {
        platform::ScopedRunContext scope(run.get());
        framed = pq::ApplyBrushstrokesFrame(source, pq::Repository().sharedImage(&pq::ImageRepository::templateMatchingBrushes), colour, width, req.p[1]);
    }
    if (framed.isNull())
        return Fail("out of memory for the framed picture");
    if (!gfx::EncodeToFile(framed, req.output, format, 80, &error))
        return Fail("cannot write '" + req.output.toStdString() + "': " + error.toStdString());
    return 0;
}

int Render(const Request& req)
{
    if (req.number == pq::kBrushstrokesFrameNumber) {
        const gfx::ImageFormat format = gfx::FormatFromExtension(req.output);
        if (format != gfx::ImageFormat::Jpeg && format != gfx::ImageFormat::Png &&
            format != gfx::ImageFormat::WebP && format != gfx::ImageFormat::Bmp)
            return Fail("cannot write '" + req.output.toStdString() + "': use .png, .jpg, .webp or .bmp");
        return RenderBrushstrokesFrame(req, format);
    }
    const pq::EffectDefinition* effect = pq::FindEffect(req.number);
    if (!effect)
        return Fail("unknown effect number " + std::to_string(req.number));
    if (!effect->routine)
        return Fail("effect " + std::to_string(req.number) + " (" + effect->displayName +
                    ") is not available in this build");
    const gfx::ImageFormat format = gfx::FormatFromExtension(req.output);
    if (format != gfx::ImageFormat::Jpeg && format != gfx::ImageFormat::Png && format != gfx::ImageFormat::WebP &&
        format != gfx::ImageFormat::Bmp)
        return Fail("cannot write '" + req.output.toStdString() + "': use .png, .jpg, .webp or .bmp");

    QString error;
    const gfx::Image source = gfx::DecodeFile(req.input, &error);
    if (source.isNull())
        return Fail("cannot read '" + req.input.toStdString() + "': " + error.toStdString());
    gfx::Surface dest = gfx::Surface::make(source.size());
    if (dest.isNull())
        return Fail("out of memory for a " + std::to_string(source.width()) + " x " +
                    std::to_string(source.height()) + " picture");

    pq::HeadlessHost host;
    host.result = source;
    host.source = source;
    if (req.contour) {
        host.contoursOn = true;
        host.contourRGB = *req.contour;
    }
    if (const auto error = ChooseLUT(req, host.lut))
        return Fail(*error);
    if (const auto error = LoadBrushes(req, host))
        return Fail(*error);
    pq::SetEngineHost(&host);

    auto run = pq::EffectRunContext::begin(req.preview);
    if (req.seed)
        run->seed(*req.seed);
    int rc = 0;
    try {
        platform::ScopedRunContext scope(run.get());
        pq::ProcessEffectOnSurface(source, dest, req.number, req.p[0], req.p[1], req.p[2], req.p[3], req.p[4],
                                   req.preview);
    } catch (const pq::EAbort&) {
        rc = Fail("the effect was cancelled");
    } catch (const std::bad_alloc&) {
        rc = Fail("not enough memory to apply effect " + std::to_string(req.number));
    } catch (const std::exception& e) {
        rc = Fail("effect " + std::to_string(req.number) + " failed: " + e.what());
    }
    pq::SetEngineHost(nullptr);
    if (rc != 0)
        return rc;

    if (!gfx::EncodeToFile(dest.snapshot(), req.output, format, 80, &error))
        return Fail("cannot write '" + req.output.toStdString() + "': " + error.toStdString());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    Request req;
    if (const auto error = ParseArguments(args, req))
        return Fail(*error);

    switch (req.library) {
    case Request::Library::List: return ListBuiltInScripts(stdout);
    case Request::Library::Print: return PrintBuiltInScript(req.libraryName, stdout, stderr);
    case Request::Library::Reference: return PrintScriptReference(stdout);
    case Request::Library::None: break;
    }
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
        if (type == QtFatalMsg)
            Fail(msg.toStdString());
    });
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    platform::SetUiBridge(std::make_shared<platform::ManualUiBridge>());
    pq::InstallEffectCatalogue();
    pq::InitializeEngine();
    // N threads in all: the calling thread and N - 1 pool workers.
    if (req.threads)
        platform::ConfigureThreadPool(*req.threads - 1, *req.threads - 1);
    if (req.check) {
        const int rc = CheckScriptFile(req.script, stderr);
        pq::FinalizeEngine();
        platform::SetUiBridge(nullptr);
        return rc;
    }
    // The built-in materials (pencil and film textures, brush sheets,
    // papers), each decoded when the run first reads it.
    pq::Repository().createOnDemand();
    int rc = 0;
    if (req.batch == Request::Batch::Effect) {
        const pq::EffectDefinition* effect = pq::FindEffect(req.number);
        rc = effect && effect->routine ? RenderBatchEffect(req.number, req.p, req.batchFiles, stdout)
                                       : Fail("unknown effect number " + std::to_string(req.number));
    } else if (req.batch == Request::Batch::Script) {
        rc = RenderBatchScript(req.script, req.batchFiles, stdout, stderr);
    } else {
        rc = req.script.isEmpty() ? Render(req)
                                  : RenderScriptFile(req.script, req.input, req.output, req.seed, stderr);
    }
    pq::FinalizeEngine();
    platform::SetUiBridge(nullptr);
    return rc;
}
