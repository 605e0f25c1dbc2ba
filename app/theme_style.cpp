#include "app/theme_style.h"

#include <QStringList>

namespace pq {

const TUiPalette& DarkPalette()
{
    static const TUiPalette palette{
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
        QColor(0xE8, 0x11, 0x23), // danger
    };
    return palette;
}

const TUiPalette& CurrentPalette()
{
    return DarkPalette();
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

QString MainStyleSheet(const TUiPalette& p)
{
    QString css = QStringLiteral(R"(
QWidget { color: @text; }
QToolTip { color: @strong; background: @raised; border: 1px solid @border; padding: 4px 6px; border-radius: 6px; }
#MainFormRect { background: @frame; }
#PresentedScrollBox2, #PresentedScrollBox3, #LeftPanelContent, #RightPanelContent { background: transparent; border: none; }
#LeftPanelRect, #RightPanelRect { background: @panel; border-radius: 15px; }
#MainBarRect { background: @raised; border-radius: 12px; }
#WorskpaceRect { background: @panel; border-radius: 15px; }
#ParamsRect { background: @raised; border-radius: 15px; }
#Rectangle13, #Rectangle12, #Rectangle11, #Rectangle10, #Rectangle16 { background: @plate; border-radius: 15px; }
#MenuContainer { background: @frame; border: 2px solid @border; border-radius: 15px; }
#MenuSeparator { background: @border; }
#SectionLabel { color: @secondary; }
#Label3, #Label4, #ParamsLabel { color: @secondary; letter-spacing: 1px; }
#ZoomLabel { color: @text; }
#DebugLabel { color: @text; }
#ProgressLabel { color: #2A3744; }
#ProgressBarRect { background: rgba(255, 255, 255, 128); border-radius: 12px; }

QLabel[role="paramCaption"] { color: @text; }
QLabel[role="paramValue"] { color: @strong; }
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
QSlider::handle:horizontal { width: 14px; height: 14px; margin: -5px 0; border-radius: 7px; background: @strong; }
QSlider::handle:horizontal:hover { background: #E6F6FB; }
QSlider::sub-page:horizontal:disabled { background: @line; }
QSlider::handle:horizontal:disabled { background: @muted; }

QPushButton { color: @text; background: @plate; border: none; border-radius: 10px; padding: 6px 14px; }
QPushButton:hover { background: #3B4D67; color: @strong; }
QPushButton:pressed { background: #2A384C; }
QPushButton:disabled { color: @muted; }
QPushButton[role="primary"] { color: @strong; background: @accentStrong; font-weight: 600; }
QPushButton[role="primary"]:hover { background: #5B97F8; }
QPushButton[role="primary"]:pressed { background: #2F6BD0; }
QPushButton[role="ghost"] { background: transparent; border: 1px solid @border; }
QPushButton[role="ghost"]:hover { background: rgba(255, 255, 255, 20); }

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
QMessageBox { background: @raised; }
QMessageBox QLabel { color: @text; }
)");
    const QStringList keys{QStringLiteral("@frame"), QStringLiteral("@panel"), QStringLiteral("@raised"),
                           QStringLiteral("@plate"), QStringLiteral("@card"), QStringLiteral("@line"),
                           QStringLiteral("@border"), QStringLiteral("@muted"), QStringLiteral("@text"),
                           QStringLiteral("@secondary"), QStringLiteral("@strong"), QStringLiteral("@accentStrong"),
                           QStringLiteral("@accent"), QStringLiteral("@danger")};
    const QList<QColor> values{p.frame, p.panel, p.raised, p.plate, p.card, p.line, p.border, p.muted,
                               p.text, p.textSecondary, p.textStrong, p.accentStrong, p.accent, p.danger};
    // Longer keys first so that "@accentStrong" is not taken for "@accent".
    for (int i = 0; i < keys.size(); ++i)
        css.replace(keys[i], CssColor(values[i]));
    return css;
}

} // namespace pq
