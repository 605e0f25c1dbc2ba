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

TIconButton* toolButton(const char* name, const char* icon, const QString& hint, QWidget* parent)
{
    auto* button = new TIconButton(QString::fromLatin1(icon), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(38, 38);
    button->setIconPixelSize(20);
    button->setRadius(10);
    button->setToolTip(hint);
    return button;
}

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFixedSize(1, 24);
    line->setStyleSheet(QStringLiteral("background: %1;").arg(DarkPalette().line.name()));
    return line;
}

} // namespace

void TForm1::BuildMainBar(QVBoxLayout* frame)
{
    Layout1 = new QWidget(MainFormRect);
    Layout1->setObjectName(QStringLiteral("Layout1"));
    auto* layout1 = new QHBoxLayout(Layout1);
    layout1->setContentsMargins(0, 0, 0, 0);
    MainBarRect = new QWidget(Layout1);
    MainBarRect->setObjectName(QStringLiteral("MainBarRect"));
    MainBarRect->setAttribute(Qt::WA_StyledBackground);
    MainBarRect->setFixedHeight(52);
    layout1->addWidget(MainBarRect);
    auto* row = new QHBoxLayout(MainBarRect);
    row->setContentsMargins(8, 7, 8, 7);
    row->setSpacing(4);

    bnMainMenu = toolButton("bnMainMenu", "menu", Translate(QStringLiteral("Menu")), MainBarRect);
    row->addWidget(bnMainMenu);
    row->addSpacing(6);
    PQLogo = new QLabel(MainBarRect);
    PQLogo->setObjectName(QStringLiteral("PQLogo"));
    PQLogo->setPixmap(LogoWithName(devicePixelRatioF(), CurrentPalette().textStrong));
    PQLogo->setCursor(Qt::PointingHandCursor);
    row->addWidget(PQLogo);
    row->addSpacing(18);
    row->addWidget(divider(MainBarRect));
    row->addSpacing(10);

    SpeedButton1 = toolButton("SpeedButton1", "open", Translate(QStringLiteral("Open image")), MainBarRect);
    SpeedButton2 = toolButton("SpeedButton2", "save", Translate(QStringLiteral("Save image")), MainBarRect);
    SpeedButton3 = toolButton("SpeedButton3", "copy", Translate(QStringLiteral("Copy to clipboard")), MainBarRect);
    SpeedButton4 = toolButton("SpeedButton4", "paste", Translate(QStringLiteral("Paste from clipboard")), MainBarRect);
    SpeedButton5 = toolButton("SpeedButton5", "undo", Translate(QStringLiteral("Undo")), MainBarRect);
    SpeedButton6 = toolButton("SpeedButton6", "redo", Translate(QStringLiteral("Redo")), MainBarRect);
    SpeedButton7 = toolButton("SpeedButton7", "print", Translate(QStringLiteral("Print")), MainBarRect);
    SpeedButton24 = toolButton("SpeedButton24", "split", QStringLiteral("Split view on"), MainBarRect);
    for (auto* b : {SpeedButton1, SpeedButton2})
        row->addWidget(b);
    row->addSpacing(6);
    row->addWidget(divider(MainBarRect));
    row->addSpacing(6);
    for (auto* b : {SpeedButton5, SpeedButton6})
        row->addWidget(b);
    row->addSpacing(6);
    row->addWidget(divider(MainBarRect));
    row->addSpacing(6);
    for (auto* b : {SpeedButton3, SpeedButton4, SpeedButton7})
        row->addWidget(b);
    row->addSpacing(6);
    row->addWidget(divider(MainBarRect));
    row->addSpacing(6);
    row->addWidget(SpeedButton24);
    // The split view's on-mark: a small white bar inside its button.
    SplitRectangle = new QWidget(SpeedButton24);
    SplitRectangle->setObjectName(QStringLiteral("SplitRectangle"));
    SplitRectangle->setGeometry(32, 11, 3, 17);
    SplitRectangle->setAttribute(Qt::WA_TransparentForMouseEvents);
    SplitRectangle->hide();

    row->addStretch(1);

    ZoomLabel = new QLabel(QStringLiteral("100%"), MainBarRect);
    ZoomLabel->setObjectName(QStringLiteral("ZoomLabel"));
    ZoomLabel->setFont(InterfaceFont(14, QFont::Medium));
    ZoomLabel->setFixedWidth(56);
    ZoomLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(ZoomLabel);
    row->addSpacing(6);
    SpeedButton10 = toolButton("SpeedButton10", "zoomout", Translate(QStringLiteral("Zoom out")), MainBarRect);
    SpeedButton11 = toolButton("SpeedButton11", "zoom100", Translate(QStringLiteral("100% zoom")), MainBarRect);
    SpeedButton12 = toolButton("SpeedButton12", "zoomin", Translate(QStringLiteral("Zoom in")), MainBarRect);
    for (auto* b : {SpeedButton10, SpeedButton11, SpeedButton12})
        row->addWidget(b);
    row->addSpacing(6);
    row->addWidget(divider(MainBarRect));
    row->addSpacing(6);
    SpeedButton8 = toolButton("SpeedButton8", "help", Translate(QStringLiteral("Help")), MainBarRect);
    SpeedButton9 = toolButton("SpeedButton9", "coffee", Translate(QStringLiteral("A cup of coffee?")), MainBarRect);
    SpeedButton23 =
        toolButton("SpeedButton23", "power", Translate(QStringLiteral("Close Pastelloquin")), MainBarRect);
    SpeedButton23->setHoverColor(QColor(0xFF, 0x00, 0x00));
    for (auto* b : {SpeedButton8, SpeedButton9, SpeedButton23})
        row->addWidget(b);

    connect(bnMainMenu, &QAbstractButton::clicked, this, [this] { GuardedCall("bnMainMenuClick", [this] { bnMainMenuClick(); }); });
    connect(SpeedButton23, &QAbstractButton::clicked, this, [this] { close(); });
    connect(SpeedButton23, &TIconButton::rightReleased, this, [this] { GuardedCall("FullReset", [this] { FullReset(); }); });

    frame->addWidget(Layout1);
}

