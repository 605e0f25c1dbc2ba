// Frame composition: the geometry of a framed document, its refusals, and
// the worker that puts a frame around the document.
#include "engine/runtime/effect_runtime.h"
#include "gfx/frame_image.h"
#include "image_compare.h"
#include "platform/ui_bridge.h"
#include "workspace/document.h"
#include "workspace/frame_composition.h"

#include <gtest/gtest.h>

#include "event_loop.h"

using gfx::Image;
using gfx::Pixel;
using testimg::MakeImage;
using testimg::MakeNoise;
using testimg::MakeSolid;
using testimg::Premul;

namespace {

const Pixel kWood = Premul(90, 60, 30);

// Solid wood outside the opening, transparent inside.
Image MakeFrame(int w, int h, QRect opening)
{
    return MakeImage(w, h, [&](int x, int y) { return opening.contains(x, y) ? Pixel(0) : kWood; });
}

TEST(FrameDocument, TheExampleKeepsTheImageExactlyAtItsPlace)
{
    // Opening x 100..1099, y 80..919.
    const Image frame = MakeFrame(1200, 1000, QRect(QPoint(100, 80), QPoint(1099, 919)));
    const Image result = MakeNoise(1000, 800, 7);
    const Image source = MakeNoise(1000, 800, 8);
    const pq::FramedDocument framed = pq::FrameDocumentImages(result, source, frame, 20, 0xFFFFFFFF);
    ASSERT_TRUE(framed.ok());
    EXPECT_EQ(framed.result.size(), QSize(1240, 1000));
    EXPECT_EQ(framed.source.size(), QSize(1240, 1000));
    EXPECT_TRUE(testimg::ImagesNear(result, framed.result.copyRect(QRect(120, 100, 1000, 800))));
    EXPECT_TRUE(testimg::ImagesNear(source, framed.source.copyRect(QRect(120, 100, 1000, 800))));
    // The margin, then the frame's corners at their own size.
    EXPECT_EQ(framed.result.pixel(105, 85), 0xFFFFFFFFu);
    EXPECT_EQ(framed.result.pixel(0, 0), kWood);
    EXPECT_EQ(framed.result.pixel(1239, 999), kWood);
    EXPECT_TRUE(testimg::IsValidPremultiplied(framed.result));
}

TEST(FrameDocument, AFrameWithoutSolidMiddleLinesAddsOnlyTheMargin)
{
    // Solid corners only; the middle lines hold alpha 250 at most.
    const Image frame = MakeImage(80, 60, [](int x, int y) {
        if ((x < 10 || x >= 70) && (y < 10 || y >= 50))
            return kWood;
        return x < 10 ? Premul(0, 0, 0, 250) : Pixel(0);
    });
    const pq::FramedDocument framed =
        pq::FrameDocumentImages(MakeSolid(100, 50, 0xFFFF0000), MakeSolid(100, 50, 0xFF00FF00), frame, 7, 0xFFFFFFFF);
    ASSERT_TRUE(framed.ok());
    EXPECT_EQ(framed.result.size(), QSize(114, 64));
}

TEST(FrameDocument, AZeroMarginStillFillsTheRingAndATransparentOneStaysClear)
{
    // A frame whose inner edge is translucent, so the ring shows through.
    const Image frame = MakeImage(40, 40, [](int x, int y) {
        const bool outside = x < 10 || x >= 30 || y < 10 || y >= 30;
        const bool edge = x == 10 || x == 29 || y == 10 || y == 29;
        return outside ? kWood : (edge ? Premul(0, 0, 0, 0) : Pixel(0));
    });
    const Image picture = MakeSolid(20, 20, 0xFF0000FF);
    const pq::FramedDocument ring = pq::FrameDocumentImages(picture, picture, frame, 0, 0xFFFF0000);
    ASSERT_TRUE(ring.ok());
    ASSERT_EQ(ring.result.size(), QSize(40, 40));
    // The picture covers the hole; the ring lies under the frame's border
    // column just outside it.
    EXPECT_EQ(ring.result.pixel(15, 15), 0xFF0000FFu);

    const Image clearFrame = MakeFrame(60, 60, QRect(10, 10, 40, 40));
    const pq::FramedDocument clear = pq::FrameDocumentImages(picture, picture, clearFrame, 5, 0x00FFFFFF);
    ASSERT_TRUE(clear.ok());
    EXPECT_EQ(clear.result.pixel(12, 12), 0u) << "a transparent margin colour stays transparent";
    EXPECT_EQ(clear.result.pixel(30, 30), 0xFF0000FFu);
}

TEST(FrameDocument, ASolidCentreOrAMissingImageIsRefused)
{
    const Image picture = MakeSolid(20, 20, 0xFF0000FF);
    EXPECT_FALSE(pq::FrameDocumentImages(picture, picture, MakeSolid(30, 30, kWood), 5, 0xFFFFFFFF).ok());
    EXPECT_FALSE(pq::FrameDocumentImages(Image(), picture, MakeFrame(30, 30, QRect(5, 5, 20, 20)), 5, 0xFFFFFFFF).ok());
    EXPECT_FALSE(pq::FrameDocumentImages(picture, picture, Image(), 5, 0xFFFFFFFF).ok());
    // A margin beyond every size limit gives no output rather than a crash.
    EXPECT_FALSE(
        pq::FrameDocumentImages(picture, picture, MakeFrame(30, 30, QRect(5, 5, 20, 20)), 1 << 30, 0xFFFFFFFF).ok());
}

class FrameWorker : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetUiBridge(platform::MakeQtUiBridge());
        composition = std::make_unique<pq::FrameComposition>(document);
        composition->closeOverlay = [this] { ++closes; };
        composition->showFramed = [this] { ++shows; };
        composition->tell = [this](const QString& text) { messages << text; };
        QObject::connect(composition.get(), &pq::FrameComposition::finished, [this](bool framed) {
            ++finishes;
            lastFramed = framed;
        });
        document.sourceImage = MakeNoise(64, 48, 1);
        document.resultImage = MakeNoise(64, 48, 2);
        document.history->save(document.resultImage, document.sourceImage);
    }
    void TearDown() override
    {
        ASSERT_TRUE(testloop::ProcessUntil([&] { return document.backgroundWorkers.load() == 0; }));
        composition.reset();
        platform::SetUiBridge(nullptr);
    }
    bool waitForHandBack()
    {
        return testloop::ProcessUntil([&] { return finishes > 0 && document.backgroundWorkers.load() == 0; });
    }

    pq::Document document;
    std::unique_ptr<pq::FrameComposition> composition;
    int closes = 0, shows = 0, finishes = 0;
    bool lastFramed = false;
    QStringList messages;
};

