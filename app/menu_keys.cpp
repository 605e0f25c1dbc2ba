#include "app/menu_keys.h"

#include "app/main_menu.h"
#include "ui/theme.h"
#include "ui/theme_style.h"

#include <QKeyEvent>
#include <QLabel>

#include <algorithm>

namespace pq {

MenuKeys::MenuKeys(MainMenu& menu, QStringList entries) : menu_(menu), entries_(std::move(entries)) {}

QLabel* MenuKeys::selectedEntry() const
{
    return selIndex_ >= 0 && selIndex_ < items_.size() ? items_[selIndex_].data() : nullptr;
}

bool MenuKeys::popupVisible() const
{
    const QWidget* popup = menu_.languagePopup ? menu_.languagePopup() : nullptr;
    return popup && popup->isVisible();
}

void MenuKeys::buildItems()
{
    // The fixed list of entries: one whose caption scrolls stays reachable.
    items_.clear();
    for (const QString& name : entries_)
        if (QLabel* label = menu_.entry(name))
            items_ << label;
    selIndex_ = -1;
}

void MenuKeys::buildLanguageItems()
{
    langItems_.clear();
    QWidget* popup = menu_.languagePopup ? menu_.languagePopup() : nullptr;
    if (!popup)
        return;
    QList<QLabel*> labels = popup->findChildren<QLabel*>();
    std::stable_sort(labels.begin(), labels.end(), [popup](const QLabel* a, const QLabel* b) {
        return a->mapTo(popup, QPoint()).y() < b->mapTo(popup, QPoint()).y();
    });
    for (QLabel* label : labels)
        langItems_ << label;
}

void MenuKeys::highlight(const QList<QPointer<QLabel>>& items, int index)
{
    // Highlighted: the hover colour of the mode; the others go back to the
    // style's text colour.
    const QColor strong = gThemeMode == ThemeMode::Light ? QColor(0x61, 0xB9, 0xD2) : QColor(Qt::white);
    for (int i = 0; i < items.size(); ++i) {
        QLabel* label = items[i];
        if (!label)
            continue;
        const bool on = i == index;
        label->setProperty("keyboardHighlight", on);
        label->setStyleSheet(on ? QStringLiteral("color: %1;").arg(CssColor(strong)) : QString());
    }
}

void MenuKeys::selectItem(int index)
{
    if (items_.isEmpty())
        return;
    if (index < 0)
        index = int(items_.size()) - 1;
    else if (index >= items_.size())
        index = 0;
    selIndex_ = index;
    highlight(items_, index);
}

void MenuKeys::selectLanguage(int index)
{
    if (langItems_.isEmpty())
        return;
    if (index < 0)
        index = int(langItems_.size()) - 1;
    else if (index >= langItems_.size())
        index = 0;
    langIndex_ = index;
    highlight(langItems_, index);
}

void MenuKeys::menuToggled(bool visible)
{
    if (!visible) {
        if (QWidget* popup = menu_.languagePopup ? menu_.languagePopup() : nullptr)
            popup->hide();
        if (selIndex_ >= 0)
            lastSel_ = selIndex_;
        highlight(items_, -1);
        selIndex_ = -1;
        langIndex_ = -1;
        return;
    }
    buildItems();
    highlight(items_, -1);
    if (lastSel_ >= 0 && lastSel_ < items_.size())
        selectItem(lastSel_);
}

int MenuKeys::closeMenu()
{
    const int previous = selIndex_;
    if (QWidget* popup = menu_.languagePopup ? menu_.languagePopup() : nullptr)
        popup->hide();
    if (menu_.isVisible() && toggleMenu)
        toggleMenu(); // reports back through menuToggled
    else
        menu_.hide();
    if (selIndex_ >= 0)
        lastSel_ = selIndex_;
    highlight(items_, -1);
    selIndex_ = -1;
    langIndex_ = -1;
    return previous;
}

void MenuKeys::openLanguageSubmenu()
{
    if (!menu_.isVisible() && toggleMenu)
        toggleMenu();
    if (!popupVisible() && menu_.languageMIClick)
        menu_.languageMIClick();
    const int language = int(entries_.indexOf(QStringLiteral("language")));
    if (language >= 0 && language < items_.size())
        selectItem(language);
    buildLanguageItems();
    selectLanguage(0);
}

void MenuKeys::languageShortcut()
{
    if (popupVisible())
        closeMenu();
    else
        openLanguageSubmenu();
}

bool MenuKeys::handleKey(const QKeyEvent& event)
{
    return handleKey(event.key());
}

bool MenuKeys::handleKey(int key)
{
    if (!menu_.isVisible())
        return false;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (popupVisible()) {
        if (enter) {
            if (langIndex_ >= 0 && langIndex_ < langItems_.size()) {
                QPointer<QLabel> picked = langItems_[langIndex_];
                closeMenu();
                if (picked && menu_.langOptionClick)
                    menu_.langOptionClick(picked);
            }
        } else if (key == Qt::Key_Escape || key == Qt::Key_Left) {
            menu_.languagePopup()->hide();
            highlight(langItems_, -1);
            langIndex_ = -1;
            selectItem(selIndex_);
        } else if (key == Qt::Key_Up) {
            selectLanguage(langIndex_ - 1);
        } else if (key == Qt::Key_Down) {
            selectLanguage(langIndex_ + 1);
        } else {
            return false;
        }
        return true;
    }
    if (enter || key == Qt::Key_Right) {
        if (selIndex_ >= 0 && selIndex_ < items_.size()) {
            const QString command = menu_.entryCommand(items_[selIndex_]);
            if (command == QStringLiteral("language"))
                openLanguageSubmenu();
            else if (enter) {
                closeMenu();
                if (runEntry)
                    runEntry(command);
            }
        }
    } else if (key == Qt::Key_Escape) {
        closeMenu();
    } else if (key == Qt::Key_Up) {
        selectItem(selIndex_ - 1);
    } else if (key == Qt::Key_Down) {
        selectItem(selIndex_ + 1);
    } else {
        return false;
    }
    return true;
}

} // namespace pq
