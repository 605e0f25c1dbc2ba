#include "runtime_test_fixture.h"

using namespace pqtest;
using namespace pqtest::runtime;

namespace {
gfx::Image gSeenSheet;
int gSeenCount = 0;
void RecordSheet(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool)
{
    gSeenSheet = pq::CurrentRun()->brushSheet;
    gSeenCount = pq::CurrentRun()->brushCount;
}
} // namespace

TEST_F(RuntimeTest, TheBrushSheetStepPicksTheSheetAndCount)
{
    pq::ImageRepository& repo = pq::Repository();
    const pq::ImageRepository saved = repo;
    repo.defaultBrushes = SolidImage(8, 8, Qt::red);
    repo.pastelBrushes = SolidImage(8, 8, Qt::green);
    host->impastoSheet.sheet = SolidImage(8, 8, Qt::blue);
    host->impastoSheet.count = 7;
    pq::ScopedEffectOverride o1(302, RecordSheet);
    pq::ScopedEffectOverride o2(304, RecordSheet);
    pq::ScopedEffectOverride o3(307, RecordSheet);
    gfx::Surface dest = gfx::Surface::make(8, 8);

    pq::ProcessEffectOnSurface(host->source, dest, 304, 0, 0, 0, 0, 0, false);
    EXPECT_TRUE(gSeenSheet.sameAs(repo.defaultBrushes));
    EXPECT_EQ(gSeenCount, 40);

    host->impastoSheet.on = true;
    pq::ProcessEffectOnSurface(host->source, dest, 304, 0, 0, 0, 0, 0, false);
    EXPECT_TRUE(gSeenSheet.sameAs(host->impastoSheet.sheet));
    EXPECT_EQ(gSeenCount, 7);
    EXPECT_EQ(host->shared->brushCount.load(), 7);

    // Stochastic painting paints from the atlas: it leaves the sheet alone.
    repo.brushes = repo.pastelBrushes;
    pq::ProcessEffectOnSurface(host->source, dest, 307, 0, 0, 0, 0, 0, false);
    EXPECT_TRUE(repo.brushes.sameAs(repo.pastelBrushes));
    host->impastoSheet.on = false;
    pq::ProcessEffectOnSurface(host->source, dest, 307, 0, 0, 0, 0, 0, false);
    EXPECT_TRUE(repo.brushes.sameAs(repo.pastelBrushes));

    pq::ProcessEffectOnSurface(host->source, dest, 302, 0, 0, 0, 0, 0, false);
    EXPECT_TRUE(gSeenSheet.sameAs(repo.pastelBrushes));
    repo = saved;
    gSeenSheet = {};
}

TEST_F(RuntimeTest, AfterAbortProcessingARunEndsWithoutItsRoutineAndSavesTheDisplayedImage)
{
    pq::ScopedEffectOverride o(200, FillRed);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    pq::AbortProcessing(); // the worker waits for its first UI step
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(gCalls, 0);
    EXPECT_EQ(host->history.count(), 1);
    EXPECT_EQ(host->effectNumber, -1);

    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false); // clears the flag again
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(gCalls, 1);
}

TEST_F(RuntimeTest, AFailingRoutineLeavesNoEntryAndPerformsTheDeferredClose)
{
    pq::ScopedEffectOverride o(200, Throwing);
    host->closePending = true;
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(host->history.count(), 0);
    EXPECT_EQ(host->effectNumber, -1);
    EXPECT_FALSE(host->closePending);
    EXPECT_EQ(host->closeCalls, 1);
    EXPECT_EQ(host->messages, QStringList{"Effect failed: Cartoon (boom)"});
}

TEST_F(RuntimeTest, FailedFullRunsTellTheUserAndFailedPreviewsStaySilent)
{
    {
        pq::ScopedEffectOverride o(200, OutOfMemory);
        pq::ProcessEffect(200, 0, 0, 0, 0, 0, true);
        ASSERT_TRUE(waitIdle());
        EXPECT_TRUE(host->messages.isEmpty());
        pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(host->messages, QStringList{"Not enough memory to apply the effect."});
        EXPECT_EQ(host->effectNumber, -1);
    }
    // The next run works as usual.
    pq::ScopedEffectOverride o(200, FillRed);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0xFF0000u);
    EXPECT_EQ(host->messages.size(), 1);
}

TEST_F(RuntimeTest, AnAllocationFailureInsideAnEffectFailsTheRun)
{
    const int before = host->history.count();
    {
        pq::ScopedEffectOverride o(200, FailedAllocationCarriesOn);
        pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(host->messages, QStringList{"Not enough memory to apply the effect."});
        EXPECT_EQ(host->history.count(), before);
        EXPECT_EQ(host->effectNumber, -1);

        // Scripts and pq-render run the routine on a surface: it raises.
        const gfx::Image source = SolidImage(8, 8, Qt::white);
        gfx::Surface dest = gfx::Surface::make(8, 8);
        EXPECT_THROW(pq::ProcessEffectOnSurface(source, dest, 200, 0, 0, 0, 0, 0, false), std::bad_alloc);
    }
    // The failure belongs to that run only.
    pq::ScopedEffectOverride o(200, FillRed);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0xFF0000u);
    EXPECT_EQ(host->history.count(), before + 1);
}

