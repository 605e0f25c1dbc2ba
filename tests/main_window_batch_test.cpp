// Batch processing over the main window: Ctrl+B with three photos writes
// three marked outputs beside them; Esc stops one step, which writes
// nothing, and the batch goes on; a failing script step is listed; the
// batch is refused while a script runs, and no editor script or preview
// starts while it runs.
#include "app/batch_mode.h"
#include "app/batch_panels.h"
#include "app/document_scripts.h"
#include "app/main_window.h"
#include "engine/runtime/effect_api.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/effect_table.h"
#include "image_compare.h"
#include "platform/ui_bridge.h"
#include "scripting/script_runner.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/effect_panel.h"
#include "workspace/preview_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <thread>

#include "event_loop.h"

namespace {

using testloop::ProcessUntil;

void GreenEffect(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    dest.clear(Qt::green);
}

// The first run waits for its cancel; the others paint green.
std::atomic<int> gRuns{0};
std::atomic<bool> gWaiting{false};
void FirstRunWaits(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    if (gRuns.fetch_add(1) == 0) {
        gWaiting = true;
        while (!pq::IsEffectCancelled())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        gWaiting = false;
    }
    dest.clear(Qt::green);
}

class WindowBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetUiBridge(platform::MakeQtUiBridge());
        window = std::make_unique<pq::MainWindow>();
        window->commandLine = {QStringLiteral("pastelloquin")};
        window->dialogs().askYesNo = [](const QString&) { return true; };
        window->dialogs().showMessage = [this](const QString& text) { messages << text; };
        window->dialogs().openFiles = [this](const QString&, const QString&) {
            ++dialogs;
            return files;
        };
        window->resize(1400, 900);
        window->show();
        ASSERT_TRUE(ProcessUntil([&] { return window->initialized; }));
        ASSERT_TRUE(folder.isValid());
        const QImage photo = testimg::MakeSolid(40, 30, 0xFF336699).qimage();
        for (const char* name : {"one.jpg", "two.PNG", "three.bmp"}) {
            const QString path = folder.filePath(QString::fromLatin1(name));
            ASSERT_TRUE(photo.save(path));
            files << path;
        }
    }
    void TearDown() override
    {
        window->document().shared->cancel.request();
        EXPECT_TRUE(ProcessUntil([this] { return !window->batch().running(); }));
        EXPECT_TRUE(ProcessUntil([] { return pq::ScriptRunner::workerCount() == 0; }));
        pq::AbortProcessing();
        EXPECT_TRUE(ProcessUntil([] { return pq::EffectWorkerCount() == 0; }));
        window.reset();
        platform::SetUiBridge(nullptr);
    }
    pq::BatchMode& batch() { return window->batch(); }
    QString output(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    bool runBatch()
    {
        window->commands().run(QStringLiteral("batch"));
        if (!batch().startPanel() || !batch().startPanel()->isVisible())
            return false;
        batch().startPanel()->startButton->click();
        return ProcessUntil([this] { return !batch().running(); });
    }

    std::unique_ptr<pq::MainWindow> window;
    QTemporaryDir folder;
    QStringList files;
    QStringList messages;
    int dialogs = 0;
};

} // namespace

TEST_F(WindowBatch, CtrlBWithThreePhotosWritesThreeMarkedOutputs)
{
    const pq::ScopedEffectOverride green(300, GreenEffect);
    // The outputs are the effect's green alone, whether or not an earlier
    // test in the process decoded the built-in pictures and with them the
    // start-up texture.
    window->effectPanel().addTextureSwitch()->setChecked(false);
    window->commands().run(QStringLiteral("batch"));
    ASSERT_TRUE(batch().startPanel() && batch().startPanel()->isVisible());
    EXPECT_TRUE(batch().startPanel()->messageLabel->text().startsWith("To start batch processing"));
    // The first photo is the document while the user chooses.
    EXPECT_EQ(window->document().sourceFileName, files.first());
    batch().startPanel()->startButton->click();
    EXPECT_TRUE(batch().overlay()->isVisible());
    EXPECT_EQ(batch().overlay()->progressLabel->text(), "Processing image 1 of 3...");
    ASSERT_TRUE(ProcessUntil([this] { return !batch().running(); }));
    EXPECT_FALSE(batch().overlay()->isVisible());
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last(), "Batch complete: 3 of 3 images processed.");
    for (const char* name : {"one_PQ.jpg", "two_PQ.png", "three_PQ.png"}) {
        const QImage written(output(name));
        ASSERT_FALSE(written.isNull()) << name;
        EXPECT_EQ(written.dotsPerMeterX(), 11811) << name;
        EXPECT_EQ(QColor(written.pixel(5, 5)).green(), 255) << name;
    }
}

