// The main window's side of scripting: the editor, made on first use, and
// its run requests handed to the document's script runner.
#include "app/main_window.h"

#include "app/batch_mode.h"
#include "app/document_scripts.h"
#include "app/panel_host.h"
#include "app/script_editor/script_editor.h"
#include "catalogue/parameter_table.h"
#include "platform/numeric.h"
#include "scripting/script_library.h"
#include "ui/debug_log.h"
#include "ui/dictionary.h"
#include "ui/message_box.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/effect_panel.h"

#include <QFileDialog>
#include <QPointer>

namespace pq {
namespace {

QStringList ChooseScriptFiles(QWidget* parent)
{
    QFileDialog dialog(parent, Translate(QStringLiteral("Load script(s)")), ScriptFolder());
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({QStringLiteral("Pastelloquin scripts (*.pqs)"), QStringLiteral("ZIP archives (*.zip)"),
                           QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*)")});
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

QString ChooseSaveFile(QWidget* parent, const QString& proposed)
{
    QFileDialog dialog(parent, Translate(QStringLiteral("Save Script")), ScriptFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters({QStringLiteral("Pastelloquin Script (*.pqs)"), QStringLiteral("Text files (*.txt)")});
    dialog.setDefaultSuffix(QStringLiteral("pqs"));
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

void MainWindow::wireScripts()
{
    scripts_ = std::make_unique<DocumentScripts>(document_, *canvas_, effectPanel());
    batch_ = std::make_unique<BatchMode>(
        BatchMode::Parts{*this, document_, dialogs_, *actions_, *scripts_, effectPanel(), previewPanel()});
    batch_->runningChanged = [this](bool running) {
        auto* editor = qobject_cast<ScriptEditor*>(panels_->scriptEditor);
        if (!editor)
            return;
        if (running)
            editor->stopCubeAnimation();
        else if (editor->isVisible())
            editor->startCubeAnimation();
    };
    panels_->createScriptEditor = [this]() -> QWidget* { return makeScriptEditor(); };
}

DocumentScripts& MainWindow::scripts() const
{
    return *scripts_;
}

QWidget* MainWindow::makeScriptEditor()
{
    auto* editor = new ScriptEditor(this);
    const QPointer<ScriptEditor> guard(editor);
    editor->runScript = [this, guard](const QString& text) {
        ScriptRunReport report;
        report.progress = [guard](int step, int count, const QString& label) {
            if (guard)
                guard->updateProgress(step, count, label);
        };
        // Also when the editor was hidden meanwhile: it leaves its running
        // state only here.
        report.finish = [guard](const QString& error) {
            if (guard)
                guard->finishRun(error);
        };
        scripts_->runner().request(text, report);
    };
    editor->cancelRun = [this] { document_.shared->cancel.request(); };
    editor->currentChoices = [this] {
        InsertChoices choices;
        choices.effectNumber = document_.selectedEffect;
        if (const EffectParameters* entry = ParamsEntry(document_.params, document_.selectedEffect))
            for (int k = 1; k <= 5; ++k)
                choices.p[k - 1] = entry->value(k);
        choices.lutFilePath = document_.lut.filePath;
        choices.textureNumber = document_.texture.number;
        choices.textureStrength = platform::Round(document_.texture.strength);
        choices.textureScale = document_.texture.scale;
        choices.frameNumber = document_.frame.number;
        choices.frameSize = platform::Round(document_.frame.size);
        choices.frameColor = document_.frame.color;
        choices.contourColor = document_.contourColor.load();
        return choices;
    };
    editor->recentreImage = [this] {
        canvas_->centreImage();
        canvas_->canvasView()->update();
    };
    editor->closed = [this] { panels_->unlinkScriptEditor(); };
    editor->chooseScriptFiles = [guard] { return guard ? ChooseScriptFiles(guard) : QStringList(); };
    editor->chooseSaveFile = [guard](const QString& proposed) {
        return guard ? ChooseSaveFile(guard, proposed) : QString();
    };
    editor->confirmOverwrite = [this](const QString& path) { return dialogs_.confirmOverwrite(path); };
    editor->showMessage = [this](const QString& text) { dialogs_.tell(text); };
    // Over the editor, which stays above the main window.
    editor->askYesNo = [guard](const QString& question) { return guard && AskYesNoBox(guard, question); };
    GuardedCall("TranslateComponent", [editor] {
        if (GetCurrentLanguage() != QLatin1String("en"))
            TranslateComponent(editor);
    });
    return editor;
}

} // namespace pq
