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

TIconButton* windowButton(const QString& name, const QString& icon, QWidget* parent)
{
    auto* button = new TIconButton(icon, parent);
    button->setObjectName(name);
    button->setFixedSize(46, 34);
    button->setIconPixelSize(16);
    button->setStrokeWidth(1.6);
    button->setRadius(0);
    button->setCursor(Qt::ArrowCursor);
    return button;
}

} // namespace

void TForm1::BuildProgramBar(QVBoxLayout* frame)
{
    const TUiPalette& palette = CurrentPalette();
    ProgramBarRect = new QWidget(MainFormRect);
    ProgramBarRect->setObjectName(QStringLiteral("ProgramBarRect"));
    ProgramBarRect->setFixedHeight(34);
    ProgramBarRect->installEventFilter(this);
    auto* row = new QHBoxLayout(ProgramBarRect);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    // The run's progress: a rounded bar growing from the left, with the
    // percentage riding at its end. Hidden between runs.
    ProgressBarRect = new QWidget(ProgramBarRect);
    ProgressBarRect->setObjectName(QStringLiteral("ProgressBarRect"));
    ProgressBarRect->setAttribute(Qt::WA_StyledBackground);
    ProgressBarRect->setGeometry(12, 5, 0, 25);
    ProgressBarRect->setProperty("tag", -1);
    ProgressBarRect->hide();
    ProgressLabel = new QLabel(ProgramBarRect);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    ProgressLabel->setFont(InterfaceFont(13, QFont::DemiBold));
    ProgressLabel->setAlignment(Qt::AlignCenter);
    ProgressLabel->setGeometry(12, 5, 60, 25);
    ProgressLabel->hide();

    row->addSpacing(16);
    row->addStretch(1);
    DebugLabel = new QLabel(ProgramBarRect);
    DebugLabel->setObjectName(QStringLiteral("DebugLabel"));
    DebugLabel->setFont(InterfaceFont(14));
    DebugLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(DebugLabel);
    row->addStretch(1);

    Sunsvg = new TIconButton(QStringLiteral("sun"), ProgramBarRect);
    Sunsvg->setObjectName(QStringLiteral("Sunsvg"));
    Sunsvg->setFixedSize(34, 34);
    Sunsvg->setIconPixelSize(18);
    Sunsvg->setHoverFill(Qt::transparent);
    moonsvg = new TIconButton(QStringLiteral("moon"), ProgramBarRect);
    moonsvg->setObjectName(QStringLiteral("moonsvg"));
    moonsvg->setFixedSize(34, 34);
    moonsvg->setIconPixelSize(18);
    moonsvg->setHoverFill(Qt::transparent);
    moonsvg->hide();
    row->addWidget(Sunsvg);
    row->addWidget(moonsvg);
    row->addSpacing(8);

    MinSpeedButton = windowButton(QStringLiteral("MinSpeedButton"), QStringLiteral("winmin"), ProgramBarRect);
    MinSpeedButton->setHoverFill(QColor(0x7E, 0x7D, 0x83));
    MaxSpeedButton = windowButton(QStringLiteral("MaxSpeedButton"), QStringLiteral("winmax"), ProgramBarRect);
    MaxSpeedButton->setHoverFill(QColor(0x7E, 0x7D, 0x83));
    CloseSpeedButton = windowButton(QStringLiteral("CloseSpeedButton"), QStringLiteral("winclose"), ProgramBarRect);
    CloseSpeedButton->setHoverFill(palette.danger);
    row->addWidget(MinSpeedButton);
    row->addWidget(MaxSpeedButton);
    row->addWidget(CloseSpeedButton);

    connect(MinSpeedButton, &QAbstractButton::clicked, this, [this] { GuardedCall("MinButtonClick", [this] { MinButtonClick(); }); });
    connect(MaxSpeedButton, &QAbstractButton::clicked, this, [this] { GuardedCall("MaxButtonClick", [this] { MaxButtonClick(); }); });
    connect(CloseSpeedButton, &QAbstractButton::clicked, this, [this] { close(); });
    // A right-button release over the close button resets the workspace.
    connect(CloseSpeedButton, &TIconButton::rightReleased, this, [this] { GuardedCall("FullReset", [this] { FullReset(); }); });

    frame->addWidget(ProgramBarRect);
}

