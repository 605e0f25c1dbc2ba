// Running a script on the current image with a fake document: every
// request ends with exactly one finish, refused requests start nothing,
// results and history reach the document only after success, and Cancel
// stops a run without touching the next one.
#include "engine/runtime/effect_api.h"
#include "engine/runtime/effect_table.h"
#include "image_compare.h"
#include "script_engine_support.h"
#include "scripting/script_runner.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace pq;
using namespace pqtest;
using testimg::MakeSolid;

namespace {

constexpr gfx::Pixel kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;

void GreenEffect(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    dest.clear(Qt::green);
}

// Works until its run is cancelled.
std::atomic<bool> gWaiting{false};
void EndlessEffect(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    gWaiting = true;
    while (!IsEffectCancelled())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    gWaiting = false;
    dest.clear(Qt::green);
}

class FakeDocument : public ScriptDocument {
public:
    explicit FakeDocument(HeadlessHost& host) : host_(host) {}
    gfx::Image sourceImage() const override { return host_.source; }
    gfx::Image resultImage() const override { return host_.result; }
    QString busyReason() const override { return busy; }
    ScriptContext buildContext() const override
    {
        ++contexts;
        return {};
    }
    void runStarting() override { ++starts; }
    void acceptRun(const gfx::Image& result, const gfx::Image& source) override
    {
        host_.result = result;
        if (!source.isNull())
            host_.source = source;
        ++historyEntries;
    }
    void runEnded() override { ++ends; }

