#include "engine_test_support.h"

#include "engine/runtime/effect_lock.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/preview_window.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/texture_step.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"

#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

using namespace pqtest;

namespace {

std::atomic<int> gCalls{0};
Gate* gGate = nullptr;
Gate* gGate2 = nullptr;
std::atomic<bool> gUpdateReturned{false};
std::atomic<bool> gCheckThrew{false};

void FillRed(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    ++gCalls;
    dest.clear(Qt::red);
}

void GatedFillBlue(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    ++gCalls;
    gGate->enterAndWait();
    dest.clear(Qt::blue);
}

// Shows a green intermediate result, then waits.
void IntermediateThenWait(const gfx::Image& src, gfx::Surface& dest, int, int, int, int, int, bool)
{
    const gfx::Image green = SolidImage(src.width(), src.height(), Qt::green);
    pq::ShowIntermediateImage(green, 40, pq::Delivery::Synchronous);
    gGate->enterAndWait();
    dest.clear(Qt::blue);
}

// Between two gates, queues a green intermediate result at 30 per cent.
void QueuedIntermediateBetweenGates(const gfx::Image& src, gfx::Surface& dest, int, int, int, int, int, bool)
{
    gGate->enterAndWait(false);
    pq::ShowIntermediateImage(SolidImage(src.width(), src.height(), Qt::green), 30, pq::Delivery::Queued);
    gGate2->enterAndWait(false);
    dest.clear(Qt::blue);
}

void Throwing(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool)
{
    throw std::runtime_error("boom");
}

void OutOfMemory(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool)
{
    throw std::bad_alloc();
}

// What an effect does when the graphics layer could not give it a buffer:
// the layer notes it on the run, the effect carries on and writes what it
// has (here, a transparent picture).
void FailedAllocationCarriesOn(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    platform::NoteOutOfMemory();
    dest.clear(Qt::transparent);
}

void GatedThrowing(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool)
{
    gGate->enterAndWait(false);
    throw std::runtime_error("late");
}

// Waits ignoring cancellation, then reports and checks like an effect.
void ReportAfterGate(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    gGate->enterAndWait(false);
    dest.clear(Qt::red);
    pq::SafeUpdatePreview(dest, 50);
    gUpdateReturned = true;
    try {
        pq::CheckCancellation();
    } catch (const pq::EAbort&) {
        gCheckThrew = true;
        throw;
    }
}

// Posts a snapshot between two gates.
void SnapshotBetweenGates(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    gGate->enterAndWait(false);
    dest.clear(Qt::red);
    pq::SafeUpdatePreview(dest, 0);
    gGate2->enterAndWait(false);
}

// Notes the preview flag of the run it works in.
std::atomic<int> gRunPreview{-1};
void NotePreview(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    const pq::EffectRunContext* run = pq::CurrentRun();
    gRunPreview = run ? int(run->preview) : -1;
    dest.clear(Qt::red);
}

void NotePreviewThenThrow(const gfx::Image& src, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                          bool preview)
{
    NotePreview(src, dest, p1, p2, p3, p4, p5, preview);
    throw std::runtime_error("boom");
}

void MarkGreen(gfx::Image& image, const gfx::Image&, int, float)
{
    image = SolidImage(image.width(), image.height(), Qt::green);
}

QRgb RgbAt(const gfx::Image& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFFu;
}

class RuntimeTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        gCalls = 0;
        gGate = &gate;
        gGate2 = &gate2;
        gUpdateReturned = false;
        gCheckThrew = false;
        loadDocument(SolidImage(64, 48, Qt::white));
        host->previewSize = QSizeF(225, 225);
    }
    void TearDown() override
    {
        gate.open();
        gate2.open();
        EngineTest::TearDown();
    }
    // Starts a full run of effect 200, lets it past `gate` and waits, without
    // pumping, until it reaches `gate2`.
    bool reachSecondGateWithoutPumping()
    {
        pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
        if (!pumpUntil([&] { return gate.entered(); }))
            return false;
        gate.open();
        for (int i = 0; i < 10000 && !gate2.entered(); ++i)
            platform::SleepMs(1);
        return gate2.entered();
    }
    Gate gate;
    Gate gate2;
};

} // namespace

