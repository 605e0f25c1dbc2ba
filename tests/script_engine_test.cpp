// The script engine with a fake window and fake effects: slots, RESET and
// the skipped canvas sync, the options it restores and keeps, failures and
// cancels, and every command's failure texts.
#include "engine/runtime/effect_api.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/progress.h"
#include "image_compare.h"
#include "platform/run_context.h"
#include "script_engine_support.h"
#include "scripting/script_failure.h"

#include <stdexcept>
#include <thread>

using namespace pq;
using namespace pqtest;
using testimg::MakeSolid;
using testimg::Premul;

namespace {

constexpr gfx::Pixel kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kGreen = 0xFF00FF00;

// What the fake painter found: its canvas after the canvas step, its source.
struct Seen {
    gfx::Pixel canvas;
    gfx::Pixel source;
};
std::vector<Seen> gSeen;

// Honours "Erase background" (it runs as effect 300): paints the source's
// right half over the canvas, so the left half shows what it painted over.
void FakePainter(const gfx::Image& source, gfx::Surface& dest, int, int, int, int, int, bool preview)
{
    PrepareCanvas(source, dest, preview);
    gSeen.push_back({dest.row(0)[0], source.pixel(0, 0)});
    for (int y = 0; y < dest.height(); ++y)
        for (int x = dest.width() / 2; x < dest.width(); ++x)
            dest.row(y)[x] = source.pixel(x, y);
}

// The box of the pixels that differ from the background.
QRect DrawnBox(const gfx::Image& image, gfx::Pixel background)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Sees the window's Cancel and returns as if it had finished.
void CancelledPainter(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    SharedFields()->cancel.request();
    dest.clear(Qt::green);
}

void FailingEffect(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool)
{
    throw std::runtime_error("brush sheet missing");
}

class ScriptEngineTest : public ScriptTest {
protected:
    void SetUp() override
    {
        ScriptTest::SetUp();
        gSeen.clear();
        document.source = MakeSolid(4, 2, kRed);
        document.result = MakeSolid(4, 2, kBlue);
    }
    ScopedEffectOverride painter{300, FakePainter};
    ScopedEffectOverride cancelled{301, CancelledPainter};
    ScopedEffectOverride failing{100, FailingEffect};
};

} // namespace

TEST_F(ScriptEngineTest, EmptyScriptsAndMissingImagesTouchNothing)
{
    ScriptEngine engine(host);
    EXPECT_EQ(engine.run({}, document.source, document.result, context).error, "Script is empty");
    const std::vector<ScriptCommand> reset = ParseScriptText("RESET").commands;
    EXPECT_EQ(engine.run(reset, {}, document.result, context).error, "No image loaded");
    EXPECT_EQ(engine.run(reset, document.source, {}, context).error, "No image loaded");
    EXPECT_TRUE(host.shown.empty());
    EXPECT_TRUE(host.eraseCalls.empty());
}

TEST_F(ScriptEngineTest, SwapMakesTheWorkingImageTheSource)
{
    ScriptRunResult r = run("SWAP\nLOAD dst");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.result.pixel(0, 0), kRed);       // dst now holds the old source
    EXPECT_EQ(r.resultSource.pixel(0, 0), kBlue); // the working image at SWAP

    r = run("SAVE src\nRESET");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.result.pixel(0, 0), kBlue);
}

TEST_F(ScriptEngineTest, ResetShowsTheResultAndTheNextEffectSkipsItsCanvasSync)
{
    // Erase background off: the second effect paints over what RESET put on
    // display (the first effect's result), not over the source it reads,
    // even when a command between them changed the working image.
    context.textures = {MakeSolid(4, 4, 0xFF808080)};
    const ScriptRunResult ok = run("NOCLEAR\nEFFECT 300 0 0 0 0 0\nRESET\nTEXTURE #0 50 1\nEFFECT 300 0 0 0 0 0");
    ASSERT_TRUE(ok.ok()) << ok.error.toStdString();
    ASSERT_EQ(gSeen.size(), 2u);
    EXPECT_EQ(gSeen[0].canvas, kBlue);  // the first effect painted over the result
    EXPECT_EQ(gSeen[1].source, kRed);   // the second read the source photo...
    EXPECT_EQ(gSeen[1].canvas, kBlue);  // ...over the first effect's result
    ASSERT_EQ(host.shown.size(), 2u);   // before the first effect and at RESET, not before the second
    EXPECT_EQ(host.shown[1].pixel(3, 0), kBlue);
    EXPECT_EQ(ok.result.pixel(0, 0), kBlue);
    EXPECT_EQ(ok.result.pixel(3, 0), kRed);
}

