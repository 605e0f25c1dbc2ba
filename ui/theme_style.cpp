#include "ui/theme_style.h"

#include "ui/theme.h"

#include <QStringList>

#include <stdexcept>

namespace pq {

const UiPalette& DarkPalette()
{
    static const UiPalette kPalette{
        QColor(0x31, 0x41, 0x58), // frame
        QColor(0x11, 0x18, 0x27), // panel
        QColor(0x1F, 0x29, 0x37), // raised
        QColor(0x31, 0x41, 0x58), // plate
        QColor(0x2D, 0x3B, 0x51), // card
        QColor(0x37, 0x41, 0x51), // line
        QColor(0x54, 0x5F, 0x72), // border
        QColor(0x4B, 0x55, 0x63), // muted
        QColor(0xD5, 0xD5, 0xD5), // text
        QColor(0xB5, 0xB5, 0xB5), // textSecondary
        QColor(0xFF, 0xFF, 0xFF), // textStrong
        QColor(0x61, 0xB9, 0xD2), // accent
        QColor(0x3B, 0x82, 0xF6), // accentStrong
        QColor(0x25, 0x63, 0xEB), // accentFill
        QColor(0x1D, 0x4E, 0xD8), // accentFillHover
        QColor(0x1E, 0x40, 0xAF), // accentFillPressed
        QColor(0xE8, 0x11, 0x23), // danger
        QColor(0x3B, 0x4D, 0x67), // buttonHover
        QColor(0x2A, 0x38, 0x4C), // buttonPressed
        QColor(255, 255, 255, 20), // ghostHover
        QColor(0xFF, 0xFF, 0xFF), // handle
        QColor(0xFF, 0xFF, 0xFF), // handleBorder
        QColor(0xE6, 0xF6, 0xFB), // handleHover
        QColor(0, 0, 0, 0),       // buttonBorder
    };
    return kPalette;
}

const UiPalette& LightPalette()
{
    // Mostly the table's partners of the dark colours; the window
    // background is the light background colour, lines and handles are a
    // step darker so that slider tracks stay visible on white cards.
    const auto fill = [](const QColor& dark) { return QColor::fromRgba(MapThemeColor(dark.rgba(), true)); };
    const auto text = [](const QColor& dark) { return QColor::fromRgba(MapThemeTextColor(dark.rgba(), true)); };
    const UiPalette& d = DarkPalette();
    static const UiPalette kPalette{
        QColor(0xE8, 0xEC, 0xF2), // frame
        fill(d.panel),            // E8ECF2
        fill(d.raised),           // FFFFFF
        fill(d.plate),            // FEFFFF
        fill(d.card),             // F4F7FA
        QColor(0xCB, 0xD3, 0xDE), // line
        fill(d.border),           // D7DFEA
        fill(d.muted),            // 9AA7B8
        text(d.text),             // 2A3744
        text(d.textSecondary),    // 566275
        QColor(0x11, 0x18, 0x27), // textStrong
        QColor(0x3A, 0xA0, 0xC0), // accent
        d.accentStrong,
        d.accentFill,
        d.accentFillHover,
        d.accentFillPressed,
        d.danger,
        QColor(0xF1, 0xF5, 0xF9), // buttonHover
        QColor(0xDC, 0xE3, 0xEB), // buttonPressed
        fill(d.ghostHover),       // translucent black
        QColor(0xFF, 0xFF, 0xFF), // handle
        QColor(0x94, 0xA3, 0xB8), // handleBorder
        QColor(0xE6, 0xF6, 0xFB), // handleHover
        QColor(0xD7, 0xDF, 0xEA), // buttonBorder
    };
    return kPalette;
}

const UiPalette& CurrentPalette()
{
    return gThemeMode == ThemeMode::Light ? LightPalette() : DarkPalette();
}

QFont InterfaceFont(int pixelSize, QFont::Weight weight)
{
    QFont font;
    font.setFamilies({QStringLiteral("Inter"), QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QString CssColor(const QColor& color)
{
    if (color.alpha() == 255)
        return color.name(QColor::HexRgb);
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

QString MainStyleSheet(const UiPalette& p)
{
    QString css = QStringLiteral(R"(
QWidget { color: @text; }
QToolTip { color: @strong; background: @raised; border: 1px solid @border; padding: 4px 6px; border-radius: 6px; }
#windowFrame { background: @frame; }
#leftPanelScroll, #rightPanelScroll, #leftPanelContent, #rightPanelContent { background: transparent; border: none; }
#leftPanel, #rightPanel { background: @panel; border-radius: 15px; }
#toolBar { background: @raised; border-radius: 12px; }
#workspaceArea { background: @panel; border-radius: 15px; }
#parametersBox { background: @raised; border-radius: 15px; }
QFrame[role="familyPlate"] { background: @plate; border-radius: 15px; }
#mainMenu { background: @plate; border: 2px solid @border; border-radius: 15px; }
#menuSeparator { background: @border; }
#menuSection { color: @secondary; }
#toolsHeading, #filtersHeading, #parametersHeading { color: @secondary; letter-spacing: 1px; }
#zoomLabel { color: @text; }
#debugLabel { color: @text; }
#browseLink { color: @accent; }
#browseLink:hover { color: @strong; }

QLabel[role="paramCaption"] { color: @text; }
QLabel[role="paramValue"] { color: @strong; }
QLabel[role="paramValue"]:disabled { color: @muted; }
QLabel[role="option"] { color: @text; }
QLabel[role="option"]:disabled { color: @muted; }
QLabel[role="menuEntry"] { color: @text; }
QLabel[role="menuEntry"]:hover { color: @strong; }
QLabel[role="menuShortcut"] { color: @secondary; }

QListWidget { background: transparent; border: none; outline: none; color: @text; }
QListWidget::item { height: 30px; padding-left: 4px; border: none; }
QListWidget::item:hover { color: @strong; background: transparent; }
QListWidget::item:selected { color: @strong; background: transparent; }

QSlider { min-height: 20px; }
QSlider::groove:horizontal { height: 4px; background: @line; border-radius: 2px; }
QSlider::sub-page:horizontal { background: @accent; border-radius: 2px; }
QSlider::add-page:horizontal { background: @line; border-radius: 2px; }
QSlider::handle:horizontal { width: 12px; height: 12px; margin: -5px 0; border-radius: 7px; background: @handle; border: 1px solid @handleBorder; }
QSlider::handle:horizontal:hover { background: @handleHover; }
QSlider::sub-page:horizontal:disabled { background: @line; }
QSlider::handle:horizontal:disabled { background: @muted; border-color: @muted; }

QPushButton { color: @text; background: @plate; border: 1px solid @buttonBorder; border-radius: 10px; padding: 6px 14px; }
QPushButton:hover { background: @buttonHover; color: @strong; }
QPushButton:pressed { background: @buttonPressed; }
QPushButton:disabled { color: @muted; }
QPushButton[role="primary"] { color: #FFFFFF; background: @accentFill; border-color: @accentFill; font-weight: 600; }
QPushButton[role="primary"]:hover { color: #FFFFFF; background: @fillHover; border-color: @fillHover; }
QPushButton[role="primary"]:pressed { background: @fillPressed; border-color: @fillPressed; }
QPushButton[role="ghost"] { background: transparent; border: 1px solid @border; }
QPushButton[role="ghost"]:hover { background: @ghostHover; }
#splitViewMark { background: @strong; border-radius: 1px; }
#effectAccentBar { background: @accent; border-radius: 2px; }

QScrollArea { background: transparent; border: none; }
QScrollBar:vertical { background: transparent; width: 6px; margin: 4px 0px 4px 0px; }
QScrollBar::handle:vertical { background: @line; border-radius: 3px; min-height: 30px; }
QScrollBar::handle:vertical:hover { background: @border; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }
QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }
QScrollBar:horizontal { background: transparent; height: 8px; margin: 1px 4px 1px 4px; }
QScrollBar::handle:horizontal { background: @line; border-radius: 3px; min-width: 30px; }
QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal { width: 0; }
QScrollBar::add-page:horizontal, QScrollBar::sub-page:horizontal { background: transparent; }

QDialog { background: @raised; color: @text; }
QDialog QLabel { color: @text; background: transparent; }
QDialog QLabel:disabled { color: @muted; }
QMessageBox QPushButton { min-width: 72px; }
QDialog QAbstractItemView { background: @panel; color: @text; border: 1px solid @border; border-radius: 6px; selection-background-color: @accent; selection-color: @strong; alternate-background-color: @raised; outline: none; }
QDialog QAbstractItemView:disabled { color: @muted; }
QDialog QListWidget::item { height: 28px; padding-left: 6px; }
QDialog QListWidget::item:hover { color: @strong; background: @buttonHover; }
QDialog QListWidget::item:selected { color: @strong; background: @accent; }
QDialog QHeaderView { background: @panel; border: none; }
QDialog QHeaderView::section { background: @plate; color: @text; border: none; border-right: 1px solid @border; padding: 4px 6px; }
QDialog QLineEdit, QDialog QAbstractSpinBox, QDialog QTextEdit, QDialog QPlainTextEdit { background: @panel; color: @text; border: 1px solid @border; border-radius: 6px; padding: 3px 6px; selection-background-color: @accent; selection-color: @strong; }
QDialog QLineEdit:focus { border-color: @accent; }
QDialog QLineEdit:disabled, QDialog QComboBox:disabled { color: @muted; }
QDialog QComboBox { background: @panel; color: @text; border: 1px solid @border; border-radius: 6px; padding: 3px 8px; }
QDialog QComboBox:hover { border-color: @accent; }
QDialog QComboBox QAbstractItemView { background: @raised; color: @text; border: 1px solid @border; border-radius: 0px; selection-background-color: @accent; selection-color: @strong; }
QDialog QToolButton { background: transparent; color: @text; border: 1px solid transparent; border-radius: 6px; padding: 2px; }
QDialog QToolButton:hover { background: @buttonHover; border-color: @border; }
QDialog QToolButton:checked, QDialog QToolButton:pressed { background: @buttonPressed; }
QDialog QCheckBox, QDialog QRadioButton { color: @text; }
QMenu { background: @raised; color: @text; border: 1px solid @border; padding: 4px; }
QMenu::item { padding: 4px 16px; }
QMenu::item:selected { background: @accent; color: @strong; }
QMenu::item:disabled { color: @muted; }
QMenu::separator { height: 1px; background: @border; margin: 4px 6px; }
)");
    const QStringList keys{QStringLiteral("@frame"), QStringLiteral("@panel"), QStringLiteral("@raised"),
                           QStringLiteral("@plate"), QStringLiteral("@card"), QStringLiteral("@line"),
                           QStringLiteral("@border"), QStringLiteral("@muted"), QStringLiteral("@text"),
                           QStringLiteral("@secondary"), QStringLiteral("@strong"), QStringLiteral("@accentStrong"),
                           QStringLiteral("@accentFill"), QStringLiteral("@fillHover"), QStringLiteral("@fillPressed"),
                           QStringLiteral("@accent"), QStringLiteral("@danger"), QStringLiteral("@buttonHover"),
                           QStringLiteral("@buttonPressed"), QStringLiteral("@buttonBorder"), QStringLiteral("@ghostHover"),
                           QStringLiteral("@handleBorder"), QStringLiteral("@handleHover"), QStringLiteral("@handle")};
    const QList<QColor> values{p.frame, p.panel, p.raised, p.plate, p.card, p.line, p.border, p.muted,
                               p.text, p.textSecondary, p.textStrong, p.accentStrong, p.accentFill,
                               p.accentFillHover, p.accentFillPressed, p.accent, p.danger,
                               p.buttonHover, p.buttonPressed, p.buttonBorder, p.ghostHover, p.handleBorder, p.handleHover,
                               p.handle};
    // Longer keys first so that "@accentStrong" and "@accentFill" are not
    // taken for "@accent"
    // nor "@handleBorder" for "@handle".
    for (int i = 0; i < keys.size(); ++i)
        css.replace(keys[i], CssColor(values[i]));
    return css;
}

QString ThemeStyleSheet(const QString& resourceName)
{
    if (resourceName == QLatin1String("VORLUNE_DARK"))
        return MainStyleSheet(DarkPalette());
    if (resourceName == QLatin1String("VORLUNE_LIGHT"))
        return MainStyleSheet(LightPalette());
    throw std::runtime_error("style resource not found: " + resourceName.toStdString());
}

} // namespace pq