void TForm1::BuildResizeEdges()
{
    const auto edge = [this](const char* name, Qt::Edges edges, Qt::CursorShape cursor) {
        auto* strip = new QWidget(MainFormRect);
        strip->setObjectName(QString::fromLatin1(name));
        strip->setCursor(cursor);
        strip->setProperty("resizeEdges", int(edges));
        strip->installEventFilter(this);
        return strip;
    };
    TopRect = edge("TopRect", Qt::TopEdge, Qt::SizeVerCursor);
    BottomRect = edge("BottomRect", Qt::BottomEdge, Qt::SizeVerCursor);
    LeftRect = edge("LeftRect", Qt::LeftEdge, Qt::SizeHorCursor);
    RightRect = edge("RightRect", Qt::RightEdge, Qt::SizeHorCursor);
    edge("FCornerTL", Qt::TopEdge | Qt::LeftEdge, Qt::SizeFDiagCursor);
    edge("FCornerTR", Qt::TopEdge | Qt::RightEdge, Qt::SizeBDiagCursor);
    edge("FCornerBL", Qt::BottomEdge | Qt::LeftEdge, Qt::SizeBDiagCursor);
    edge("FCornerBR", Qt::BottomEdge | Qt::RightEdge, Qt::SizeFDiagCursor);
}

void TForm1::PositionResizeEdges()
{
    if (!TopRect)
        return;
    const int w = MainFormRect->width();
    const int h = MainFormRect->height();
    constexpr int e = 5;
    constexpr int c = 14;
    TopRect->setGeometry(c, 0, w - 2 * c - 3 * 46, e);
    BottomRect->setGeometry(c, h - e, w - 2 * c, e);
    LeftRect->setGeometry(0, c, e, h - 2 * c);
    RightRect->setGeometry(w - e, 34, e, h - 34 - c);
    const bool visible = !FIsCustomMaximized && !isMaximized() && !isFullScreen();
    for (const char* name : {"TopRect", "BottomRect", "LeftRect", "RightRect", "FCornerTL", "FCornerTR", "FCornerBL",
                             "FCornerBR"}) {
        if (QWidget* strip = MainFormRect->findChild<QWidget*>(QString::fromLatin1(name))) {
            strip->setVisible(visible);
            strip->raise();
        }
    }
    if (auto* grip = MainFormRect->findChild<QWidget*>(QStringLiteral("FCornerTL")))
        grip->setGeometry(0, 0, c, c);
    if (auto* grip = MainFormRect->findChild<QWidget*>(QStringLiteral("FCornerTR")))
        grip->setGeometry(w - c, 0, c, e); // stays under the close button
    if (auto* grip = MainFormRect->findChild<QWidget*>(QStringLiteral("FCornerBL")))
        grip->setGeometry(0, h - c, c, c);
    if (auto* grip = MainFormRect->findChild<QWidget*>(QStringLiteral("FCornerBR")))
        grip->setGeometry(w - c, h - c, c, c);
}

void TForm1::MaxButtonClick()
{
    const QScreen* display = screen();
    if (!display)
        return;
    const QRect work = display->availableGeometry();
    if (FIsCustomMaximized) {
        FIsCustomMaximized = false;
        if (FRestoreBounds.width() > 100 && FRestoreBounds.height() > 100)
            setGeometry(FRestoreBounds);
        else
            setGeometry(work.adjusted(50, 50, -50, -50));
    } else {
        FRestoreBounds = geometry();
        FIsCustomMaximized = true;
        setGeometry(work);
    }
    PositionResizeEdges();
    LayoutWindowButtons();
}

void TForm1::MinButtonClick()
{
    showMinimized();
}

void TForm1::LayoutWindowButtons()
{
    if (MaxSpeedButton)
        MaxSpeedButton->setIconName(FIsCustomMaximized ? QStringLiteral("winrestore") : QStringLiteral("winmax"));
}

} // namespace pq
