#include "app/tool_bar.h"

#include "app/commands.h"
#include "app/logo.h"
#include "ui/interface_scale.h"
#include "ui/debug_log.h"
#include "ui/theme_style.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

namespace pq {
namespace {

constexpr int kZoomRepeatDelayMs = 400;
constexpr int kZoomRepeatMs = 50;

QFrame* SeparatorLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFixedSize(1, 24);
    line->setStyleSheet(QStringLiteral("background: %1;").arg(DarkPalette().line.name()));
    return line;
}

} // namespace

ToolBar::ToolBar(const CommandTable& commands, QWidget* parent) : QWidget(parent), commands_(commands)
{
    setObjectName(QStringLiteral("toolBar"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(52);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 7, 8, 7);
    row->setSpacing(4);
    const auto separate = [&] {
        row->addSpacing(6);
        row->addWidget(SeparatorLine(this));
        row->addSpacing(6);
    };

    menuButton_ = addButton("menu", "menu", Translate(QStringLiteral("Menu")));
    row->addWidget(menuButton_);
    row->addSpacing(6);
    logo_ = new QLabel(this);
    logo_->setObjectName(QStringLiteral("logoLabel"));
    logo_->setCursor(Qt::PointingHandCursor);
    logo_->installEventFilter(this);
    updateLogo();
    row->addWidget(logo_);
    row->addSpacing(18);
    row->addWidget(SeparatorLine(this));
    row->addSpacing(10);

    row->addWidget(addButton("open", "open", Translate(QStringLiteral("Open image"))));
    row->addWidget(addButton("save", "save", Translate(QStringLiteral("Save image"))));
    separate();
    row->addWidget(addButton("undo", "undo", Translate(QStringLiteral("Undo"))));
    row->addWidget(addButton("redo", "redo", Translate(QStringLiteral("Redo"))));
    separate();
    row->addWidget(addButton("copy", "copy", Translate(QStringLiteral("Copy to clipboard"))));
    row->addWidget(addButton("paste", "paste", Translate(QStringLiteral("Paste from clipboard"))));
    row->addWidget(addButton("print", "print", Translate(QStringLiteral("Print"))));
    separate();
    IconButton* split = addButton("splitView", "split", Translate(QStringLiteral("Split view on")));
    row->addWidget(split);
    // The split view's on-mark: a small white bar inside its button.
    splitMark_ = new QWidget(split);
    splitMark_->setObjectName(QStringLiteral("splitViewMark"));
    splitMark_->setGeometry(32, 11, 3, 17);
    splitMark_->setAttribute(Qt::WA_TransparentForMouseEvents);
    splitMark_->hide();

    row->addStretch(1);
    zoomLabel_ = new QLabel(zoomText_, this);
    zoomLabel_->setObjectName(QStringLiteral("zoomLabel"));
    zoomLabel_->setFont(InterfaceFont(14, QFont::Medium));
    zoomLabel_->setFixedWidth(56);
    zoomLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(zoomLabel_);
    row->addSpacing(6);
    IconButton* zoomOut = addButton("zoomOut", "zoomout", Translate(QStringLiteral("Zoom out")));
    IconButton* actualSize = addButton("actualSize", "zoom100", Translate(QStringLiteral("100% zoom")));
    IconButton* zoomIn = addButton("zoomIn", "zoomin", Translate(QStringLiteral("Zoom in")));
    for (IconButton* b : {zoomOut, actualSize, zoomIn})
        row->addWidget(b);
    separate();
    row->addWidget(addButton("help", "help", Translate(QStringLiteral("Help"))));
    row->addWidget(addButton("donate", "coffee", Translate(QStringLiteral("A cup of coffee?"))));
    IconButton* quit = addButton("quit", "power", Translate(QStringLiteral("Close Pastelloquin")));
    quit->setHoverColor(QColor(0xFF, 0x00, 0x00));
    row->addWidget(quit);

    // Zoom steps once when pressed and repeats while held, after a pause;
    // the 100 % button fits the picture to the view with the right button.
    repeatWhileHeld(zoomOut, zoomOutRepeat_, "zoomOut");
    repeatWhileHeld(zoomIn, zoomInRepeat_, "zoomIn");
    actualSize->installEventFilter(this);
    for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it) {
        const QString name = it.key();
        if (it.value() == zoomOut || it.value() == zoomIn || it.value() == actualSize)
            continue;
        connect(it.value(), &QAbstractButton::clicked, this,
                [this, name] { GuardedCall("toolbar", [&] { commands_.run(name); }); });
    }
    connect(quit, &IconButton::rightReleased, this,
            [this] { GuardedCall("fullReset", [this] { commands_.run(QStringLiteral("fullReset")); }); });
}

IconButton* ToolBar::addButton(const char* command, const char* icon, const QString& hint)
{
    auto* button = new IconButton(QString::fromLatin1(icon), this);
    button->setObjectName(QString::fromLatin1(command) + QStringLiteral("Button"));
    button->setFixedSize(38, 38);
    button->setIconPixelSize(20);
    button->setRadius(10);
    button->setToolTip(hint);
    buttons_.insert(QString::fromLatin1(command), button);
    return button;
}

void ToolBar::repeatWhileHeld(IconButton* button, QTimer& timer, const char* command)
{
    const QString name = QString::fromLatin1(command);
    const auto step = [this, name] { GuardedCall("zoom", [&] { commands_.run(name); }); };
    connect(button, &QAbstractButton::pressed, this, [&timer, step] {
        step();
        timer.start(kZoomRepeatDelayMs);
    });
    connect(button, &QAbstractButton::released, &timer, &QTimer::stop);
    connect(&timer, &QTimer::timeout, this, [&timer, step] {
        timer.setInterval(kZoomRepeatMs);
        step();
    });
}

IconButton* ToolBar::button(const QString& command) const
{
    return buttons_.value(command);
}

void ToolBar::setZoomText(const QString& text)
{
    zoomText_ = text;
    zoomLabel_->setText(text);
}

void ToolBar::showSplitView(bool on)
{
    splitOn_ = on;
    IconButton* split = button(QStringLiteral("splitView"));
    split->setToolTip(Translate(on ? QStringLiteral("Split view off") : QStringLiteral("Split view on")));
    splitMark_->setVisible(on);
    split->update();
}

void ToolBar::showViewState()
{
    zoomLabel_->setText(zoomText_);
    showSplitView(splitOn_);
}

void ToolBar::updateLogo()
{
    logo_->setPixmap(LogoWithName(devicePixelRatioF(), InterfaceScale(), CurrentPalette().textStrong));
}

bool ToolBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == logo_ && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit logoClicked();
        return true;
    }
    if (watched == button(QStringLiteral("actualSize")) && event->type() == QEvent::MouseButtonPress) {
        // Right button: fit to the view; any other: 100 %, centred.
        const bool right = static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
        GuardedCall("actualSize",
                    [&] { commands_.run(right ? QStringLiteral("fitToView") : QStringLiteral("actualSize")); });
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pq
