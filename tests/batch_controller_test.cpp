// The batch's sequence with fake ports: output names and their collisions,
// the progress and end texts, cancelling after the current file, and files
// whose loading, step or saving fails writing nothing and being listed.
#include "scripting/batch_controller.h"
#include "scripting/batch_naming.h"
#include "scripting/batch_script_choice.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace pq;

namespace {

using Outcome = BatchStepEnd::Outcome;

// Ports that answer at once, or hold the step until the test ends it.
struct FakeWorld {
    QStringList log;     // every port call, in order
    QStringList written; // outputs saved
    QStringList messages;
    QStringList notices;
    QStringList progress;
    std::map<QString, QString> loadErrors;
    std::map<QString, QString> saveErrors;
    // The step's end per file (file name → outcome); Done by default.
    std::map<QString, BatchStepEnd> stepEnds;
    bool holdSteps = false;
    QString current;
    bool finished = false;
    BatchController* controller = nullptr;

    BatchPorts ports()
    {
        BatchPorts p;
        p.load = [this](const QString& file, std::function<void(const QString&)> done) {
            log << QStringLiteral("load ") + file;
            const auto error = loadErrors.find(file);
            if (error == loadErrors.end())
                current = file;
            done(error == loadErrors.end() ? QString() : error->second);
        };
        p.startStep = [this] {
            log << QStringLiteral("step ") + current;
            if (holdSteps)
                return;
            const auto end = stepEnds.find(current);
            controller->stepFinished(end == stepEnds.end() ? BatchStepEnd{} : end->second);
        };
        p.save = [this](const QString& output, std::function<void(const QString&)> done) {
            log << QStringLiteral("save ") + output;
            const auto error = saveErrors.find(output);
            if (error == saveErrors.end())
                written << output;
            done(error == saveErrors.end() ? QString() : error->second);
        };
        p.showProgress = [this](const QString& text) { progress << text; };
        p.showNotice = [this](const QString& text) { notices << text; };
        p.showMessage = [this](const QString& text) { messages << text; };
        p.finished = [this] { finished = true; };
        return p;
    }
};

class BatchControllerTest : public ::testing::Test {
protected:
    BatchControllerTest() : controller(world.ports()) { world.controller = &controller; }
    FakeWorld world;
    BatchController controller;
};

} // namespace

TEST(BatchNaming, FollowsTheInputsNameAndLowerCaseExtension)
{
    EXPECT_EQ(BatchOutputFileName("/p/photo.JPG"), "/p/photo_PQ.jpg");
    EXPECT_EQ(BatchOutputFileName("/p/scan.bmp"), "/p/scan_PQ.png");
    EXPECT_EQ(BatchOutputFileName("/p/X.JPEG"), "/p/X_PQ.jpeg");
    EXPECT_EQ(BatchOutputFileName("/p/a.webp"), "/p/a_PQ.webp");
    EXPECT_EQ(BatchOutputFileName("/p/none"), "/p/none_PQ");
    EXPECT_EQ(BatchOutputFileName("/p/anim.GIF"), "/p/anim_PQ.gif");
}

TEST(BatchNaming, NeverReplacesAnInputOrAnEarlierOutput)
{
    EXPECT_EQ(BatchOutputFileNames({"/p/a.png", "/p/a.bmp"}), QStringList({"/p/a_PQ.png", "/p/a_PQ_2.png"}));
    EXPECT_EQ(BatchOutputFileNames({"/p/a.jpg", "/p/a_PQ.jpg"}), QStringList({"/p/a_PQ_2.jpg", "/p/a_PQ_PQ.jpg"}));
    // Upper and lower case name one file where the file system says so.
    EXPECT_EQ(BatchOutputFileNames({"/p/A.PNG", "/p/a.bmp", "/p/a.png"}),
              QStringList({"/p/A_PQ.png", "/p/a_PQ_2.png", "/p/a_PQ_3.png"}));
    EXPECT_EQ(BatchOutputFileNames({"/p/n", "/p/n_PQ"}), QStringList({"/p/n_PQ_2", "/p/n_PQ_PQ"}));
    // Other folders do not collide.
    EXPECT_EQ(BatchOutputFileNames({"/p/a.png", "/q/a.bmp"}), QStringList({"/p/a_PQ.png", "/q/a_PQ.png"}));
}

