// The window's own chrome: title bar with the progress bar and the window
// buttons, resize edges, maximise and minimise.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/theme_style.h"
#include "ui/widgets/icon_button.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace pq {

namespace {

IconButton* WindowButton(const QString& name, const QString& icon, QWidget* parent)
{
    auto* button = new IconButton(icon, parent);
    button->setObjectName(name);
    button->setFixedSize(46, 34);
    button->setIconPixelSize(16);
    button->setStrokeWidth(1.6);
    button->setRadius(0);
    button->setCursor(Qt::ArrowCursor);
    return button;
}

} // namespace

void MainWindow::buildTitleBar(QVBoxLayout* frame)
{
    const UiPalette& palette = CurrentPalette();
    titleBar = new QWidget(windowFrame);
    titleBar->setObjectName(QStringLiteral("titleBar"));
    titleBar->setFixedHeight(34);
    titleBar->installEventFilter(this);
    auto* row = new QHBoxLayout(titleBar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    // The run's progress: a rounded bar growing from the left, with the
    // percentage riding at its end. Hidden between runs.
    progressBar = new QWidget(titleBar);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setAttribute(Qt::WA_StyledBackground);
    progressBar->setGeometry(12, 5, 0, 25);
    progressBar->setProperty("tag", -1);
    progressBar->hide();
    progressLabel = new QLabel(titleBar);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));
    progressLabel->setFont(InterfaceFont(13, QFont::DemiBold));
    progressLabel->setAlignment(Qt::AlignCenter);
    progressLabel->setGeometry(12, 5, 60, 25);
    progressLabel->hide();

    row->addSpacing(16);
    row->addStretch(1);
    debugLabel = new QLabel(titleBar);
    debugLabel->setObjectName(QStringLiteral("debugLabel"));
    debugLabel->setFont(InterfaceFont(14));
    debugLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(debugLabel);
    row->addStretch(1);

    lightThemeButton = new IconButton(QStringLiteral("sun"), titleBar);
    lightThemeButton->setObjectName(QStringLiteral("lightThemeButton"));
    lightThemeButton->setFixedSize(34, 34);
    lightThemeButton->setIconPixelSize(18);
    lightThemeButton->setHoverFill(Qt::transparent);
    darkThemeButton = new IconButton(QStringLiteral("moon"), titleBar);
    darkThemeButton->setObjectName(QStringLiteral("darkThemeButton"));
    darkThemeButton->setFixedSize(34, 34);
    darkThemeButton->setIconPixelSize(18);
    darkThemeButton->setHoverFill(Qt::transparent);
    darkThemeButton->hide();
    row->addWidget(lightThemeButton);
    row->addWidget(darkThemeButton);
    row->addSpacing(8);

    minimizeButton = WindowButton(QStringLiteral("minimizeButton"), QStringLiteral("winmin"), titleBar);
    minimizeButton->setHoverFill(QColor(0x7E, 0x7D, 0x83));
    maximizeButton = WindowButton(QStringLiteral("maximizeButton"), QStringLiteral("winmax"), titleBar);
    maximizeButton->setHoverFill(QColor(0x7E, 0x7D, 0x83));
    closeWindowButton = WindowButton(QStringLiteral("closeWindowButton"), QStringLiteral("winclose"), titleBar);
    closeWindowButton->setHoverFill(palette.danger);
    row->addWidget(minimizeButton);
    row->addWidget(maximizeButton);
    row->addWidget(closeWindowButton);

    connect(minimizeButton, &QAbstractButton::clicked, this, [this] { GuardedCall("minimize", [this] { minimize(); }); });
    connect(maximizeButton, &QAbstractButton::clicked, this, [this] { GuardedCall("toggleMaximized", [this] { toggleMaximized(); }); });
    connect(closeWindowButton, &QAbstractButton::clicked, this, [this] { close(); });
    // A right-button release over the close button resets the workspace.
    connect(closeWindowButton, &IconButton::rightReleased, this, [this] { GuardedCall("fullReset", [this] { fullReset(); }); });

    frame->addWidget(titleBar);
}

