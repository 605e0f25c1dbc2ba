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

void MainWindow::createThemeSwitch()
{
    darkThemeButton->setCursor(Qt::PointingHandCursor);
    darkThemeButton->setToolTip(QStringLiteral("Switch to dark mode"));
    lightThemeButton->setCursor(Qt::PointingHandCursor);
    lightThemeButton->setToolTip(QStringLiteral("Switch to light mode"));
    for (IconButton* icon : {darkThemeButton, lightThemeButton})
        connect(icon, &QAbstractButton::clicked, this,
                [this] { GuardedCall("toggleTheme", [this] { toggleTheme(); }); });
    updateThemeIcons();
}

void MainWindow::updateThemeIcons()
{
    const bool light = gThemeMode == ThemeMode::Light;
    lightThemeButton->setVisible(!light);
    darkThemeButton->setVisible(light);
    // The text colour of the mode, so that the icon reads on the title bar
    // in both modes.
    const QColor color = ThemedTextColor(QColor(0xD5, 0xD5, 0xD5));
    lightThemeButton->setIconColor(color);
    darkThemeButton->setIconColor(color);
}

void MainWindow::toggleTheme()
{
    setLightMode(gThemeMode != ThemeMode::Light);
}

void MainWindow::setLightMode(bool value)
{
    applyTheme(value ? ThemeMode::Light : ThemeMode::Dark);
}

void MainWindow::applyTheme(ThemeMode mode)
{
    DebugLog(mode == ThemeMode::Light ? QStringLiteral(">>> ApplyTheme light") : QStringLiteral(">>> ApplyTheme dark"));
    gThemeMode = mode;
    applyStyle();
    applyThemeColors();
    SaveTheme();
    update();
    if (canvasView)
        canvasView->update();
}

void MainWindow::applyStyle()
{
    MarkStyleBook(this);
    setStyleSheet(ThemeStyleSheet(ThemeStyleResourceName()));
}

void MainWindow::themeWalk(QObject* root, bool toLight)
{
    // The switches keep their own look; the theme icons are set by
    // updateThemeIcons.
    WalkThemeColors(root, toLight, [this](const QObject* o) {
        return o == lightThemeButton || o == darkThemeButton || qobject_cast<const ToggleSwitch*>(o) != nullptr;
    });
}

void MainWindow::applyThemeColors()
{
    const bool toLight = gThemeMode == ThemeMode::Light;
    themeWalk(this, toLight);
    if (gScriptEditor) {
        themeWalk(gScriptEditor, toLight);
        if (gScriptEditor->metaObject()->indexOfMethod("ApplyEditorTheme()") >= 0)
            QMetaObject::invokeMethod(gScriptEditor, "ApplyEditorTheme");
    }
    if (manualBrushPanel)
        themeWalk(manualBrushPanel, toLight);
    logoLabel->setPixmap(LogoWithName(devicePixelRatioF(), CurrentPalette().textStrong));
    updateThemeIcons();
    showEmptyPreview();
}

} // namespace pq