TEST_F(RuntimeTest, OnceShutDownBeganNothingStartsUntilAHostIsInstalled)
{
    pq::ScopedEffectOverride failing(201, GatedThrowing);
    pq::ProcessEffect(201, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));
    pq::ScopedEffectOverride o(200, FillRed);
    pq::BeginEngineShutdown();
    gate.open(); // a failure while shutting down is only logged
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, true);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(gCalls, 0);
    EXPECT_EQ(host->effectNumber, -1);
    EXPECT_TRUE(host->messages.isEmpty());

    pq::SetEngineHost(host.get()); // a new window
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(gCalls, 1);
}

TEST_F(RuntimeTest, WorkersEndWhenTheUiGoesAway)
{
    pq::ScopedEffectOverride o(200, GatedFillBlue);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));
    bridge->shutdown(); // teardown: UI calls are refused from now on
    gate.open();
    for (int i = 0; i < 5000 && pq::EffectWorkerCount() > 0; ++i)
        platform::SleepMs(1);
    EXPECT_EQ(pq::EffectWorkerCount(), 0);
    host->effectNumber = -1;
}

// ---- Runs and the thread pool ----

TEST(EffectRunContext, PoolThreadsAnswerForTheirOwnRun)
{
    auto fields = pq::SharedFields();
    auto full = pq::EffectRunContext::begin(false);
    auto preview = pq::EffectRunContext::begin(true);
    fields->cancel.request(); // Esc: aimed at the full run

    std::atomic<int> previewCancelled{0}, fullNotCancelled{0};
    {
        platform::ScopedRunContext scope(preview.get());
        platform::ParallelForRange(0, 256, 1, [&](int, int) {
            if (pq::IsEffectCancelled())
                ++previewCancelled;
        });
    }
    {
        platform::ScopedRunContext scope(full.get());
        platform::ParallelForRange(0, 256, 1, [&](int, int) {
            if (!pq::IsEffectCancelled())
                ++fullNotCancelled;
        });
        EXPECT_THROW(pq::CheckCancellation(), pq::EAbort);
    }
    EXPECT_EQ(previewCancelled, 0);
    EXPECT_EQ(fullNotCancelled, 0);

    fields->previewGeneration++;
    platform::ScopedRunContext scope(preview.get());
    EXPECT_TRUE(pq::IsEffectCancelled());
    EXPECT_FALSE(pq::EffectRunContext::begin(false)->isCancelled()); // a new run starts fresh
}

// A script or brush stroke may draw a preview step inside its own full run;
// Esc has to stop the run afterwards all the same.
TEST_F(RuntimeTest, APreviewSurfaceCallInsideAFullRunLeavesItCancellable)
{
    pq::ScopedEffectOverride o1(200, NotePreview);
    pq::ScopedEffectOverride o2(201, NotePreviewThenThrow);
    for (const int number : {200, 201}) {
        SCOPED_TRACE(number == 200 ? "routine returns" : "routine throws");
        auto full = pq::EffectRunContext::begin(false);
        ASSERT_EQ(full->fields, host->shared);
        platform::ScopedRunContext scope(full.get());
        gfx::Surface dest = gfx::Surface::make(16, 16);
        gRunPreview = -1;
        if (number == 200)
            pq::ProcessEffectOnSurface(host->source, dest, number, 0, 0, 0, 0, 0, true);
        else
            EXPECT_THROW(pq::ProcessEffectOnSurface(host->source, dest, number, 0, 0, 0, 0, 0, true),
                         std::runtime_error);
        EXPECT_EQ(gRunPreview, 1) << "the routine works as a preview";
        EXPECT_EQ(pq::CurrentRun(), full.get());
        EXPECT_FALSE(full->preview);

        EXPECT_FALSE(pq::IsEffectCancelled());
        host->shared->cancel.request();
        EXPECT_TRUE(pq::IsEffectCancelled());
        EXPECT_THROW(pq::CheckCancellation(), pq::EAbort);
    }
}

// ---- Preview window ----

TEST(PreviewWindow, ANarrowSourceGetsOriginZeroAndItsOwnWidth)
{
    int x = 40, y = 10;
    pq::ClampPreviewOrigin(QSize(100, 500), 225, 225, 1.0, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 10);
    EXPECT_EQ(pq::PreviewWindow(QSize(100, 500), 225, 225, 1.0, x, y), QRect(0, 10, 100, 225));
}

TEST(PreviewWindow, AnOriginBeyondTheImageIsPulledBackToItsEdge)
{
    int x = 3000, y = 3000;
    pq::ClampPreviewOrigin(QSize(1000, 800), 225, 225, 5.0, x, y);
    EXPECT_EQ(x, 1000 - 45);
    EXPECT_EQ(y, 800 - 45);
    EXPECT_EQ(pq::PreviewWindow(QSize(1000, 800), 225, 225, 5.0, x, y), QRect(955, 755, 45, 45));
}