TEST_F(WindowBatch, EscStopsOneStepWhichWritesNothingAndTheBatchGoesOn)
{
    gRuns = 0;
    const pq::ScopedEffectOverride waits(300, FirstRunWaits);
    window->commands().run(QStringLiteral("batch"));
    ASSERT_TRUE(batch().startPanel() && batch().startPanel()->isVisible());
    batch().startPanel()->startButton->click();
    ASSERT_TRUE(ProcessUntil([] { return gWaiting.load(); }));
    // What Esc does.
    window->document().shared->cancel.request();
    ASSERT_TRUE(ProcessUntil([this] { return !batch().running(); }));
    EXPECT_FALSE(QFile::exists(output("one_PQ.jpg")));
    EXPECT_TRUE(QFile::exists(output("two_PQ.png")));
    EXPECT_TRUE(QFile::exists(output("three_PQ.png")));
    EXPECT_EQ(messages.last(), "Batch complete: 2 of 3 images processed.\none.jpg: Cancelled by user");
}

TEST_F(WindowBatch, AFailingScriptStepIsListedAndAFileThatWillNotLoadIsSkipped)
{
    QFile bad(output("broken.png"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    files.insert(1, output("broken.png"));
    const QString script = output("bad.pqs");
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("RESET\nTEXTURE #99 50 1\n");
    file.close();
    window->commands().run(QStringLiteral("batch"));
    ASSERT_TRUE(batch().startPanel());
    batch().chooseScriptFile = [&] { return script; };
    batch().startPanel()->loadScriptButton->click();
    EXPECT_EQ(batch().startPanel()->messageLabel->text(), "Batch will run script: bad.pqs");
    batch().startPanel()->startButton->click();
    ASSERT_TRUE(ProcessUntil([this] { return !batch().running(); }));
    EXPECT_FALSE(QFile::exists(output("one_PQ.jpg")));
    EXPECT_FALSE(QFile::exists(output("broken_PQ.png")));
    // No box stopped the batch: the file is named in the overlay's notice
    // and in the end message only.
    ASSERT_EQ(messages.size(), 1) << messages.join('|').toStdString();
    EXPECT_EQ(batch().overlay()->notice(), "Failed to load image: " + output("broken.png"));
    const QStringList end = messages.last().split(u'\n');
    ASSERT_EQ(end.size(), 5);
    EXPECT_EQ(end[0], "Batch complete: 0 of 4 images processed.");
    EXPECT_TRUE(end[1].startsWith("one.jpg: ")) << end[1].toStdString();
    EXPECT_EQ(end[2], "broken.png: Failed to load image: " + output("broken.png"));
}

TEST_F(WindowBatch, AFullDiskIsNamedAndTheBatchGoesOn)
{
    const pq::ScopedEffectOverride green(300, GreenEffect);
    ASSERT_TRUE(QFile::link("/dev/full", output("two_PQ.png")));
    window->commands().run(QStringLiteral("batch"));
    ASSERT_TRUE(batch().startPanel());
    batch().startPanel()->startButton->click();
    ASSERT_TRUE(ProcessUntil([this] { return !batch().running(); }));
    const QString full = QString::fromLocal8Bit(std::strerror(ENOSPC));
    ASSERT_EQ(messages.size(), 2) << messages.join('|').toStdString();
    EXPECT_EQ(messages[0], "Error saving image \"two.PNG\": " + full);
    EXPECT_EQ(messages[1], "Batch complete: 2 of 3 images processed.\ntwo.PNG: " + full);
    EXPECT_TRUE(QFile::exists(output("three_PQ.png")));
}

TEST_F(WindowBatch, ABuiltInScriptFromTheComboRunsOnEveryFile)
{
    window->commands().run(QStringLiteral("batch"));
    ASSERT_TRUE(batch().startPanel());
    QComboBox* combo = batch().startPanel()->scriptCombo;
    ASSERT_EQ(combo->count(), 13);
    const int index = combo->findText(QStringLiteral("Photo Enhancer"));
    ASSERT_GE(index, 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    EXPECT_EQ(batch().startPanel()->messageLabel->text(), "Batch will run script: Photo Enhancer");
    batch().startPanel()->startButton->click();
    ASSERT_TRUE(ProcessUntil([this] { return !batch().running(); }, 60000));
    EXPECT_EQ(messages.last(), "Batch complete: 3 of 3 images processed.");
    EXPECT_TRUE(QFile::exists(output("three_PQ.png")));
}

TEST_F(WindowBatch, RefusedWhileAScriptRuns)
{
    window->document().scriptRunning = true;
    window->commands().run(QStringLiteral("batch"));
    window->document().scriptRunning = false;
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(messages, QStringList({"Please wait for the current effect to finish."}));
}

TEST_F(WindowBatch, NoEditorScriptAndNoPreviewWhileItRuns)
{
    gRuns = 0;
    const pq::ScopedEffectOverride waits(300, FirstRunWaits);
    window->commands().run(QStringLiteral("batch"));
    ASSERT_TRUE(batch().startPanel());
    batch().startPanel()->startButton->click();
    ASSERT_TRUE(ProcessUntil([] { return gWaiting.load(); }));
    EXPECT_FALSE(window->scripts().busyReason().isEmpty());
    ASSERT_TRUE(window->previewPanel().brushApplying);
    EXPECT_TRUE(window->previewPanel().brushApplying());
    window->document().shared->cancel.request();
    ASSERT_TRUE(ProcessUntil([this] { return !batch().running(); }));
    EXPECT_TRUE(window->scripts().busyReason().isEmpty());
    EXPECT_FALSE(window->previewPanel().brushApplying());
}
