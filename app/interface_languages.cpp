#include "app/interface_languages.h"

#include "app/caption_marquees.h"
#include "app/interface_zoom.h"
#include "app/main_menu.h"
#include "app/main_window.h"
#include "app/menu_keys.h"
#include "app/panel_host.h"
#include "app/splash.h"
#include "app/tool_bar.h"
#include "catalogue/parameter_table.h"
#include "ui/debug_log.h"
#include "ui/interface_scale.h"
#include "ui/language_export.h"
#include "ui/language_lists.h"
#include "ui/settings.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/translate.h"
#include "workspace/canvas_area.h"
#include "workspace/effect_lists.h"
#include "workspace/effect_panel.h"
#include "workspace/gallery_part.h"
#include "workspace/gallery_strip.h"
#include "workspace/print_window.h"
#include "workspace/text_tool.h"
#include "workspace/text_window.h"
#include "app/editing_tools.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QSlider>

#include <algorithm>
#include <stdexcept>

namespace pq {
namespace {

// The popup's names are the languages' own, in every language.
constexpr const char* kPopupNames[14] = {
    "中文",     "Deutsch", "English", "Español",   "Français", "Italiano", "日本語",
    "한국어",   "Nederlands", "Polski", "Português", "Русский",  "Türkçe",   "Українська",
};

constexpr int kPopupWidth = 160;
constexpr int kPopupHeight = 365;

// The effect lists' English names by family, as the lists show them.
const QStringList& FamilyNames(int family)
{
    static const QStringList kNames[5] = {
        {"Pencil Sketch 1", "Pencil Sketch 2", "Pencil Sketch 3", "Crosshatch"},
        {"Black & White", "Stippling", "Felt-tip pen", "Comic print"},
        {"Watercolor", "Watercolor 2", "Oil Pastel", "Watercolor splashes", "Impasto brushstrokes", "Brushstrokes 2",
         "Smooth painting", "Stochastic Painting"},
        {"Orton filter", "Adjustments", "Vintage / Sepia", "Retro film", "LUTs"},
        {"Mosaic", "Cartoon", "Circles", "Triangles"},
    };
    return kNames[family - 1];
}

// Clicks on a popup label: the left button's release picks it.
class OptionClicks : public QObject {
public:
    OptionClicks(InterfaceLanguages& languages, QObject* parent) : QObject(parent), languages_(languages) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            auto* label = qobject_cast<QLabel*>(watched);
            GuardedCall("LangOptionClick", [&] { languages_.langOptionClick(label); });
            return true;
        }
        return false;
    }

private:
    InterfaceLanguages& languages_;
};

} // namespace

InterfaceLanguages::InterfaceLanguages(MainWindow& window) : QObject(&window), window_(window)
{
    MainMenu& menu = window_.mainMenu();
    menu.languagePopup = [this]() -> QWidget* { return popup_; };
    menu.languageMIClick = [this] { languageMIClick(); };
    menu.langOptionClick = [this](QLabel* option) { langOptionClick(option); };
}

void InterfaceLanguages::buildPopup()
{
    QWidget* host = window_.mainMenu().parentWidget();
    auto* popup = new QFrame(host);
    popup->setObjectName(QStringLiteral("languagePopup"));
    popup->setGeometry(0, 0, kPopupWidth, kPopupHeight);
    popup->hide();
    const QColor fill = ThemedColor(QColor(0x31, 0x41, 0x58));
    const QColor stroke = ThemedColor(QColor(0x54, 0x5F, 0x72));
    const QColor text = ThemedTextColor(QColor(0xD5, 0xD5, 0xD5));
    const QColor strong = gThemeMode == ThemeMode::Light ? QColor(0x61, 0xB9, 0xD2) : QColor(Qt::white);
    SetDesignStyleSheet(popup, QStringLiteral("#languagePopup { background: %1; border: 2px solid %2; border-radius: 10px; }"
                                              "#languagePopup QLabel { color: %3; background: transparent; border: none; }"
                                              "#languagePopup QLabel:hover { color: %4; }")
                                   .arg(CssColor(fill), CssColor(stroke), CssColor(text), CssColor(strong)));
    auto* shadow = new QGraphicsDropShadowEffect(popup);
    shadow->setBlurRadius(16);
    shadow->setOffset(2.8, 2.8);
    shadow->setColor(QColor(0, 0, 0, 128));
    popup->setGraphicsEffect(shadow);
    auto* clicks = new OptionClicks(*this, popup);
    for (int i = 0; i < 14; ++i) {
        auto* label = new QLabel(QString::fromUtf8(kPopupNames[i]), popup);
        label->setObjectName(QStringLiteral("language_") + LanguageLists::languageCodes().at(i));
        label->setProperty("tag", i);
        label->setFont(InterfaceFont(16));
        label->setGeometry(15, i * 25 + 5, 130, 22);
        label->setCursor(Qt::PointingHandCursor);
        label->setAttribute(Qt::WA_Hover);
        label->installEventFilter(clicks);
    }
    ScaleWidgetTree(popup, InterfaceScale());
    popup_ = popup;
}

