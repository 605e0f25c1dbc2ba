// The light and dark theme of the main window: the switch icons, the style
// sheet of the mode and the recolouring walk.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "app/logo.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/theme_walk.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/canvas_view.h"

#include <QLabel>

namespace pq {

void TForm1::CreateThemeSwitch()
{
    moonsvg->setCursor(Qt::PointingHandCursor);
    moonsvg->setToolTip(QStringLiteral("Switch to dark mode"));
    Sunsvg->setCursor(Qt::PointingHandCursor);
    Sunsvg->setToolTip(QStringLiteral("Switch to light mode"));
    for (TIconButton* icon : {moonsvg, Sunsvg})
        connect(icon, &QAbstractButton::clicked, this,
                [this] { GuardedCall("ThemeSwitchClick", [this] { ThemeSwitchClick(); }); });
    UpdateThemeIcons();
}

void TForm1::UpdateThemeIcons()
{
    const bool light = GThemeMode == tmLight;
    Sunsvg->setVisible(!light);
    moonsvg->setVisible(light);
    // The text colour of the mode, so that the icon reads on the title bar
    // in both modes.
    const QColor color = ThemedTextColor(QColor(0xD5, 0xD5, 0xD5));
    Sunsvg->setIconColor(color);
    moonsvg->setIconColor(color);
}

void TForm1::ThemeSwitchClick()
{
    SetLightMode(GThemeMode != tmLight);
}

void TForm1::SetLightMode(bool Value)
{
    ApplyTheme(Value ? tmLight : tmDark);
}

void TForm1::ApplyTheme(TThemeMode Mode)
{
    DebugLog(Mode == tmLight ? QStringLiteral(">>> ApplyTheme light") : QStringLiteral(">>> ApplyTheme dark"));
    GThemeMode = Mode;
    ApplyStyle();
    ApplyThemeColors();
    SaveTheme();
    update();
    if (SkPaintBox1)
        SkPaintBox1->update();
}

void TForm1::ApplyStyle()
{
    MarkStyleBook(this);
    setStyleSheet(ThemeStyleSheet(ThemeStyleResourceName()));
}

void TForm1::ThemeWalk(QObject* O, bool ToLight)
{
    // The switches keep their own look; the theme icons are set by
    // UpdateThemeIcons.
    WalkThemeColors(O, ToLight, [this](const QObject* o) {
        return o == Sunsvg || o == moonsvg || qobject_cast<const TToggleSwitch*>(o) != nullptr;
    });
}

void TForm1::ApplyThemeColors()
{
    const bool toLight = GThemeMode == tmLight;
    ThemeWalk(this, toLight);
    if (FormScriptEditor) {
        ThemeWalk(FormScriptEditor, toLight);
        if (FormScriptEditor->metaObject()->indexOfMethod("ApplyEditorTheme()") >= 0)
            QMetaObject::invokeMethod(FormScriptEditor, "ApplyEditorTheme");
    }
    if (FManualBrushFrame)
        ThemeWalk(FManualBrushFrame, toLight);
    PQLogo->setPixmap(LogoWithName(devicePixelRatioF(), CurrentPalette().textStrong));
    UpdateThemeIcons();
    UpdateEmptyPreviewBg();
}

} // namespace pq
