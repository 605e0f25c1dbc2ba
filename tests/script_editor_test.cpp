// The script editor window on its own, with the window's side faked: Run
// and the run's end, mini mode, closing during a run, the insert palette,
// import and Save as, and the reference panel's index and scrolling.
#include "app/script_editor/script_editor.h"
#include "app/script_editor/script_reference_panel.h"
#include "scripting/script_text.h"
#include "ui/theme.h"
#include "ui/widgets/neon_cube.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <gtest/gtest.h>

#include "event_loop.h"

using namespace pq;

namespace {

class Editor : public ::testing::Test {
protected:
    void SetUp() override
    {
        editor = std::make_unique<ScriptEditor>(nullptr, [] { return false; });
        editor->runScript = [this](const QString& text) { requests << text; };
        editor->cancelRun = [this] { ++cancels; };
        editor->showMessage = [this](const QString& text) { messages << text; };
        editor->askYesNo = [this](const QString& question) {
            questions << question;
            return answer;
        };
    }
    // What picking entry `index` in the list does.
    void pick(int index)
    {
        editor->scriptList()->setCurrentIndex(index);
        emit editor->scriptList()->activated(index);
    }
    void setScript(const QString& text) { editor->memo()->setPlainText(text); }
    void putCaretOnLine(int line)
    {
        QTextCursor cursor(editor->memo()->document()->findBlockByNumber(line));
        editor->memo()->setTextCursor(cursor);
    }
    QStringList lines() const { return editor->memo()->toPlainText().split(u'\n'); }

    std::unique_ptr<ScriptEditor> editor;
    QStringList requests;
    QStringList messages;
    QStringList questions;
    bool answer = false;
    int cancels = 0;
};

} // namespace

TEST_F(Editor, OpensWithTripleWatercolorAndTheLibrary)
{
    EXPECT_TRUE(editor->memo()->toPlainText().contains(QStringLiteral("###     Triple Watercolor Script   ###")));
    ASSERT_EQ(editor->scripts().size(), 13u);
    EXPECT_EQ(editor->scriptList()->count(), 13);
    EXPECT_EQ(editor->scriptList()->currentIndex(), -1);
    EXPECT_EQ(editor->scriptList()->itemText(1), QStringLiteral("Comic book"));
}

TEST_F(Editor, ParseErrorsStayInTheEditor)
{
    QStringList bad;
    for (int i = 0; i < 7; ++i)
        bad << QStringLiteral("BOGUS %1").arg(i);
    setScript(bad.join(u'\n'));
    editor->run();
    EXPECT_TRUE(requests.isEmpty());
    EXPECT_FALSE(editor->isRunning());
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("Parse errors found"));
    ASSERT_EQ(messages.size(), 1);
    const QStringList shown = messages[0].split(u'\n');
    ASSERT_EQ(shown.size(), 8);
    EXPECT_EQ(shown[0], QStringLiteral("Script errors:"));
    EXPECT_TRUE(shown[2].startsWith(QStringLiteral("Line 1: ")));
    EXPECT_TRUE(shown[6].startsWith(QStringLiteral("Line 5: ")));
    EXPECT_EQ(shown[7], QStringLiteral("... and 2 more errors"));
}

TEST_F(Editor, CommentOnlyScriptIsHandedOverAndEmptyIsNot)
{
    setScript(QString());
    editor->run();
    EXPECT_TRUE(requests.isEmpty());
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("Script is empty"));
    setScript(QStringLiteral("# nothing\n\n"));
    editor->run();
    EXPECT_EQ(requests.size(), 1);
    EXPECT_TRUE(editor->isRunning());
}

