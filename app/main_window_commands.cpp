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

bool HasEditFocus()
{
    const QWidget* focus = QApplication::focusWidget();
    return qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QTextEdit*>(focus)
           || qobject_cast<const QPlainTextEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus);
}

// The key a bare character stands for: letters upper-cased, "+" and "="
// the plus key, "-" and "_" the minus key.
int KeyOfText(const QString& text)
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

void RestoreFromHistory(MainWindow& form, bool undo)
{
    Document& doc = form.doc();
    if (form.isEffectRunning())
        return;
    gfx::Image display;
    gfx::Image source;
    const bool found = undo ? doc.history->undo(display, source) : doc.history->redo(display, source);
    if (!found || display.isNull())
        return;
    if (source.isNull())
        source = doc.sourceImage;
    if (!doc.replaceDocument(source, display))
        return;
    form.centreImage();
    form.canvasView->update();
}

} // namespace

void MainWindow::undo()
{
    RestoreFromHistory(*this, true);
}

void MainWindow::redo()
{
    RestoreFromHistory(*this, false);
}

void MainWindow::autoEnhance()
{
    if (autoEnhancer)
        autoEnhancer->run();
}

bool MainWindow::handleKey(int key, const QString& text, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool ctrlKey = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool keypad = modifiers & Qt::KeypadModifier;
    const bool editFocus = HasEditFocus();
    if (key == 0 || key == Qt::Key_unknown)
        key = KeyOfText(text);
    if (key == Qt::Key_Equal || key == Qt::Key_Underscore)
        key = key == Qt::Key_Equal ? Qt::Key_Plus : Qt::Key_Minus;

    switch (key) {
    case Qt::Key_Escape:
        // Stops a running full run; the key goes on to the focused control.
        document_.shared->cancel.request();
        return false;
    case Qt::Key_0:
        if (!ctrl)
            return false;
        document_.zoom = 1.0f;
        centreImage();
        updateCanvasSize();
        updateDivider();
        canvasView->update();
        zoomLabel->setText(QStringLiteral("100%"));
        return true;
    case Qt::Key_Minus:
    case Qt::Key_6:
        if (key == Qt::Key_6 && keypad)
            return false;
        if (!ctrl && editFocus)
            return false;
        zoomOut();
        return true;
    case Qt::Key_Plus:
        if (!ctrl && editFocus)
            return false;
        zoomIn();
        return true;
    case Qt::Key_E:
        if (ctrl || editFocus)
            return false;
        autoEnhance();
        return true;
    case Qt::Key_F:
        if (!ctrl)
            return false;
        fitToView();
        return true;
    case Qt::Key_M:
        if (ctrl || editFocus)
            return false;
        toggleTheme();
        return true;
    case Qt::Key_N:
        if (!(ctrlKey && shift))
            return false;
        fullReset();
        return true;
    case Qt::Key_O:
        if (!ctrl)
            return false;
        openImage();
        return true;
    case Qt::Key_Q:
        if (!ctrl)
            return false;
        close();
        return true;
    case Qt::Key_S:
        if (ctrl && !shift) {
            saveImage();
            return true;
        }
        if (!ctrl && !editFocus) {
            toggleSplitView();
            return true;
        }
        return false;
    case Qt::Key_Z:
        if (!ctrl)
            return false;
        if (shift)
            redo();
        else
            undo();
        return true;
    default:
        return false;
    }
}

void MainWindow::runMenuEntry(const QString& name)
{
    const bool hideMenu = name != QLatin1String("SplitViewMI") && name != QLatin1String("AutoEnhanceMI");
    if (hideMenu)
        mainMenu->hide();
    if (name == QLatin1String("OpenMI")) {
        if (!isEffectRunning())
            openImage();
    } else if (name == QLatin1String("SaveMI")) {
        saveImage();
    } else if (name == QLatin1String("UndoMI")) {
        undo();
    } else if (name == QLatin1String("RedoMI")) {
        redo();
    } else if (name == QLatin1String("SplitViewMI")) {
        toggleSplitView();
    } else if (name == QLatin1String("AutoEnhanceMI")) {
        autoEnhance();
    } else if (name == QLatin1String("QuitMI")) {
        close();
    }
}

} // namespace pq