void InterfaceLanguages::languageMIClick()
{
    if (!popup_)
        buildPopup();
    MainMenu& menu = window_.mainMenu();
    const QLabel* entry = menu.entry(QStringLiteral("language"));
    if (!entry)
        return;
    const QPoint at = entry->mapTo(menu.parentWidget(), QPoint(0, 0));
    const int x = at.x() + entry->width() + Units(5);
    int y = at.y();
    const int room = popup_->parentWidget()->height();
    if (y + popup_->height() > room - Units(5))
        y = std::max(Units(5), room - popup_->height() - Units(5));
    popup_->move(x, y);
    popup_->setVisible(!popup_->isVisible());
    popup_->raise();
}

void InterfaceLanguages::langOptionClick(QLabel* option)
{
    const int index = option ? option->property("tag").toInt() : -1;
    if (option && index >= 0 && index < LanguageLists::languageCodes().size()) {
        const QString code = LanguageLists::languageCodes().at(index);
        switchLanguage(code);
        SetSetting(QStringLiteral("language"), code);
    }
    if (popup_)
        popup_->hide();
    window_.marquees().menu.tearDown();
    MainMenu& menu = window_.mainMenu();
    if (menu.isVisible())
        window_.menuKeys().closeMenu();
    menu.hide();
}

void InterfaceLanguages::switchLanguage(const QString& code)
{
    DebugLog(QStringLiteral(">>> SwitchLanguage(%1) begin. Current=%2").arg(code, GetCurrentLanguage()));
    try {
        switchSteps(code);
    } catch (const std::exception& e) {
        DebugLogError(QStringLiteral("SwitchLanguage(%1)").arg(code), e);
        throw;
    }
    DebugLog(QStringLiteral("<<< SwitchLanguage done"));
}

void InterfaceLanguages::switchSteps(const QString& code)
{
    CaptionMarquees& marquees = window_.marquees();
    // Scrolling captions go back to their places before texts are restored.
    DebugLog(QStringLiteral("  A-D: tear down the marquees"));
    marquees.tearDownAll();

    QWidget* about = gSplash;
    QWidget* editor = window_.panels().scriptEditor;
    if (GetCurrentLanguage() != QLatin1String("en")) {
        DebugLog(QStringLiteral("  E: RevertComponent(Self)"));
        RevertComponent(&window_);
        if (about) {
            DebugLog(QStringLiteral("  F: RevertComponent(Form2)"));
            RevertComponent(about);
        }
        if (editor) {
            DebugLog(QStringLiteral("  G: RevertComponent(FormScriptEditor)"));
            RevertComponent(editor);
        }
    }

    DebugLog(QStringLiteral("  H: ClearTranslations + SetCurrentLanguage"));
    ClearTranslations();
    SetCurrentLanguage(code);

    if (code != QLatin1String("en")) {
        DebugLog(QStringLiteral("  I: select TargetMemo for ") + code);
        const LanguageLists& lists = InterfaceLanguageLists();
        if (const QStringList* target = lists.listOf(code)) {
            DebugLog(QStringLiteral("  J: BuildTranslations"));
            BuildTranslations(lists.english, *target);
            AddBuiltInTranslations(code);
            DebugLog(QStringLiteral("  K: TranslateComponent(Self)"));
            TranslateComponent(&window_);
            if (about) {
                DebugLog(QStringLiteral("  L: TranslateComponent(Form2)"));
                TranslateComponent(about);
            }
            if (editor) {
                DebugLog(QStringLiteral("  M: TranslateComponent(FormScriptEditor)"));
                TranslateComponent(editor);
            }
            DebugLog(QStringLiteral("  N: SetupUILabelMarquee"));
            marquees.setUpLabels();
            DebugLog(QStringLiteral("  O: SetupExpanderMarquee"));
            marquees.setUpExpanders();
        }
    }

    window_.gallery().refreshHints();
    // The zoom read-out and the split hint tell the view's state, not a
    // recorded caption.
    window_.toolBar().showViewState();
    // The interface-size entry's caption in the new language.
    window_.zoom().setZoom(window_.zoom().zoom());
    marquees.fitButtonCaptions();
    if (about)
        AutoFitTexts(about);
    if (editor)
        AutoFitTexts(editor);

    relabelCodeTexts(code);

    if (window_.mainMenu().isVisible()) {
        DebugLog(QStringLiteral("  T: SetupMenuMarquee (menu visible)"));
        marquees.setUpMenu();
    }

    DebugLog(QStringLiteral("  U: re-apply selection highlight"));
    const int number = window_.document().selectedEffect;
    if (number >= 100 && number <= 599)
        window_.effectLists().select(number);
}

