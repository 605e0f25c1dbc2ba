// The LUT choice of effect 404: the built-in tables, the chooser and its
// answer.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/dictionary.h"
#include "engine/lut/lut_choice.h"
#include "panels/lut_chooser_dialog.h"

#include <QPushButton>
#include <QTimer>

namespace pq {

namespace {

LUTChoice choiceOf(const Document& doc)
{
    LUTChoice choice;
    choice.lutFilePath = doc.lutFilePath;
    choice.lutData = doc.lutData;
    choice.lutName = doc.lutName;
    return choice;
}

void store(Document& doc, const LUTChoice& choice)
{
    doc.lutFilePath = choice.lutFilePath;
    doc.lutData = choice.lutData;
    doc.lutName = choice.lutName;
}

} // namespace

void MainWindow::InitEmbeddedLUTs()
{
    LUTChoice choice = choiceOf(document_);
    const bool chosen = choice.InitEmbeddedLUTs();
    store(document_, choice);
    if (chosen && !previewTimer.isActive())
        previewTimer.start();
}

bool MainWindow::LoadEmbeddedLUT(const QString& name)
{
    LUTChoice choice = choiceOf(document_);
    if (!choice.LoadEmbeddedLUT(name))
        return false;
    store(document_, choice);
    if (!previewTimer.isActive())
        previewTimer.start();
    return true;
}

void MainWindow::chooseLUT()
{
    showLUTChooser();
}

void MainWindow::showLUTChooser()
{
    if (IsEffectRunning() || document_.resultImage.isNull())
        return;
    document_.reopenManualBrushAfterLUT = !manualBrushPanel.isNull();
    if (document_.reopenManualBrushAfterLUT)
        closeManualBrush();
    document_.reopenScriptEditorAfterLUT = gScriptEditor && gScriptEditor->isVisible();
    if (document_.reopenScriptEditorAfterLUT) {
        unlinkScriptEditor();
        gScriptEditor->hide();
    }

    // A modal chooser stands in for the overlay panel; closing it closes
    // the overlay, which brings back what was closed for it.
    LUTChooserDialog chooser(this);
    chooser.OnLUTApplied = [this](const QString& name, const QByteArray& data, const QString& path) {
        OnLUTApplied(name, data, path);
    };
    GuardedCall("TranslateComponent", [&chooser] {
        if (GetCurrentLanguage() != QLatin1String("en"))
            TranslateComponent(&chooser);
    });
    chooser.Initialize(document_.lutName, document_.lutData, document_.lutFilePath);
    // Captions are fitted once the chooser has its laid-out sizes.
    QTimer::singleShot(0, &chooser,
                       [&chooser] { GuardedCall("AutoFitTexts", [&chooser] { AutoFitTexts(&chooser); }); });
    chooser.selectButton->setFocus();
    if (runLUTChooser)
        runLUTChooser(chooser);
    else
        chooser.exec();
    ForgetComponent(&chooser);
    closeOverlay();
}

void MainWindow::OnLUTApplied(const QString& lutName, const QByteArray& lutData, const QString& filePath)
{
    LUTChoice choice = choiceOf(document_);
    choice.OnLUTApplied(lutName, lutData, filePath);
    store(document_, choice);
    if (!previewTimer.isActive())
        previewTimer.start();
}

} // namespace pq
