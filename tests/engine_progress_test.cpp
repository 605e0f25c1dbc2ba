#include "engine_test_support.h"

#include <atomic>

using namespace pqtest;

namespace {

class ProgressTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        platform::SetTickSource([this] { return now.load(); });
        pq::gLastProgressTick = 0;
        host->previewSize = QSizeF(225, 225);
    }
    // Reports made on the UI thread inside a run arrive at once.
    void inRun(bool preview, const std::function<void()>& fn)
    {
        auto run = pq::EffectRunContext::begin(preview);
        platform::ScopedRunContext scope(run.get());
        fn();
    }
    std::atomic<uint32_t> now{100000};
};

} // namespace

TEST_F(ProgressTest, ASecondReportWithin50msIsDroppedUnlessItIsOutside1To100)
{
    inRun(false, [&] {
        pq::SafeUpdateProgress(10);
        EXPECT_EQ(host->lastProgress, 10);
        now += 30;
        pq::SafeUpdateProgress(20);
        EXPECT_EQ(host->lastProgress, 10); // dropped, and not sent later
        pq::SafeUpdateProgress(100);
        EXPECT_EQ(host->lastProgress, 10);
        for (int always : {0, -3, 101, 250}) {
            pq::SafeUpdateProgress(always);
            EXPECT_EQ(host->lastProgress, always);
        }
        now += 51;
        pq::SafeUpdateProgress(30);
        EXPECT_EQ(host->lastProgress, 30);
    });
}

TEST_F(ProgressTest, AWrappedTickDoesNotBlockReports)
{
    inRun(false, [&] {
        pq::gLastProgressTick = 0xFFFFFFF0u;
        now = 0x10; // 32 ms later
        pq::SafeUpdateProgress(40);
        EXPECT_EQ(host->lastProgress, -1);
        now = 100; // 116 ms later
        pq::SafeUpdateProgress(41);
        EXPECT_EQ(host->lastProgress, 41);
        EXPECT_EQ(pq::gLastProgressTick.load(), 100u);
    });
}

TEST_F(ProgressTest, PreviewSnapshotsPassEvery120msAndShowTheirValue)
{
    inRun(true, [&] {
        gfx::Surface s = gfx::Surface::make(225, 225);
        s.clear(Qt::red);
        pq::SafeUpdatePreview(s, 10);
        EXPECT_EQ(host->previewBitmapUpdates, 1);
        EXPECT_EQ(host->previewLabel, 10);
        now += 100;
        pq::SafeUpdatePreview(s, 20);
        EXPECT_EQ(host->previewBitmapUpdates, 1);
        EXPECT_EQ(host->shared->currentPreviewProgress(), 20); // stored even when throttled
        now += 21;
        pq::SafeUpdatePreview(s, 100);
        EXPECT_EQ(host->previewBitmapUpdates, 2);
        EXPECT_EQ(host->previewLabel, 100);
        pq::SafeUpdatePreview(s, 101);
        EXPECT_EQ(host->previewBitmapUpdates, 3);
        EXPECT_EQ(host->previewLabel, 101);
        EXPECT_EQ(host->previewBitmap.pixel(3, 3) & 0xFFFFFFu, 0xFF0000u);

        now += 500; // no surface: the value and timestamp only
        pq::SafeUpdatePreview(nullptr, 33);
        EXPECT_EQ(host->shared->currentPreviewProgress(), 33);
        EXPECT_EQ(pq::gLastProgressTick.load(), now.load());
        EXPECT_EQ(host->previewBitmapUpdates, 3);
    });
    EXPECT_EQ(host->lastProgress, -1); // previews never reach the main bar

    inRun(false, [&] { // off previews the limit is 50 ms
        gfx::Surface s = gfx::Surface::make(4, 4);
        now += 60;
        pq::SafeUpdatePreview(s, 10);
        now += 60;
        pq::SafeUpdatePreview(s, 20);
        EXPECT_EQ(host->previewBitmapUpdates, 5);
    });
}

TEST_F(ProgressTest, CancellationEndsTheBarOnlyOffPreviews)
{
    inRun(false, [&] {
        host->shared->cancel.request();
        EXPECT_TRUE(pq::IsEffectCancelled());
        EXPECT_THROW(pq::CheckCancellation(), pq::EAbort);
        EXPECT_EQ(host->lastProgress, 101);
    });
    host->lastProgress = -1;
    inRun(true, [&] {
        host->shared->previewGeneration++;
        EXPECT_THROW(pq::CheckCancellation(), pq::EAbort);
        EXPECT_THROW(pq::SafeUpdateProgress(5), pq::EAbort);
        gfx::Surface s = gfx::Surface::make(4, 4);
        EXPECT_NO_THROW(pq::SafeUpdatePreview(s, 5)); // superseded: silent
    });
    EXPECT_EQ(host->lastProgress, -1);
    EXPECT_EQ(host->previewBitmapUpdates, 0);
}

TEST_F(ProgressTest, AFullRunCancelledWhileReportingRaisesAndEndsTheBar)
{
    inRun(false, [&] {
        host->shared->cancel.request();
        gfx::Surface s = gfx::Surface::make(4, 4);
        EXPECT_THROW(pq::SafeUpdatePreview(s, 5), pq::EAbort); // no 101 from here
        EXPECT_EQ(host->lastProgress, -1);
        EXPECT_THROW(pq::SafeUpdateProgress(5), pq::EAbort);
        EXPECT_EQ(host->lastProgress, 101);
    });
}

TEST_F(ProgressTest, IntermediateImagesLeaveTheDocumentAloneWhileTheBrushIsOpen)
{
    const gfx::Image first = SolidImage(4, 4, Qt::white);
    const gfx::Image next = SolidImage(4, 4, Qt::black);
    host->result = first;
    host->brushPanelOpen = true;
    pq::ShowIntermediateImage(next, 55, pq::Delivery::Queued);
    EXPECT_TRUE(host->result.sameAs(first));
    EXPECT_EQ(host->lastProgress, 55);

    host->brushPanelOpen = false;
    pq::ShowIntermediateImage(next, -1, pq::Delivery::Synchronous);
    EXPECT_TRUE(host->result.sameAs(next));
    EXPECT_EQ(host->lastProgress, 55);

    pq::SetEngineHost(nullptr); // the window is gone: nothing happens
    pq::ShowIntermediateImage(first, 60, pq::Delivery::Queued);
    pq::SetEngineHost(host.get());
    EXPECT_TRUE(host->result.sameAs(next));
}
