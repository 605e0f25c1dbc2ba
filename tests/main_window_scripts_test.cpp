// Scripts run from the editor over the main window: the editor opens only
// with an image and above the window, a run gives one history entry and
// can be undone, busy work refuses a run with one finish, Apply waits for
// a script, a photo opened meanwhile stays, and the switches follow what
// the script set.
#include "app/document_scripts.h"
#include "app/main_window.h"
#include "app/panel_host.h"
#include "app/script_editor/script_editor.h"
#include "engine/runtime/effect_runtime.h"
#include "image_compare.h"
#include "platform/ui_bridge.h"
#include "scripting/script_runner.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/document_actions.h"
#include "workspace/effect_panel.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QWindow>
#include <gtest/gtest.h>

#include "event_loop.h"
#include "main_window_fixture.h"

namespace {

using testimg::MakeSolid;
using testloop::ProcessUntil;

class WindowScripts : public testwindow::MainWindowTest {
protected:
    void prepare() override { window->resize(1400, 900); }
    void TearDown() override
    {
        window->document().shared->cancel.request();
        EXPECT_TRUE(ProcessUntil([] { return pq::ScriptRunner::workerCount() == 0; }));
        MainWindowTest::TearDown();
    }
    pq::ScriptEditor* openEditor()
    {
        window->commands().run(QStringLiteral("scriptEditor"));
        return qobject_cast<pq::ScriptEditor*>(window->panels().scriptEditor);
    }
    void openPhoto() { ASSERT_TRUE(window->documentActions().showAsNewDocument(MakeSolid(64, 48, 0xFF336699), 100)); }
    bool runToEnd(pq::ScriptEditor* editor, const QString& script)
    {
        editor->memo()->setPlainText(script);
        editor->run();
        return ProcessUntil([&] { return !editor->isRunning(); });
    }
};

} // namespace

TEST_F(WindowScripts, EditorOpensOnlyWithAnImageAboveTheWindow)
{
    EXPECT_EQ(openEditor(), nullptr);
    openPhoto();
    pq::ScriptEditor* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->parentWidget(), window.get());
    ASSERT_NE(editor->windowHandle(), nullptr);
    EXPECT_EQ(editor->windowHandle()->transientParent(), window->windowHandle());
    EXPECT_TRUE(editor->close());
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(openEditor(), editor) << "made once, then shown again";
}

TEST_F(WindowScripts, RunGivesOneHistoryEntryThatUndoes)
{
    openPhoto();
    pq::ScriptEditor* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    const int entries = doc().history->count();
    const gfx::Image before = doc().resultImage;
    ASSERT_TRUE(runToEnd(editor, QStringLiteral("RESET\nRESIZE 50% 50%\n")));
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("Script completed successfully"));
    EXPECT_EQ(doc().resultImage.width(), 32);
    EXPECT_EQ(doc().history->count(), entries + 1);
    EXPECT_FALSE(doc().scriptRunning.load());
    window->commands().run(QStringLiteral("undo"));
    EXPECT_EQ(doc().resultImage.width(), before.width());
}

TEST_F(WindowScripts, BusyWorkRefusesARunWithOneFinish)
{
    openPhoto();
    pq::ScriptEditor* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    doc().runningEffect = 501;
    editor->memo()->setPlainText(QStringLiteral("RESET"));
    editor->run();
    EXPECT_FALSE(editor->isRunning());
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("Please wait for \"Cartoon\" to finish processing."));
    EXPECT_FALSE(doc().scriptRunning.load());
    doc().runningEffect = -1;
}

TEST_F(WindowScripts, ApplyAndDocumentChangesWaitForAScript)
{
    openPhoto();
    doc().scriptRunning = true;
    window->effectPanel().applyEffect();
    EXPECT_EQ(messages, QStringList{QStringLiteral("Please wait for the current effect to finish.")});
    EXPECT_EQ(doc().runningEffect.load(), -1);
    doc().scriptRunning = false;
}

TEST_F(WindowScripts, APhotoOpenedDuringARunKeepsItsPlace)
{
    openPhoto();
    pq::ScriptEditor* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    editor->memo()->setPlainText(QStringLiteral("RESET\nRESIZE 50% 50%\n"));
    editor->run();
    const gfx::Image other = MakeSolid(20, 10, 0xFF00FF00);
    ASSERT_TRUE(window->documentActions().showAsNewDocument(other, 100));
    const int entries = doc().history->count();
    ASSERT_TRUE(ProcessUntil([&] { return !editor->isRunning(); }));
    EXPECT_TRUE(doc().resultImage.sameAs(other));
    EXPECT_EQ(doc().history->count(), entries);
}

TEST_F(WindowScripts, SwitchesFollowTheScriptAndTheRestore)
{
    openPhoto();
    pq::ScriptEditor* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    bool eraseSeenOff = false;
    pq::ToggleSwitch* erase = window->effectPanel().eraseBackgroundSwitch();
    QObject::connect(erase, &QAbstractButton::toggled, [&](bool on) { eraseSeenOff |= !on; });
    ASSERT_TRUE(runToEnd(editor, QStringLiteral("NOCLEAR\nCONTOUR ON #FF112233\nRESIZE 50% 50%\n")));
    EXPECT_TRUE(eraseSeenOff);
    EXPECT_TRUE(erase->isChecked());
    EXPECT_TRUE(doc().eraseBackground.load());
    EXPECT_TRUE(window->effectPanel().contourSwitch()->isChecked());
    EXPECT_EQ(doc().contourColor.load(), 0xFF112233u);
}

TEST_F(WindowScripts, CancelKeepsThePhotoAndSaysSo)
{
    openPhoto();
    pq::ScriptEditor* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    const int entries = doc().history->count();
    const gfx::Image before = doc().resultImage;
    editor->memo()->setPlainText(QStringLiteral("RESET\nRESIZE 200% 200%\nRESIZE 50% 50%\n"));
    // Cancelled before the worker reaches its first command.
    editor->run();
    editor->cancel();
    ASSERT_TRUE(ProcessUntil([&] { return !editor->isRunning(); }));
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("Cancelled by user"));
    EXPECT_TRUE(doc().resultImage.sameAs(before));
    EXPECT_EQ(doc().history->count(), entries);
}
