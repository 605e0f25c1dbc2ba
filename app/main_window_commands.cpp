// The window's commands: one row each, read by the toolbar, the main menu
// and the keyboard. Rows without a handler are commands whose feature is
// still to come: their keys are taken and nothing happens.
#include "app/main_window.h"

#include "app/batch_mode.h"
#include "app/caption_marquees.h"
#include "app/donation_box.h"
#include "app/info_boxes.h"
#include "app/document_panels.h"
#include "app/interface_zoom.h"
#include "app/main_menu.h"
#include "app/manual_brush.h"
#include "app/menu_keys.h"
#include "app/panel_host.h"
#include "app/selector_panels.h"
#include "app/tool_bar.h"
#include "ui/interface_scale.h"
#include "workspace/canvas_area.h"
#include "workspace/document_actions.h"
#include "workspace/print_window.h"

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

// A row run from a key only.
Command KeyRow(const char* name, std::vector<KeyBinding> keys, std::function<void()> run)
{
    return Row(name, MenuSection::None, "", "", "", std::move(keys), std::move(run));
}

Command Staying(Command command)
{
    command.keepsMenuOpen = true;
    return command;
}

} // namespace

void MainWindow::buildCommands()
{
    using enum MenuSection;
    const auto idle = [this] { return !document_.isEffectRunning(); };
    const auto add = [this](Command command) { commands_.add(std::move(command)); };

    // File. Keys sharing a letter are told apart by their modifiers; where
    // two rows could match, the first one in the table wins.
    Command open = Row("open", File, "Open", "open", "CTRL+O", {{Qt::Key_O, Chord::Command}}, [this] { openImage(); });
    open.enabled = idle;
    add(open);
    add(Row("save", File, "Save", "save", "CTRL+S", {{Qt::Key_S, Chord::CommandNoShift}}, [this] { actions_->saveImage(); }));
    add(Row("print", File, "Print", "print", "CTRL+P", {{Qt::Key_P, Chord::Command}}, [this] { printWindow_->toggle(); }));
    add(Row("quit", File, "Quit", "power", "CTRL+Q", {{Qt::Key_Q, Chord::Command}}, [this] { close(); }));

    // Edit.
    add(Staying(Row("undo", Edit, "Undo", "undo", "CTRL+Z", {{Qt::Key_Z, Chord::CommandNoShift}}, [this] { actions_->undo(); })));
    add(Staying(Row("redo", Edit, "Redo", "redo", "CTRL+SHIFT+Z", {{Qt::Key_Z, Chord::CommandShift}}, [this] { actions_->redo(); })));
    add(Staying(Row("copy", Edit, "Copy to clipboard", "copy", "CTRL+C", {{Qt::Key_C, Chord::Command}}, {})));
    add(Staying(Row("paste", Edit, "Paste from clipboard", "paste", "CTRL+V", {{Qt::Key_V, Chord::Command}}, {})));
    add(Staying(Row("splitView", Edit, "View source image", "eye", "S", {{Qt::Key_S, Chord::Plain}},
                    [this] { canvas_->toggleSplitView(); })));
    add(Staying(Row("swap", Edit, "Swap Source/Result", "swap", "F12", {{Qt::Key_F12, Chord::Any}},
                    [this] { actions_->swapSourceAndResult(); })));
    // The source photo blended onto the result.
    add(Row("combine", Edit, "Combine source/result", "layers", "F11", {{Qt::Key_F11, Chord::Any}},
            [this] { documentPanels_->showCombinePanel(document_.sourceImage); }));
    add(Row("batch", Edit, "Batch mode", "batch", "CTRL+B", {{Qt::Key_B, Chord::Command}}, [this] { batch_->open(); }));
    add(Row("scriptEditor", Edit, "Script Editor", "script", "CTRL+E", {{Qt::Key_E, Chord::Command}, {Qt::Key_S, Chord::CommandShift}},
            [this] { panels_->showScriptEditor(); }));
    add(Staying(Row("autoEnhance", Edit, "Auto-enhance", "enhance", "E", {{Qt::Key_E, Chord::Plain}}, [this] { autoEnhance(); })));

    // Help.
    add(Staying(Row("help", Help, "Online help", "help", "F1", {{Qt::Key_F1, Chord::Any}},
                    [this] { infoBoxes_->openPage(WebPage::Help); })));
    // The language popup is the interface languages' work.
    add(Staying(Row("language", Help, "Language", "globe", "CTRL+L", {}, [this] {
        if (menu_->languageMIClick)
            menu_->languageMIClick();
    })));
    add(Staying(Row("about", Help, "About Pastelloquin", "info", "F2", {{Qt::Key_F2, Chord::Any}},
                    [this] { infoBoxes_->openPage(WebPage::About); })));
    add(Row("checkForUpdate", Help, "Check for update", "update", "U", {{Qt::Key_U, Chord::Plain}},
            [this] { infoBoxes_->checkForUpdate(); }));
    add(Row("donate", Help, "How about a coffee?", "coffee", "C", {{Qt::Key_C, Chord::Plain}},
            [this] { infoBoxes_->showDonationBox(); }));
    add(Row("interfaceSize", Help, "Interface size", "zoomin", "Z", {{Qt::Key_Z, Chord::Plain}}, [this] { zoom_->menuClick(); }));

    // Keys of their own. Enter and Esc act on the open boxes; Esc first
    // stops a running full run, script or brush stroke in every case.
    add(KeyRow("menu", {{Qt::Key_F10, Chord::Any}}, [this] { toggleMainMenu(); }));
    Command enter = KeyRow("enter", {{Qt::Key_Return, Chord::Any}, {Qt::Key_Enter, Chord::Any}}, {});
    enter.runKey = [this] { return boxKeys.enter(); };
    add(enter);
    Command escape = KeyRow("cancel", {{Qt::Key_Escape, Chord::Any}}, {});
    escape.runKey = [this] {
        document_.shared->cancel.request();
        return boxKeys.escape();
    };
    escape.runsOverPanels = true;
    add(escape);
    add(KeyRow("zoomIn", {{Qt::Key_Plus, Chord::PlainOrCommand}}, [this] { canvas_->zoomIn(); }));
    add(KeyRow("zoomOut", {{Qt::Key_Minus, Chord::PlainOrCommand}, {Qt::Key_6, Chord::PlainOrCommand}}, [this] { canvas_->zoomOut(); }));
    add(KeyRow("actualSize", {{Qt::Key_0, Chord::Command}}, [this] { canvas_->actualSizeAndCentre(); }));
    add(KeyRow("fitToView", {{Qt::Key_F, Chord::Command}}, [this] { canvas_->fitToView(); }));
    add(KeyRow("toggleTheme", {{Qt::Key_M, Chord::Plain}}, [this] { toggleTheme(); }));
    add(KeyRow("fullReset", {{Qt::Key_N, Chord::ControlShift}}, [this] { fullReset(); }));
    // Ctrl+Shift+L writes the language lists (the languages' own work);
    // Ctrl+L with any other command key opens the language choice, or
    // closes the menu while the choice is open.
    add(KeyRow("exportLanguages", {{Qt::Key_L, Chord::ControlShift}}, {}));
    add(KeyRow("languageSubmenu", {{Qt::Key_L, Chord::Command}}, [this] { menuKeys_->languageShortcut(); }));
    add(KeyRow("rotateLeft", {{Qt::Key_L, Chord::Plain}}, {}));
    // Ctrl+R opens the resize panel when no effect runs and there is a
    // result; the key is taken either way.
    Command resize = KeyRow("resize", {{Qt::Key_R, Chord::Command}}, [this] { documentPanels_->showResizePanel(); });
    resize.enabled = [this] { return !document_.isEffectRunning() && !document_.resultImage.isNull(); };
    add(resize);
    // The canvas's double click.
    add(KeyRow("fullScreenView", {}, [this] { showFullScreenViewer(); }));
    add(KeyRow("rotateRight", {{Qt::Key_R, Chord::Plain}}, {}));
    Command defaultImage = KeyRow("defaultImage", {}, [this] { actions_->openDefaultImage(); });
    defaultImage.enabled = idle;
    add(defaultImage);
    for (const char* tool : {"crop", "addText"})
        add(KeyRow(tool, {}, {}));
    // The left panel's "Add texture" and "Add a frame".
    add(KeyRow("addTexture", {}, [this] { selectorPanels_->showTextureSelector(); }));
    add(KeyRow("addFrame", {}, [this] { selectorPanels_->showFrameSelector(); }));
    add(KeyRow("manualBrush", {}, [this] { manualBrush_->open(); }));
}

void MainWindow::wireBoxKeys()
{
    boxKeys.donation.isOpen = [this] { return infoBoxes_->donationBox()->isVisible(); };
    boxKeys.donation.enter = [this] { infoBoxes_->donationBox()->buy(); };
    boxKeys.donation.escape = [this] { infoBoxes_->donationBox()->cancel(); };
    // Esc closes the manual brush, but not while it applies a stroke: the
    // stroke stops (Esc has set Cancel) and the panel stays.
    boxKeys.manualBrush.isOpen = [this] { return !panels_->manualBrushPanel.isNull(); };
    boxKeys.manualBrush.escape = [this] {
        if (!panels_->manualBrushApplying)
            panels_->closeManualBrush();
    };
    infoBoxes_->donationBlocked = [this] { return !panels_->manualBrushPanel.isNull(); };
}

void MainWindow::toggleMainMenu()
{
    placeFloatingControls();
    const int y = toolBar_->mapTo(frame_, QPoint(0, toolBar_->height())).y() + Units(6);
    menu_->toggle(Units(14), y, frame_->height());
    menuKeys_->menuToggled(menu_->isVisible());
    if (menu_->isVisible())
        marquees_->setUpMenu();
    else
        marquees_->menu.tearDown();
}

} // namespace pq
