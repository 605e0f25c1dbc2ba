// Creation of the main window: the widget tree and FormCreate.
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

TForm1* Form1 = nullptr;
QPointer<QWidget> FormScriptEditor;

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::FramelessWindowHint), FDocument(EngineHost::Shared)
{
    Form1 = this;
    setObjectName(QStringLiteral("Form1"));
    // The window is built in its designed dark colours; FormCreate applies
    // the saved mode.
    GThemeMode = tmDark;
    FCommandLine = QCoreApplication::arguments();
    FAskYesNo = [this](const QString& text) { return AskYesNoBox(this, text); };
    FShowMessage = [this](const QString& text) { ShowMessageBox(this, text); };

    // The designed tree: chrome, bars, panels, workspace.
    MainFormRect = new QWidget(this);
    MainFormRect->setObjectName(QStringLiteral("MainFormRect"));
    MainFormRect->setAttribute(Qt::WA_StyledBackground);
    setCentralWidget(MainFormRect);
    auto* frame = new QVBoxLayout(MainFormRect);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    BuildProgramBar(frame);
    auto* content = new QVBoxLayout;
    content->setContentsMargins(8, 2, 8, 8);
    content->setSpacing(8);
    frame->addLayout(content, 1);
    BuildMainBar(content);

    auto* body = new QHBoxLayout;
    body->setSpacing(8);
    body->setContentsMargins(0, 0, 0, 0);
    content->addLayout(body, 1);
    auto* left = new QWidget(MainFormRect);
    auto* centre = new QWidget(MainFormRect);
    auto* right = new QWidget(MainFormRect);
    body->addWidget(left);
    body->addWidget(centre, 1);
    body->addWidget(right);
    BuildLeftPanel(left);
    BuildWorkspace(centre);
    BuildRightPanel(right);
    BuildMenu();
    BuildResizeEdges();

    layOverlayContainer = new TOverlayContainer(MainFormRect);

    FormCreate();
    WireWorkspace();
    setEngineHost(this);
}

TForm1::~TForm1()
{
    GuardedCall("FormDestroy", [this] {
        if (!FDestroyed)
            FormDestroy();
    });
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::CreateTimers()
{
    const auto setUp = [](QTimer& timer, int interval, bool singleShot, bool running) {
        timer.setInterval(interval);
        timer.setSingleShot(singleShot);
        if (running)
            timer.start();
    };
    setUp(InitializationTimer, 10, true, false);
    setUp(FMonitorCheckTimer, 500, false, true);
    setUp(FZoomDebounceTimer, 150, true, false);
    setUp(FGalleryContextTimer, 150, false, false);
    setUp(Timer1, 200, false, true);
    setUp(MoveWinTimer, 200, true, false);
    setUp(ZoomInTimer, 50, false, false);
    setUp(ZoomOutTimer, 50, false, false);
    setUp(UpdatePreviewTimer, 500, false, false);
    setUp(PreviewDebounceTimer, 1000, true, false);
    setUp(FontColorTimer, 3000, false, false);
    setUp(FTextBoxPulseTimer, 300, false, false);
    setUp(CleanUpTimer, 2000, false, true);
    connect(&InitializationTimer, &QTimer::timeout, this,
            [this] { GuardedCall("InitializationTimerTimer", [this] { InitializationTimerTimer(); }); });
}

void TForm1::FormCreate()
{
    DebugLog(QStringLiteral(">>> FormCreate begin"));

    SpeedButton9->setToolTip(Translate(QStringLiteral("A cup of coffee?")));
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    PQLogo->setToolTip(QString::fromLatin1(kProductTitle));
    setWindowState(Qt::WindowNoState);

    // Initial state of the shared fields: the document object starts with
    // them; the window's own fields are set where they are declared.
    FStartupFullScreenDone = false;
    FUIZoom = 1.0f;

    // Window size 98 % of the screen, centred in the work area.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = InitialWindowRect(screen->geometry(), screen->availableGeometry());
        setMinimumSize(std::min(1080, screen->availableGeometry().width()),
                       std::min(768, screen->availableGeometry().height()));
        setGeometry(area);
    }
    FLastLeft = x();
    FLastTop = y();
    FMenuLastSel = -1;

    FDefaultPreviewBitmap = Image1->bitmap();
    CreateTimers();

    FDocument.OnDeferredClose = [this] { close(); };

    FDividerX() = width() / 2.0;
    FTextBoxUpdating = false;
    FDocument.SelectedEffectNumber = 300;
    UpdateListboxes(ListBoxes[2], -1);

    FDraggedThumbnailIndex = -1;
    FContextMenuImageIndex = -1;

    if (Form2)
        TForm2::ApplyInterFontToAllForms();

    // The theme: the designed dark colours are in place, a saved light
    // mode switches fully.
    GuardedCall("FormCreate theme", [this] {
        CreateThemeSwitch();
        LoadTheme();
        if (GThemeMode == tmLight)
            SetLightMode(true);
        else
            ApplyStyle();
    });

    DebugLog(QStringLiteral("<<< FormCreate done"));
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    GuardedCall("FormResize", [this] {
        PositionResizeEdges();
        PositionFloatingControls();
        LayoutWindowButtons();
    });
}

void TForm1::PositionFloatingControls()
{
    if (layOverlayContainer)
        layOverlayContainer->setGeometry(MainFormRect->rect());
    if (MenuContainer)
        MenuContainer->move(14, MainBarRect->mapTo(MainFormRect, QPoint(0, MainBarRect->height())).y() + 6);
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        GuardedCall("FormDeactivate", [this] {
            if (SkPaintBox1)
                SkPaintBox1->FIsPanning = false;
        });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    // Title bar: drag moves the window, a double click maximises or
    // restores. Edges and corners resize it.
    const auto type = event->type();
    if (watched == MenuContainer && type == QEvent::Leave) {
        MenuContainer->hide();
        return false;
    }
    if (type == QEvent::MouseButtonRelease && watched->property("menuAction").toString() == QLatin1String("quit")) {
        MenuContainer->hide();
        close();
        return true;
    }
    if (watched == ProgramBarRect) {
        if (type == QEvent::MouseButtonDblClick) {
            GuardedCall("ProgramBarRectDblClick", [this] { MaxButtonClick(); });
            return true;
        }
        if (type == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton
            && !FIsCustomMaximized && windowHandle()) {
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