TEST_F(Editor, RunShrinksToMiniModeAndFinishRestores)
{
    editor->resize(829, 768);
    setScript(QStringLiteral("RESET\nEFFECT 300 1 2 3 4 5"));
    editor->run();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_TRUE(editor->isRunning());
    EXPECT_TRUE(editor->miniMode());
    EXPECT_EQ(editor->size(), QSize(344, 136));
    EXPECT_TRUE(editor->memo()->isReadOnly());
    EXPECT_FALSE(editor->cube()->animating());

    editor->run(); // F5 during a run
    EXPECT_EQ(requests.size(), 1);
    editor->updateProgress(1, 2, QStringLiteral("RESET"));
    EXPECT_EQ(editor->miniProgress()->value(), 50);
    EXPECT_EQ(editor->miniStatus()->text(), QStringLiteral("1/2: RESET"));

    editor->leaveMiniMode(); // Restore
    EXPECT_EQ(editor->size(), QSize(829, 768));
    EXPECT_TRUE(editor->button(QStringLiteral("btnCancel"))->isVisibleTo(editor.get()));
    editor->enterMiniMode(); // Minimize
    editor->cancel();
    EXPECT_EQ(cancels, 1);

    editor->finishRun(QStringLiteral("Cancelled by user"));
    EXPECT_FALSE(editor->isRunning());
    EXPECT_FALSE(editor->miniMode());
    EXPECT_EQ(editor->size(), QSize(829, 768));
    EXPECT_FALSE(editor->memo()->isReadOnly());
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("Cancelled by user"));
    EXPECT_TRUE(editor->button(QStringLiteral("BtnRun"))->isEnabled());
}

TEST_F(Editor, ClosingIsRefusedWhileRunningAlsoWhenHidden)
{
    editor->show();
    editor->run();
    ASSERT_TRUE(editor->isRunning());
    EXPECT_FALSE(editor->close());
    EXPECT_TRUE(editor->isVisible());
    editor->hide(); // the window hides it for a panel
    editor->finishRun(QString());
    EXPECT_FALSE(editor->isRunning());
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("Script completed successfully"));
    editor->show();
    EXPECT_TRUE(editor->close());
}

TEST_F(Editor, WithoutAWindowARunEndsAtOnce)
{
    editor->runScript = nullptr;
    editor->run();
    EXPECT_FALSE(editor->isRunning());
}

TEST_F(Editor, InsertButtonsWriteAfterTheCaretLine)
{
    setScript(QStringLiteral("RESET\nSWAP"));
    putCaretOnLine(0);
    editor->button(QStringLiteral("BtnInsSave"))->click();
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("RESET"), QStringLiteral("SAVE myslot"), QStringLiteral("SWAP")}));
    EXPECT_EQ(editor->memo()->textCursor().blockNumber(), 1);

    InsertChoices choices;
    choices.effectNumber = 404;
    choices.p[0] = 80;
    editor->currentChoices = [&choices] { return choices; };
    editor->button(QStringLiteral("BtnInsEffect"))->click();
    EXPECT_EQ(lines().mid(2, 2), (QStringList{QStringLiteral("LUT_FILE C:\\path\\to\\your.cube"),
                                               QStringLiteral("EFFECT 404 80 50 50 50 50")}));

    editor->button(QStringLiteral("BtnInsBlend"))->click();
    editor->blendModeList()->setCurrentIndex(1);
    emit editor->blendModeList()->activated(1);
    EXPECT_EQ(lines().value(4), QStringLiteral("BLEND myslot 50 multiply"));
    EXPECT_FALSE(editor->blendModeList()->isVisible());
    EXPECT_FALSE(editor->button(QStringLiteral("BtnInsContour"))->isVisibleTo(editor.get()));
}

TEST_F(Editor, ImportWithoutScriptsKeepsTheText)
{
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("empty.zip"));
    {
        QFile file(zip);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // An empty archive: only the end-of-central-directory record.
        file.write(QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    }
    setScript(QStringLiteral("RESET"));
    editor->chooseScriptFiles = [&] { return QStringList{zip}; };
    editor->importScripts();
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("No scripts found"));
    EXPECT_EQ(editor->memo()->toPlainText(), QStringLiteral("RESET"));
    EXPECT_EQ(editor->scripts().size(), 13u);
}

TEST_F(Editor, SaveAsThenImportLoadsTheSavedScript)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Мой_скрипт.pqs"));
    setScript(QStringLiteral("TEXT 50% 50% 'Привет 世界'"));
    QString proposed = QStringLiteral("unset");
    editor->chooseSaveFile = [&](const QString& p) {
        proposed = p;
        return path;
    };
    editor->saveAs();
    EXPECT_TRUE(proposed.isEmpty());
    EXPECT_EQ(editor->currentFilePath(), path);
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("Saved: Мой_скрипт.pqs"));

    editor->chooseScriptFiles = [&] { return QStringList{path}; };
    setScript(QString());
    answer = true; // the emptied text may go
    editor->importScripts();
    EXPECT_EQ(questions.size(), 1);
    ASSERT_EQ(editor->scripts().size(), 14u);
    EXPECT_EQ(editor->scripts().back().name, QStringLiteral("Мой скрипт"));
    EXPECT_EQ(editor->memo()->toPlainText().trimmed(), QStringLiteral("TEXT 50% 50% 'Привет 世界'"));
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("Imported 1 script(s)"));
    EXPECT_TRUE(editor->currentFilePath().isEmpty()) << "a loaded script has no file";
}