TEST_F(RuntimeTest, ApplyWithoutAnImageShowsNoImageLoaded)
{
    host->result = {};
    pq::ScopedEffectOverride o(200, FillRed);
    pq::ProcessEffect(200, 50, 50, 0, 0, 0, false);
    EXPECT_EQ(host->messages, QStringList{"No image loaded"});
    EXPECT_EQ(pq::EffectWorkerCount(), 0);
    EXPECT_EQ(host->effectNumber, -1);
}

TEST_F(RuntimeTest, AFullRunWhileAnotherWorksIsRefusedWithTheBusyMessage)
{
    pq::ScopedEffectOverride o1(501, GatedFillBlue);
    pq::ScopedEffectOverride o2(200, FillRed);
    pq::ProcessEffect(501, 0, 0, 0, 0, 0, false);
    EXPECT_EQ(host->effectNumber, 501);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));

    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    EXPECT_EQ(host->messages, QStringList{"Please wait for \"Cartoon\" to finish processing."});
    EXPECT_EQ(host->effectNumber, 501);

    gate.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(gCalls, 1);
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0x0000FFu);
    EXPECT_EQ(host->effectNumber, -1);
}

TEST_F(RuntimeTest, NumbersWithoutARoutineEndSilentlyAndFreeTheBusyState)
{
    const gfx::Image before = host->result;
    // A table entry whose routine is not built.
    const pq::ScopedEffectOverride unbuilt(300, nullptr);
    for (int number : {900, 999, -1, 300}) {
        pq::ProcessEffect(number, 0, 0, 0, 0, 0, false);
        EXPECT_EQ(host->effectNumber, number);
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(host->effectNumber, -1) << number;
    }
    EXPECT_TRUE(host->messages.isEmpty());
    EXPECT_EQ(host->history.count(), 0);
    EXPECT_TRUE(host->result.sameAs(before));

    gfx::Surface dest = gfx::Surface::make(8, 8);
    pq::ProcessEffectOnSurface(before, dest, 900, 0, 0, 0, 0, 0, false);
    EXPECT_EQ(dest.row(0)[0], 0u);
}

TEST_F(RuntimeTest, TheBusyStateEndsOnlyAfterTheResultIsStored)
{
    pq::ScopedEffectOverride o(200, FillRed);
    QRgb shownAtRelease = 0;
    int savedAtRelease = -1;
    host->onEffectNumber = [&](int n) {
        if (n == -1) {
            shownAtRelease = RgbAt(host->result, 0, 0);
            savedAtRelease = host->history.count();
        }
    };
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(shownAtRelease, 0xFF0000u);
    EXPECT_EQ(savedAtRelease, 1);
    EXPECT_EQ(host->effectNumber, -1);
}

TEST_F(RuntimeTest, ACancelledFullRunKeepsTheImageOnDisplayAndSavesIt)
{
    pq::ScopedEffectOverride o(200, IntermediateThenWait);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0x00FF00u);
    EXPECT_EQ(host->lastProgress, 40);

    host->shared->cancel.request();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0x00FF00u);
    ASSERT_EQ(host->history.count(), 1);
    host->history.waitForEncoding();
    const auto snap = host->history.snapshotAt(0);
    ASSERT_TRUE(snap);
    const gfx::Image stored = pq::ImageHistory::decodeSnapshotImage(snap->displayData);
    ASSERT_FALSE(stored.isNull());
    EXPECT_LT(qAbs(qGreen(stored.pixel(5, 5)) - 255) + qRed(stored.pixel(5, 5)), 8);
    EXPECT_EQ(host->effectNumber, -1);
    EXPECT_EQ(host->lastProgress, 101);
    EXPECT_TRUE(host->messages.isEmpty());
}

TEST_F(RuntimeTest, AQueuedIntermediatePictureArrivesLater)
{
    pq::ScopedEffectOverride o(200, QueuedIntermediateBetweenGates);
    ASSERT_TRUE(reachSecondGateWithoutPumping());
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0xFFFFFFu); // still in the queue
    EXPECT_GE(bridge->pump(), 1);
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0x00FF00u);
    EXPECT_EQ(host->lastProgress, 30);
    gate2.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0x0000FFu);
}

