// The main window: its parts, how they are wired together, the theme and
// the window's own geometry.
#include "app/main_window.h"

#include "app/batch_mode.h"
#include "app/document_panels.h"
#include "app/editing_tools.h"
#include "app/document_scripts.h"
#include "app/left_panel.h"
#include "app/main_menu.h"
#include "app/manual_brush.h"
#include "app/menu_keys.h"
#include "app/panel_host.h"
#include "app/right_panel.h"
#include "app/selector_panels.h"
#include "app/splash.h"
#include "app/startup.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "app/window_edges.h"
#include "panels/full_screen_view.h"
#include "panels/overlay_host.h"
#include "ui/debug_log.h"
#include "ui/interface_scale.h"
#include "ui/theme_style.h"
#include "ui/theme_walk.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/auto_enhance_command.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/document_actions.h"
#include "workspace/effect_lists.h"
#include "workspace/effect_panel.h"
#include "workspace/gallery_part.h"
#include "workspace/print_window.h"
#include "workspace/preview_panel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QScreen>
#include <QVBoxLayout>

namespace pq {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::FramelessWindowHint),
      dialogs_(UserDialogs::ForWindow(this)),
      host_(document_, dialogs_)
{
    setObjectName(QStringLiteral("mainWindow"));
    // The window is built in its designed dark colours; the saved mode is
    // applied below.
    gThemeMode = ThemeMode::Dark;
    commandLine = QCoreApplication::arguments();
    DebugLog(QStringLiteral(">>> MainWindow begin"));

    buildCommands();
    buildParts();
    wireParts();
    wireShell();
    wireChrome();

    setWindowTitle(QString::fromLatin1(kWindowCaption));
    setWindowState(Qt::WindowNoState);
    // Window size 98 % of the screen, centred in the work area.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = InitialWindowRect(screen->geometry(), screen->availableGeometry());
        setMinimumSize(std::min(1080, screen->availableGeometry().width()),
                       std::min(768, screen->availableGeometry().height()));
        setGeometry(area);
    }
    canvas_->dividerX() = width() / 2.0;
    document_.onDeferredClose = [this] { close(); };
    effectPanel().showSelectedEffect();

    if (gSplash)
        SplashScreen::applyInterfaceFont();
    // The theme: the designed dark colours are in place, a saved light mode
    // switches fully.
    GuardedCall("theme", [this] {
        LoadTheme();
        if (gThemeMode == ThemeMode::Light)
            applyTheme(ThemeMode::Light);
        else
            SetDesignStyleSheet(this, ThemeStyleSheet(ThemeStyleResourceName()));
    });
    MarkStyleBook(this);
    SetEngineHost(&host_);
    DebugLog(QStringLiteral("<<< MainWindow done"));
}

MainWindow::~MainWindow()
{
    GuardedCall("shutDown", [this] {
        if (!destroyed_)
            shutDown();
        // Hiding moves the focus out of the controls, which may report an
        // edit: that must happen while the parts are still whole.
        hide();
    });
}

EffectLists& MainWindow::effectLists() const
{
    return *leftPanel_->effectLists();
}

EffectPanel& MainWindow::effectPanel() const
{
    return rightPanel_->effects();
}

PreviewPanel& MainWindow::previewPanel() const
{
    return rightPanel_->preview();
}