    QString busy;
    mutable int contexts = 0;
    int starts = 0;
    int historyEntries = 0;
    int ends = 0;

private:
    HeadlessHost& host_;
};

class ScriptRunnerTest : public ScriptTest {
protected:
    void SetUp() override
    {
        ScriptTest::SetUp();
        document.source = MakeSolid(4, 2, kRed);
        document.result = MakeSolid(4, 2, kBlue);
    }
    void TearDown() override
    {
        // No worker may outlive the fixture's hosts.
        const auto start = std::chrono::steady_clock::now();
        while (ScriptRunner::workerCount() > 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
            bridge->pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ScriptTest::TearDown();
    }

    bool request(const QString& text)
    {
        ScriptRunReport report;
        report.progress = [this](int step, int count, const QString& label) {
            progress << QStringLiteral("%1/%2 %3").arg(step).arg(count).arg(label);
        };
        report.finish = [this](const QString& error) { finishes << error; };
        return runner.request(text, report);
    }
    bool waitForFinish() { return bridge->pumpUntil([this] { return !finishes.isEmpty(); }, 10000); }

    ScopedEffectOverride green{300, GreenEffect};
    ScopedEffectOverride endless{301, EndlessEffect};
    FakeDocument doc{document};
    std::atomic<bool> scriptRunning{false};
    ScriptRunner runner{doc, host, scriptRunning};
    QStringList finishes;
    QStringList progress;
};

} // namespace

TEST_F(ScriptRunnerTest, RefusedRequestsFinishOnceAndStartNothing)
{
    document.result = {};
    EXPECT_FALSE(request(QStringLiteral("EFFECT 300 1 1 1 1 1")));
    EXPECT_EQ(finishes, QStringList{QStringLiteral("No image loaded")});

    document.result = MakeSolid(4, 2, kBlue);
    finishes.clear();
    doc.busy = QStringLiteral("Please wait for \"Cartoon\" to finish processing.");
    EXPECT_FALSE(request(QStringLiteral("EFFECT 300 1 1 1 1 1")));
    EXPECT_EQ(finishes, QStringList{doc.busy});

    doc.busy.clear();
    finishes.clear();
    scriptRunning = true; // a batch step's script
    EXPECT_FALSE(request(QStringLiteral("EFFECT 300 1 1 1 1 1")));
    ASSERT_EQ(finishes.size(), 1);
    EXPECT_FALSE(finishes[0].isEmpty());
    EXPECT_TRUE(scriptRunning.load()) << "the other run's flag stays";

    scriptRunning = false;
    EXPECT_EQ(doc.starts, 0);
    EXPECT_EQ(doc.contexts, 0);
    EXPECT_EQ(doc.ends, 0);
    EXPECT_EQ(ScriptRunner::workerCount(), 0);
}

TEST_F(ScriptRunnerTest, ParseErrorsReportOnlyTheFirstLine)
{
    EXPECT_FALSE(request(QStringLiteral("RESET\nSAVE a\n# note\nEFFECT nosuch 1 2 3 4 5\n\n\n\n\nBLEND\n")));
    ASSERT_EQ(finishes.size(), 1);
    EXPECT_TRUE(finishes[0].startsWith(QStringLiteral("Line 4: "))) << finishes[0].toStdString();
    EXPECT_EQ(doc.starts, 0);
}

TEST_F(ScriptRunnerTest, ScriptWithoutCommandsIsEmpty)
{
    EXPECT_FALSE(request(QStringLiteral("# only a comment\n\n")));
    EXPECT_EQ(finishes, QStringList{QStringLiteral("Script is empty")});
    EXPECT_FALSE(scriptRunning.load());
}

TEST_F(ScriptRunnerTest, SuccessReplacesResultAndSavesOneEntry)
{
    const gfx::Image source = document.source;
    ASSERT_TRUE(request(QStringLiteral("RESET\nEFFECT 300 1 1 1 1 1\n")));
    EXPECT_TRUE(scriptRunning.load());
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(finishes, QStringList{QString()});
    EXPECT_FALSE(scriptRunning.load());
    EXPECT_EQ(doc.historyEntries, 1);
    EXPECT_EQ(doc.ends, 1);
    EXPECT_EQ(document.result.pixel(0, 0), kGreen);
    EXPECT_EQ(document.source.pixel(0, 0), source.pixel(0, 0));
    ASSERT_EQ(progress.size(), 2);
    EXPECT_TRUE(progress[0].startsWith(QStringLiteral("1/2 ")));
    EXPECT_TRUE(progress[1].startsWith(QStringLiteral("2/2 ")));
}

TEST_F(ScriptRunnerTest, SwapReplacesTheSourcePhoto)
{
    ASSERT_TRUE(request(QStringLiteral("EFFECT 300 1 1 1 1 1\nSWAP\n")));
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(finishes, QStringList{QString()});
    EXPECT_EQ(doc.historyEntries, 1);
    EXPECT_EQ(document.source.pixel(0, 0), kGreen);
}

TEST_F(ScriptRunnerTest, FailureLeavesDocumentAndHistory)
{
    const gfx::Image before = document.result;
    ASSERT_TRUE(request(QStringLiteral("EFFECT 300 1 1 1 1 1\nLOAD missing\n")));
    ASSERT_TRUE(waitForFinish());
    ASSERT_EQ(finishes.size(), 1);
    EXPECT_TRUE(finishes[0].startsWith(QStringLiteral("Line 2: "))) << finishes[0].toStdString();
    EXPECT_EQ(doc.historyEntries, 0);
    EXPECT_EQ(doc.ends, 1);
    EXPECT_FALSE(scriptRunning.load());
    EXPECT_EQ(document.result.pixel(0, 0), before.pixel(0, 0));
}

TEST_F(ScriptRunnerTest, CancelStopsTheRunAndKeepsThePhoto)
{
    const gfx::Image before = document.result;
    ASSERT_TRUE(request(QStringLiteral("EFFECT 301 1 1 1 1 1\nEFFECT 300 1 1 1 1 1\n")));
    ASSERT_TRUE(bridge->pumpUntil([] { return gWaiting.load(); }, 10000));
    document.shared->cancel.request();
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(finishes, QStringList{QStringLiteral("Cancelled by user")});
    EXPECT_EQ(doc.historyEntries, 0);
    EXPECT_EQ(document.result.pixel(0, 0), before.pixel(0, 0));
    EXPECT_FALSE(scriptRunning.load());
}

TEST_F(ScriptRunnerTest, CancelBeforeTheRequestDoesNotStopIt)
{
    document.shared->cancel.request();
    ASSERT_TRUE(request(QStringLiteral("EFFECT 300 1 1 1 1 1\n")));
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(finishes, QStringList{QString()});
    EXPECT_EQ(doc.historyEntries, 1);
}

TEST_F(ScriptRunnerTest, SecondRequestWhileRunningIsRefused)
{
    ASSERT_TRUE(request(QStringLiteral("EFFECT 301 1 1 1 1 1\n")));
    ASSERT_TRUE(bridge->pumpUntil([] { return gWaiting.load(); }, 10000));
    EXPECT_FALSE(request(QStringLiteral("EFFECT 300 1 1 1 1 1\n")));
    ASSERT_EQ(finishes.size(), 1);
    EXPECT_FALSE(finishes[0].isEmpty());
    document.shared->cancel.request();
    ASSERT_TRUE(bridge->pumpUntil([this] { return finishes.size() == 2; }, 10000));
    EXPECT_EQ(finishes[1], QStringLiteral("Cancelled by user"));
    EXPECT_EQ(doc.starts, 1);
}