TEST_F(RuntimeTest, AQueuedIntermediatePictureOfACancelledRunIsDropped)
{
    pq::ScopedEffectOverride o(200, QueuedIntermediateBetweenGates);
    ASSERT_TRUE(reachSecondGateWithoutPumping());
    host->shared->cancel.request();
    EXPECT_GE(bridge->pump(), 1);
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(host->lastProgress, -1);
    gate2.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0xFFFFFFu);
}

TEST_F(RuntimeTest, ACancelLeftFromEarlierDoesNotStopTheNextApply)
{
    pq::ScopedEffectOverride o(200, FillRed);
    host->shared->cancel.request(); // an Esc while nothing ran
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(gCalls, 1);
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0xFF0000u);
    EXPECT_EQ(host->history.count(), 1);
}

TEST_F(RuntimeTest, ANewPreviewNeverClearsARunningFullRunsCancel)
{
    pq::ScopedEffectOverride o1(200, GatedFillBlue);
    pq::ScopedEffectOverride o2(201, FillRed);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));
    host->shared->cancel.request();
    pq::ProcessEffect(201, 0, 0, 0, 0, 0, true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(host->previewBitmapUpdates, 1);
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0xFFFFFFu); // the full run stopped
    EXPECT_EQ(host->effectNumber, -1);
}

TEST_F(RuntimeTest, APreviewBesideAFullRunDrawsOnlyIntoThePane)
{
    pq::ScopedEffectOverride o1(200, GatedFillBlue);
    pq::ScopedEffectOverride o2(201, FillRed);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));
    pq::ProcessEffect(201, 0, 0, 0, 0, 0, true);
    ASSERT_TRUE(pumpUntil([&] { return host->previewBitmapUpdates == 1; }));
    EXPECT_EQ(RgbAt(host->previewBitmap, 10, 10), 0xFF0000u);
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(host->effectNumber, 200);
    gate.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(RgbAt(host->result, 0, 0), 0x0000FFu);
}

TEST_F(RuntimeTest, OnlyTheRunOwningTheBusyStateEndsIt)
{
    pq::ScopedEffectOverride o(200, GatedFillBlue);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));

    // A whole run of another effect, ending with its 101, and a preview.
    gfx::Surface dest = gfx::Surface::make(64, 48);
    pq::ProcessEffectOnSurface(host->source, dest, 201, 50, 0, 0, 0, 0, false);
    pq::ProcessEffect(201, 50, 0, 0, 0, 0, true);
    pq::UpdateProgressBar(101);
    pq::ReleaseBusy(*host, 200, pq::BusyOwner() + 1);
    ASSERT_TRUE(pumpUntil([&] { return host->previewBitmapUpdates >= 1; }));
    EXPECT_EQ(host->lastProgress, 101);
    EXPECT_EQ(host->effectNumber, 200);

    gate.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(host->effectNumber, -1);
}

TEST_F(RuntimeTest, TheBusyMessagesNestedLoopMayStartPreviewsAndTakeTheLock)
{
    pq::ScopedEffectOverride o1(200, GatedFillBlue);
    pq::ScopedEffectOverride o2(201, FillRed);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));

    bool nested = false;
    host->onMessage = [&](const QString&) {
        // The preview timer firing inside the modal box.
        pq::ProcessEffect(201, 0, 0, 0, 0, 0, true);
        std::lock_guard lock(pq::gEffectLock);
        nested = true;
    };
    {
        std::lock_guard held(pq::gEffectLock); // re-entrant on this thread
        pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    }
    EXPECT_TRUE(nested);
    host->onMessage = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return host->previewBitmapUpdates == 1; }));
    gate.open();
    ASSERT_TRUE(waitIdle());
}

TEST_F(RuntimeTest, ASupersededPreviewNeitherDrawsNorRaisesUntilItsNextCheck)
{
    pq::ScopedEffectOverride o(200, ReportAfterGate);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, true);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));
    host->shared->previewGeneration++; // a newer preview was requested
    platform::SetTickSource([] { return 1000000u; });
    pq::gLastProgressTick = 0;
    gate.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(gUpdateReturned);
    EXPECT_TRUE(gCheckThrew);
    EXPECT_EQ(host->previewBitmapUpdates, 0);
    EXPECT_EQ(host->lastProgress, -1);
    EXPECT_EQ(host->effectNumber, -1);
}

