#include "ui/dictionary.h"

#include "ui/debug_log.h"
#include "ui/interface_scale.h"
#include "ui/off_list_texts.h"
#include "ui/widgets/expander.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/shown_caption.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QHash>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QRadioButton>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <functional>
#include <variant>
#include <vector>

namespace pq {

namespace {

QString gCurrentLanguage = QStringLiteral("en");
QHash<QString, QString> gTranslations;
// Per object (or list item), the English caption and hint it is translated
// from.
QHash<const void*, QString> gRecordedTexts;
QHash<const void*, QString> gRecordedHints;
// Objects whose destruction drops their records, and the items of each
// list that have records.
QSet<const QObject*> gWatched;
QHash<const QObject*, QSet<const void*>> gRecordedItems;

// One thing with a caption: a control or an item of a list.
using TranslatedItem = std::variant<QObject*, QListWidgetItem*>;

const void* KeyOf(const TranslatedItem& c)
{
    return std::visit([](auto* p) { return static_cast<const void*>(p); }, c);
}

void DropRecords(const void* key)
{
    gRecordedTexts.remove(key);
    gRecordedHints.remove(key);
}

void Watch(QObject* owner)
{
    if (gWatched.contains(owner))
        return;
    gWatched.insert(owner);
    QObject::connect(owner, &QObject::destroyed, [owner] {
        DropRecords(owner);
        for (const void* item : gRecordedItems.value(owner))
            DropRecords(item);
        gRecordedItems.remove(owner);
        gWatched.remove(owner);
    });
}

void NoteRecord(const TranslatedItem& c)
{
    if (auto* const* object = std::get_if<QObject*>(&c)) {
        Watch(*object);
    } else {
        QListWidgetItem* item = std::get<QListWidgetItem*>(c);
        if (QListWidget* list = item->listWidget()) {
            Watch(list);
            gRecordedItems[list].insert(item);
        }
    }
}

// The controls below root in tree order, and the items of their lists.
// Windows below root are translated on their own.
void Collect(QObject* o, std::vector<TranslatedItem>& out)
{
    for (QObject* child : o->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow())
            continue;
        out.emplace_back(child);
        if (auto* list = qobject_cast<QListWidget*>(widget))
            for (int i = 0; i < list->count(); ++i)
                out.emplace_back(list->item(i));
        Collect(child, out);
    }
}

std::vector<TranslatedItem> ComponentsOf(QObject* root)
{
    std::vector<TranslatedItem> out;
    if (root)
        Collect(root, out);
    return out;
}

QString TextOf(const TranslatedItem& c)
{
    if (auto* const* object = std::get_if<QObject*>(&c))
        return GetComponentText(*object);
    return std::get<QListWidgetItem*>(c)->text();
}

void SetTextOf(const TranslatedItem& c, const QString& text)
{
    if (TextOf(c) == text)
        return;
    if (auto* const* object = std::get_if<QObject*>(&c))
        SetComponentText(*object, text);
    else
        std::get<QListWidgetItem*>(c)->setText(text);
}

QWidget* ControlOf(const TranslatedItem& c)
{
    auto* const* object = std::get_if<QObject*>(&c);
    return object ? qobject_cast<QWidget*>(*object) : nullptr;
}

const char* ClassNameOf(const TranslatedItem& c)
{
    if (auto* const* object = std::get_if<QObject*>(&c))
        return (*object)->metaObject()->className();
    return "QListWidgetItem";
}

// The three steps of one text: record, adopt a text code has set, translate.
void TranslateText(QHash<const void*, QString>& records, const TranslatedItem& c, int index, const QString& current,
                   const std::function<void(const QString&)>& assign)
{
    const void* key = KeyOf(c);
    auto record = records.find(key);
    if (record == records.end()) {
        record = records.insert(key, current);
        NoteRecord(c);
    } else if (current != *record) {
        const auto entry = gTranslations.constFind(*record);
        if (entry == gTranslations.constEnd() || current != *entry) {
            DebugLogFmt("  STALE [%d] %s: '%s' -> '%s'", index, ClassNameOf(c), qUtf8Printable(*record),
                        qUtf8Printable(current));
            *record = current;
        }
    }
    const auto entry = gTranslations.constFind(*record);
    if (entry != gTranslations.constEnd() && *entry != current)
        assign(*entry);
}

// ---- Fitting ----

constexpr qreal kSmallestFontSize = 9.0;

qreal FontSizeOf(const QWidget* w, const QFont& font)
{
    if (font.pixelSize() > 0)
        return font.pixelSize();
    return font.pointSizeF() * w->logicalDpiY() / 72.0;
}

void SetFontSize(QWidget* w, qreal size)
{
    QFont font = w->font();
    if (size == std::floor(size))
        font.setPixelSize(int(size));
    else
        font.setPointSizeF(size * 72.0 / w->logicalDpiY());
    w->setFont(font);
}

bool LayoutHolds(const QLayout* layout, const QWidget* w)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == w)
            return true;
        if (item->layout() && LayoutHolds(item->layout(), w))
            return true;
    }
    return false;
}