TEST_F(FrameWorker, FramesBothImagesWithOneStepThatUndoRemoves)
{
    const Image source = document.sourceImage, result = document.resultImage;
    const int steps = document.history->count();
    ASSERT_EQ(composition->applySelectedFrame(MakeFrame(30, 30, QRect(10, 10, 10, 10)), 4, 0xFFFFFFFF),
              pq::FrameComposition::Outcome::Started);
    EXPECT_EQ(document.backgroundWorkers.load(), 1);
    ASSERT_TRUE(waitForHandBack());
    EXPECT_TRUE(lastFramed);
    EXPECT_EQ(document.resultImage.size(), QSize(64 + 8 + 20, 48 + 8 + 20));
    EXPECT_EQ(document.sourceImage.size(), document.resultImage.size());
    EXPECT_EQ(document.history->count(), steps + 1);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(shows, 1);

    Image undoneResult, undoneSource;
    ASSERT_TRUE(document.history->undo(undoneResult, undoneSource));
    // The history keeps its steps compressed: sizes tell the steps apart.
    EXPECT_EQ(undoneResult.size(), result.size());
    EXPECT_EQ(undoneSource.size(), source.size());
}

TEST_F(FrameWorker, EveryPathWithoutAWorkerClosesTheOverlay)
{
    EXPECT_EQ(composition->applySelectedFrame(Image(), 4, 0xFFFFFFFF), pq::FrameComposition::Outcome::NothingToFrame);
    EXPECT_EQ(closes, 1);
    document.resultImage = {};
    EXPECT_EQ(composition->applySelectedFrame(MakeFrame(30, 30, QRect(10, 10, 10, 10)), 4, 0xFFFFFFFF),
              pq::FrameComposition::Outcome::NothingToFrame);
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(document.backgroundWorkers.load(), 0);
}

TEST_F(FrameWorker, ARefusedFrameLeavesTheDocumentAndClosesThePanel)
{
    const Image result = document.resultImage;
    const int steps = document.history->count();
    ASSERT_EQ(composition->applySelectedFrame(MakeSolid(30, 30, kWood), 4, 0xFFFFFFFF),
              pq::FrameComposition::Outcome::Started);
    ASSERT_TRUE(waitForHandBack());
    EXPECT_FALSE(lastFramed);
    EXPECT_TRUE(document.resultImage.sameAs(result));
    EXPECT_EQ(document.history->count(), steps);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FrameWorker, AFrameForADocumentThatWasReplacedIsDropped)
{
    ASSERT_EQ(composition->applySelectedFrame(MakeFrame(30, 30, QRect(10, 10, 10, 10)), 4, 0xFFFFFFFF),
              pq::FrameComposition::Outcome::Started);
    const Image other = MakeSolid(10, 10, 0xFF00FF00);
    ASSERT_TRUE(document.replaceDocument(other, other));
    ASSERT_TRUE(waitForHandBack());
    EXPECT_FALSE(lastFramed);
    EXPECT_TRUE(document.resultImage.sameAs(other));
    EXPECT_EQ(closes, 1);
}

TEST_F(FrameWorker, ACloseDuringACompositionWaitsForItsEnd)
{
    int closesOfWindow = 0;
    document.onDeferredClose = [&] { ++closesOfWindow; };
    ASSERT_EQ(composition->applySelectedFrame(MakeFrame(30, 30, QRect(10, 10, 10, 10)), 4, 0xFFFFFFFF),
              pq::FrameComposition::Outcome::Started);
    EXPECT_TRUE(document.isBackgroundWorkRunning());
    document.closeRequested = true;
    ASSERT_TRUE(waitForHandBack());
    EXPECT_EQ(closesOfWindow, 1);
    EXPECT_FALSE(document.closeRequested);
}

} // namespace