TEST_F(ScriptEngineTest, OnlyTheEffectRightAfterResetSkipsItsCanvasSync)
{
    // Before the first effect, at RESET, not before the effect after it,
    // and again before the one after that.
    ASSERT_TRUE(run("EFFECT 300 0 0 0 0 0\nRESET\nEFFECT 300 0 0 0 0 0\nEFFECT 300 0 0 0 0 0").ok());
    EXPECT_EQ(host.shown.size(), 3u);
}

TEST_F(ScriptEngineTest, TwoResetsPutTheSourceOnDisplay)
{
    ASSERT_TRUE(run("RESET\nRESET\nNOCLEAR\nEFFECT 300 0 0 0 0 0").ok());
    ASSERT_EQ(gSeen.size(), 1u);
    EXPECT_EQ(gSeen[0].canvas, kRed);
}

TEST_F(ScriptEngineTest, ClearErasesBeforeTheEffect)
{
    ASSERT_TRUE(run("RESET\nCLEAR\nEFFECT 300 0 0 0 0 0").ok());
    EXPECT_EQ(gSeen.at(0).canvas, kWhite);
}

TEST_F(ScriptEngineTest, ANumberWithoutARoutinePassesThePictureAndStillShowsIt)
{
    const ScriptRunResult r = run("EFFECT 999 1 2 3 4 5");
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(testimg::ImagesNear(MakeSolid(4, 2, kBlue), r.result));
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(steps, QStringList{"1/1 Effect 999"});
}

TEST_F(ScriptEngineTest, EraseBackgroundComesBackAndContoursStayAfterAFailure)
{
    document.eraseOn = true;
    const ScriptRunResult r = run("# header\n\nNOCLEAR\nCONTOUR ON #80FF0000\nEFFECT 300 0 0 0 0 0\nSAVE a\nLOAD b");
    EXPECT_EQ(r.error, "Line 7: Slot \"b\" not found");
    EXPECT_TRUE(r.result.isNull());
    EXPECT_TRUE(r.resultSource.isNull());
    EXPECT_TRUE(document.eraseOn);
    EXPECT_TRUE(document.contoursOn);
    EXPECT_EQ(document.contourRGB, 0x80FF0000u);
    // The picture on display when the run started is back.
    EXPECT_EQ(document.result.pixel(0, 0), kBlue);
    EXPECT_EQ(document.result.pixel(3, 0), kBlue);

    document.eraseOn = false;
    ASSERT_TRUE(run("CLEAR\nCONTOUR OFF").ok());
    EXPECT_FALSE(document.eraseOn);
    EXPECT_FALSE(document.contoursOn);
}

TEST_F(ScriptEngineTest, AnEffectThatSawCancelDidNotFinish)
{
    const ScriptRunResult r = run("NOCLEAR\nEFFECT 301 0 0 0 0 0\nSAVE a");
    EXPECT_EQ(r.error, "Cancelled by user");
    EXPECT_TRUE(r.result.isNull());
    EXPECT_TRUE(document.eraseOn);
    EXPECT_EQ(document.result.pixel(0, 0), kBlue);
    EXPECT_EQ(steps.size(), 2);
}

TEST_F(ScriptEngineTest, ACancelInsideAnEffectEndsTheRun)
{
    ScopedEffectOverride aborting{102, [](const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool) {
                                      SharedFields()->cancel.request();
                                      CheckCancellation();
                                  }};
    const ScriptRunResult r = run("NOCLEAR\nEFFECT 102 0 0 0 0 0\nSAVE a");
    EXPECT_EQ(r.error, "Cancelled by user");
    EXPECT_TRUE(r.resultSource.isNull());
    EXPECT_TRUE(document.eraseOn);
    EXPECT_EQ(steps.size(), 2);
}

TEST_F(ScriptEngineTest, ACancelBetweenCommandsStopsBeforeTheNext)
{
    onStep = [this](int step) {
        if (step == 3)
            document.shared->cancel.request();
    };
    const ScriptRunResult r = run("EFFECT 300 0 0 0 0 0\nSAVE a\nEFFECT 300 0 0 0 0 0");
    EXPECT_EQ(r.error, "Cancelled by user");
    EXPECT_EQ(gSeen.size(), 1u);
    EXPECT_EQ(document.result.pixel(0, 0), kBlue);
}

TEST_F(ScriptEngineTest, EffectExceptionsNameTheirLine)
{
    const ScriptRunResult r = run("SAVE a\n# note\nEFFECT PencilSketch1 0 0 0 0 0");
    EXPECT_EQ(r.error, "Line 3: brush sheet missing");
}

