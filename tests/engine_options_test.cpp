// The options a run reads ("Erase background", the contour switch and
// colour) are taken on the UI thread when it starts, and the preview pane's
// progress belongs to the current preview only.
#include "engine_test_support.h"

#include "engine/runtime/effect_table.h"

#include <optional>

using namespace pqtest;

namespace {

Gate* gGate = nullptr;
std::optional<pq::EffectOptions> gSeen;
QRgb gCanvasPixel = 0;

// Waits at the gate, then reads the run's options and prepares its canvas
// as the effects that honour "Erase background" do.
void GatedOptionsReader(const gfx::Image& src, gfx::Surface& dest, int, int, int, int, int, bool preview)
{
    gGate->enterAndWait(false);
    gSeen = pq::RunEffectOptions();
    pq::PrepareCanvas(src, dest, preview);
    gCanvasPixel = dest.row(1)[1];
}

void OptionsReader(const gfx::Image& src, gfx::Surface& dest, int, int, int, int, int, bool preview)
{
    gSeen = pq::RunEffectOptions();
    pq::PrepareCanvas(src, dest, preview);
    gCanvasPixel = dest.row(1)[1];
}

// Reports 40 % and waits: a preview that a newer one will supersede.
void ReportThenWait(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    dest.clear(Qt::red);
    pq::gLastProgressTick = 0;
    pq::SafeUpdatePreview(dest, 40);
    gGate->enterAndWait();
}

class OptionsTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        gGate = &gate;
        gSeen.reset();
        gCanvasPixel = 0;
        loadDocument(SolidImage(16, 12, Qt::white));
        host->result = SolidImage(16, 12, Qt::red); // the previous result
        host->previewSize = QSizeF(225, 225);
    }
    void TearDown() override
    {
        gate.open();
        EngineTest::TearDown();
    }
    Gate gate;
};

} // namespace

TEST_F(OptionsTest, AFullRunKeepsTheOptionsItStartedWith)
{
    pq::ScopedEffectOverride o(500, GatedOptionsReader);
    host->eraseOn = false;
    host->contoursOn = true;
    host->contourRGB = 0x80112233;
    pq::ProcessEffect(500, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));

    // The user changes everything while the run works.
    host->eraseOn = true;
    host->contoursOn = false;
    host->contourRGB = 0xFFFFFFFF;
    gate.open();
    ASSERT_TRUE(waitIdle());

    ASSERT_TRUE(gSeen.has_value());
    EXPECT_FALSE(gSeen->eraseBackground);
    EXPECT_TRUE(gSeen->drawContours);
    EXPECT_EQ(gSeen->contourColor, 0x80112233u);
    EXPECT_EQ(gCanvasPixel, 0xFFFF0000u) << "painted over the previous result";
}

TEST_F(OptionsTest, EachCallOnASurfaceTakesTheOptionsAnew)
{
    pq::ScopedEffectOverride o(502, OptionsReader);
    const gfx::Image source = SolidImage(16, 12, Qt::white);
    gfx::Surface dest = gfx::Surface::make(16, 12);
    auto run = pq::EffectRunContext::begin(false);
    platform::ScopedRunContext scope(run.get());

    host->contoursOn = true;
    host->contourRGB = 0xFF00FF00;
    host->eraseOn = false;
    pq::ProcessEffectOnSurface(source, dest, 502, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(gSeen.has_value());
    EXPECT_TRUE(gSeen->drawContours);
    EXPECT_EQ(gSeen->contourColor, 0xFF00FF00u);
    EXPECT_EQ(gCanvasPixel, 0xFFFF0000u);

    // A script switches the options between two effects of one run.
    host->contoursOn = false;
    host->eraseOn = true;
    pq::ProcessEffectOnSurface(source, dest, 502, 0, 0, 0, 0, 0, false);
    EXPECT_FALSE(gSeen->drawContours);
    EXPECT_EQ(gCanvasPixel, 0xFFFFFFFFu);
}

TEST_F(OptionsTest, OnlyTheEffectsThatPaintWithOptionsReadThem)
{
    for (int n : {202, 300, 301, 302, 303, 304, 305, 307, 308, 500, 501, 502, 503})
        EXPECT_TRUE(pq::ReadsEffectOptions(n)) << n;
    for (int n : {100, 103, 200, 201, 203, 306, 400, 404, 900, -1})
        EXPECT_FALSE(pq::ReadsEffectOptions(n)) << n;
}

TEST_F(OptionsTest, ASupersededPreviewLeavesNoProgressBehind)
{
    pq::ScopedEffectOverride o(400, ReportThenWait);
    pq::ProcessEffect(400, 0, 0, 0, 0, 0, true);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered() && host->previewLabel == 40; }));
    EXPECT_EQ(host->shared->currentPreviewProgress(), 40);

    // A newer preview starts: the old one's ring and percent go at once,
    // before it has reported anything.
    pq::ScopedEffectOverride quiet(401, OptionsReader);
    host->shared->previewGeneration.fetch_add(1); // as the window does when the pane moves
    EXPECT_EQ(host->shared->currentPreviewProgress(), 0);
    pq::ProcessEffect(401, 0, 0, 0, 0, 0, true);
    EXPECT_EQ(host->previewLabel, 0);
    gate.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(host->shared->currentPreviewProgress(), 101) << "the finished preview hides its ring";
    EXPECT_EQ(host->previewLabel, 101);

    // A late report of a superseded run never counts for the current one.
    host->shared->storePreviewProgress(host->shared->previewGeneration.load() - 1, 55);
    EXPECT_EQ(host->shared->currentPreviewProgress(), 0);
}
