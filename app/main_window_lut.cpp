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

LUTChoice choiceOf(const TDocument& doc)
{
    LUTChoice choice;
    choice.FLUTFilePath = doc.FLUTFilePath;
    choice.FLUTData = doc.FLUTData;
    choice.FLUTName = doc.FLUTName;
    return choice;
}

void store(TDocument& doc, const LUTChoice& choice)
{
    doc.FLUTFilePath = choice.FLUTFilePath;
    doc.FLUTData = choice.FLUTData;
    doc.FLUTName = choice.FLUTName;
}

} // namespace

void TForm1::InitEmbeddedLUTs()
{
    LUTChoice choice = choiceOf(FDocument);
    const bool chosen = choice.InitEmbeddedLUTs();
    store(FDocument, choice);
    if (chosen && !UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

bool TForm1::LoadEmbeddedLUT(const QString& AName)
{
    LUTChoice choice = choiceOf(FDocument);
    if (!choice.LoadEmbeddedLUT(AName))
        return false;
    store(FDocument, choice);
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
    return true;
}

void TForm1::SelectLUTButtonClick()
{
    ShowLUTSelector();
}

void TForm1::ShowLUTSelector()
{
    if (IsEffectRunning() || FDocument.ZIdImage.isNull())
        return;
    FDocument.FReopenManualBrushAfterLUT = !FManualBrushFrame.isNull();
    if (FDocument.FReopenManualBrushAfterLUT)
        CloseManualBrushFrame();
    FDocument.FReopenScriptEditorAfterLUT = FormScriptEditor && FormScriptEditor->isVisible();
    if (FDocument.FReopenScriptEditorAfterLUT) {
        UnlinkScriptEditorWindow();
        FormScriptEditor->hide();
    }

    // A modal chooser stands in for the overlay panel; closing it closes
    // the overlay, which brings back what was closed for it.
    TLUTChooserDialog chooser(this);
    chooser.OnLUTApplied = [this](const QString& name, const QByteArray& data, const QString& path) {
        OnLUTApplied(name, data, path);
    };
    GuardedCall("TranslateComponent", [&chooser] {
        if (GetCurrentLanguage() != QLatin1String("en"))
            TranslateComponent(&chooser);
    });
    chooser.Initialize(FDocument.FLUTName, FDocument.FLUTData, FDocument.FLUTFilePath);
    // Captions are fitted once the chooser has its laid-out sizes.
    QTimer::singleShot(0, &chooser,
                       [&chooser] { GuardedCall("AutoFitTexts", [&chooser] { AutoFitTexts(&chooser); }); });
    chooser.BtnApply->setFocus();
    if (FRunLUTChooser)
        FRunLUTChooser(chooser);
    else
        chooser.exec();
    ForgetComponent(&chooser);
    CloseOverlay();
}

void TForm1::OnLUTApplied(const QString& ALUTName, const QByteArray& ALUTData, const QString& AFilePath)
{
    LUTChoice choice = choiceOf(FDocument);
    choice.OnLUTApplied(ALUTName, ALUTData, AFilePath);
    store(FDocument, choice);
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

} // namespace pq