void TForm1::BuildMenu()
{
    const TUiPalette& palette = DarkPalette();
    MenuContainer = new QFrame(MainFormRect);
    MenuContainer->setObjectName(QStringLiteral("MenuContainer"));
    MenuContainer->setFixedSize(353, 737);
    MenuContainer->installEventFilter(this);
    auto* shadow = new QGraphicsDropShadowEffect(MenuContainer);
    shadow->setBlurRadius(24);
    shadow->setOffset(3.5, 3.5);
    shadow->setColor(QColor(0, 0, 0, 110));
    MenuContainer->setGraphicsEffect(shadow);

    const auto section = [&](const QString& text, int y) {
        auto* label = new QLabel(Translate(text), MenuContainer);
        label->setObjectName(QStringLiteral("SectionLabel"));
        label->setFont(InterfaceFont(13, QFont::DemiBold));
        label->setGeometry(20, y, 300, 20);
    };
    const auto separator = [&](int y) {
        auto* line = new QFrame(MenuContainer);
        line->setObjectName(QStringLiteral("MenuSeparator"));
        line->setGeometry(20, y, 353 - 40, 2);
    };
    const auto entry = [&](const char* name, const char* icon, const QString& caption, const QString& shortcut, int y) {
        auto* picture = new QLabel(MenuContainer);
        SetIconLabel(picture, QString::fromLatin1(icon), palette.text, 20);
        picture->setGeometry(20, y + 1, 20, 20);
        picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* label = new QLabel(caption, MenuContainer);
        label->setObjectName(QString::fromLatin1(name));
        label->setProperty("role", "menuEntry");
        label->setAttribute(Qt::WA_Hover);
        label->setFont(InterfaceFont(16));
        label->setCursor(Qt::PointingHandCursor);
        label->setGeometry(62, y, 200, 22);
        if (!shortcut.isEmpty()) {
            auto* keys = new QLabel(shortcut, MenuContainer);
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
    UIZoomMI = entry("UIZoomMI", "display",
                     Translate(QStringLiteral("Interface size")) + QStringLiteral(": ")
                         + QString::number(qRound(FUIZoom * 100)) + QStringLiteral("%"),
                     QStringLiteral("Z"), 695);
    MenuContainer->setProperty("tag", MenuContainer->height());
    MenuContainer->hide();

    quit->installEventFilter(this);
    quit->setProperty("menuAction", QStringLiteral("quit"));
}

void TForm1::bnMainMenuClick()
{
    PositionFloatingControls();
    const int fullHeight = MenuContainer->property("tag").toInt();
    MenuContainer->setFixedHeight(fullHeight);
    MenuContainer->setVisible(!MenuContainer->isVisible());
    if (!MenuContainer->isVisible())
        return;
    const int room = std::max(200, MainFormRect->height() - MenuContainer->y() - 10);
    if (MenuContainer->height() > room)
        MenuContainer->setFixedHeight(room);
    MenuContainer->raise();
}

} // namespace pq