TEST(PreviewWindow, ZoomRoundsHalvesToEvenAndBadZoomsGiveNoWindow)
{
    EXPECT_EQ(pq::PreviewExtent(225, 2.0), 112); // 112.5
    EXPECT_EQ(pq::PreviewExtent(225, 0.25), 900);
    EXPECT_EQ(pq::PreviewExtent(225, 0.0), 0);
    EXPECT_EQ(pq::PreviewExtent(225, -1.0), 0);
    EXPECT_TRUE(pq::PreviewWindow(QSize(100, 100), 0, 0, 1.0, 0, 0).isEmpty());
    EXPECT_TRUE(pq::PreviewWindow(QSize(100, 100), 225, 225, 1.0, 150, 0).isEmpty());
    // The pane's own size: halves to even, nothing for a side that is no size.
    EXPECT_EQ(pq::PreviewDisplaySize(QSizeF(224.5, 225.5)), QSize(224, 226));
    EXPECT_EQ(pq::PreviewDisplaySize(QSizeF(-3, qQNaN())), QSize(0, 0));
}

// ---- Canvas step ----

TEST_F(RuntimeTest, TheCanvasStepFollowsEraseBackground)
{
    const gfx::Image opaque = SolidImage(8, 8, Qt::gray);
    const gfx::Image seeThrough = SolidImage(8, 8, QColor(0, 0, 0, 128));
    host->result = SolidImage(8, 8, Qt::red);
    gfx::Surface canvas = gfx::Surface::make(8, 8);
    auto full = pq::EffectRunContext::begin(false);
    platform::ScopedRunContext scope(full.get());

    pq::PrepareCanvas(opaque, canvas, false);
    EXPECT_EQ(canvas.row(3)[3], 0xFFFFFFFFu);
    pq::PrepareCanvas(seeThrough, canvas, false);
    EXPECT_EQ(canvas.row(3)[3], 0u);

    host->eraseOn = false;
    pq::PrepareCanvas(opaque, canvas, false);
    EXPECT_EQ(canvas.row(3)[3], 0xFFFF0000u); // the current result underneath
    full->backgroundImage = SolidImage(8, 8, Qt::blue);
    pq::PrepareCanvas(opaque, canvas, false);
    EXPECT_EQ(canvas.row(3)[3], 0xFF0000FFu); // the brush's region instead

    // Previews never start from the result.
    pq::PrepareCanvas(opaque, canvas, true);
    EXPECT_EQ(canvas.row(3)[3], 0xFFFFFFFFu);
    pq::PrepareCanvas(seeThrough, canvas, true);
    EXPECT_EQ(canvas.row(3)[3], 0u);
}

// A full run with an end report, as the batch starts its steps.
TEST_F(RuntimeTest, AReportingFullRunTellsHowItEndedOnce)
{
    std::vector<pq::EffectRunEnd> ends;
    const auto told = [&ends](const pq::EffectRunEnd& end) { ends.push_back(end); };
    using Outcome = pq::EffectRunEnd::Outcome;
    {
        pq::ScopedEffectOverride o(200, FillRed);
        pq::ProcessEffect(200, 0, 0, 0, 0, 0, told);
        ASSERT_TRUE(waitIdle());
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].outcome, Outcome::Done);
        // Told after the result was stored and the busy state ended.
        EXPECT_EQ(RgbAt(host->result, 0, 0), 0xFF0000u);
    }
    {
        pq::ScopedEffectOverride o(200, IntermediateThenWait);
        pq::ProcessEffect(200, 0, 0, 0, 0, 0, told);
        ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));
        EXPECT_EQ(ends.size(), 1u);
        host->shared->cancel.request();
        ASSERT_TRUE(waitIdle());
        ASSERT_EQ(ends.size(), 2u);
        EXPECT_EQ(ends[1].outcome, Outcome::Cancelled);
    }
    {
        pq::ScopedEffectOverride o(200, Throwing);
        pq::ProcessEffect(200, 0, 0, 0, 0, 0, told);
        ASSERT_TRUE(waitIdle());
        ASSERT_EQ(ends.size(), 3u);
        EXPECT_EQ(ends[2].outcome, Outcome::Failed);
        EXPECT_EQ(ends[2].message, "boom");
    }
    {
        const pq::ScopedEffectOverride unbuilt(300, nullptr);
        pq::ProcessEffect(300, 0, 0, 0, 0, 0, told);
        ASSERT_TRUE(waitIdle());
        ASSERT_EQ(ends.size(), 4u);
        EXPECT_EQ(ends[3].outcome, Outcome::Failed);
    }
    EXPECT_EQ(host->effectNumber, -1);
}

TEST_F(RuntimeTest, ARefusedReportingRunTellsAtOnce)
{
    host->result = {};
    std::vector<pq::EffectRunEnd> ends;
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, [&ends](const pq::EffectRunEnd& end) { ends.push_back(end); });
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].outcome, pq::EffectRunEnd::Outcome::Failed);
    EXPECT_EQ(ends[0].message, "No image loaded");
    EXPECT_EQ(pq::EffectWorkerCount(), 0);
}