TEST_F(Editor, SaveErrorKeepsPathAndStatus)
{
    editor->chooseSaveFile = [](const QString&) { return QStringLiteral("/proc/no/such/dir/x.pqs"); };
    editor->saveAs();
    EXPECT_TRUE(editor->currentFilePath().isEmpty());
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(editor->statusLabel()->text().isEmpty());
}

TEST_F(Editor, ResetRestoresTheExampleButNotDuringARun)
{
    setScript(QStringLiteral("RESET"));
    editor->resetToDefaultScript();
    EXPECT_EQ(lines().value(0), QStringLiteral("# Pastelloquin Example Script"));
    EXPECT_EQ(lines().size(), 20);
    setScript(QStringLiteral("RESET"));
    editor->run();
    editor->resetToDefaultScript();
    EXPECT_EQ(editor->memo()->toPlainText(), QStringLiteral("RESET"));
}

TEST_F(Editor, ReferenceIndexJumpsAndScrollsBack)
{
    editor->show();
    editor->button(QStringLiteral("BtnScriptHelp"))->click();
    ScriptReferencePanel* panel = editor->reference();
    ASSERT_TRUE(panel->isVisible());
    ASSERT_TRUE(testloop::ProcessUntil([&] { return panel->text()->viewport()->height() > 100; }));
    const HelpText& help = panel->help();
    ASSERT_TRUE(panel->clickIndexEntry(QStringLiteral("TEXTURE")));
    EXPECT_EQ(help.lines.value(panel->topLine()), QStringLiteral("TEXTURE"));
    EXPECT_TRUE(panel->scrollTopButton()->isVisible());
    ASSERT_TRUE(panel->clickIndexEntry(QStringLiteral("LUT_FILE")));
    EXPECT_TRUE(help.lines.value(panel->topLine()).startsWith(QStringLiteral("LUT_FILE ")));

    // A click on the index name itself.
    panel->scrollTopButton()->click();
    EXPECT_EQ(panel->topLine(), 0);
    EXPECT_FALSE(panel->scrollTopButton()->isVisible());
    const HelpIndexHotspot* resize = nullptr;
    for (const HelpIndexHotspot& spot : help.hotspots)
        if (spot.name == QLatin1String("RESIZE"))
            resize = &spot;
    ASSERT_NE(resize, nullptr);
    QTextCursor at(panel->text()->document()->findBlockByNumber(resize->lineIndex));
    at.setPosition(at.position() + resize->startCol + 2);
    const QPoint point = panel->text()->cursorRect(at).center() + QPoint(2, 0);
    const HelpIndexHotspot* hit = panel->hotspotAt(point);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->name, QStringLiteral("RESIZE"));

    editor->button(QStringLiteral("BtnScriptHelp"))->click();
    EXPECT_FALSE(panel->isVisible());
}

// The script list follows the theme: the window's own style sheet dresses
// combo boxes in dialogs only, which left it white with pale text.
TEST_F(Editor, TheScriptListFollowsTheTheme)
{
    const ThemeMode saved = gThemeMode;
    editor->scriptList()->setCurrentIndex(1);
    const auto meanGrey = [&](ThemeMode mode) {
        gThemeMode = mode;
        editor->applyEditorTheme();
        const QImage shot = editor->scriptList()->grab().toImage();
        long sum = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                sum += qGray(shot.pixel(x, y));
        return sum / std::max(1LL, qint64(shot.width()) * shot.height());
    };
    EXPECT_LT(meanGrey(ThemeMode::Dark), 100);
    EXPECT_GT(meanGrey(ThemeMode::Light), 180);
    gThemeMode = saved;
    editor->applyEditorTheme();
}

