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

LUTChoice ChoiceOf(const Document& doc)
{
    LUTChoice choice;
    choice.lutFilePath = doc.lutFilePath;
    choice.lutData = doc.lutData;
    choice.lutName = doc.lutName;
    return choice;
}

void Store(Document& doc, const LUTChoice& choice)
{
    doc.lutFilePath = choice.lutFilePath;
    doc.lutData = choice.lutData;
    doc.lutName = choice.lutName;
}

} // namespace

void MainWindow::initEmbeddedLuTs()
{
    LUTChoice choice = ChoiceOf(document_);
    const bool chosen = choice.initEmbeddedLuTs();
    Store(document_, choice);
    if (chosen && !previewTimer.isActive())
        previewTimer.start();
}

bool MainWindow::loadEmbeddedLut(const QString& name)
{
    LUTChoice choice = ChoiceOf(document_);
    if (!choice.loadEmbeddedLut(name))
        return false;
    Store(document_, choice);
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
    if (isEffectRunning() || document_.resultImage.isNull())
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
    chooser.onLutApplied = [this](const QString& name, const QByteArray& data, const QString& path) {
        onLutApplied(name, data, path);
    };
    GuardedCall("TranslateComponent", [&chooser] {
        if (GetCurrentLanguage() != QLatin1String("en"))
            TranslateComponent(&chooser);
    });
    chooser.initialize(document_.lutName, document_.lutData, document_.lutFilePath);
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

void MainWindow::onLutApplied(const QString& lutName, const QByteArray& lutData, const QString& filePath)
{
    LUTChoice choice = ChoiceOf(document_);
    choice.onLutApplied(lutName, lutData, filePath);
    Store(document_, choice);
    if (!previewTimer.isActive())
        previewTimer.start();
}

} // namespace pq
