// The brushstroke frame as a workspace command: busy state, the framed
// pair, one history step, undo.
#include "engine_test_support.h"

#include "effects/painting/brushstrokes_frame.h"
#include "engine/repository/image_repository.h"
#include "image_compare.h"
#include "workspace/brushstrokes_frame_command.h"
#include "workspace/document_host.h"

using namespace pqtest;
using pq::BrushstrokesFrameCommand;

namespace {

class FrameCommandTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        pq::ImageRepository& repo = pq::Repository();
        if (!repo.loaded())
            repo.create();
    }
    void TearDown() override
    {
        EXPECT_TRUE(pumpUntil([] { return BrushstrokesFrameCommand::workerCount() == 0; }));
        EngineTest::TearDown();
    }

    void load(const gfx::Image& result, const gfx::Image& source)
    {
        host->result = result;
        host->source = source;
        host->history.save(result, source);
    }

    bool finished()
    {
        return pumpUntil([] { return BrushstrokesFrameCommand::workerCount() == 0; });
    }

    int fits = 0;
    BrushstrokesFrameCommand command{{[this](const gfx::Image& image) { host->source = image; }, [this] { ++fits; }}};
};

const gfx::Pixel kBorder = testimg::Premul(20, 40, 60);

} // namespace

TEST_F(FrameCommandTest, FramesBothImagesAsOneHistoryStepThatUndoRestores)
{
    const gfx::Image result = testimg::MakeNoise(60, 40, 4);
    const gfx::Image source = testimg::MakeSolid(50, 30, testimg::Premul(200, 10, 10)); // another size
    load(result, source);
    const int entries = host->history.count();

    ASSERT_EQ(command.run(qRgb(20, 40, 60), 12, 10), BrushstrokesFrameCommand::Outcome::Started);
    EXPECT_EQ(host->effectNumber, pq::kBrushstrokesFrameNumber);
    ASSERT_TRUE(finished());
    EXPECT_EQ(host->effectNumber, -1);
    ASSERT_FALSE(host->progressSeen.empty());
    EXPECT_EQ(host->progressSeen.front(), 0);
    EXPECT_EQ(host->progressSeen.back(), 101);
    EXPECT_EQ(fits, 1);

    ASSERT_EQ(host->result.size(), QSize(84, 64));
    ASSERT_EQ(host->source.size(), QSize(84, 64));
    EXPECT_EQ(host->result.pixel(0, 0), kBorder);
    EXPECT_EQ(host->result.pixel(83, 63), kBorder);
    EXPECT_EQ(host->result.pixel(42, 32), result.pixel(30, 20)); // the middle is the picture
    // The source photo lies at the border's inner corner at its own size,
    // under a plain border: no strokes anywhere.
    EXPECT_EQ(host->source.pixel(30, 25), source.pixel(0, 0));
    EXPECT_EQ(host->source.pixel(12, 30), kBorder); // the picture's outermost column is covered
    EXPECT_EQ(host->source.pixel(70, 30), gfx::Pixel(0xFFFFFFFFu)); // beside the smaller photo: background
    EXPECT_EQ(host->source.pixel(72, 30), kBorder);
    EXPECT_TRUE(testimg::IsValidPremultiplied(host->result));

    EXPECT_EQ(host->history.count(), entries + 1);
    gfx::Image display, photo;
    ASSERT_TRUE(host->history.undo(display, photo));
    EXPECT_EQ(display.size(), result.size());
    EXPECT_EQ(photo.size(), source.size());
    EXPECT_TRUE(testimg::ImagesNear(source, photo, 2));
}

TEST_F(FrameCommandTest, RefusedWhileAFullRunRunsAndTheReverse)
{
    load(testimg::MakeNoise(40, 30, 2), testimg::MakeNoise(40, 30, 2));
    host->effectNumber = 300;
    host->busyName = QStringLiteral("Watercolor");
    EXPECT_EQ(command.run(qRgb(255, 255, 255), 10, 40), BrushstrokesFrameCommand::Outcome::Busy);
    EXPECT_EQ(host->messages, QStringList{QStringLiteral("Please wait for \"Watercolor\" to finish processing.")});
    EXPECT_EQ(host->effectNumber, 300);
    EXPECT_EQ(BrushstrokesFrameCommand::workerCount(), 0);

    host->effectNumber = -1;
    host->messages.clear();
    host->busyName = pq::EffectDisplayName(pq::kBrushstrokesFrameNumber);
    const gfx::Image before = host->result;
    ASSERT_EQ(command.run(qRgb(255, 255, 255), 10, 40), BrushstrokesFrameCommand::Outcome::Started);
    pq::ProcessEffect(300, 50, 50, 50, 50, 50, false);
    EXPECT_EQ(host->messages,
              QStringList{QStringLiteral("Please wait for \"Brushstrokes Frame\" to finish processing.")});
    EXPECT_EQ(host->effectNumber, pq::kBrushstrokesFrameNumber);
    ASSERT_TRUE(finished());
    EXPECT_EQ(host->effectNumber, -1);
    EXPECT_EQ(host->result.size(), QSize(60, 50));
}

TEST_F(FrameCommandTest, ATooLargeBorderIsRefusedWithAMessage)
{
    const gfx::Image picture = testimg::MakeNoise(40, 30, 3);
    load(picture, picture);
    EXPECT_EQ(command.run(qRgb(0, 0, 0), 40000, 40), BrushstrokesFrameCommand::Outcome::TooLarge);
    ASSERT_EQ(host->messages.size(), 1);
    EXPECT_TRUE(host->messages.front().contains(QStringLiteral("too large")));
    EXPECT_EQ(host->effectNumber, -1);
    EXPECT_TRUE(host->result.sameAs(picture));
}

TEST_F(FrameCommandTest, NothingToFrameStartsNothing)
{
    EXPECT_EQ(command.run(qRgb(0, 0, 0), 10, 40), BrushstrokesFrameCommand::Outcome::NoImage);
    EXPECT_EQ(host->effectNumber, -1);
    EXPECT_TRUE(host->messages.isEmpty());
}

TEST_F(FrameCommandTest, AClosePostponedDuringTheFrameHappensAtItsEnd)
{
    const gfx::Image picture = testimg::MakeNoise(30, 30, 5);
    load(picture, picture);
    ASSERT_EQ(command.run(qRgb(0, 0, 0), 4, 10), BrushstrokesFrameCommand::Outcome::Started);
    host->closePending = true;
    ASSERT_TRUE(finished());
    EXPECT_EQ(host->closeCalls, 1);
    EXPECT_FALSE(host->closePending);
}