TEST(BatchTexts, FillsNumbersAndNamesInOrder)
{
    const struct {
        const char* text;
        QStringList values;
        const char* filled;
    } kTexts[] = {
        {"Processing image %d of %d...", {"2", "3"}, "Processing image 2 of 3..."},
        // A value's own "%s" is not filled again.
        {"Error saving image \"%s\": %s", {"a%s.jpg", "x"}, "Error saving image \"a%s.jpg\": x"},
        {"no place", {"1"}, "no place"},
        // Places at the very start and the very end; a lone "%" at the end.
        {"%d", {"7"}, "7"},
        {"%d%s", {"1", "2"}, "12"},
        {"50%", {"1"}, "50%"},
        {"%", {"1"}, "%"},
        {"", {"1"}, ""},
        {"%d and %d", {"1"}, "1 and %d"},
        {"%d", {"1", "2"}, "1"},
        {"%x %d", {"5"}, "%x 5"},
    };
    for (const auto& row : kTexts)
        EXPECT_EQ(BatchController::Fill(QString::fromUtf8(row.text), row.values), QString::fromUtf8(row.filled))
            << row.text;
}

TEST_F(BatchControllerTest, ProcessesEveryFileInOrderAndCountsThem)
{
    ASSERT_TRUE(controller.start({"/p/1.jpg", "/p/2.JPG", "/p/3.bmp"}));
    EXPECT_EQ(world.progress, QStringList({"Processing image 1 of 3...", "Processing image 2 of 3...",
                                           "Processing image 3 of 3..."}));
    EXPECT_EQ(world.written, QStringList({"/p/1_PQ.jpg", "/p/2_PQ.jpg", "/p/3_PQ.png"}));
    EXPECT_EQ(world.log.first(), "load /p/1.jpg");
    EXPECT_EQ(world.log[1], "step /p/1.jpg");
    EXPECT_EQ(world.messages, QStringList({"Batch complete: 3 of 3 images processed."}));
    EXPECT_TRUE(world.finished);
    EXPECT_FALSE(controller.running());
}

TEST_F(BatchControllerTest, CancelDuringTheSecondOfFiveSavesItAndEnds)
{
    world.holdSteps = true;
    ASSERT_TRUE(controller.start({"/p/1.png", "/p/2.png", "/p/3.png", "/p/4.png", "/p/5.png"}));
    controller.stepFinished({});
    ASSERT_EQ(world.log.last(), "step /p/2.png");
    controller.cancel();
    controller.stepFinished({});
    EXPECT_EQ(world.written, QStringList({"/p/1_PQ.png", "/p/2_PQ.png"}));
    EXPECT_FALSE(world.log.contains("load /p/3.png"));
    EXPECT_EQ(world.messages, QStringList({"Batch complete: 2 of 5 images processed."}));
    EXPECT_FALSE(controller.running());
}

TEST_F(BatchControllerTest, ABatchAfterACancelledOneProcessesEveryFile)
{
    world.holdSteps = true;
    ASSERT_TRUE(controller.start({"/p/1.png", "/p/2.png", "/p/3.png"}));
    controller.cancel();
    controller.stepFinished({});
    ASSERT_FALSE(controller.running());
    world.holdSteps = false;
    world.written.clear();
    world.messages.clear();
    ASSERT_TRUE(controller.start({"/q/a.png", "/q/b.png", "/q/c.png"}));
    EXPECT_EQ(world.written, QStringList({"/q/a_PQ.png", "/q/b_PQ.png", "/q/c_PQ.png"}));
    EXPECT_EQ(world.messages, QStringList({"Batch complete: 3 of 3 images processed."}));
}

TEST_F(BatchControllerTest, AFileThatFailsToLoadIsSkippedAndListed)
{
    world.loadErrors["/p/bad.jpg"] = "Failed to load image: /p/bad.jpg";
    ASSERT_TRUE(controller.start({"/p/1.png", "/p/bad.jpg", "/p/3.png"}));
    EXPECT_EQ(world.written, QStringList({"/p/1_PQ.png", "/p/3_PQ.png"}));
    // No step on the image loaded before.
    EXPECT_EQ(world.log.count("step /p/1.png"), 1);
    // A notice, not a message box that would hold an unattended batch.
    EXPECT_EQ(world.notices, QStringList({"Failed to load image: /p/bad.jpg"}));
    EXPECT_EQ(world.messages, QStringList({"Batch complete: 2 of 3 images processed.\n"
                                           "bad.jpg: Failed to load image: /p/bad.jpg"}));
}

