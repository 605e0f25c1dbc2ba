// The workspace's commands: undo, redo, auto-enhance, the keyboard
// shortcuts and main-menu entries that start them.
#include "app/main_window.h"

#include "workspace/auto_enhance_command.h"
#include "workspace/canvas_view.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace pq {

namespace {

bool hasEditFocus()
{
    const QWidget* focus = QApplication::focusWidget();
    return qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QTextEdit*>(focus)
           || qobject_cast<const QPlainTextEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus);
}

// The key a bare character stands for: letters upper-cased, "+" and "="
// the plus key, "-" and "_" the minus key.
int keyOfText(const QString& text)
{
    if (text.size() != 1)
        return 0;
    const QChar c = text.at(0);
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        return Qt::Key_A + (c.unicode() - 'a');
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        return Qt::Key_A + (c.unicode() - 'A');
    if (c == QLatin1Char('+') || c == QLatin1Char('='))
        return Qt::Key_Plus;
    if (c == QLatin1Char('-') || c == QLatin1Char('_'))
        return Qt::Key_Minus;
    return 0;
}

void restoreFromHistory(TForm1& form, bool undo)
{
    TDocument& doc = form.Doc();
    if (form.IsEffectRunning())
        return;
    gfx::Image display;
    gfx::Image source;
    const bool found = undo ? doc.FHistory->Undo(display, source) : doc.FHistory->Redo(display, source);
    if (!found || display.isNull())
        return;
    if (source.isNull())
        source = doc.ZIdSourceImage;
    if (!doc.ReplaceDocument(source, display))
        return;
    form.CenterImageInPaintBox();
    form.SkPaintBox1->update();
}

} // namespace

void TForm1::SpeedButton5Click()
{
    restoreFromHistory(*this, true);
}

void TForm1::SpeedButton6Click()
{
    restoreFromHistory(*this, false);
}

void TForm1::LabelEnhanceClick()
{
    if (FAutoEnhance)
        FAutoEnhance->Run();
}

bool TForm1::FormKeyDown(int key, const QString& text, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool ctrlKey = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool keypad = modifiers & Qt::KeypadModifier;
    const bool editFocus = hasEditFocus();
    if (key == 0 || key == Qt::Key_unknown)
        key = keyOfText(text);
    if (key == Qt::Key_Equal || key == Qt::Key_Underscore)
        key = key == Qt::Key_Equal ? Qt::Key_Plus : Qt::Key_Minus;

    switch (key) {
    case Qt::Key_Escape:
        // Stops a running full run; the key goes on to the focused control.
        FDocument.Shared->Cancel.request();
        return false;
    case Qt::Key_0:
        if (!ctrl)
            return false;
        FDocument.FZoomFactor = 1.0f;
        CenterImageInPaintBox();
        UpdatePaintBoxSize();
        UpdateDivider();
        SkPaintBox1->update();
        ZoomLabel->setText(QStringLiteral("100%"));
        return true;
    case Qt::Key_Minus:
    case Qt::Key_6:
        if (key == Qt::Key_6 && keypad)
            return false;
        if (!ctrl && editFocus)
            return false;
        ZoomOut();
        return true;
    case Qt::Key_Plus:
        if (!ctrl && editFocus)
            return false;
        ZoomIn();
        return true;
    case Qt::Key_E:
        if (ctrl || editFocus)
            return false;
        LabelEnhanceClick();
        return true;
    case Qt::Key_F:
        if (!ctrl)
            return false;
        CalculateBestFitAndCenter();
        return true;
    case Qt::Key_M:
        if (ctrl || editFocus)
            return false;
        ThemeSwitchClick();
        return true;
    case Qt::Key_N:
        if (!(ctrlKey && shift))
            return false;
        FullReset();
        return true;
    case Qt::Key_O:
        if (!ctrl)
            return false;
        LoadImageFile();
        return true;
    case Qt::Key_Q:
        if (!ctrl)
            return false;
        close();
        return true;
    case Qt::Key_S:
        if (ctrl && !shift) {
            SaveImageFile();
            return true;
        }
        if (!ctrl && !editFocus) {
            SpeedButton24Click();
            return true;
        }
        return false;
    case Qt::Key_Z:
        if (!ctrl)
            return false;
        if (shift)
            SpeedButton6Click();
        else
            SpeedButton5Click();
        return true;
    default:
        return false;
    }
}

void TForm1::RunMenuAction(const QString& name)
{
    const bool hideMenu = name != QLatin1String("SplitViewMI") && name != QLatin1String("AutoEnhanceMI");
    if (hideMenu)
        MenuContainer->hide();
    if (name == QLatin1String("OpenMI")) {
        if (!IsEffectRunning())
            LoadImageFile();
    } else if (name == QLatin1String("SaveMI")) {
        SaveImageFile();
    } else if (name == QLatin1String("UndoMI")) {
        SpeedButton5Click();
    } else if (name == QLatin1String("RedoMI")) {
        SpeedButton6Click();
    } else if (name == QLatin1String("SplitViewMI")) {
        SpeedButton24Click();
    } else if (name == QLatin1String("AutoEnhanceMI")) {
        LabelEnhanceClick();
    } else if (name == QLatin1String("QuitMI")) {
        close();
    }
}

} // namespace pq