void MainWindow::buildParts()
{
    frame_ = new QWidget(this);
    frame_->setObjectName(QStringLiteral("windowFrame"));
    frame_->setAttribute(Qt::WA_StyledBackground);
    setCentralWidget(frame_);
    auto* column = new QVBoxLayout(frame_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    titleBar_ = new TitleBar(frame_);
    column->addWidget(titleBar_);
    auto* content = new QVBoxLayout;
    content->setContentsMargins(8, 2, 8, 8);
    content->setSpacing(8);
    column->addLayout(content, 1);
    toolBar_ = new ToolBar(commands_, frame_);
    content->addWidget(toolBar_);

    auto* body = new QHBoxLayout;
    body->setSpacing(8);
    body->setContentsMargins(0, 0, 0, 0);
    content->addLayout(body, 1);
    leftPanel_ = new LeftPanel(commands_, frame_);
    canvas_ = new CanvasArea(document_, frame_);
    rightPanel_ = new RightPanel(document_, dialogs_, frame_);
    body->addWidget(leftPanel_);
    body->addWidget(canvas_, 1);
    body->addWidget(rightPanel_);

    menu_ = new MainMenu(commands_, frame_);
    edges_ = new WindowEdges(frame_);
    actions_ = new DocumentActions(document_, dialogs_, *canvas_, previewPanel(), this);
    panels_ = new PanelHost(document_, previewPanel(), frame_);
    documentPanels_ = new DocumentPanels(document_, dialogs_, *panels_, *canvas_, this);
    selectorPanels_ = new SelectorPanels(document_, dialogs_, *panels_, *canvas_, this);
    gallery_ = new GalleryPart(document_, *canvas_, *actions_, dialogs_, frame_, this);
    printWindow_ = new PrintWindow(document_, dialogs_, frame_);
    manualBrush_ = new ManualBrush(document_, host_, *panels_, *canvas_, effectPanel(), *actions_, frame_);
    editingTools_ = new EditingTools(document_, *canvas_, previewPanel(), *panels_, frame_, this);
    autoEnhancer_ = std::make_shared<AutoEnhanceCommand>([this](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
        leftPanel_->tool(QStringLiteral("autoEnhance"))->setEnabled(!busy);
    });
    toolBar_->button(QStringLiteral("donate"))->setToolTip(Translate(QStringLiteral("A cup of coffee?")));
}

void MainWindow::wireParts()
{
    const auto guarded = [this](const char* context, auto handler) {
        return [this, context, handler] { GuardedCall(context, [this, &handler] { handler(); }); };
    };
    EffectPanel& effects = effectPanel();
    PreviewPanel& preview = previewPanel();

    // The engine reaches the window's parts through its host.
    host_.previewPane = preview.pane();
    host_.redraw = [this] { canvas_->canvasView()->update(); };
    host_.close = [this] { close(); };
    host_.brushPanelOpen = [this] { return !panels_->manualBrushPanel.isNull(); };
    host_.progress = [this](int value) { titleBar_->updateProgressBar(value); };
    titleBar_->ignoreProgress = [this] { return document_.scriptRunning.load(); };
    preview.brushApplying = [this] { return panels_->manualBrushPanel && panels_->manualBrushApplying; };
    panels_->applyLightTheme = [](QWidget* panel) { WalkThemeColors(panel, true); };
    commands_.panelOpen = [this] { return panels_->backdropPanelOpen(); };
    editingTools_->wire(commands_, boxKeys);
    actions_->blendDroppedImage = [this](const gfx::Image& image) { documentPanels_->showCombinePanel(image); };
    gallery_->previewWanted = [&preview] { preview.request(); };
    documentPanels_->busy = [this] {
        return document_.isBackgroundWorkRunning() || (panels_->manualBrushPanel && panels_->manualBrushApplying)
               || autoEnhancer_->pending() > 0;
    };
    selectorPanels_->busy = documentPanels_->busy;
    connect(selectorPanels_, &SelectorPanels::brushstrokeFrameRequested, this,
            [this](QRgb color, int width, int brushSize) {
                GuardedCall("addBrushstrokesFrame", [&] { actions_->addBrushstrokesFrame(color, width, brushSize); });
            });
    manualBrush_->busy = documentPanels_->busy;

    wireScripts();

    connect(&effectLists(), &EffectLists::effectClicked, this, [this](int number) {
        GuardedCall("selectListedEffect", [&] { selectListedEffect(number / 100, number % 100); });
    });
    connect(&effects, &EffectPanel::previewWanted, &preview, &PreviewPanel::schedule);
    connect(&effects, &EffectPanel::previewRequested, &preview, &PreviewPanel::request);
    connect(&effects, &EffectPanel::lutChooserRequested, this, guarded("chooseLUT", [this] { panels_->chooseLUT(); }));
    effects.setContourWindowHost(frame_, rightPanel_);
    effects.addTextureCaption = [this] { return leftPanel_->tool(QStringLiteral("addTexture"))->text(); };

    connect(canvas_, &CanvasArea::zoomTextChanged, toolBar_, &ToolBar::setZoomText);
    connect(canvas_, &CanvasArea::splitViewChanged, toolBar_, &ToolBar::showSplitView);
    connect(canvas_, &CanvasArea::fullScreenRequested, this,
            guarded("fullScreenView", [this] { commands_.run(QStringLiteral("fullScreenView")); }));
    connect(canvas_, &CanvasArea::browseClicked, this, guarded("openImage", [this] { openImage(); }));

    connect(titleBar_, &TitleBar::minimizeClicked, this, &QWidget::showMinimized);
    connect(titleBar_, &TitleBar::maximizeClicked, this, guarded("toggleMaximized", [this] { toggleMaximized(); }));
    connect(titleBar_, &TitleBar::closeClicked, this, &QWidget::close);
    connect(titleBar_, &TitleBar::resetRequested, this, guarded("fullReset", [this] { fullReset(); }));
    connect(titleBar_, &TitleBar::themeToggleClicked, this, guarded("toggleTheme", [this] { toggleTheme(); }));

    shortcuts_ = new ShortcutFilter(*this, commands_);
    qApp->installEventFilter(shortcuts_);

    initializationTimer_.setInterval(10);
    initializationTimer_.setSingleShot(true);
    connect(&initializationTimer_, &QTimer::timeout, this, guarded("initialize", [this] { initialize(); }));
    cleanUpTimer_.setInterval(2000);
    connect(&cleanUpTimer_, &QTimer::timeout, this, guarded("cleanUpTick", [this] { cleanUpTick(); }));
    cleanUpTimer_.start();
}

void MainWindow::selectListedEffect(int family, int index)
{
    const QListWidget* list = effectLists().list(family);
    if (!list || index < 0 || index >= list->count())
        return;
    const int number = 100 * family + index;
    effectLists().select(number);
    effectPanel().selectEffect(number);
}

void MainWindow::openImage()
{
    // The script editor steps aside for the dialog and comes back with the
    // new image.
    const bool editorVisible = panels_->scriptEditor && panels_->scriptEditor->isVisible();
    if (document_.isEffectRunning())
        return;
    if (panels_->scriptEditor)
        panels_->scriptEditor->close();
    if (actions_->openImage() && editorVisible)
        panels_->showScriptEditor();
}

void MainWindow::autoEnhance()
{
    autoEnhancer_->run();
}

void MainWindow::showFullScreenViewer()
{
    const gfx::Image image = document_.resultImage;
    if (image.isNull() || fullScreenViewer)
        return;
    // On the display that holds the main window.
    auto* view = new FullScreenViewer(this, image);
    if (const QScreen* display = screen())
        view->setGeometry(display->geometry());
    fullScreenViewer = view;
    // The keys come back to the window when the viewer closes, also where
    // no window manager hands the focus back.
    connect(view, &QObject::destroyed, this, [this] { activateWindow(); });
    view->show();
    view->raise();
    view->activateWindow();
    view->setFocus(Qt::ActiveWindowFocusReason);
}

void MainWindow::toggleMaximized()
{
    const QScreen* display = screen();
    if (!display)
        return;
    const QRect work = display->availableGeometry();
    if (maximized_) {
        maximized_ = false;
        edgesShown_ = true;
        if (restoreBounds_.width() > 100 && restoreBounds_.height() > 100)
            setGeometry(restoreBounds_);
        else
            setGeometry(work.adjusted(50, 50, -50, -50));
    } else {
        restoreBounds_ = geometry();
        maximized_ = true;
        edgesShown_ = false;
        setGeometry(work);
    }
    titleBar_->setMaximized(maximized_);
    placeEdges();
}

void MainWindow::placeEdges()
{
    edges_->place(edgesShown_ && !isMaximized() && !isFullScreen());
}

void MainWindow::toggleTheme()
{
    applyTheme(gThemeMode == ThemeMode::Light ? ThemeMode::Dark : ThemeMode::Light);
}

void MainWindow::applyTheme(ThemeMode mode)
{
    DebugLog(mode == ThemeMode::Light ? QStringLiteral(">>> applyTheme light") : QStringLiteral(">>> applyTheme dark"));
    gThemeMode = mode;
    MarkStyleBook(this);
    SetDesignStyleSheet(this, ThemeStyleSheet(ThemeStyleResourceName()));
    applyThemeColors();
    SaveTheme();
    update();
    canvas_->canvasView()->update();
}

void MainWindow::applyThemeColors()
{
    const bool toLight = gThemeMode == ThemeMode::Light;
    // The switches keep their own look; the theme icons are set by the
    // title bar.
    const auto skip = [this](const QObject* o) {
        return o == titleBar_->lightThemeButton() || o == titleBar_->darkThemeButton()
               || o == titleBar_->progressBar() || o == titleBar_->progressLabel()
               || qobject_cast<const ToggleSwitch*>(o) != nullptr;
    };
    WalkThemeColors(this, toLight, skip);
    if (QWidget* editor = panels_->scriptEditor) {
        WalkThemeColors(editor, toLight, skip);
        if (editor->metaObject()->indexOfMethod("applyEditorTheme()") >= 0)
            QMetaObject::invokeMethod(editor, "applyEditorTheme");
    }
    if (QWidget* brush = panels_->manualBrushPanel)
        WalkThemeColors(brush, toLight, skip);
    toolBar_->updateLogo();
    titleBar_->updateThemeIcons();
    titleBar_->updateProgressColors();
    previewPanel().showEmpty();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    GuardedCall("resize", [this] {
        placeEdges();
        placeFloatingControls();
        titleBar_->setMaximized(maximized_);
        canvas_->followWindowSize(size());
    });
}

void MainWindow::placeFloatingControls()
{
    panels_->overlay()->setGeometry(frame_->rect());
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        canvas_->canvasView()->panning = false;
}

void MainWindow::cleanUpTick()
{
    // A bar left over by a run that ended without its final report.
    if (document_.runningEffect.load() == -1 && !panels_->manualBrushPanel)
        titleBar_->updateProgressBar(101);
    effectPanel().cleanUpTick();
}

} // namespace pq
