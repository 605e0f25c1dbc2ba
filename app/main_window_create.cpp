// Creation of the main window: the widget tree and create.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/message_box.h"
#include "panels/overlay_host.h"
#include "app/splash.h"
#include "app/startup.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "workspace/canvas_view.h"
#include "workspace/preview_pane.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace pq {

MainWindow* gMainWindow = nullptr;
QPointer<QWidget> gScriptEditor;

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::FramelessWindowHint), document_(EngineHost::shared)
{
    gMainWindow = this;
    setObjectName(QStringLiteral("mainWindow"));
    // The window is built in its designed dark colours; create applies
    // the saved mode.
    gThemeMode = ThemeMode::Dark;
    commandLine = QCoreApplication::arguments();
    askYesNo = [this](const QString& text) { return AskYesNoBox(this, text); };
    showMessageBox = [this](const QString& text) { ShowMessageBox(this, text); };

    // The designed tree: chrome, bars, panels, workspace.
    windowFrame = new QWidget(this);
    windowFrame->setObjectName(QStringLiteral("windowFrame"));
    windowFrame->setAttribute(Qt::WA_StyledBackground);
    setCentralWidget(windowFrame);
    auto* frame = new QVBoxLayout(windowFrame);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    buildTitleBar(frame);
    auto* content = new QVBoxLayout;
    content->setContentsMargins(8, 2, 8, 8);
    content->setSpacing(8);
    frame->addLayout(content, 1);
    buildToolBar(content);

    auto* body = new QHBoxLayout;
    body->setSpacing(8);
    body->setContentsMargins(0, 0, 0, 0);
    content->addLayout(body, 1);
    auto* left = new QWidget(windowFrame);
    auto* centre = new QWidget(windowFrame);
    auto* right = new QWidget(windowFrame);
    body->addWidget(left);
    body->addWidget(centre, 1);
    body->addWidget(right);
    buildLeftPanel(left);
    buildWorkspace(centre);
    buildRightPanel(right);
    buildMainMenu();
    buildResizeEdges();

    overlayHost = new OverlayHost(windowFrame);

    create();
    wireWorkspace();
    SetEngineHost(this);
}

MainWindow::~MainWindow()
{
    GuardedCall("shutDown", [this] {
        if (!destroyed_)
            shutDown();
    });
    if (gMainWindow == this)
        gMainWindow = nullptr;
}

void MainWindow::createTimers()
{
    const auto setUp = [](QTimer& timer, int interval, bool singleShot, bool running) {
        timer.setInterval(interval);
        timer.setSingleShot(singleShot);
        if (running)
            timer.start();
    };
    setUp(initializationTimer, 10, true, false);
    setUp(monitorCheckTimer, 500, false, true);
    setUp(zoomDebounceTimer, 150, true, false);
    setUp(galleryContextTimer, 150, false, false);
    setUp(timer1, 200, false, true);
    setUp(moveWindowTimer, 200, true, false);
    setUp(zoomInRepeat, 50, false, false);
    setUp(zoomOutRepeat, 50, false, false);
    setUp(previewTimer, 500, false, false);
    setUp(previewDebounceTimer, 1000, true, false);
    setUp(fontColorTimer, 3000, false, false);
    setUp(textBoxPulseTimer, 300, false, false);
    setUp(cleanUpTimer, 2000, false, true);
    connect(&initializationTimer, &QTimer::timeout, this,
            [this] { GuardedCall("initialize", [this] { initialize(); }); });
}

void MainWindow::create()
{
    DebugLog(QStringLiteral(">>> create begin"));

    donateButton->setToolTip(Translate(QStringLiteral("A cup of coffee?")));
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    logoLabel->setToolTip(QString::fromLatin1(kProductTitle));
    setWindowState(Qt::WindowNoState);

    // Initial state of the shared fields: the document object starts with
    // them; the window's own fields are set where they are declared.
    startupLayoutDone = false;
    interfaceZoom = 1.0f;

    // Window size 98 % of the screen, centred in the work area.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = InitialWindowRect(screen->geometry(), screen->availableGeometry());
        setMinimumSize(std::min(1080, screen->availableGeometry().width()),
                       std::min(768, screen->availableGeometry().height()));
        setGeometry(area);
    }
    lastLeft = x();
    lastTop = y();
    menuSelection = -1;

    defaultPreviewPicture = previewPane->bitmap();
    createTimers();

    document_.onDeferredClose = [this] { close(); };

    dividerX() = width() / 2.0;
    textBoxUpdating = false;
    document_.selectedEffect = 300;
    showSelectedEffect(effectLists[2], -1);

    draggedTile = -1;
    contextMenuTile = -1;

    if (gSplash)
        SplashScreen::applyInterfaceFont();

    // The theme: the designed dark colours are in place, a saved light
    // mode switches fully.
    GuardedCall("create theme", [this] {
        createThemeSwitch();
        LoadTheme();
        if (gThemeMode == ThemeMode::Light)
            setLightMode(true);
        else
            applyStyle();
    });

    DebugLog(QStringLiteral("<<< create done"));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    GuardedCall("FormResize", [this] {
        placeResizeEdges();
        placeFloatingControls();
        updateWindowButtons();
    });
}

void MainWindow::placeFloatingControls()
{
    if (overlayHost)
        overlayHost->setGeometry(windowFrame->rect());
    if (mainMenu)
        mainMenu->move(14, toolBar->mapTo(windowFrame, QPoint(0, toolBar->height())).y() + 6);
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        GuardedCall("FormDeactivate", [this] {
            if (canvasView)
                canvasView->panning = false;
        });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Title bar: drag moves the window, a double click maximises or
    // restores. Edges and corners resize it.
    const auto type = event->type();
    if (watched == mainMenu && type == QEvent::Leave) {
        mainMenu->hide();
        return false;
    }
    if (type == QEvent::MouseButtonRelease && watched->property("menuAction").toString() == QLatin1String("quit")) {
        mainMenu->hide();
        close();
        return true;
    }
    if (watched == titleBar) {
        if (type == QEvent::MouseButtonDblClick) {
            GuardedCall("ProgramBarRectDblClick", [this] { toggleMaximized(); });
            return true;
        }
        if (type == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton
            && !maximized && windowHandle()) {
            windowHandle()->startSystemMove();
            return true;
        }
    }
    if (type == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton
        && windowHandle()) {
        const QVariant edges = watched->property("resizeEdges");
        if (edges.isValid()) {
            windowHandle()->startSystemResize(Qt::Edges(edges.toInt()));
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace pq
