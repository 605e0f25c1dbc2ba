// The main bar (toolbar) and the drop-down main menu.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "app/logo.h"
#include "ui/theme_style.h"
#include "ui/theme_walk.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"

#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace pq {

namespace {

IconButton* ToolButton(const char* name, const char* icon, const QString& hint, QWidget* parent)
{
    auto* button = new IconButton(QString::fromLatin1(icon), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(38, 38);
    button->setIconPixelSize(20);
    button->setRadius(10);
    button->setToolTip(hint);
    return button;
}

QFrame* SeparatorLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFixedSize(1, 24);
    line->setStyleSheet(QStringLiteral("background: %1;").arg(DarkPalette().line.name()));
    return line;
}

} // namespace

void MainWindow::buildToolBar(QVBoxLayout* frame)
{
    toolBarRow = new QWidget(windowFrame);
    toolBarRow->setObjectName(QStringLiteral("toolBarRow"));
    auto* layout1 = new QHBoxLayout(toolBarRow);
    layout1->setContentsMargins(0, 0, 0, 0);
    toolBar = new QWidget(toolBarRow);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setAttribute(Qt::WA_StyledBackground);
    toolBar->setFixedHeight(52);
    layout1->addWidget(toolBar);
    auto* row = new QHBoxLayout(toolBar);
    row->setContentsMargins(8, 7, 8, 7);
    row->setSpacing(4);

    menuButton = ToolButton("menuButton", "menu", Translate(QStringLiteral("Menu")), toolBar);
    row->addWidget(menuButton);
    row->addSpacing(6);
    logoLabel = new QLabel(toolBar);
    logoLabel->setObjectName(QStringLiteral("logoLabel"));
    logoLabel->setPixmap(LogoWithName(devicePixelRatioF(), CurrentPalette().textStrong));
    logoLabel->setCursor(Qt::PointingHandCursor);
    row->addWidget(logoLabel);
    row->addSpacing(18);
    row->addWidget(SeparatorLine(toolBar));
    row->addSpacing(10);

    openButton = ToolButton("openButton", "open", Translate(QStringLiteral("Open image")), toolBar);
    saveButton = ToolButton("saveButton", "save", Translate(QStringLiteral("Save image")), toolBar);
    copyButton = ToolButton("copyButton", "copy", Translate(QStringLiteral("Copy to clipboard")), toolBar);
    pasteButton = ToolButton("pasteButton", "paste", Translate(QStringLiteral("Paste from clipboard")), toolBar);
    undoButton = ToolButton("undoButton", "undo", Translate(QStringLiteral("Undo")), toolBar);
    redoButton = ToolButton("redoButton", "redo", Translate(QStringLiteral("Redo")), toolBar);
    printButton = ToolButton("printButton", "print", Translate(QStringLiteral("Print")), toolBar);
    splitViewButton = ToolButton("splitViewButton", "split", QStringLiteral("Split view on"), toolBar);
    for (auto* b : {openButton, saveButton})
        row->addWidget(b);
    row->addSpacing(6);
    row->addWidget(SeparatorLine(toolBar));
    row->addSpacing(6);
    for (auto* b : {undoButton, redoButton})
        row->addWidget(b);
    row->addSpacing(6);
    row->addWidget(SeparatorLine(toolBar));
    row->addSpacing(6);
    for (auto* b : {copyButton, pasteButton, printButton})
        row->addWidget(b);
    row->addSpacing(6);
    row->addWidget(SeparatorLine(toolBar));
    row->addSpacing(6);
    row->addWidget(splitViewButton);
    // The split view's on-mark: a small white bar inside its button.
    splitViewMark = new QWidget(splitViewButton);
    splitViewMark->setObjectName(QStringLiteral("splitViewMark"));
    splitViewMark->setGeometry(32, 11, 3, 17);
    splitViewMark->setAttribute(Qt::WA_TransparentForMouseEvents);
    splitViewMark->hide();

    row->addStretch(1);

    zoomLabel = new QLabel(QStringLiteral("100%"), toolBar);
    zoomLabel->setObjectName(QStringLiteral("zoomLabel"));
    zoomLabel->setFont(InterfaceFont(14, QFont::Medium));
    zoomLabel->setFixedWidth(56);
    zoomLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(zoomLabel);
    row->addSpacing(6);
    zoomOutButton = ToolButton("zoomOutButton", "zoomout", Translate(QStringLiteral("Zoom out")), toolBar);
    actualSizeButton = ToolButton("actualSizeButton", "zoom100", Translate(QStringLiteral("100% zoom")), toolBar);
    zoomInButton = ToolButton("zoomInButton", "zoomin", Translate(QStringLiteral("Zoom in")), toolBar);
    for (auto* b : {zoomOutButton, actualSizeButton, zoomInButton})
        row->addWidget(b);
    row->addSpacing(6);
    row->addWidget(SeparatorLine(toolBar));
    row->addSpacing(6);
    helpButton = ToolButton("helpButton", "help", Translate(QStringLiteral("Help")), toolBar);
    donateButton = ToolButton("donateButton", "coffee", Translate(QStringLiteral("A cup of coffee?")), toolBar);
    quitButton =
        ToolButton("quitButton", "power", Translate(QStringLiteral("Close Pastelloquin")), toolBar);
    quitButton->setHoverColor(QColor(0xFF, 0x00, 0x00));
    for (auto* b : {helpButton, donateButton, quitButton})
        row->addWidget(b);

    connect(menuButton, &QAbstractButton::clicked, this, [this] { GuardedCall("toggleMainMenu", [this] { toggleMainMenu(); }); });
    connect(quitButton, &QAbstractButton::clicked, this, [this] { close(); });
    connect(quitButton, &IconButton::rightReleased, this, [this] { GuardedCall("fullReset", [this] { fullReset(); }); });

    frame->addWidget(toolBarRow);
}