// A label that a layout sizes to its text: it never needs a smaller font.
bool IsAutoSizeLabel(const QLabel* label)
{
    const QWidget* parent = label->parentWidget();
    if (!parent || !parent->layout() || !LayoutHolds(parent->layout(), label))
        return false;
    return !label->wordWrap() && label->minimumWidth() == 0 && label->maximumWidth() == QWIDGETSIZE_MAX
           && label->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored;
}

// The caption as drawn: buttons and expanders show "&&" as "&".
QString ShownCaption(const QWidget* control, const QString& caption)
{
    if (qobject_cast<const QLabel*>(control))
        return caption;
    return ShownCaptionText(caption);
}

bool IsTextControl(const QObject* o)
{
    return qobject_cast<const QLabel*>(o) || qobject_cast<const QAbstractButton*>(o)
           || qobject_cast<const Expander*>(o);
}

} // namespace

QString GetCurrentLanguage()
{
    return gCurrentLanguage;
}

void SetCurrentLanguage(const QString& code)
{
    gCurrentLanguage = code;
}

QString Translate(const QString& key)
{
    if (gCurrentLanguage == QLatin1String("en"))
        return key;
    return gTranslations.value(key, key);
}

void ClearTranslations()
{
    gTranslations.clear();
}

void BuildTranslations(const QStringList& englishLines, const QStringList& targetLines)
{
    gTranslations.clear();
    const qsizetype n = std::min(englishLines.size(), targetLines.size());
    for (qsizetype i = 0; i < n; ++i)
        if (!englishLines[i].isEmpty() && !targetLines[i].isEmpty())
            gTranslations.insert(englishLines[i], targetLines[i]);
}

void AddBuiltInTranslations(const QString& code)
{
    const auto* language = std::find_if(kOffListLanguages.begin(), kOffListLanguages.end(),
                                        [&](const char* listed) { return code == QLatin1String(listed); });
    if (language == kOffListLanguages.end())
        return;
    const auto column = std::size_t(language - kOffListLanguages.begin());
    for (const OffListText& text : OffListTexts())
        gTranslations.insert(QString::fromUtf8(text.english), QString::fromUtf8(text.texts[column]));
}

int TranslationCount()
{
    return int(gTranslations.size());
}

QString GetComponentText(const QObject* component)
{
    if (const auto* label = qobject_cast<const QLabel*>(component))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(component))
        return button->text();
    if (const auto* expander = qobject_cast<const Expander*>(component))
        return expander->text();
    return {};
}

void SetComponentText(QObject* component, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(component))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(component)) {
        button->setText(text);
        // A single "&" in a caption is a character, never a mnemonic key.
        const QKeySequence mnemonic = QKeySequence::mnemonic(text);
        if (!mnemonic.isEmpty() && button->shortcut() == mnemonic)
            button->setShortcut(QKeySequence());
    }
    else if (auto* expander = qobject_cast<Expander*>(component))
        expander->setText(text);
}

void TranslateComponent(QObject* root)
{
    if (!root)
        return;
    const std::vector<TranslatedItem> components = ComponentsOf(root);
    DebugLogFmt("TranslateComponent %s '%s': %d components, %d entries", root->metaObject()->className(),
                qUtf8Printable(root->objectName()), int(components.size()), int(gTranslations.size()));
    if (gTranslations.isEmpty())
        return;
    for (int i = 0; i < int(components.size()); ++i) {
        const TranslatedItem& c = components[i];
        try {
            const QString text = TextOf(c);
            if (!text.isEmpty())
                TranslateText(gRecordedTexts, c, i, text, [&c](const QString& t) { SetTextOf(c, t); });
            if (QWidget* control = ControlOf(c)) {
                const QString hint = control->toolTip();
                if (!hint.isEmpty())
                    TranslateText(gRecordedHints, c, i, hint, [control](const QString& t) { control->setToolTip(t); });
            }
        } catch (const std::exception& e) {
            DebugLogError(QStringLiteral("TranslateComponent(") + root->objectName() + QLatin1Char(')'), e);
            throw;
        }
    }
}