void MainWindow::buildResizeEdges()
{
    const auto edge = [this](const char* name, Qt::Edges edges, Qt::CursorShape cursor) {
        auto* strip = new QWidget(windowFrame);
        strip->setObjectName(QString::fromLatin1(name));
        strip->setCursor(cursor);
        strip->setProperty("resizeEdges", int(edges));
        strip->installEventFilter(this);
        return strip;
    };
    topEdge = edge("topEdge", Qt::TopEdge, Qt::SizeVerCursor);
    bottomEdge = edge("bottomEdge", Qt::BottomEdge, Qt::SizeVerCursor);
    leftEdge = edge("leftEdge", Qt::LeftEdge, Qt::SizeHorCursor);
    rightEdge = edge("rightEdge", Qt::RightEdge, Qt::SizeHorCursor);
    edge("topLeftCorner", Qt::TopEdge | Qt::LeftEdge, Qt::SizeFDiagCursor);
    edge("topRightCorner", Qt::TopEdge | Qt::RightEdge, Qt::SizeBDiagCursor);
    edge("bottomLeftCorner", Qt::BottomEdge | Qt::LeftEdge, Qt::SizeBDiagCursor);
    edge("bottomRightCorner", Qt::BottomEdge | Qt::RightEdge, Qt::SizeFDiagCursor);
}

void MainWindow::placeResizeEdges()
{
    if (!topEdge)
        return;
    const int w = windowFrame->width();
    const int h = windowFrame->height();
    constexpr int kE = 5;
    constexpr int kC = 14;
    topEdge->setGeometry(kC, 0, w - 2 * kC - 3 * 46, kE);
    bottomEdge->setGeometry(kC, h - kE, w - 2 * kC, kE);
    leftEdge->setGeometry(0, kC, kE, h - 2 * kC);
    rightEdge->setGeometry(w - kE, 34, kE, h - 34 - kC);
    const bool visible = !maximized && !isMaximized() && !isFullScreen();
    for (const char* name : {"topEdge", "bottomEdge", "leftEdge", "rightEdge", "topLeftCorner", "topRightCorner", "bottomLeftCorner",
                             "bottomRightCorner"}) {
        if (QWidget* strip = windowFrame->findChild<QWidget*>(QString::fromLatin1(name))) {
            strip->setVisible(visible);
            strip->raise();
        }
    }
    if (auto* grip = windowFrame->findChild<QWidget*>(QStringLiteral("topLeftCorner")))
        grip->setGeometry(0, 0, kC, kC);
    if (auto* grip = windowFrame->findChild<QWidget*>(QStringLiteral("topRightCorner")))
        grip->setGeometry(w - kC, 0, kC, kE); // stays under the close button
    if (auto* grip = windowFrame->findChild<QWidget*>(QStringLiteral("bottomLeftCorner")))
        grip->setGeometry(0, h - kC, kC, kC);
    if (auto* grip = windowFrame->findChild<QWidget*>(QStringLiteral("bottomRightCorner")))
        grip->setGeometry(w - kC, h - kC, kC, kC);
}

void MainWindow::toggleMaximized()
{
    const QScreen* display = screen();
    if (!display)
        return;
    const QRect work = display->availableGeometry();
    if (maximized) {
        maximized = false;
        if (restoreBounds.width() > 100 && restoreBounds.height() > 100)
            setGeometry(restoreBounds);
        else
            setGeometry(work.adjusted(50, 50, -50, -50));
    } else {
        restoreBounds = geometry();
        maximized = true;
        setGeometry(work);
    }
    placeResizeEdges();
    updateWindowButtons();
}

void MainWindow::minimize()
{
    showMinimized();
}

void MainWindow::updateWindowButtons()
{
    if (maximizeButton)
        maximizeButton->setIconName(maximized ? QStringLiteral("winrestore") : QStringLiteral("winmax"));
}

} // namespace pq