void InterfaceLanguages::relabelCodeTexts(const QString& code)
{
    DebugLog(QStringLiteral("  P: ListBox text updates"));
    EffectLists& lists = window_.effectLists();
    for (int family = 1; family <= 5; ++family) {
        QListWidget* list = lists.list(family);
        const QStringList& names = FamilyNames(family);
        for (int row = 0; row < names.size() && row < list->count(); ++row) {
            // "Cartoon" is the same word in every language.
            const bool literal = names[row] == QLatin1String("Cartoon");
            list->item(row)->setText(literal ? names[row] : Translate(names[row]));
        }
    }

    DebugLog(QStringLiteral("  Q: gallery toggle"));
    if (GalleryToggle* toggle = window_.canvasArea().galleryToggle())
        toggle->setExpanded(toggle->toggleLabel->property("tag").toInt() == 1);

    DebugLog(QStringLiteral("  R: cbScaleMode + Param labels"));
    QComboBox* scaleModes = window_.printWindow().scaleModeBox;
    if (scaleModes && scaleModes->count() > 2) {
        scaleModes->setItemText(0, Translate(QStringLiteral("Best Fit")));
        scaleModes->setItemText(1, Translate(QStringLiteral("Stretch to Fill")));
        scaleModes->setItemText(2, Translate(QStringLiteral("Original Size")));
    }
    // The PDF printer is the printer list's last entry.
    if (QComboBox* printers = window_.printWindow().printerBox; printers && printers->count() > 0)
        printers->setItemText(printers->count() - 1, Translate(QString::fromLatin1(PrintWindow::kPdfPrinterName)));
    EffectPanel& panel = window_.effectPanel();
    const bool english = code == QLatin1String("en");
    for (QLabel* caption : panel.sliderCaptions()) {
        // The slider hints have no translations: they show in English only.
        if (!caption->property("englishHint").isValid())
            caption->setProperty("englishHint", caption->toolTip());
        caption->setToolTip(english ? caption->property("englishHint").toString() : QString());
    }
    const Document& document = window_.document();
    const int number = document.selectedEffect;
    if (const EffectParameters* entry = number > 0 ? ParamsEntry(document.params, number) : nullptr) {
        for (int k = 0; k < 5; ++k) {
            const QString name = entry->name(k + 1);
            panel.sliderCaptions()[size_t(k)]->setText(name.isEmpty() ? QString() : Translate(name));
            panel.sliders()[size_t(k)]->setEnabled(!name.isEmpty());
        }
        DebugLog(QStringLiteral("  R2: SetupUILabelMarquee (param labels)"));
        window_.marquees().setUpLabels();
    }

    DebugLog(QStringLiteral("  S: TextToolEdit prompt"));
    if (TextWindow* text = window_.editingTools().text().window())
        text->textField()->setPlaceholderText(Translate(QStringLiteral("Enter your text here")));
}

void InterfaceLanguages::detectAndSetSystemLanguage(const QString& localeName)
{
    switchLanguage(LanguageOfLocale(localeName));
}

void InterfaceLanguages::detectAndSetSystemLanguage()
{
    detectAndSetSystemLanguage(QLocale::system().name());
}

void InterfaceLanguages::applyStartupLanguage()
{
    const QString saved = GetSetting(QStringLiteral("language"), QString());
    if (!saved.isEmpty())
        switchLanguage(saved);
    else
        detectAndSetSystemLanguage();
}

void InterfaceLanguages::exportLanguages(const QString& programFolder)
{
    const LanguageExport result = ExportLanguageLists(InterfaceLanguageLists(), programFolder);
    if (result.folder.isEmpty())
        return;
    const auto show = window_.dialogs().showMessage;
    if (!result.error.isEmpty()) {
        DebugLogError(QStringLiteral("ExportLanguages"), result.error);
        if (show)
            show(result.error);
        return;
    }
    if (show)
        show(QStringLiteral("All 14 language files exported to:\r\n") + QDir::toNativeSeparators(result.folder));
}

void InterfaceLanguages::exportLanguages()
{
    exportLanguages(QCoreApplication::applicationDirPath());
}

} // namespace pq
