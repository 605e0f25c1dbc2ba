#include "runtime_test_fixture.h"

using namespace pqtest;
using namespace pqtest::runtime;


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