void MainWindow::buildMainMenu()
{
    const UiPalette& palette = DarkPalette();
    mainMenu = new QFrame(windowFrame);
    mainMenu->setObjectName(QStringLiteral("mainMenu"));
    mainMenu->setFixedSize(353, 737);
    mainMenu->installEventFilter(this);
    auto* shadow = new QGraphicsDropShadowEffect(mainMenu);
    shadow->setBlurRadius(24);
    shadow->setOffset(3.5, 3.5);
    shadow->setColor(QColor(0, 0, 0, 110));
    mainMenu->setGraphicsEffect(shadow);

    const auto section = [&](const QString& text, int y) {
        auto* label = new QLabel(Translate(text), mainMenu);
        label->setObjectName(QStringLiteral("SectionLabel"));
        label->setFont(InterfaceFont(13, QFont::DemiBold));
        label->setGeometry(20, y, 300, 20);
    };
    const auto separator = [&](int y) {
        auto* line = new QFrame(mainMenu);
        line->setObjectName(QStringLiteral("MenuSeparator"));
        line->setGeometry(20, y, 353 - 40, 2);
    };
    const auto entry = [&](const char* name, const char* icon, const QString& caption, const QString& shortcut, int y) {
        auto* picture = new QLabel(mainMenu);
        SetIconLabel(picture, QString::fromLatin1(icon), palette.text, 20);
        picture->setGeometry(20, y + 1, 20, 20);
        picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* label = new QLabel(caption, mainMenu);
        label->setObjectName(QString::fromLatin1(name));
        label->setProperty("role", "menuEntry");
        label->setAttribute(Qt::WA_Hover);
        label->setFont(InterfaceFont(16));
        label->setCursor(Qt::PointingHandCursor);
        label->setGeometry(62, y, 200, 22);
        if (!shortcut.isEmpty()) {
            auto* keys = new QLabel(shortcut, mainMenu);
            keys->setProperty("role", "menuShortcut");
            keys->setFont(InterfaceFont(12, QFont::Medium));
            keys->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            keys->setCursor(Qt::PointingHandCursor);
            keys->setGeometry(353 - 20 - 110, y, 110, 22);
        }
        return label;
    };

    section(QStringLiteral("FILE"), 20);
    entry("OpenMI", "open", Translate(QStringLiteral("Open")), QStringLiteral("CTRL+O"), 46);
    entry("SaveMI", "save", Translate(QStringLiteral("Save")), QStringLiteral("CTRL+S"), 73);
    entry("PrintMI", "print", Translate(QStringLiteral("Print")), QStringLiteral("CTRL+P"), 101);
    QLabel* quit = entry("QuitMI", "power", Translate(QStringLiteral("Quit")), QStringLiteral("CTRL+Q"), 130);
    separator(170);
    section(QStringLiteral("EDIT"), 190);
    entry("UndoMI", "undo", Translate(QStringLiteral("Undo")), QStringLiteral("CTRL+Z"), 215);
    entry("RedoMI", "redo", Translate(QStringLiteral("Redo")), QStringLiteral("CTRL+SHIFT+Z"), 243);
    entry("CopyMI", "copy", Translate(QStringLiteral("Copy to clipboard")), QStringLiteral("CTRL+C"), 271);
    entry("PasteMI", "paste", Translate(QStringLiteral("Paste from clipboard")), QStringLiteral("CTRL+V"), 299);
    entry("SplitViewMI", "eye", Translate(QStringLiteral("View source image")), QStringLiteral("S"), 328);
    entry("SwapMI", "swap", Translate(QStringLiteral("Swap Source/Result")), QStringLiteral("F12"), 356);
    entry("CombineMI", "layers", Translate(QStringLiteral("Combine source/result")), QStringLiteral("F11"), 384);
    entry("BatchMI", "batch", Translate(QStringLiteral("Batch mode")), QStringLiteral("CTRL+B"), 411);
    entry("ScriptMI", "script", Translate(QStringLiteral("Script Editor")), QStringLiteral("CTRL+E"), 439);
    entry("AutoEnhanceMI", "enhance", Translate(QStringLiteral("Auto-enhance")), QStringLiteral("E"), 467);
    separator(508);
    section(QStringLiteral("HELP"), 528);
    entry("HelpMI", "help", Translate(QStringLiteral("Online help")), QStringLiteral("F1"), 553);
    entry("LanguageMI", "globe", Translate(QStringLiteral("Language")), QStringLiteral("CTRL+L"), 581);
    entry("InfoMI", "info", Translate(QStringLiteral("About Pastelloquin")), QStringLiteral("F2"), 609);
    entry("UpdateMI", "update", Translate(QStringLiteral("Check for update")), QStringLiteral("U"), 637);
    entry("CoffeeMI", "coffee", Translate(QStringLiteral("How about a coffee?")), QStringLiteral("C"), 666);
    interfaceZoomItem = entry("interfaceZoomItem", "display",
                     Translate(QStringLiteral("Interface size")) + QStringLiteral(": ")
                         + QString::number(qRound(interfaceZoom * 100)) + QStringLiteral("%"),
                     QStringLiteral("Z"), 695);
    mainMenu->setProperty("tag", mainMenu->height());
    mainMenu->hide();

    quit->installEventFilter(this);
    quit->setProperty("menuAction", QStringLiteral("quit"));
}

void MainWindow::toggleMainMenu()
{
    placeFloatingControls();
    const int fullHeight = mainMenu->property("tag").toInt();
    mainMenu->setFixedHeight(fullHeight);
    mainMenu->setVisible(!mainMenu->isVisible());
    if (!mainMenu->isVisible())
        return;
    const int room = std::max(200, windowFrame->height() - mainMenu->y() - 10);
    if (mainMenu->height() > room)
        mainMenu->setFixedHeight(room);
    mainMenu->raise();
}

} // namespace pq