TEST_F(ScriptEngineTest, SlotAndImageCommandFailures)
{
    context.textures = {MakeSolid(8, 8, kWhite), gfx::Image()};
    context.frames = {MakeSolid(8, 8, 0xFF000000)};
    const struct {
        const char* script;
        const char* error;
    } cases[] = {
        {"LOAD mine", "Line 1: Slot \"mine\" not found"},
        {"BLEND other 50", "Line 1: Slot \"other\" not found for BLEND"},
        {"TEXTURE #5 30 1", "Line 1: Texture #5 not found (only 2 available)"},
        {"TEXTURE #1 30 1", "Line 1: Texture #1 is empty"},
        {"FRAME #1", "Line 1: Frame #1 not found (only 1 available)"},
        {"RESIZE 100000 100000", "Line 1: Could not create 100000x100000 surface"},
        {"RESIZE 20000 20000", "Line 1: Could not create 20000x20000 surface"},
        {"RESIZE 0.4 5", "Line 1: Could not create 0x5 surface"},
        {"RESIZE 1e30% 1", "Line 1: Could not create 1000000000000000x1 surface"},
        {"FRAME 1000000", "Line 1: Could not create 2000004x2000002 surface"},
        {"FRAME #0 2147483647", "Line 1: Could not create 4294967298x4294967296 surface"},
        {"FRAME brushstrokes", "Line 1: No brush atlas available for brushstrokes frame"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(run(c.script).error, c.error) << c.script;

    context.textures.clear();
    context.frames.clear();
    EXPECT_EQ(run("TEXTURE").error, "Line 1: No texture loaded (select a texture first)");
    EXPECT_EQ(run("FRAME #0").error, "Line 1: No frame loaded (select a frame first)");
    context.brushAtlas = MakeSolid(10, 10, kWhite);
    EXPECT_EQ(run("FRAME brushstrokes 1000000").error, "Line 1: Could not create 2000004x2000002 surface");
    const ScriptRunResult framed = run("FRAME brushstrokes 10");
    EXPECT_TRUE(framed.ok()) << framed.error.toStdString();
    EXPECT_EQ(framed.result.size(), QSize(24, 22));
}

TEST_F(ScriptEngineTest, TextureScaleZeroTakesTheDefault)
{
    document.result = testimg::MakeImage(32, 32, [](int x, int y) { return Premul(x * 8, y * 8, 128); });
    document.source = document.result;
    context.textures = {testimg::MakeImage(7, 5, [](int x, int y) { return Premul(x * 30, y * 50, 90); })};
    context.textureScale = 2.0f;
    auto textured = [&](const char* script) {
        auto seeded = EffectRunContext::begin(false);
        seeded->rng.setSeed(11);
        platform::ScopedRunContext scope(seeded.get());
        const ScriptRunResult r = run(script);
        EXPECT_TRUE(r.ok()) << r.error.toStdString();
        return r.result;
    };
    EXPECT_TRUE(testimg::ImagesNear(textured("TEXTURE 50 2"), textured("TEXTURE 50 0")));
    EXPECT_FALSE(testimg::ImagesNear(textured("TEXTURE 50 0.01"), textured("TEXTURE 50 0")));
}

TEST_F(ScriptEngineTest, ResizeTakesTheSourceAlongAndRecentres)
{
    document.source = MakeSolid(40, 20, kRed);
    document.result = MakeSolid(40, 20, kBlue);
    const ScriptRunResult r = run("RESIZE 50% 25%\nRESET");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.result.size(), QSize(20, 5));
    EXPECT_EQ(r.result.pixel(0, 0), kRed);
    EXPECT_EQ(r.resultSource.size(), QSize(20, 5));
    EXPECT_EQ(host.centred, 1);
    EXPECT_EQ(steps.front(), "1/2 Resize to 50%x25%");
    EXPECT_EQ(run("RESIZE 0.1% 7").result.size(), QSize(1, 7));
}

TEST_F(ScriptEngineTest, BlendTextFontAndEnhanceMakeNewPictures)
{
    document.source = MakeSolid(40, 20, kRed);
    document.result = MakeSolid(40, 20, kBlue);
    ScriptRunResult r = run("SAVE b\nLOAD src\nBLEND b 100");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.result.pixel(5, 5), kBlue);
    r = run("TEXT 0 0 \"\"");
    EXPECT_TRUE(r.result.sameAs(document.result));
    r = run("FONT Arial 0 regular #FF00FF00\nTEXT 0 0 \"MM\" size=1e9");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.result.pixel(0, 0), kGreen);
    r = run("ENHANCE");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.result.size(), QSize(40, 20));
}