TEST_F(Editor, PickingTheShownScriptAgainReloadsItsText)
{
    pick(1);
    const QString comic = editor->scripts()[1].text;
    EXPECT_EQ(editor->memo()->toPlainText(), comic);
    EXPECT_TRUE(questions.isEmpty()) << "the example was not edited";
    editor->memo()->appendPlainText(QStringLiteral("SWAP"));
    // Refused: the edits stay and the list still names their script.
    pick(1);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains(QStringLiteral("\"Comic book\"")));
    EXPECT_EQ(editor->memo()->toPlainText(), comic + QStringLiteral("\nSWAP"));
    EXPECT_EQ(editor->scriptList()->currentIndex(), 1);
    // Agreed: the script's own text is back, and Run hands over that.
    answer = true;
    pick(1);
    EXPECT_EQ(editor->memo()->toPlainText(), comic);
    editor->run();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0], comic);
}

TEST_F(Editor, AnotherScriptReplacesEditedTextOnlyWhenTheUserAgrees)
{
    editor->memo()->appendPlainText(QStringLiteral("# my own line"));
    const QString typed = editor->memo()->toPlainText();
    pick(3);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_EQ(editor->memo()->toPlainText(), typed);
    EXPECT_EQ(editor->scriptList()->currentIndex(), -1) << "the list names no script for typed text";
    answer = true;
    pick(3);
    EXPECT_EQ(editor->memo()->toPlainText(), editor->scripts()[3].text);
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("Loaded: ") + editor->scripts()[3].name);
    // Unedited text goes without a question, also after undoing an edit.
    editor->memo()->appendPlainText(QStringLiteral("X"));
    editor->memo()->undo();
    pick(4);
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(editor->memo()->toPlainText(), editor->scripts()[4].text);
}

TEST_F(Editor, SavedOrResetTextCountsAsUnedited)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("mine.pqs"));
    editor->chooseSaveFile = [&](const QString&) { return file; };
    editor->memo()->appendPlainText(QStringLiteral("SWAP"));
    editor->saveAs();
    pick(2);
    EXPECT_TRUE(questions.isEmpty()) << "saved edits are not lost";
    editor->memo()->appendPlainText(QStringLiteral("SWAP"));
    editor->resetToDefaultScript();
    pick(2);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(editor->memo()->toPlainText(), editor->scripts()[2].text);
}

TEST_F(Editor, NoPickLoadsDuringARun)
{
    setScript(QStringLiteral("SWAP"));
    editor->run();
    ASSERT_TRUE(editor->isRunning());
    answer = true;
    pick(2);
    EXPECT_EQ(editor->memo()->toPlainText(), QStringLiteral("SWAP"));
    EXPECT_EQ(editor->scriptList()->currentIndex(), -1);
    EXPECT_TRUE(questions.isEmpty());
}

TEST(ScriptEditorCube, StaysOffOnASoftwareDisplay)
{
    for (const bool software : {true, false}) {
        ScriptEditor editor(nullptr, [software] { return software; });
        editor.show();
        editor.startCubeAnimation();
        EXPECT_EQ(editor.cube()->cubeShown(), !software) << software;
        EXPECT_EQ(editor.cube()->animating(), !software) << software;
        editor.stopCubeAnimation();
        editor.startCubeAnimation();
        EXPECT_EQ(editor.cube()->cubeShown(), !software) << "after a batch, " << software;
    }
}

TEST(SoftwareRenderer, IsToldByTheRendererName)
{
    const struct {
        const char* renderer;
        bool software;
    } kNames[] = {
        {"llvmpipe (LLVM 15.0.7, 256 bits)", true},
        {"softpipe", true},
        {"Software Rasterizer", true},
        {"Google SwiftShader", true},
        {"Microsoft Basic Render Driver", true},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
        {"NVIDIA GeForce RTX 3060/PCIe/SSE2", false},
        {"AMD Radeon RX 6700 XT (radeonsi, navi22, LLVM 15.0.7)", false},
        {"", false},
    };
    for (const auto& row : kNames)
        EXPECT_EQ(IsSoftwareRenderer(QString::fromLatin1(row.renderer)), row.software) << row.renderer;
}

TEST(SoftwareRenderer, TheSystemsSwitchForcesSoftware)
{
    const QByteArray before = qgetenv("LIBGL_ALWAYS_SOFTWARE");
    qputenv("LIBGL_ALWAYS_SOFTWARE", "1");
    EXPECT_TRUE(SoftwareDisplayInUse());
    if (before.isNull())
        qunsetenv("LIBGL_ALWAYS_SOFTWARE");
    else
        qputenv("LIBGL_ALWAYS_SOFTWARE", before);
}
