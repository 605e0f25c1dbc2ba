// The borderless window's chrome wired into the window: moving and its
// highlight, resizing by the edges, the interface zoom and its window, the
// monitor watch and the main menu's keyboard navigation.
#include "app/main_window.h"

#include "app/caption_marquees.h"
#include "app/interface_zoom.h"
#include "app/main_menu.h"
#include "app/menu_keys.h"
#include "app/monitor_watch.h"
#include "app/panel_host.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "app/window_chrome.h"
#include "app/window_edges.h"
#include "panels/overlay_host.h"
#include "ui/debug_log.h"
#include "ui/interface_scale.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/workspace_layout.h"

#include <QCoreApplication>
#include <QScreen>

namespace pq {

void MainWindow::wireChrome()
{
    // The window is built in design units: scale 1 until the first show
    // applies the interface zoom.
    SetInterfaceScale(1.0);
    chrome_ = new WindowChrome(*this, *frame_, *titleBar_);
    // Live resizing draws the canvas with fast sampling until the release.
    edges_->resizingChanged = [this](bool on) {
        chrome_->resizing(on);
        canvas_->canvasView()->zooming = on;
        if (!on)
            canvas_->canvasView()->update();
    };
    chrome_->displayScaleChanged = [this] { relayoutAfterRescale(); };
    chrome_->moveStarted = [this] {
        edgesShown_ = true;
        placeEdges();
    };

    zoom_ = new InterfaceZoom(*this, *frame_);
    zoom_->captionChanged = [this](const QString& caption) {
        menu_->setCaption(QStringLiteral("interfaceSize"), caption);
    };
    zoom_->scriptEditor = [this]() -> QWidget* { return panels_->scriptEditor; };
    zoom_->menuVisible = [this] { return menu_->isVisible(); };
    zoom_->closeMenu = [this] { menuKeys_->closeMenu(); };
    zoom_->beforeRescale = [this] { marquees_->tearDownAll(); };
    zoom_->afterRescale = [this] { relayoutAfterRescale(); };
    zoom_->watchForPanels(panels_->overlay());
    boxKeys.interfaceZoom.isOpen = [this] { return zoom_->windowOpen(); };
    boxKeys.interfaceZoom.enter = [this] { zoom_->okClicked(); };
    boxKeys.interfaceZoom.escape = [this] { zoom_->closeClicked(); };

    monitorWatch_ = new MonitorWatch(*this);
    monitorWatch_->customMaximized = [this] { return maximized_; };
    monitorWatch_->moving = [this] { return chrome_->movePendingOrRunning() || edges_->isResizing(); };
    monitorWatch_->displayChanged = [this] {
        zoom_->updateScale();
        zoom_->updateMinimumSize();
        relayoutAfterRescale();
    };

    // The fixed list of the menu's entries, in the table's order.
    QStringList entries;
    for (const Command& command : commands_.commands())
        if (command.section != MenuSection::None)
            entries << command.name;
    menuKeys_ = std::make_unique<MenuKeys>(*menu_, entries);
    menuKeys_->toggleMenu = [this] { toggleMainMenu(); };
    menuKeys_->runEntry = [this](const QString& name) { commands_.run(name); };
    shortcuts_->menuKeys = [this](const QKeyEvent& key) { return menuKeys_->handleKey(key); };
    zoom_->setZoom(zoom_->zoom());
}

void MainWindow::relayoutAfterRescale()
{
    if (destroyed_)
        return;
    placeEdges();
    placeFloatingControls();
    if (maximized_ && screen())
        setGeometry(screen()->availableGeometry());
    canvas_->workspaceLayout()->relayout();
    // The window keeps its pixels but the view's room changes with the
    // scale: once the layouts have placed the view, the picture is fitted
    // to it as after a new window size.
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    canvas_->fitToView();
    toolBar_->updateLogo();
    if (initialized)
        setUpCaptions();
    if (menu_->isVisible())
        marquees_->setUpMenu();
}

} // namespace pq