void RevertComponent(QObject* root)
{
    if (!root)
        return;
    const std::vector<TranslatedItem> components = ComponentsOf(root);
    DebugLogFmt("RevertComponent %s '%s': %d components", root->metaObject()->className(),
                qUtf8Printable(root->objectName()), int(components.size()));
    for (int i = 0; i < int(components.size()); ++i) {
        const TranslatedItem& c = components[i];
        try {
            const void* key = KeyOf(c);
            const auto text = gRecordedTexts.constFind(key);
            if (text != gRecordedTexts.constEnd()) {
                const QObject* const* object = std::get_if<QObject*>(&c);
                DebugLogFmt("  [%d] %s %s: '%s'", i, ClassNameOf(c),
                            object ? qUtf8Printable((*object)->objectName()) : "", qUtf8Printable(*text));
                SetTextOf(c, *text);
            }
            if (QWidget* control = ControlOf(c)) {
                const auto hint = gRecordedHints.constFind(key);
                if (hint != gRecordedHints.constEnd())
                    control->setToolTip(*hint);
            }
        } catch (const std::exception& e) {
            DebugLogError(QStringLiteral("RevertComponent(") + root->objectName() + QLatin1Char(')'), e);
            throw;
        }
    }
}

void ForgetComponent(QObject* root)
{
    if (!root)
        return;
    for (const TranslatedItem& c : ComponentsOf(root))
        DropRecords(KeyOf(c));
    DropRecords(root);
}

bool TextFits(const QString& text, const QFont& font, qreal maxWidth, qreal maxHeight, bool wordWrap)
{
    const QFontMetricsF metrics(font);
    const QRectF box(0, 0, wordWrap ? maxWidth : 1e6, 1000);
    const QRectF laid = metrics.boundingRect(box, wordWrap ? int(Qt::TextWordWrap) : 0, text);
    if (!wordWrap)
        return maxWidth + 1 >= laid.width();
    return maxWidth + 1 >= laid.width() && maxHeight >= laid.height();
}

void AutoFitControlText(QWidget* control)
{
    if (!control)
        return;
    const QString caption = GetComponentText(control);
    if (caption.isEmpty())
        return;
    control->ensurePolished();

    qreal available = 0;
    // The size before the first fit, kept in design units so that every
    // fit starts from it at the interface size of the moment (0 until the
    // first fit).
    const qreal scale = WidgetScale(control);
    qreal base = control->property("TagFloat").toReal() * scale;
    if (auto* label = qobject_cast<QLabel*>(control)) {
        // A label of more than two lines is left alone; measured against
        // its unshrunk size, so that a label once shrunk still gets its
        // size back for a shorter caption.
        const qreal size = base > 0 ? base : FontSizeOf(label, label->font());
        if (IsAutoSizeLabel(label) || label->height() > 2 * size)
            return;
        available = label->width() - 2;
    } else if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control)
               || !qobject_cast<QAbstractButton*>(control)) {
        available = control->width() - 26; // room for a check mark or an arrow
    } else {
        available = control->width() - 8;
        if (auto* icon = qobject_cast<IconButton*>(control))
            available -= icon->iconPixelSize() + 7; // the icon left of the caption
    }
    if (available <= 0)
        return;
    const qreal height = control->height() - 4;

    if (base == 0) {
        base = FontSizeOf(control, control->font());
        control->setProperty("TagFloat", base / scale);
    } else if (FontSizeOf(control, control->font()) != base) {
        SetFontSize(control, base);
    }
    const QString shown = ShownCaption(control, caption);
    if (TextFits(shown, control->font(), available, height, false))
        return;

    qreal size = base;
    while (size > kSmallestFontSize * scale) {
        if (TextFits(shown, control->font(), available, height, false))
            return;
        size -= 0.5;
        SetFontSize(control, size);
    }
}

void AutoFitTexts(QObject* root)
{
    for (const TranslatedItem& c : ComponentsOf(root)) {
        QWidget* control = ControlOf(c);
        if (control && IsTextControl(control))
            AutoFitControlText(control);
    }
}

} // namespace pq