TEST_F(BatchControllerTest, FailedAndCancelledStepsWriteNothingAndTheBatchGoesOn)
{
    world.stepEnds["/p/2.png"] = {Outcome::Failed, "Line 3: Texture #9 not found"};
    world.stepEnds["/p/3.png"] = {Outcome::Cancelled, {}};
    ASSERT_TRUE(controller.start({"/p/1.png", "/p/2.png", "/p/3.png", "/p/4.png"}));
    EXPECT_EQ(world.written, QStringList({"/p/1_PQ.png", "/p/4_PQ.png"}));
    EXPECT_EQ(world.messages, QStringList({"Batch complete: 2 of 4 images processed.\n"
                                           "2.png: Line 3: Texture #9 not found\n"
                                           "3.png: Cancelled by user"}));
}

TEST_F(BatchControllerTest, AFailedSaveIsToldAndNotCounted)
{
    world.saveErrors["/p/anim_PQ.gif"] = "Invalid extension";
    ASSERT_TRUE(controller.start({"/p/anim.gif", "/p/1.png"}));
    EXPECT_EQ(world.written, QStringList({"/p/1_PQ.png"}));
    EXPECT_EQ(world.messages, QStringList({"Error saving image \"anim.gif\": Invalid extension",
                                           "Batch complete: 1 of 2 images processed.\n"
                                           "anim.gif: Invalid extension"}));
}

TEST_F(BatchControllerTest, StepEndsOutsideAStepAreIgnored)
{
    world.holdSteps = true;
    controller.stepFinished({});
    ASSERT_TRUE(controller.start({"/p/1.png"}));
    EXPECT_FALSE(controller.start({"/p/2.png"}));
    controller.stepFinished({});
    // A second end of the same step saves nothing more.
    controller.stepFinished({});
    EXPECT_EQ(world.written, QStringList({"/p/1_PQ.png"}));
    EXPECT_EQ(world.messages.size(), 1);
}

TEST_F(BatchControllerTest, ManyFilesThatFailAtOnceDoNotNest)
{
    QStringList files;
    for (int i = 0; i < 20000; ++i) {
        files << QStringLiteral("/p/%1.png").arg(i);
        world.loadErrors[files.last()] = "Failed to load image: " + files.last();
    }
    world.notices.reserve(20000);
    ASSERT_TRUE(controller.start(files));
    EXPECT_EQ(world.messages.size(), 1);
    EXPECT_TRUE(world.messages.last().startsWith("Batch complete: 0 of 20000 images processed."));
}

TEST(BatchScriptChoice, AScriptOfCommentsOnlyLeavesTheEffectToRun)
{
    const BatchScriptChoice choice = ChooseBatchScript("notes.pqs", "# nothing here\n\n# nor here\n");
    EXPECT_TRUE(choice.chosen);
    EXPECT_FALSE(choice.runsScript);
    EXPECT_EQ(choice.message, "Batch will run script: notes.pqs");
}

TEST(BatchScriptChoice, AnErrorOnLineTwoIsShownAndNothingIsChosen)
{
    const BatchScriptChoice choice = ChooseBatchScript("bad.pqs", "EFFECT 100 50 50 50 50 50\nFROB 1\n");
    EXPECT_FALSE(choice.chosen);
    EXPECT_FALSE(choice.runsScript);
    EXPECT_TRUE(choice.message.startsWith("Script has errors:\nLine 2: ")) << choice.message.toStdString();
}

TEST(BatchScriptChoice, TranslatesItsTexts)
{
    const auto german = [](const QString& key) {
        return key == "Batch will run script: %s" ? QStringLiteral("Stapel mit Skript: %s") : key;
    };
    EXPECT_EQ(ChooseBatchScript("Comic book", "EFFECT 201 50 50 50 50 50\n", german).message,
              "Stapel mit Skript: Comic book");
}