TEST_F(RuntimeTest, ALateSnapshotOfASupersededPreviewIsNotDrawn)
{
    pq::ScopedEffectOverride o(200, SnapshotBetweenGates);
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, true);
    ASSERT_TRUE(pumpUntil([&] { return gate.entered(); }));
    gate.open();
    // The routine posts its snapshot and waits; nothing is pumped meanwhile.
    for (int i = 0; i < 10000 && !gate2.entered(); ++i)
        platform::SleepMs(1);
    ASSERT_TRUE(gate2.entered());
    host->shared->previewGeneration++;
    EXPECT_GE(bridge->pump(), 1); // the snapshot's UI call ran...
    EXPECT_EQ(host->previewBitmapUpdates, 0); // ...and drew nothing
    gate2.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(host->previewBitmapUpdates, 0);
}

TEST_F(RuntimeTest, ASourceSmallerThanThePaneWindowIsDrawnAtTheZoom)
{
    pq::ScopedEffectOverride o(200, FillRed);
    loadDocument(SolidImage(100, 80, Qt::white));
    host->paneZoom = 2.0f; // the window spans Round(112.5) = 112 pixels
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, true);
    ASSERT_TRUE(waitIdle());
    const gfx::Image& pane = host->previewBitmap;
    ASSERT_EQ(pane.size(), QSize(225, 225));
    EXPECT_EQ(RgbAt(pane, 190, 150), 0xFF0000u);
    EXPECT_EQ(RgbAt(pane, 205, 20), 0xFFFFFFu);
    EXPECT_EQ(RgbAt(pane, 20, 165), 0xFFFFFFu);
    EXPECT_EQ(pane.pixel(220, 220) >> 24, 255u);
}

TEST_F(RuntimeTest, ALargeSourceFillsThePaneAndTheOriginIsPulledBack)
{
    pq::ScopedEffectOverride o(200, FillRed);
    loadDocument(SolidImage(400, 300, Qt::white));
    host->shared->previewX = 5000;
    host->shared->previewY = -7;
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(host->shared->previewX.load(), 400 - 225);
    EXPECT_EQ(host->shared->previewY.load(), 0);
    EXPECT_EQ(RgbAt(host->previewBitmap, 224, 224), 0xFF0000u);
    EXPECT_TRUE(RgbAt(host->result, 0, 0) == 0xFFFFFFu); // the document is not touched
}

TEST_F(RuntimeTest, TheTextureIsLaidOverPreviewsAndFullRunsButNotSurfaceRuns)
{
    pq::ScopedEffectOverride o(200, FillRed);
    pq::SetTextureOverlayProc(MarkGreen);
    host->textureOn = true;
    host->texture = SolidImage(16, 16, Qt::gray);

    pq::ProcessEffect(200, 0, 0, 0, 0, 0, true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(RgbAt(host->previewBitmap, 10, 10), 0x00FF00u);

    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(RgbAt(host->result, 10, 10), 0x00FF00u);

    gfx::Surface dest = gfx::Surface::make(8, 8);
    pq::ProcessEffectOnSurface(host->source, dest, 200, 0, 0, 0, 0, 0, false);
    EXPECT_EQ(dest.row(0)[0] & 0xFFFFFFu, 0xFF0000u);

    host->textureOn = false;
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(RgbAt(host->result, 10, 10), 0xFF0000u);
    pq::SetTextureOverlayProc(nullptr);
}

TEST_F(RuntimeTest, AddTexturePressesTheStoredTextureIntoFullRuns)
{
    pq::ScopedEffectOverride o(200, FillRed);
    loadDocument(SolidImage(40, 30, Qt::white));
    gfx::Surface stripes = gfx::Surface::make(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            stripes.row(y)[x] = x < 4 ? 0xFF000000u : 0xFFFFFFFFu;
    host->texture = stripes.snapshot();
    host->textureStrength = 100.0f;

    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    const gfx::Image plain = host->result;

    host->textureOn = true;
    pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
    ASSERT_TRUE(waitIdle());
    const gfx::Image textured = host->result;
    ASSERT_EQ(textured.size(), plain.size());
    int changed = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            changed += textured.pixel(x, y) != plain.pixel(x, y);
    EXPECT_GT(changed, plain.width() * plain.height() / 4);
}

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