TEST_F(ScriptEngineTest, FontSettingsLastOneRunAndSizeZeroKeepsTheSize)
{
    const gfx::Image blue = MakeSolid(60, 60, kBlue);
    ScriptEngine engine(host);
    auto inked = [&](const char* script) {
        const ScriptRunResult r = engine.run(ParseScriptText(script).commands, blue, blue, context);
        EXPECT_TRUE(r.ok()) << r.error.toStdString();
        return std::pair{DrawnBox(r.result, kBlue), r.result};
    };
    const QRect big = inked("FONT Arial 40 bold #FF00FF00\nFONT Arial 0\nTEXT 0 0 I").first;
    const auto [small, next] = inked("TEXT 0 0 I");
    EXPECT_GT(big.height(), small.height() + 8); // 40 kept through "FONT Arial 0"; 24 in the next run
    EXPECT_EQ(next.pixel(small.center().x(), small.center().y()), kWhite);
}

TEST_F(ScriptEngineTest, ASlotSavedBeforeAResizeIsStretchedToTheWorkingSize)
{
    document.source = MakeSolid(40, 20, kRed);
    document.result = MakeSolid(40, 20, kBlue);
    const ScriptRunResult r = run("SAVE small\nRESIZE 200% 300%\nLOAD src\nBLEND small 100");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    ASSERT_EQ(r.result.size(), QSize(80, 60));
    EXPECT_EQ(r.result.pixel(79, 59), kBlue);
}

TEST_F(ScriptEngineTest, LutCommandsChangeTheChoiceForGood)
{
    ASSERT_TRUE(run("LUT_FILE \"/looks/my warm.cube\"").ok());
    EXPECT_EQ(document.lut.filePath, "/looks/my warm.cube");
    EXPECT_TRUE(document.lut.data.isEmpty());
    ASSERT_TRUE(run("LUT_EMBEDDED no such look").ok());
    EXPECT_TRUE(document.lut.filePath.isEmpty());
    const QStringList names = EmbeddedLUTNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(document.lut.name, names.front());
    ASSERT_TRUE(run("LUT_EMBEDDED " + names.back().toUpper()).ok());
    EXPECT_EQ(document.lut.name, names.back());
}

TEST_F(ScriptEngineTest, RunsOnAWorkerWhileTheUiThreadServesItsCalls)
{
    document.source = MakeSolid(64, 32, kRed);
    document.result = MakeSolid(64, 32, kBlue);
    const QString script = "NOCLEAR\nEFFECT 300 0 0 0 0 0\nTEXT 50% 50% Hi size=20 shadow=on\nRESIZE 32 16";
    const ScriptRunResult onUiThread = run(script);
    ASSERT_TRUE(onUiThread.ok()) << onUiThread.error.toStdString();

    const std::vector<ScriptCommand> commands = ParseScriptText(script).commands;
    ScriptRunResult onWorker;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        ScriptEngine engine(host);
        onWorker = engine.run(commands, document.source, MakeSolid(64, 32, kBlue), context);
        done = true;
    });
    const bool finished = bridge->pumpUntil([&] { return done.load(); }, 60000);
    worker.join();
    ASSERT_TRUE(finished);
    ASSERT_TRUE(onWorker.ok()) << onWorker.error.toStdString();
    EXPECT_TRUE(testimg::ImagesNear(onUiThread.result, onWorker.result));
    EXPECT_EQ(document.result.size(), QSize(32, 16));
}

TEST(ScriptSurfaceSize, EachLimitHoldsOnBothSides)
{
    const struct {
        int64_t width, height;
        bool allowed;
    } kSizes[] = {
        {1, 1, true},
        {0, 1, false},
        {1, 0, false},
        {kMaxScriptSide, 1, true},
        {kMaxScriptSide + 1, 1, false},
        {1, kMaxScriptSide, true},
        {1, kMaxScriptSide + 1, false},
        {20000, 10000, true}, // exactly the most pixels
        {20000, 10001, false},
        {10001, 20000, false},
    };
    for (const auto& row : kSizes) {
        bool allowed = true;
        try {
            CheckScriptSurfaceSize(row.width, row.height);
        } catch (const ScriptFailure& failure) {
            allowed = false;
            EXPECT_EQ(failure.message(), QStringLiteral("Could not create %1x%2 surface").arg(row.width).arg(row.height));
        }
        EXPECT_EQ(allowed, row.allowed) << row.width << " x " << row.height;
    }
}
