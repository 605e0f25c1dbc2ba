#include "app/main_menu.h"

#include "app/commands.h"
#include "ui/debug_log.h"
#include "ui/interface_scale.h"
#include "ui/theme_style.h"
#include "ui/theme_walk.h"
#include "ui/translate.h"

#include <QEvent>
#include <QCursor>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>

namespace pq {
namespace {

constexpr int kWidth = 353;
constexpr int kEntryStep = 28;

const char* SectionTitle(MenuSection section)
{
    switch (section) {
    case MenuSection::File: return "FILE";
    case MenuSection::Edit: return "EDIT";
    case MenuSection::Help: return "HELP";
    case MenuSection::None: break;
    }
    return "";
}

} // namespace

MainMenu::MainMenu(const CommandTable& commands, QWidget* parent) : QFrame(parent), commands_(commands)
{
    setObjectName(QStringLiteral("mainMenu"));
    installEventFilter(this);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(24);
    shadow->setOffset(3.5, 3.5);
    shadow->setColor(QColor(0, 0, 0, 110));
    setGraphicsEffect(shadow);

    const UiPalette& palette = DarkPalette();
    int y = 20;
    for (const MenuSection section : {MenuSection::File, MenuSection::Edit, MenuSection::Help}) {
        if (section != MenuSection::File) {
            auto* line = new QFrame(this);
            line->setObjectName(QStringLiteral("menuSeparator"));
            line->setGeometry(20, y, kWidth - 40, 2);
            y += 20;
        }
        auto* title = new QLabel(Translate(QString::fromLatin1(SectionTitle(section))), this);
        title->setObjectName(QStringLiteral("menuSection"));
        title->setFont(InterfaceFont(13, QFont::DemiBold));
        title->setGeometry(20, y, 300, 20);
        y += 26;
        int last = y;
        for (const Command& command : commands_.commands()) {
            if (command.section != section)
                continue;
            auto* picture = new QLabel(this);
            SetIconLabel(picture, command.icon, palette.text, 20);
            picture->setGeometry(20, y + 1, 20, 20);
            picture->setAttribute(Qt::WA_TransparentForMouseEvents);
            auto* label = new QLabel(Translate(command.caption), this);
            label->setObjectName(command.name + QStringLiteral("Entry"));
            label->setProperty("role", "menuEntry");
            label->setAttribute(Qt::WA_Hover);
            label->setFont(InterfaceFont(16));
            label->setCursor(Qt::PointingHandCursor);
            label->setGeometry(62, y, 200, 22);
            label->installEventFilter(this);
            entries_.insert(command.name, label);
            if (!command.shortcutText.isEmpty()) {
                auto* keys = new QLabel(command.shortcutText, this);
                keys->setProperty("role", "menuShortcut");
                keys->setFont(InterfaceFont(12, QFont::Medium));
                keys->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                keys->setCursor(Qt::PointingHandCursor);
                keys->setGeometry(kWidth - 20 - 110, y, 110, 22);
                // The caption runs the entry too.
                keys->installEventFilter(this);
                shortcutCaptions_.insert(keys, command.name);
            }
            last = y;
            y += kEntryStep;
        }
        y = last + 40;
    }
    fullHeight_ = y - 40 + 43;
    setFixedSize(kWidth, fullHeight_);
    hide();
}

void MainMenu::toggle(int x, int y, int roomBottom)
{
    move(x, y);
    setFixedHeight(Units(fullHeight_));
    setVisible(!isVisible());
    if (!isVisible()) {
        if (QWidget* popup = languagePopup ? languagePopup() : nullptr)
            popup->hide();
        return;
    }
    // Never under 200 units, however short the window.
    const int room = std::max(Units(200), roomBottom - y - Units(10));
    if (height() > room)
        setFixedHeight(room);
    raise();
}

QString MainMenu::entryCommand(const QLabel* label) const
{
    return entries_.key(const_cast<QLabel*>(label));
}

void MainMenu::setCaption(const QString& command, const QString& text)
{
    if (QLabel* label = entries_.value(command))
        label->setText(text);
}

bool MainMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::Leave) {
        // Into the language popup the menu stays.
        QWidget* popup = languagePopup ? languagePopup() : nullptr;
        const QPoint mouse = QCursor::pos();
        if (rect().contains(mapFromGlobal(mouse)))
            return false;
        if (popup && popup->isVisible() && popup->rect().contains(popup->mapFromGlobal(mouse)))
            return false;
        hide();
        if (popup)
            popup->hide();
        return false;
    }
    if (event->type() != QEvent::MouseButtonRelease
        || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return QFrame::eventFilter(watched, event);
    auto* label = qobject_cast<QLabel*>(watched);
    const QString name = shortcutCaptions_.contains(label) ? shortcutCaptions_.value(label) : entries_.key(label);
    const Command* command = name.isEmpty() ? nullptr : commands_.find(name);
    if (!command || !command->run)
        return false;
    if (!command->keepsMenuOpen)
        hide();
    GuardedCall("menu entry", [&] { commands_.run(name); });
    return true;
}

} // namespace pq
