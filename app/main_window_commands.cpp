// The window's commands: one row each, read by the toolbar, the main menu
// and the keyboard. Rows without a handler are commands still to come.
#include "app/main_window.h"

#include "app/document_panels.h"
#include "app/main_menu.h"
#include "app/tool_bar.h"
#include "workspace/canvas_area.h"
#include "workspace/document_actions.h"

#include <QString>

namespace pq {
namespace {

Command Row(const char* name, MenuSection section, const char* caption, const char* icon, const char* shortcut,
            std::vector<KeyBinding> keys, std::function<void()> run)
{
    Command command;
    command.name = QString::fromLatin1(name);
    command.section = section;
    command.caption = QString::fromLatin1(caption);
    command.icon = QString::fromLatin1(icon);
    command.shortcutText = QString::fromLatin1(shortcut);
    command.keys = std::move(keys);
    command.run = std::move(run);
    return command;
}

} // namespace

void MainWindow::buildCommands()
{
    using enum MenuSection;
    const auto idle = [this] { return !document_.isEffectRunning(); };
    const auto add = [this](Command command) { commands_.add(std::move(command)); };

    // File.
    Command open = Row("open", File, "Open", "open", "CTRL+O", {{Qt::Key_O, Chord::Command}}, [this] { openImage(); });
    open.enabled = idle;
    add(open);
    add(Row("save", File, "Save", "save", "CTRL+S", {{Qt::Key_S, Chord::CommandNoShift}},
            [this] { actions_->saveImage(); }));
    add(Row("print", File, "Print", "print", "CTRL+P", {}, {}));
    add(Row("quit", File, "Quit", "power", "CTRL+Q", {{Qt::Key_Q, Chord::Command}}, [this] { close(); }));

    // Edit.
    add(Row("undo", Edit, "Undo", "undo", "CTRL+Z", {{Qt::Key_Z, Chord::CommandNoShift}},
            [this] { actions_->undo(); }));
    add(Row("redo", Edit, "Redo", "redo", "CTRL+SHIFT+Z", {{Qt::Key_Z, Chord::CommandShift}},
            [this] { actions_->redo(); }));
    add(Row("copy", Edit, "Copy to clipboard", "copy", "CTRL+C", {}, {}));
    add(Row("paste", Edit, "Paste from clipboard", "paste", "CTRL+V", {}, {}));
    Command split = Row("splitView", Edit, "View source image", "eye", "S", {{Qt::Key_S, Chord::Plain}},
                        [this] { canvas_->toggleSplitView(); });
    split.keepsMenuOpen = true;
    add(split);
    add(Row("swap", Edit, "Swap Source/Result", "swap", "F12", {}, {}));
    // The source photo blended onto the result.
    add(Row("combine", Edit, "Combine source/result", "layers", "F11", {{Qt::Key_F11, Chord::Any}},
            [this] { documentPanels_->showCombinePanel(document_.sourceImage); }));
    add(Row("batch", Edit, "Batch mode", "batch", "CTRL+B", {}, {}));
    add(Row("scriptEditor", Edit, "Script Editor", "script", "CTRL+E", {}, {}));
    Command enhance = Row("autoEnhance", Edit, "Auto-enhance", "enhance", "E", {{Qt::Key_E, Chord::Plain}},
                          [this] { autoEnhance(); });
    enhance.keepsMenuOpen = true;
    add(enhance);

    // Help.
    add(Row("help", Help, "Online help", "help", "F1", {}, {}));
    add(Row("language", Help, "Language", "globe", "CTRL+L", {}, {}));
    add(Row("about", Help, "About Pastelloquin", "info", "F2", {}, {}));
    add(Row("checkForUpdate", Help, "Check for update", "update", "U", {}, {}));
    add(Row("donate", Help, "How about a coffee?", "coffee", "C", {}, {}));
    add(Row("interfaceSize", Help, "Interface size", "display", "Z", {}, {}));

    // Not in the menu.
    add(Row("menu", None, "", "", "", {}, [this] {
        placeFloatingControls();
        const int y = toolBar_->mapTo(frame_, QPoint(0, toolBar_->height())).y() + 6;
        menu_->toggle(14, y, frame_->height());
    }));
    Command cancel = Row("cancel", None, "", "", "", {{Qt::Key_Escape, Chord::Any}},
                         // Stops a running full run; the key goes on to the focused control.
                         [this] { document_.shared->cancel.request(); });
    cancel.passesKeyOn = true;
    cancel.runsOverPanels = true;
    add(cancel);
    add(Row("zoomIn", None, "", "", "", {{Qt::Key_Plus, Chord::PlainOrCommand}}, [this] { canvas_->zoomIn(); }));
    add(Row("zoomOut", None, "", "", "", {{Qt::Key_Minus, Chord::PlainOrCommand}, {Qt::Key_6, Chord::PlainOrCommand}},
            [this] { canvas_->zoomOut(); }));
    add(Row("actualSize", None, "", "", "", {{Qt::Key_0, Chord::Command}}, [this] { canvas_->actualSizeAndCentre(); }));
    add(Row("fitToView", None, "", "", "", {{Qt::Key_F, Chord::Command}}, [this] { canvas_->fitToView(); }));
    add(Row("toggleTheme", None, "", "", "", {{Qt::Key_M, Chord::Plain}}, [this] { toggleTheme(); }));
    add(Row("fullReset", None, "", "", "", {{Qt::Key_N, Chord::ControlShift}}, [this] { fullReset(); }));
    Command defaultImage = Row("defaultImage", None, "", "", "", {}, [this] { actions_->openDefaultImage(); });
    defaultImage.enabled = idle;
    add(defaultImage);
    Command resize = Row("resize", None, "", "", "", {{Qt::Key_R, Chord::Command}},
                         [this] { documentPanels_->showResizePanel(); });
    resize.enabled = [this] { return !document_.isEffectRunning() && !document_.resultImage.isNull(); };
    add(resize);
    // The canvas's double click.
    add(Row("fullScreenView", None, "", "", "", {}, [this] { showFullScreenViewer(); }));
    for (const char* tool : {"crop", "rotateLeft", "rotateRight", "addText", "addTexture", "addFrame", "manualBrush"})
        add(Row(tool, None, "", "", "", {}, {}));
}

} // namespace pq
